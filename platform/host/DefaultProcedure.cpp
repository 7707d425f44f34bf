#include "host/DefaultProcedure.h"

#include "host/Host.h"
#include "host/SystemMetrics.h"

#include <algorithm>
#include <cstring>

namespace quarrow {

namespace {

bool inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

POINT pointFrom(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

} // namespace

LRESULT DefaultProcedure::hitTest(Host& host, Window& w, POINT p)
{
    const RECT outer = host.screenRect(w);
    if (!inside(outer, p)) return HTNOWHERE;
    if (inside(host.clientScreenRect(w), p)) return HTCLIENT;
    const RECT frame = Host::frameInsets(w.style & ~WS_CAPTION, w.exStyle);
    if ((w.style & WS_CAPTION) == WS_CAPTION && p.y >= outer.top + frame.top &&
        p.y < outer.top + frame.top + SystemMetrics::kCaptionHeight && p.x >= outer.left + frame.left &&
        p.x < outer.right - frame.right) {
        return HTCAPTION;
    }
    if (w.style & WS_THICKFRAME) {
        const bool left = p.x < outer.left + frame.left;
        const bool right = p.x >= outer.right - frame.right;
        const bool top = p.y < outer.top + frame.top;
        const bool bottom = p.y >= outer.bottom - frame.bottom;
        if (top && left) return HTTOPLEFT;
        if (top && right) return HTTOPRIGHT;
        if (bottom && left) return HTBOTTOMLEFT;
        if (bottom && right) return HTBOTTOMRIGHT;
        if (left) return HTLEFT;
        if (right) return HTRIGHT;
        if (top) return HTTOP;
        if (bottom) return HTBOTTOM;
    }
    return HTBORDER;
}

void DefaultProcedure::moveLoop(Host& host, Window& w)
{
    // The loop follows a held left button; without one there is nothing to
    // follow (the keyboard form of the move is not offered).
    if (!host.keyDown(VK_LBUTTON)) return;
    const HWND handle = w.handle;
    const POINT start = host.cursor();
    const RECT startRect = w.rect;
    auto moveTo = [&](POINT pt) {
        Window* self = host.window(handle);
        if (!self) return;
        host.setWindowPos(*self, nullptr, startRect.left + (pt.x - start.x), startRect.top + (pt.y - start.y), 0, 0,
                          SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    };
    host.setCapture(&w);
    host.send(w, WM_ENTERSIZEMOVE, 0, 0);
    MSG msg;
    for (;;) {
        if (!host.window(handle) || host.capture() != handle) break;
        if (!host.peekMessage(msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!host.backend().wait()) break;
            continue;
        }
        if (msg.message == WM_QUIT) {
            host.postQuit(static_cast<int>(msg.wParam));
            break;
        }
        if (msg.message == WM_MOUSEMOVE || msg.message == WM_NCMOUSEMOVE) {
            moveTo(msg.pt);
            continue;
        }
        if (msg.message == WM_LBUTTONUP || msg.message == WM_NCLBUTTONUP) {
            moveTo(msg.pt);
            break;
        }
        if ((msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST) ||
            (msg.message >= WM_NCMOUSEMOVE && msg.message <= WM_NCMBUTTONDBLCLK)) {
            continue;
        }
        if (msg.message == WM_KEYDOWN && msg.wParam == VK_ESCAPE) {
            // Escape puts the window back where the move started.
            if (Window* self = host.window(handle)) {
                host.setWindowPos(*self, nullptr, startRect.left, startRect.top, 0, 0,
                                  SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
            break;
        }
        if (msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) continue;
        host.dispatch(msg);
    }
    if (Window* self = host.window(handle)) {
        if (host.capture() == handle) host.releaseCapture();
        if ((self = host.window(handle))) host.send(*self, WM_EXITSIZEMOVE, 0, 0);
    }
}

LRESULT DefaultProcedure::handle(Host& host, Window& w, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_NCCREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w.text = cs->lpszName;
        return TRUE;
    }
    case WM_NCCALCSIZE: {
        RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0] : reinterpret_cast<RECT*>(lParam);
        if (!r) return 0;
        if (w.iconic() && host.isTopLevel(w)) {
            r->right = r->left;
            r->bottom = r->top;
            return 0;
        }
        const RECT f = Host::frameInsets(w.style, w.exStyle);
        r->left += f.left;
        r->top += f.top;
        r->right = std::max(r->left, r->right - f.right);
        r->bottom = std::max(r->top, r->bottom - f.bottom);
        return 0;
    }
    case WM_NCHITTEST:
        return hitTest(host, w, pointFrom(lParam));
    case WM_NCLBUTTONDOWN:
        if (wParam == HTCAPTION) {
            host.setActive(&host.topLevelOf(w), WA_CLICKACTIVE);
            if (host.window(w.handle)) host.send(w, WM_SYSCOMMAND, SC_MOVE | HTCAPTION, lParam);
        }
        return 0;
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_MOVE:
            moveLoop(host, w);
            return 0;
        case SC_MINIMIZE:
            host.showWindow(w, SW_MINIMIZE);
            return 0;
        case SC_MAXIMIZE:
            host.showWindow(w, SW_MAXIMIZE);
            return 0;
        case SC_RESTORE:
            host.showWindow(w, SW_RESTORE);
            return 0;
        case SC_CLOSE:
            host.send(w, WM_CLOSE, 0, 0);
            return 0;
        default:
            return 0;
        }
    case WM_CLOSE:
        host.destroyWindow(w.handle);
        return 0;
    case WM_ERASEBKGND: {
        HBRUSH brush = w.windowClass ? w.windowClass->background : nullptr;
        if (!brush) return 0;
        RECT r{0, 0, w.clientWidth(), w.clientHeight()};
        FillRect(reinterpret_cast<HDC>(wParam), &r, brush);
        return 1;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        host.beginPaint(w, ps);
        if (host.window(w.handle)) host.endPaint(w, ps);
        return 0;
    }
    case WM_NCPAINT:
        host.drawFrame(w);
        return 0;
    case WM_NCACTIVATE:
        if (w.framePending || (w.style & WS_CAPTION) == WS_CAPTION) host.drawFrame(w);
        return TRUE;
    case WM_SETTEXT: {
        const auto* text = reinterpret_cast<LPCWSTR>(lParam);
        w.text = text ? std::u16string(text) : std::u16string();
        host.changed(host.topLevelOf(w));
        return TRUE;
    }
    case WM_GETTEXT: {
        auto* buffer = reinterpret_cast<LPWSTR>(lParam);
        if (!buffer || wParam == 0) return 0;
        const size_t n = std::min<size_t>(w.text.size(), wParam - 1);
        std::copy(w.text.begin(), w.text.begin() + static_cast<long>(n), buffer);
        buffer[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
        return static_cast<LRESULT>(w.text.size());
    case WM_SETICON: {
        HICON& slot = wParam == ICON_BIG ? w.bigIcon : w.smallIcon;
        const HICON old = slot;
        slot = reinterpret_cast<HICON>(lParam);
        host.changed(host.topLevelOf(w));
        return reinterpret_cast<LRESULT>(old);
    }
    case WM_GETICON:
        return reinterpret_cast<LRESULT>(wParam == ICON_BIG ? w.bigIcon : w.smallIcon);
    case WM_WINDOWPOSCHANGED: {
        const auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
        const HWND handle = w.handle;
        if (!(wp->flags & kNoClientMove)) {
            const LONG x = w.rect.left + w.client.left;
            const LONG y = w.rect.top + w.client.top;
            host.send(w, WM_MOVE, 0, MAKELPARAM(x, y));
        }
        if (!(wp->flags & kNoClientSize) && host.window(handle)) {
            const WPARAM kind = w.iconic() ? SIZE_MINIMIZED : (w.style & WS_MAXIMIZE) ? SIZE_MAXIMIZED : SIZE_RESTORED;
            host.send(w, WM_SIZE, kind, MAKELPARAM(w.clientWidth(), w.clientHeight()));
        }
        return 0;
    }
    case WM_ACTIVATE:
        if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) host.setFocus(&w);
        return 0;
    case WM_MOUSEACTIVATE:
        return MA_ACTIVATE;
    case WM_CTLCOLORMSGBOX:
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORLISTBOX:
    case WM_CTLCOLORBTN:
    case WM_CTLCOLORDLG:
    case WM_CTLCOLORSCROLLBAR:
    case WM_CTLCOLORSTATIC: {
        const bool field = message == WM_CTLCOLOREDIT || message == WM_CTLCOLORLISTBOX;
        HDC dc = reinterpret_cast<HDC>(wParam);
        SetTextColor(dc, SystemMetrics::sysColour(COLOR_WINDOWTEXT));
        SetBkColor(dc, SystemMetrics::sysColour(field ? COLOR_WINDOW : COLOR_3DFACE));
        return reinterpret_cast<LRESULT>(host.gdi().sysColourBrush(field ? COLOR_WINDOW : COLOR_3DFACE));
    }
    case WM_CANCELMODE:
        if (host.capture() == w.handle) host.releaseCapture();
        return 0;
    case WM_QUERYOPEN:
    case WM_QUERYENDSESSION:
        return TRUE;
    case WM_SETCURSOR:
        return FALSE;
    default:
        return 0;
    }
}

} // namespace quarrow
