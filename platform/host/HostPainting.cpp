// The window system, painting: invalidation and validation, the paint
// cycle, painting now, the raster target of a window device context, and
// drawing the non-client frame.
#include "host/Host.h"

#include "host/HostInternal.h"
#include "host/SystemMetrics.h"

#include <algorithm>

namespace quarrow {

using detail::intersect;
using detail::offset;
using detail::unite;

namespace {

bool emptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

} // namespace

// ---------------------------------------------------------------------------
// Painting

void Host::invalidate(Window& w, const RECT* rect, bool erase, bool children)
{
    const RECT whole{0, 0, w.clientWidth(), w.clientHeight()};
    const RECT r = rect ? intersect(*rect, whole) : whole;
    if (emptyRect(r)) return;
    w.update = w.updatePending ? unite(w.update, r) : r;
    w.updatePending = true;
    w.erasePending = w.erasePending || erase;
    if (!children) return;
    for (Window* c : w.children) {
        if (!c->visibleFlag()) continue;
        RECT part = intersect(r, c->rect);
        if (emptyRect(part)) continue;
        part = offset(part, -(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
        invalidate(*c, &part, erase, !(c->style & WS_CLIPCHILDREN));
    }
}

void Host::validate(Window& w, const RECT* rect)
{
    if (!rect) {
        w.updatePending = false;
        w.update = RECT{0, 0, 0, 0};
        w.erasePending = false;
        return;
    }
    // Update areas are kept as one rectangle: validating a part that covers
    // it entirely clears it, a smaller part leaves it.
    if (w.updatePending && rect->left <= w.update.left && rect->top <= w.update.top &&
        rect->right >= w.update.right && rect->bottom >= w.update.bottom) {
        validate(w, nullptr);
    }
}

HDC Host::beginPaint(Window& w, PAINTSTRUCT& ps)
{
    const HWND handle = w.handle;
    ps = PAINTSTRUCT{};
    if (w.framePending) {
        w.framePending = false;
        send(w, WM_NCPAINT, 1, 0);
        if (!window(handle)) return nullptr;
    }
    const RECT paint = w.updatePending ? w.update : RECT{0, 0, 0, 0};
    const bool erase = w.erasePending;
    validate(w, nullptr);
    HDC dc = m_gdi->createDc(DeviceContext::Surface::Paint, handle, &paint);
    ps.hdc = dc;
    ps.rcPaint = paint;
    ps.fErase = FALSE;
    if (erase) {
        ps.fErase = send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    }
    return dc;
}

void Host::endPaint(Window& w, const PAINTSTRUCT& ps)
{
    m_gdi->deleteDc(ps.hdc);
    changed(topLevelOf(w));
}

void Host::updateNow(Window& w, bool withChildren)
{
    const HWND handle = w.handle;
    if ((w.updatePending || w.framePending) && reallyVisible(w)) {
        send(w, WM_PAINT, 0, 0);
        if (!window(handle)) return;
    }
    if (!withChildren) return;
    std::vector<HWND> children;
    for (auto it = w.children.rbegin(); it != w.children.rend(); ++it) children.push_back((*it)->handle);
    for (HWND c : children) {
        if (Window* cw = window(c)) updateNow(*cw, true);
    }
}

bool Host::windowTarget(HWND handle, DeviceContext::Surface surface, const RECT& paintRect, RasterTarget& out)
{
    Window* w = window(handle);
    if (!w || w == m_desktop) return false;
    Window& top = topLevelOf(*w);
    if (top.surface.empty()) return false;
    const RECT topScreen = screenRect(top);
    const RECT self = screenRect(*w);
    const POINT windowOrigin{self.left - topScreen.left, self.top - topScreen.top};
    RECT clip;
    if (surface == DeviceContext::Surface::Window) {
        out.origin = windowOrigin;
        clip = RECT{windowOrigin.x, windowOrigin.y, windowOrigin.x + w->width(), windowOrigin.y + w->height()};
    } else {
        out.origin = POINT{windowOrigin.x + w->client.left, windowOrigin.y + w->client.top};
        clip = offset(w->client, windowOrigin.x, windowOrigin.y);
        if (surface == DeviceContext::Surface::Paint) clip = intersect(clip, offset(paintRect, out.origin.x, out.origin.y));
    }
    // A child draws only inside the client areas of its ancestors.
    for (Window* p = w->parent; p && p != m_desktop; p = p->parent) {
        const RECT ps = screenRect(*p);
        const RECT pc = offset(p->client, ps.left - topScreen.left, ps.top - topScreen.top);
        clip = intersect(clip, pc);
    }
    clip = intersect(clip, RECT{0, 0, top.surface.width(), top.surface.height()});
    out.buffer = &top.surface;
    out.clip = clip;
    return true;
}

void Host::drawFrame(Window& w)
{
    RasterTarget t;
    if (!windowTarget(w.handle, DeviceContext::Surface::Window, RECT{}, t)) return;
    auto colour = [](int index) {
        const COLORREF c = SystemMetrics::sysColour(index);
        return Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255};
    };
    const RECT whole{0, 0, w.width(), w.height()};
    const RECT& c = w.client;
    Raster::fill(t, RECT{0, 0, whole.right, c.top}, colour(COLOR_3DFACE));
    Raster::fill(t, RECT{0, c.bottom, whole.right, whole.bottom}, colour(COLOR_3DFACE));
    Raster::fill(t, RECT{0, c.top, c.left, c.bottom}, colour(COLOR_3DFACE));
    Raster::fill(t, RECT{c.right, c.top, whole.right, c.bottom}, colour(COLOR_3DFACE));
    if ((w.style & WS_CAPTION) == WS_CAPTION) {
        const RECT insets = frameInsets(w.style & ~WS_CAPTION, w.exStyle);
        const int f = std::max<int>(insets.left, SystemMetrics::kDialogFrame);
        const RECT bar{f, f, whole.right - f, f + SystemMetrics::kCaptionHeight - 1};
        Raster::fill(t, bar, colour(m_active == &w ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        if (!w.text.empty()) {
            HDC dc = m_gdi->createDc(DeviceContext::Surface::Window, w.handle);
            HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, SystemMetrics::sysColour(COLOR_CAPTIONTEXT));
            RECT text{bar.left + 6, bar.top, bar.right - 6, bar.bottom};
            DrawTextW(dc, w.text.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, old);
            m_gdi->deleteDc(dc);
        }
    }
    changed(topLevelOf(w));
}

} // namespace quarrow
