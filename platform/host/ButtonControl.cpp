#include "host/ButtonControl.h"

#include "host/DefaultProcedure.h"
#include "host/Host.h"
#include "host/SystemMetrics.h"

namespace quarrow {

void ButtonControl::registerClass(Host& host)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_PARENTDC | CS_DBLCLKS | CS_GLOBALCLASS;
    wc.lpfnWndProc = &ButtonControl::proc;
    wc.lpszClassName = u"Button";
    host.registerClass(wc, true);
}

ButtonControl::State& ButtonControl::state(Window& w)
{
    if (!w.control) w.control = std::make_unique<State>();
    return static_cast<State&>(*w.control);
}

void ButtonControl::redraw(Host& host, Window& w, UINT action)
{
    if (!host.reallyVisible(w)) return;
    HDC dc = GetDC(w.handle);
    paint(host, w, dc, action);
    ReleaseDC(w.handle, dc);
}

void ButtonControl::setPushed(Host& host, Window& w, bool pushed)
{
    State& s = state(w);
    if (((s.state & BST_PUSHED) != 0) == pushed) return;
    s.state ^= BST_PUSHED;
    redraw(host, w, ODA_SELECT);
}

void ButtonControl::click(Host& host, Window& w)
{
    const UINT type = w.style & BS_TYPEMASK;
    State& s = state(w);
    if (type == BS_AUTOCHECKBOX) {
        s.state ^= BST_CHECKED;
        redraw(host, w, ODA_DRAWENTIRE);
    } else if (type == BS_AUTORADIOBUTTON) {
        s.state |= BST_CHECKED;
        redraw(host, w, ODA_DRAWENTIRE);
    }
    if (w.parent && !host.isDesktop(*w.parent)) {
        host.send(*w.parent, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(w.id), BN_CLICKED),
                  reinterpret_cast<LPARAM>(w.handle));
    }
}

