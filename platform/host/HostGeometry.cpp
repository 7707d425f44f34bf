// The window system, geometry and Z order: window and client rectangles
// and coordinate mapping, frame insets and the non-client calculation, the
// order of top-level windows with the owner rules, SetWindowPos, styles,
// showing, minimising and restoring, and enabling.
#include "host/Host.h"

#include "host/DefaultProcedure.h"
#include "host/HostInternal.h"
#include "host/SystemMetrics.h"
#include "win32/ErrHandlingApi.h"

#include <algorithm>

namespace quarrow {

using detail::offset;
using detail::unite;

namespace {

// Internal WM_WINDOWPOSCHANGED flags: the client area did not move / did
// not change size, so the default handling sends no WM_MOVE / WM_SIZE.
constexpr UINT kNoClientSize = DefaultProcedure::kNoClientSize;
constexpr UINT kNoClientMove = DefaultProcedure::kNoClientMove;

} // namespace

// ---------------------------------------------------------------------------
// Geometry and Z order

RECT Host::screenRect(const Window& w) const
{
    RECT r = w.rect;
    for (const Window* p = w.parent; p && p != m_desktop; p = p->parent) {
        r = offset(r, p->rect.left + p->client.left, p->rect.top + p->client.top);
    }
    return r;
}

RECT Host::clientScreenRect(const Window& w) const
{
    const RECT r = screenRect(w);
    return RECT{r.left + w.client.left, r.top + w.client.top, r.left + w.client.right, r.top + w.client.bottom};
}

POINT Host::clientOrigin(const Window& w) const
{
    const RECT r = clientScreenRect(w);
    return POINT{r.left, r.top};
}

POINT Host::clientToScreen(const Window& w, POINT p) const
{
    const RECT c = clientScreenRect(w);
    if (w.exStyle & WS_EX_LAYOUTRTL) return POINT{c.left + (c.right - c.left) - p.x, c.top + p.y};
    return POINT{c.left + p.x, c.top + p.y};
}

POINT Host::screenToClient(const Window& w, POINT p) const
{
    const RECT c = clientScreenRect(w);
    if (w.exStyle & WS_EX_LAYOUTRTL) return POINT{c.left + (c.right - c.left) - p.x, p.y - c.top};
    return POINT{p.x - c.left, p.y - c.top};
}

RECT Host::frameInsets(DWORD style, DWORD exStyle)
{
    int f = 0;
    if (style & WS_THICKFRAME) {
        f = SystemMetrics::kSizingFrame;
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        f = SystemMetrics::kDialogFrame;
    } else if (style & WS_BORDER) {
        f = SystemMetrics::kBorder;
    }
    if (exStyle & WS_EX_CLIENTEDGE) f += SystemMetrics::kEdge;
    if (exStyle & WS_EX_STATICEDGE) f += 1;
    RECT r{f, f, f, f};
    if ((style & WS_CAPTION) == WS_CAPTION) r.top += SystemMetrics::kCaptionHeight;
    return r;
}

void Host::recalcClient(Window& w, bool sendCalc)
{
    NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = w.rect;
    params.rgrc[1] = w.rect;
    params.rgrc[2] = w.rect;
    if (sendCalc) {
        const HWND handle = w.handle;
        send(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
        if (!window(handle)) return;
    } else {
        DefaultProcedure::handle(*this, w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    }
    RECT c = params.rgrc[0];
    c.right = std::max(c.right, c.left);
    c.bottom = std::max(c.bottom, c.top);
    w.client = RECT{c.left - w.rect.left, c.top - w.rect.top, c.right - w.rect.left, c.bottom - w.rect.top};
    if (w.client.left > w.width()) w.client.left = w.width();
    if (w.client.top > w.height()) w.client.top = w.height();
    w.client.right = std::clamp<LONG>(w.client.right, w.client.left, w.width());
    w.client.bottom = std::clamp<LONG>(w.client.bottom, w.client.top, w.height());
    w.framePending = w.client.left != 0 || w.client.top != 0 || w.client.right != w.width() ||
                     w.client.bottom != w.height();
}

void Host::resizeSurface(Window& w) { w.surface.resizeKeeping(w.width(), w.height()); }

void Host::normaliseTopLevelOrder()
{
    auto& list = m_desktop->children;
    // Owned windows stay above their owners.
    for (bool moved = true; moved;) {
        moved = false;
        for (size_t i = 0; i < list.size(); ++i) {
            Window* o = list[i];
            if (!o->owner) continue;
            const auto ownerAt = std::find(list.begin(), list.end(), o->owner);
            if (ownerAt == list.end() || ownerAt - list.begin() > static_cast<long>(i)) continue;
            list.erase(list.begin() + static_cast<long>(i));
            list.insert(std::find(list.begin(), list.end(), o->owner), o);
            moved = true;
            break;
        }
    }
    // Topmost windows (and what they own) form the band above all others.
    auto topmost = [](const Window* w) {
        for (const Window* p = w; p; p = p->owner) {
            if (p->exStyle & WS_EX_TOPMOST) return true;
        }
        return false;
    };
    std::stable_partition(list.begin(), list.end(), topmost);
}

void Host::restack(Window& w, HWND insertAfter)
{
    auto& list = w.parent->children;
    list.erase(std::remove(list.begin(), list.end(), &w), list.end());
    if (insertAfter == HWND_BOTTOM) {
        list.push_back(&w);
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        if (isTopLevel(w) && insertAfter == HWND_TOPMOST) w.exStyle |= WS_EX_TOPMOST;
        if (isTopLevel(w) && insertAfter == HWND_NOTOPMOST) w.exStyle &= ~WS_EX_TOPMOST;
        list.insert(list.begin(), &w);
    } else {
        Window* after = window(insertAfter);
        auto at = after ? std::find(list.begin(), list.end(), after) : list.end();
        if (at == list.end()) {
            list.insert(list.begin(), &w);
        } else {
            list.insert(at + 1, &w);
        }
    }
    if (isTopLevel(w)) {
        // Raising a window raises the windows it owns with it.
        if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
            std::vector<Window*> owned;
            std::function<bool(const Window*)> ownedByW = [&](const Window* x) {
                for (const Window* p = x->owner; p; p = p->owner) {
                    if (p == &w) return true;
                }
                return false;
            };
            for (Window* x : list) {
                if (ownedByW(x)) owned.push_back(x);
            }
            for (Window* x : owned) list.erase(std::find(list.begin(), list.end(), x));
            list.insert(list.begin(), owned.begin(), owned.end());
        }
        normaliseTopLevelOrder();
    }
}

bool Host::setWindowPos(Window& w, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    if (&w == m_desktop) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const HWND handle = w.handle;
    WINDOWPOS wp{handle, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
    if (flags & SWP_NOMOVE) {
        wp.x = w.rect.left;
        wp.y = w.rect.top;
    }
    if (flags & SWP_NOSIZE) {
        wp.cx = w.width();
        wp.cy = w.height();
    }
    if (!(flags & SWP_NOSENDCHANGING)) {
        send(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
        if (!window(handle)) return false;
    }
    flags = wp.flags;
    const RECT oldRect = w.rect;
    const RECT oldClient = w.client;
    RECT next = oldRect;
    if (!(flags & SWP_NOMOVE)) next = offset(next, wp.x - next.left, wp.y - next.top);
    if (!(flags & SWP_NOSIZE)) {
        next.right = next.left + std::max(wp.cx, 0);
        next.bottom = next.top + std::max(wp.cy, 0);
    }
    const bool sized = next.right - next.left != oldRect.right - oldRect.left ||
                       next.bottom - next.top != oldRect.bottom - oldRect.top;
    w.rect = next;
    if (sized || (flags & SWP_FRAMECHANGED)) {
        recalcClient(w, true);
        if (!window(handle)) return false;
    }
    if (isTopLevel(w)) resizeSurface(w);
    if (!(flags & SWP_NOZORDER)) restack(w, wp.hwndInsertAfter);
    bool shown = false, hidden = false;
    if ((flags & SWP_SHOWWINDOW) && !w.visibleFlag()) {
        w.style |= WS_VISIBLE;
        shown = true;
        w.hiddenByOwnerMinimise = false;
    } else if ((flags & SWP_HIDEWINDOW) && w.visibleFlag()) {
        w.style &= ~WS_VISIBLE;
        hidden = true;
    }
    const bool clientMoved = w.rect.left + w.client.left != oldRect.left + oldClient.left ||
                             w.rect.top + w.client.top != oldRect.top + oldClient.top;
    const bool clientSized = w.clientWidth() != oldClient.right - oldClient.left ||
                             w.clientHeight() != oldClient.bottom - oldClient.top;
    const bool moved = w.rect.left != oldRect.left || w.rect.top != oldRect.top;

    if (!(flags & SWP_NOREDRAW)) {
        if (shown || sized || (flags & SWP_FRAMECHANGED)) {
            invalidate(w, nullptr, true, true);
            w.framePending = w.framePending || w.client.left || w.client.top || w.client.right != w.width() ||
                             w.client.bottom != w.height();
        }
        if (!isTopLevel(w) && w.parent && (moved || sized || shown || hidden)) {
            const RECT area = unite(oldRect, w.rect);
            invalidate(*w.parent, &area, true, true);
        }
    }
    if (hidden) {
        if (m_active == &w) activateAnother(&w);
        if (m_capture && isDescendant(w, *m_capture)) releaseCapture();
        if (!window(handle)) return true;
    }
    if (isTopLevel(w) && !(flags & SWP_NOACTIVATE) && w.visibleFlag() && !w.disabledFlag() && m_active != &w) {
        setActive(&w);
        if (!window(handle)) return true;
    }
    UINT changedFlags = flags;
    if (!clientMoved) changedFlags |= kNoClientMove;
    if (!clientSized) changedFlags |= kNoClientSize;
    wp.flags = changedFlags;
    wp.x = w.rect.left;
    wp.y = w.rect.top;
    wp.cx = w.width();
    wp.cy = w.height();
    changed(w);
    send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    return true;
}

void Host::setStyle(Window& w, int index, DWORD value)
{
    const HWND handle = w.handle;
    STYLESTRUCT ss{index == GWL_STYLE ? w.style : w.exStyle, value};
    send(w, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    if (!window(handle)) return;
    const DWORD old = index == GWL_STYLE ? w.style : w.exStyle;
    if (index == GWL_STYLE) {
        w.style = ss.styleNew;
    } else {
        w.exStyle = ss.styleNew;
        const bool wasLayered = (old & WS_EX_LAYERED) != 0;
        const bool isLayered = (w.exStyle & WS_EX_LAYERED) != 0;
        if (wasLayered != isLayered) {
            // A window that stops being layered shows its surface again; one
            // that becomes layered shows nothing until it gets its content
            // or attributes.
            w.layer = Window::Layer::None;
            w.layerPixels = PixelBuffer();
            if (!isLayered) invalidate(w, nullptr, true, true);
        }
        if (isTopLevel(w) && ((old ^ w.exStyle) & WS_EX_TOPMOST)) normaliseTopLevelOrder();
    }
    ss.styleOld = old;
    send(w, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    if (Window* still = window(handle)) changed(*still);
}

bool Host::showWindow(Window& w, int command)
{
    const HWND handle = w.handle;
    const bool was = w.visibleFlag();
    auto show = [&](bool activate) {
        if (!window(handle)) return;
        if (!w.visibleFlag()) {
            send(w, WM_SHOWWINDOW, TRUE, 0);
            if (!window(handle)) return;
            UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
            if (!activate || !isTopLevel(w)) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
            setWindowPos(w, HWND_TOP, 0, 0, 0, 0, flags);
        } else if (activate && isTopLevel(w)) {
            setActive(&w);
        }
    };
    switch (command) {
    case SW_HIDE:
        if (!was) return false;
        send(w, WM_SHOWWINDOW, FALSE, 0);
        if (!window(handle)) return true;
        setWindowPos(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
    case SW_SHOWMINIMIZED:
        if (!was) show(false);
        if (window(handle)) minimise(w, command != SW_SHOWMINIMIZED);
        return was;
    case SW_SHOWMAXIMIZED:
        if (w.iconic()) restore(w);
        if (!window(handle)) return was;
        if (!(w.style & WS_MAXIMIZE)) {
            w.normalRect = w.rect;
            w.style |= WS_MAXIMIZE;
            const RECT area = m_backend.workArea();
            setWindowPos(w, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        show(true);
        return was;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
        if (w.iconic() || (w.style & WS_MAXIMIZE)) restore(w);
        show(command != SW_SHOWNOACTIVATE);
        return was;
    case SW_SHOW:
        show(true);
        return was;
    case SW_SHOWNA:
        show(false);
        return was;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return was;
    }
}

void Host::minimise(Window& w, bool activateNext)
{
    if (w.iconic()) return;
    const HWND handle = w.handle;
    if (!(w.style & WS_MAXIMIZE)) w.normalRect = w.rect;
    if (isTopLevel(w)) {
        // Owned windows go out of sight with their owner.
        std::vector<HWND> owned;
        for (Window* t : m_desktop->children) {
            if (t->owner == &w && t->visibleFlag()) owned.push_back(t->handle);
        }
        for (HWND o : owned) {
            Window* ow = window(o);
            if (!ow) continue;
            send(*ow, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
            if (!(ow = window(o))) continue;
            setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            if ((ow = window(o))) ow->hiddenByOwnerMinimise = true;
        }
        if (!window(handle)) return;
    }
    w.style |= WS_MINIMIZE;
    w.style &= ~WS_MAXIMIZE;
    const int pos = isTopLevel(w) ? SystemMetrics::kMinimizedPosition : w.rect.left;
    setWindowPos(w, nullptr, pos, isTopLevel(w) ? pos : w.rect.top, SystemMetrics::kMinimizedWidth,
                 SystemMetrics::kMinimizedHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!window(handle)) return;
    if (activateNext && m_active && (m_active == &w || m_active->owner == &w)) activateAnother(&w);
}

void Host::restore(Window& w)
{
    const HWND handle = w.handle;
    const RECT normal = w.normalRect;
    w.style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    setWindowPos(w, nullptr, normal.left, normal.top, normal.right - normal.left, normal.bottom - normal.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!window(handle) || !isTopLevel(w)) return;
    std::vector<HWND> owned;
    for (Window* t : m_desktop->children) {
        if (t->owner == &w && t->hiddenByOwnerMinimise) owned.push_back(t->handle);
    }
    for (HWND o : owned) {
        Window* ow = window(o);
        if (!ow) continue;
        ow->hiddenByOwnerMinimise = false;
        if (ow->visibleFlag()) continue;
        send(*ow, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
        if ((ow = window(o))) {
            setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                         SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

bool Host::enableWindow(Window& w, bool enable)
{
    const bool wasDisabled = w.disabledFlag();
    if (wasDisabled == !enable) return wasDisabled;
    const HWND handle = w.handle;
    if (!enable) {
        send(w, WM_CANCELMODE, 0, 0);
        if (!window(handle)) return wasDisabled;
        w.style |= WS_DISABLED;
        if (m_focus == &w) setFocus(nullptr);
        if (m_capture == &w) releaseCapture();
    } else {
        w.style &= ~WS_DISABLED;
    }
    if (window(handle)) send(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

} // namespace quarrow
