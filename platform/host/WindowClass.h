// A registered window class: its procedure, styles, extra byte counts and
// defaults. The window system (host/Host.h) owns the class table; windows
// point at their class for as long as they live, so a class with windows
// cannot be unregistered.
#pragma once

#include "win32/WinUser.h"

#include <string>
#include <vector>

namespace quarrow {

struct WindowClass {
    std::u16string name;
    ATOM atom = 0;
    UINT style = 0;
    WNDPROC proc = nullptr;
    int classExtra = 0;
    int windowExtra = 0;
    HINSTANCE instance = nullptr;
    HICON icon = nullptr;
    HICON smallIcon = nullptr;
    HCURSOR cursor = nullptr;
    HBRUSH background = nullptr;
    std::vector<BYTE> extra;
    // Predefined classes ("Button", "Static", the dialog class) belong to
    // the system and are found whatever instance asks for them.
    bool system = false;
    int windowCount = 0;
};

} // namespace quarrow
