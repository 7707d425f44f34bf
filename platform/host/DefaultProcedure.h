// The default window procedure (DefWindowProcW): what a window does with a
// message its own procedure does not handle. The caption move loop lives
// here: WM_NCLBUTTONDOWN on HTCAPTION, and WM_SYSCOMMAND with SC_MOVE (for
// example 0xF012, SC_MOVE + HTCAPTION), move the window with the pointer
// until the left button goes up.
#pragma once

#include "host/Window.h"
#include "win32/WinUser.h"

namespace quarrow {

class Host;

class DefaultProcedure {
public:
    static LRESULT handle(Host& host, Window& w, UINT message, WPARAM wParam, LPARAM lParam);

    // Internal flags of WM_WINDOWPOSCHANGED (see Host::setWindowPos).
    static constexpr UINT kNoClientSize = 0x0800;
    static constexpr UINT kNoClientMove = 0x1000;

private:
    static void moveLoop(Host& host, Window& w);
    static LRESULT hitTest(Host& host, Window& w, POINT screen);
};

} // namespace quarrow
