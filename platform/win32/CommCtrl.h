// The common controls library's initialisation. The window system's
// predefined classes (buttons, statics, the dialog class) exist from the
// start, and this system uses none of the library's other controls, so
// initialisation registers nothing; it checks its argument and reports
// success, as the platform does once the classes are available.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <commctrl.h>.
#include "win32/TChar.h"
#include <commctrl.h>
#else

#include "win32/WinDef.h"

struct INITCOMMONCONTROLSEX {
    DWORD dwSize; // sizeof(INITCOMMONCONTROLSEX), 8
    DWORD dwICC;  // ICC_* class sets
};
using LPINITCOMMONCONTROLSEX = INITCOMMONCONTROLSEX*;

#define ICC_LISTVIEW_CLASSES 0x00000001
#define ICC_TREEVIEW_CLASSES 0x00000002
#define ICC_BAR_CLASSES 0x00000004
#define ICC_TAB_CLASSES 0x00000008
#define ICC_UPDOWN_CLASS 0x00000010
#define ICC_PROGRESS_CLASS 0x00000020
#define ICC_HOTKEY_CLASS 0x00000040
#define ICC_ANIMATE_CLASS 0x00000080
#define ICC_WIN95_CLASSES 0x000000FF
#define ICC_DATE_CLASSES 0x00000100
#define ICC_USEREX_CLASSES 0x00000200
#define ICC_COOL_CLASSES 0x00000400
#define ICC_INTERNET_CLASSES 0x00000800
#define ICC_PAGESCROLLER_CLASS 0x00001000
#define ICC_NATIVEFNTCTL_CLASS 0x00002000
#define ICC_STANDARD_CLASSES 0x00004000
#define ICC_LINK_CLASS 0x00008000

// TRUE for a record of the right size whose flags are all ICC_* values;
// FALSE with ERROR_INVALID_PARAMETER otherwise.
BOOL InitCommonControlsEx(const INITCOMMONCONTROLSEX* picce);
void InitCommonControls();

#endif // _WIN32
