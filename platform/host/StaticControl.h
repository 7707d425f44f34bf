// The predefined "Static" window class: a text label (SS_LEFT, SS_CENTER,
// SS_RIGHT, SS_NOPREFIX) painted on the brush its parent answers to
// WM_CTLCOLORSTATIC. Without SS_NOTIFY it is transparent to the pointer, as
// on the platform. Message boxes use it for their text.
#pragma once

#include "win32/WinUser.h"

namespace quarrow {

class Host;

class StaticControl {
public:
    static void registerClass(Host& host);
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
};

} // namespace quarrow
