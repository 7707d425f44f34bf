// The predefined "Button" window class. Push buttons (and owner-drawn ones,
// BS_OWNERDRAW) behave as on the platform: a left press takes the focus and
// the mouse capture and shows the button pushed; moving off and back on
// shows it released and pushed again; letting go over the button sends the
// parent WM_COMMAND with BN_CLICKED and the control id, letting go
// elsewhere sends nothing. Space pressed and released on the focused button
// clicks it too. Owner-drawn buttons are drawn by their parent through
// WM_DRAWITEM (ODS_SELECTED while pushed), right away whenever the pushed
// or focus state changes, and for every WM_PAINT.
#pragma once

#include "host/Window.h"
#include "win32/WinUser.h"

namespace quarrow {

class Host;

class ButtonControl {
public:
    static void registerClass(Host& host);
    static LRESULT CALLBACK proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    struct State : WindowExtension {
        UINT state = 0; // BST_CHECKED, BST_PUSHED, BST_FOCUS
        bool tracking = false;
        bool spaceDown = false;
        HFONT font = nullptr;
    };

    static State& state(Window& w);
    static void setPushed(Host& host, Window& w, bool pushed);
    static void click(Host& host, Window& w);
    static void paint(Host& host, Window& w, HDC dc, UINT action);
    static void redraw(Host& host, Window& w, UINT action);
};

} // namespace quarrow
