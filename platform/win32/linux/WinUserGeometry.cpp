// Geometry and visibility of windows: SetWindowPos, MoveWindow,
// BringWindowToTop, the window and client rectangles, coordinate mapping
// (ClientToScreen, ScreenToClient, MapWindowPoints, AdjustWindowRectEx),
// showing, minimising and restoring (ShowWindow, ShowOwnedPopups,
// CloseWindow, OpenIcon) and enabling. The rules themselves are the window
// system's (host/Host.h).
#include "win32/WinUser.h"

#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

using quarrow::Host;
using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::rectOf;
using quarrow::detail::win;

// ---------------------------------------------------------------------------
// Geometry and visibility

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Window* w = win(hwnd);
    return w && host().setWindowPos(*w, insertAfter, x, y, cx, cy, flags);
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    Window* w = win(hwnd);
    return w && host().setWindowPos(*w, nullptr, x, y, width, height,
                                    SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

BOOL BringWindowToTop(HWND hwnd)
{
    Window* w = win(hwnd);
    return w && host().setWindowPos(*w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    Window* w = win(hwnd);
    if (!w || !rect) return FALSE;
    *rect = rectOf(*w);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    Window* w = win(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->clientWidth(), w->clientHeight()};
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD exStyle)
{
    if (!rect) return FALSE;
    const RECT f = Host::frameInsets(style, exStyle);
    rect->left -= f.left;
    rect->top -= f.top;
    rect->right += f.right;
    rect->bottom += f.bottom;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point)
{
    Window* w = win(hwnd);
    if (!w || !point) return FALSE;
    *point = host().clientToScreen(*w, *point);
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point)
{
    Window* w = win(hwnd);
    if (!w || !point) return FALSE;
    *point = host().screenToClient(*w, *point);
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    Window* f = from ? win(from) : nullptr;
    Window* t = to ? win(to) : nullptr;
    if ((from && !f) || (to && !t)) return 0;
    const POINT origin = f ? host().clientToScreen(*f, POINT{0, 0}) : POINT{0, 0};
    const POINT target = t ? host().screenToClient(*t, origin) : origin;
    for (UINT i = 0; i < count && points; ++i) {
        POINT s = f ? host().clientToScreen(*f, points[i]) : points[i];
        points[i] = t ? host().screenToClient(*t, s) : s;
    }
    SetLastError(0);
    return MAKELONG(static_cast<SHORT>(target.x), static_cast<SHORT>(target.y));
}

BOOL ShowWindow(HWND hwnd, int command)
{
    Window* w = win(hwnd);
    return w && host().showWindow(*w, command);
}

BOOL ShowOwnedPopups(HWND hwnd, BOOL show)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    std::vector<HWND> owned;
    for (Window* t : host().desktop().children) {
        if (t->owner == w) owned.push_back(t->handle);
    }
    for (HWND o : owned) {
        Window* ow = host().window(o);
        if (!ow) continue;
        if (!show && ow->visibleFlag()) {
            host().send(*ow, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
            if ((ow = host().window(o))) {
                host().setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                                    SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                if ((ow = host().window(o))) ow->hiddenByOwnerMinimise = true;
            }
        } else if (show && ow->hiddenByOwnerMinimise) {
            ow->hiddenByOwnerMinimise = false;
            host().send(*ow, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
            if ((ow = host().window(o))) {
                host().setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                                    SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }
    return TRUE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && host().reallyVisible(*w) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && w->iconic() ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL CloseWindow(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().showWindow(*w, SW_MINIMIZE);
    return TRUE;
}

BOOL OpenIcon(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().showWindow(*w, SW_RESTORE);
    return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    Window* w = win(hwnd);
    return w && host().enableWindow(*w, enable != FALSE) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && !w->disabledFlag() ? TRUE : FALSE;
}
