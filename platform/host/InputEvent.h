// One piece of raw input as a backend delivers it to the window system:
// the pointer moving, a mouse button or a key going down or up. The window
// system turns it into window messages (host/InputRouter.h).
#pragma once

#include "win32/WinDef.h"

namespace quarrow {

struct InputEvent {
    enum class Kind { MouseMove, MouseDown, MouseUp, KeyDown, KeyUp };
    enum Button { Left = 0, Right = 1, Middle = 2 };

    Kind kind = Kind::MouseMove;
    // Screen coordinates of the pointer (mouse events).
    POINT point{0, 0};
    int button = Left;
    // The virtual-key code (key events) and the character it types, if any.
    UINT virtualKey = 0;
    char16_t character = 0;
};

} // namespace quarrow