void ButtonControl::paint(Host& host, Window& w, HDC dc, UINT action)
{
    State& s = state(w);
    const RECT client{0, 0, w.clientWidth(), w.clientHeight()};
    const UINT type = w.style & BS_TYPEMASK;
    Window* parent = w.parent && !host.isDesktop(*w.parent) ? w.parent : nullptr;
    if (type == BS_OWNERDRAW) {
        if (!parent) return;
        DRAWITEMSTRUCT dis{};
        dis.CtlType = ODT_BUTTON;
        dis.CtlID = static_cast<UINT>(w.id);
        dis.itemAction = action;
        if (s.state & BST_PUSHED) dis.itemState |= ODS_SELECTED;
        if (s.state & BST_FOCUS) dis.itemState |= ODS_FOCUS;
        if (w.disabledFlag()) dis.itemState |= ODS_DISABLED;
        dis.hwndItem = w.handle;
        dis.hDC = dc;
        dis.rcItem = client;
        host.send(*parent, WM_DRAWITEM, static_cast<WPARAM>(w.id), reinterpret_cast<LPARAM>(&dis));
        return;
    }
    if (parent) host.send(*parent, WM_CTLCOLORBTN, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(w.handle));
    HFONT oldFont = s.font ? static_cast<HFONT>(SelectObject(dc, s.font)) : nullptr;
    const bool pushed = (s.state & BST_PUSHED) != 0;
    RECT textRect = client;
    if (type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON || type == BS_PUSHBOX || type == BS_USERBUTTON) {
        FillRect(dc, &client, GetSysColorBrush(COLOR_3DFACE));
        // A one-pixel bevel (pushed: one shadow frame), and a dark frame
        // around the default button.
        RECT r = client;
        if (type == BS_DEFPUSHBUTTON) {
            FrameRect(dc, &r, GetSysColorBrush(COLOR_WINDOWFRAME));
            InflateRect(&r, -1, -1);
        }
        if (pushed) {
            FrameRect(dc, &r, GetSysColorBrush(COLOR_BTNSHADOW));
        } else {
            RECT edge{r.left, r.top, r.right, r.top + 1};
            FillRect(dc, &edge, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
            edge = RECT{r.left, r.top, r.left + 1, r.bottom};
            FillRect(dc, &edge, GetSysColorBrush(COLOR_BTNHIGHLIGHT));
            edge = RECT{r.left, r.bottom - 1, r.right, r.bottom};
            FillRect(dc, &edge, GetSysColorBrush(COLOR_3DDKSHADOW));
            edge = RECT{r.right - 1, r.top, r.right, r.bottom};
            FillRect(dc, &edge, GetSysColorBrush(COLOR_3DDKSHADOW));
        }
        if (pushed) OffsetRect(&textRect, 1, 1);
    } else if (type != BS_GROUPBOX) {
        // Check boxes and radio buttons: a 13 x 13 box, then the text.
        const int boxTop = (client.bottom - 13) / 2;
        RECT box{0, boxTop, 13, boxTop + 13};
        FillRect(dc, &box, GetSysColorBrush(COLOR_WINDOW));
        FrameRect(dc, &box, GetSysColorBrush(COLOR_BTNSHADOW));
        if (s.state & BST_CHECKED) {
            RECT mark = box;
            InflateRect(&mark, -3, -3);
            FillRect(dc, &mark, GetSysColorBrush(COLOR_WINDOWTEXT));
        }
        textRect.left = 17;
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, SystemMetrics::sysColour(w.disabledFlag() ? COLOR_GRAYTEXT : COLOR_BTNTEXT));
    const bool push = type == BS_PUSHBUTTON || type == BS_DEFPUSHBUTTON;
    DrawTextW(dc, w.text.c_str(), -1, &textRect, DT_SINGLELINE | DT_VCENTER | (push ? DT_CENTER : DT_LEFT));
    if (oldFont) SelectObject(dc, oldFont);
}

LRESULT CALLBACK ButtonControl::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Host& host = Host::current();
    Window* w = host.window(hwnd);
    if (!w) return 0;
    State& s = state(*w);
    const UINT type = w->style & BS_TYPEMASK;
    switch (message) {
    case WM_GETDLGCODE:
        if (type == BS_PUSHBUTTON || type == BS_OWNERDRAW || type == BS_USERBUTTON || type == BS_PUSHBOX) {
            return DLGC_BUTTON | DLGC_UNDEFPUSHBUTTON;
        }
        if (type == BS_DEFPUSHBUTTON) return DLGC_BUTTON | DLGC_DEFPUSHBUTTON;
        if (type == BS_RADIOBUTTON || type == BS_AUTORADIOBUTTON) return DLGC_BUTTON | DLGC_RADIOBUTTON;
        if (type == BS_GROUPBOX) return DLGC_STATIC;
        return DLGC_BUTTON;
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK:
        if (host.focus() != hwnd) {
            host.setFocus(w);
            if (!(w = host.window(hwnd))) return 0;
        }
        host.setCapture(w);
        s.tracking = true;
        setPushed(host, *w, true);
        return 0;
    case WM_MOUSEMOVE:
        if (s.tracking && host.capture() == hwnd) {
            const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
            const RECT c{0, 0, w->clientWidth(), w->clientHeight()};
            setPushed(host, *w, PtInRect(&c, p) != FALSE);
        }
        return 0;
    case WM_LBUTTONUP: {
        if (!s.tracking) return 0;
        s.tracking = false;
        const POINT p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const RECT c{0, 0, w->clientWidth(), w->clientHeight()};
        const bool over = PtInRect(&c, p) != FALSE;
        setPushed(host, *w, false);
        if (host.capture() == hwnd) host.releaseCapture();
        if (over && (w = host.window(hwnd))) click(host, *w);
        return 0;
    }
    case WM_CAPTURECHANGED:
        if (s.tracking) {
            s.tracking = false;
            setPushed(host, *w, false);
        }
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE && !s.spaceDown) {
            s.spaceDown = true;
            setPushed(host, *w, true);
        }
        return 0;
    case WM_KEYUP:
        if (wParam == VK_SPACE && s.spaceDown) {
            s.spaceDown = false;
            setPushed(host, *w, false);
            if ((w = host.window(hwnd))) click(host, *w);
        }
        return 0;
    case WM_SETFOCUS:
        s.state |= BST_FOCUS;
        redraw(host, *w, ODA_FOCUS);
        return 0;
    case WM_KILLFOCUS:
        s.state &= ~BST_FOCUS;
        if (s.spaceDown) {
            s.spaceDown = false;
            s.state &= ~BST_PUSHED;
        }
        if (s.tracking && host.capture() == hwnd) host.releaseCapture();
        if ((w = host.window(hwnd))) redraw(host, *w, ODA_FOCUS);
        return 0;
    case WM_ENABLE:
        host.invalidate(*w, nullptr, true, false);
        return 0;
    case WM_SETTEXT: {
        const LRESULT r = DefaultProcedure::handle(host, *w, message, wParam, lParam);
        host.invalidate(*w, nullptr, true, false);
        return r;
    }
    case WM_SETFONT:
        s.font = reinterpret_cast<HFONT>(wParam);
        if (lParam) host.invalidate(*w, nullptr, true, false);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(s.font);
    case BM_GETSTATE:
        return s.state;
    case BM_SETSTATE:
        setPushed(host, *w, wParam != 0);
        return 0;
    case BM_GETCHECK:
        return s.state & (BST_CHECKED | BST_INDETERMINATE);
    case BM_SETCHECK:
        s.state = (s.state & ~(BST_CHECKED | BST_INDETERMINATE)) | (wParam & (BST_CHECKED | BST_INDETERMINATE));
        host.invalidate(*w, nullptr, true, false);
        return 0;
    case BM_CLICK:
        if (!w->disabledFlag()) click(host, *w);
        return 0;
    case BM_SETSTYLE:
        w->style = (w->style & 0xFFFF0000u) | LOWORD(wParam);
        if (lParam) host.invalidate(*w, nullptr, true, false);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = host.beginPaint(*w, ps);
        if (!(w = host.window(hwnd))) return 0;
        paint(host, *w, dc, ODA_DRAWENTIRE);
        if ((w = host.window(hwnd))) host.endPaint(*w, ps);
        return 0;
    }
    default:
        return DefaultProcedure::handle(host, *w, message, wParam, lParam);
    }
}

} // namespace quarrow
