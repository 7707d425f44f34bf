// The shell's "open" verb: ShellExecuteW hands an address (or a file) to
// the user's desktop, which opens it with the default program; for a web
// address that is the default browser. The window system's backend decides
// how (host/Backend.h shellOpen): a real screen runs "xdg-open" (found
// through the absolute PATH entries only) detached, never through a shell;
// the memory screen records the request for tests.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <shellapi.h>.
#include "win32/TChar.h"
#include <shellapi.h>
#else

#include "win32/WinDef.h"

// Results below 33 are errors.
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_SHARE 26
#define SE_ERR_ASSOCINCOMPLETE 27
#define SE_ERR_DDETIMEOUT 28
#define SE_ERR_DDEFAIL 29
#define SE_ERR_DDEBUSY 30
#define SE_ERR_NOASSOC 31
#define SE_ERR_DLLNOTFOUND 32

// Opens `lpFile` with `lpOperation` (null or "open"; any other verb gives
// SE_ERR_NOASSOC). Parameters and directory are passed on to the backend;
// nShowCmd (SW_SHOWMAXIMIZED, ...) is a wish the opened program may honour.
// Returns a value greater than 32 on success, an SE_ERR_* code otherwise.
HINSTANCE ShellExecuteW(HWND hwnd, LPCWSTR lpOperation, LPCWSTR lpFile, LPCWSTR lpParameters,
                        LPCWSTR lpDirectory, INT nShowCmd);

#endif // _WIN32
