#include "host/StaticControl.h"

#include "host/DefaultProcedure.h"
#include "host/Host.h"

namespace quarrow {

namespace {

struct StaticState : WindowExtension {
    HFONT font = nullptr;
};

StaticState& stateOf(Window& w)
{
    if (!w.control) w.control = std::make_unique<StaticState>();
    return static_cast<StaticState&>(*w.control);
}

} // namespace

void StaticControl::registerClass(Host& host)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_PARENTDC | CS_GLOBALCLASS;
    wc.lpfnWndProc = &StaticControl::proc;
    wc.lpszClassName = u"Static";
    host.registerClass(wc, true);
}

LRESULT CALLBACK StaticControl::proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Host& host = Host::current();
    Window* w = host.window(hwnd);
    if (!w) return 0;
    switch (message) {
    case WM_NCHITTEST:
        return (w->style & SS_NOTIFY) ? HTCLIENT : HTTRANSPARENT;
    case WM_GETDLGCODE:
        return DLGC_STATIC;
    case WM_SETFONT:
        stateOf(*w).font = reinterpret_cast<HFONT>(wParam);
        if (lParam) host.invalidate(*w, nullptr, true, false);
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(stateOf(*w).font);
    case WM_SETTEXT: {
        const LRESULT r = DefaultProcedure::handle(host, *w, message, wParam, lParam);
        host.invalidate(*w, nullptr, true, false);
        return r;
    }
    case WM_ERASEBKGND:
        return 1; // painted with the text
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = host.beginPaint(*w, ps);
        if (!(w = host.window(hwnd))) return 0;
        HBRUSH brush = nullptr;
        if (w->parent && !host.isDesktop(*w->parent)) {
            brush = reinterpret_cast<HBRUSH>(host.send(*w->parent, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                                                       reinterpret_cast<LPARAM>(hwnd)));
            if (!(w = host.window(hwnd))) return 0;
        }
        RECT client{0, 0, w->clientWidth(), w->clientHeight()};
        if (brush) FillRect(dc, &client, brush);
        HFONT font = stateOf(*w).font;
        HGDIOBJ old = font ? SelectObject(dc, font) : nullptr;
        SetBkMode(dc, TRANSPARENT);
        UINT format = DT_WORDBREAK;
        const DWORD type = w->style & SS_TYPEMASK;
        if (type == SS_CENTER) format |= DT_CENTER;
        if (type == SS_RIGHT) format |= DT_RIGHT;
        if (w->style & SS_NOPREFIX) format |= DT_NOPREFIX;
        DrawTextW(dc, w->text.c_str(), -1, &client, format);
        if (old) SelectObject(dc, old);
        host.endPaint(*w, ps);
        return 0;
    }
    default:
        return DefaultProcedure::handle(host, *w, message, wParam, lParam);
    }
}

} // namespace quarrow
