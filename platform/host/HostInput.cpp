// The window system, input state: activation (and choosing the next
// window to activate), keyboard focus, mouse capture and the keyboard
// state.
#include "host/Host.h"

namespace quarrow {

// ---------------------------------------------------------------------------
// Activation, focus, capture

void Host::activateAnother(Window* leaving)
{
    Window* next = nullptr;
    if (leaving && leaving->owner && leaving->owner->visibleFlag() && !leaving->owner->disabledFlag() &&
        !leaving->owner->destroying) {
        next = leaving->owner;
    }
    if (!next) {
        for (Window* t : m_desktop->children) {
            if (t != leaving && t->visibleFlag() && !t->disabledFlag() && !t->iconic() && !t->destroying &&
                !(leaving && t->owner == leaving)) {
                next = t;
                break;
            }
        }
    }
    setActive(next);
}

HWND Host::setActive(Window* w, UINT how)
{
    if (w && !isTopLevel(*w)) w = &topLevelOf(*w);
    if (w == m_desktop) w = nullptr;
    Window* old = m_active;
    const HWND oldHandle = old ? old->handle : nullptr;
    if (w == old) return oldHandle;
    const HWND newHandle = w ? w->handle : nullptr;
    m_active = w;
    if (old) {
        send(*old, WM_NCACTIVATE, FALSE, 0);
        if ((old = window(oldHandle))) {
            send(*old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, old->iconic() ? 1 : 0),
                 reinterpret_cast<LPARAM>(newHandle));
        }
    }
    if (m_focus && old && window(oldHandle) && isDescendant(*old, *m_focus)) setFocus(nullptr);
    if (m_active != w || (newHandle && !window(newHandle))) return oldHandle;
    if (w) {
        restack(*w, HWND_TOP);
        changed(*w);
        send(*w, WM_NCACTIVATE, TRUE, 0);
        if (window(newHandle)) {
            send(*w, WM_ACTIVATE, MAKEWPARAM(how, w->iconic() ? 1 : 0), reinterpret_cast<LPARAM>(oldHandle));
        }
    }
    return oldHandle;
}

HWND Host::setFocus(Window* w)
{
    Window* old = m_focus;
    const HWND oldHandle = old ? old->handle : nullptr;
    if (w == old) return oldHandle;
    if (w == m_desktop) return oldHandle;
    if (w) {
        const HWND target = w->handle;
        Window& top = topLevelOf(*w);
        if (m_active != &top) {
            setActive(&top);
            if (!(w = window(target))) return oldHandle;
            if (m_focus == w) return oldHandle;
            old = m_focus;
        }
    }
    const HWND previous = old ? old->handle : nullptr;
    const HWND next = w ? w->handle : nullptr;
    if (old) send(*old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(next), 0);
    if (next && !window(next)) return previous;
    m_focus = w;
    if (w) send(*w, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous ? previous : oldHandle;
}

HWND Host::setCapture(Window* w)
{
    Window* old = m_capture;
    const HWND oldHandle = old ? old->handle : nullptr;
    m_capture = w;
    if (old && old != w) send(*old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(w ? w->handle : nullptr));
    return oldHandle;
}

bool Host::releaseCapture()
{
    Window* old = m_capture;
    m_capture = nullptr;
    if (old) send(*old, WM_CAPTURECHANGED, 0, 0);
    return true;
}

void Host::setKey(UINT virtualKey, bool down)
{
    if (virtualKey < 256) m_keys[virtualKey] = down;
}

} // namespace quarrow
