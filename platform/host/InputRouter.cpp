#include "host/InputRouter.h"

#include "host/Host.h"

#include <algorithm>

namespace quarrow {

namespace {

bool inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

// The character of the keys that type one without a keyboard layout.
char16_t plainCharacter(UINT vk, bool shift)
{
    if (vk >= 'A' && vk <= 'Z') return static_cast<char16_t>(shift ? vk : vk + 32);
    if (vk >= '0' && vk <= '9') return static_cast<char16_t>(vk);
    switch (vk) {
    case VK_SPACE:
        return u' ';
    case VK_RETURN:
        return u'\r';
    case VK_ESCAPE:
        return 0x1B;
    case VK_TAB:
        return u'\t';
    case VK_BACK:
        return 0x08;
    default:
        return 0;
    }
}

} // namespace

UINT InputRouter::mouseKeyFlags() const
{
    UINT flags = 0;
    if (m_host.keyDown(VK_LBUTTON)) flags |= MK_LBUTTON;
    if (m_host.keyDown(VK_RBUTTON)) flags |= MK_RBUTTON;
    if (m_host.keyDown(VK_MBUTTON)) flags |= MK_MBUTTON;
    if (m_host.keyDown(VK_SHIFT)) flags |= MK_SHIFT;
    if (m_host.keyDown(VK_CONTROL)) flags |= MK_CONTROL;
    return flags;
}

Window* InputRouter::windowAt(POINT p, LRESULT& hitCode)
{
    const std::vector<Window*> tops = m_host.desktop().children;
    for (Window* top : tops) {
        if (!m_host.window(top->handle)) continue;
        if (!top->visibleFlag() || top->iconic() || !inside(top->rect, p)) continue;
        if (m_host.passesInput(*top, p)) continue;
        // The deepest visible, enabled child under the point.
        std::vector<Window*> path{top};
        for (Window* w = top;;) {
            Window* found = nullptr;
            for (Window* c : w->children) {
                if (c->visibleFlag() && !c->disabledFlag() && inside(m_host.screenRect(*c), p)) {
                    found = c;
                    break;
                }
            }
            if (!found) break;
            path.push_back(found);
            w = found;
        }
        // Ask from the deepest window up; HTTRANSPARENT hands the point on.
        for (auto it = path.rbegin(); it != path.rend(); ++it) {
            Window* w = *it;
            const HWND handle = w->handle;
            const LRESULT code = m_host.send(*w, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
            if (!m_host.window(handle)) return nullptr;
            if (code == HTTRANSPARENT) continue;
            hitCode = code;
            return w;
        }
    }
    return nullptr;
}

void InputRouter::convert(const InputEvent& e)
{
    const DWORD time = m_host.m_tick += 10;
    if (e.kind == InputEvent::Kind::KeyDown || e.kind == InputEvent::Kind::KeyUp) {
        const bool down = e.kind == InputEvent::Kind::KeyDown;
        m_host.setKey(e.virtualKey, down);
        Window* target = m_host.m_focus ? m_host.m_focus : m_host.m_active;
        if (!target) return;
        LPARAM lParam = 1;
        if (!down) lParam |= static_cast<LPARAM>(0xC0000000u);
        const bool alt = m_host.keyDown(VK_MENU) && e.virtualKey != VK_MENU;
        const UINT message = down ? (alt ? WM_SYSKEYDOWN : WM_KEYDOWN) : (alt ? WM_SYSKEYUP : WM_KEYUP);
        if (down) {
            const char16_t c = e.character ? e.character : plainCharacter(e.virtualKey, m_host.keyDown(VK_SHIFT));
            if (c) m_characters[time] = c;
        }
        m_queue.push_back(MSG{target->handle, message, e.virtualKey, lParam, time, m_host.cursor()});
        return;
    }

    m_host.setCursor(e.point);
    static const UINT downMessages[3] = {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN};
    static const UINT upMessages[3] = {WM_LBUTTONUP, WM_RBUTTONUP, WM_MBUTTONUP};
    static const UINT buttonKeys[3] = {VK_LBUTTON, VK_RBUTTON, VK_MBUTTON};
    const int button = std::clamp(e.button, 0, 2);
    UINT clientMessage = WM_MOUSEMOVE;
    if (e.kind == InputEvent::Kind::MouseDown) {
        m_host.setKey(buttonKeys[button], true);
        clientMessage = downMessages[button];
    } else if (e.kind == InputEvent::Kind::MouseUp) {
        m_host.setKey(buttonKeys[button], false);
        clientMessage = upMessages[button];
    }

    Window* target = nullptr;
    LRESULT hit = HTCLIENT;
    if (m_host.m_capture) {
        target = m_host.m_capture;
    } else {
        target = windowAt(e.point, hit);
    }
    if (!target) return;
    const HWND handle = target->handle;
    Window& top = m_host.topLevelOf(*target);
    // A disabled window (the owner of a modal dialog) takes no pointer input.
    if (top.disabledFlag() || target->disabledFlag()) return;
    if (hit == HTERROR || hit == HTNOWHERE) return;

    if (e.kind == InputEvent::Kind::MouseDown && !m_host.m_capture && m_host.m_active != &top &&
        !(top.exStyle & WS_EX_NOACTIVATE)) {
        const LRESULT how = m_host.send(*target, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top.handle),
                                        MAKELPARAM(hit, clientMessage));
        if (!m_host.window(handle)) return;
        if (how != MA_NOACTIVATE && how != MA_NOACTIVATEANDEAT) m_host.setActive(&top, WA_CLICKACTIVE);
        if (how == MA_ACTIVATEANDEAT || how == MA_NOACTIVATEANDEAT) return;
        if (!(target = m_host.window(handle))) return;
    }

    MSG msg{handle, clientMessage, mouseKeyFlags(), 0, time, e.point};
    if (hit == HTCLIENT) {
        const POINT c = m_host.screenToClient(*target, e.point);
        msg.lParam = MAKELPARAM(c.x, c.y);
    } else {
        // Outside the client area: the non-client messages carry the hit
        // code and the screen point.
        msg.message = clientMessage - WM_MOUSEMOVE + WM_NCMOUSEMOVE;
        msg.wParam = static_cast<WPARAM>(hit);
        msg.lParam = MAKELPARAM(e.point.x, e.point.y);
    }
    m_queue.push_back(msg);
}

bool InputRouter::next(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, bool remove)
{
    for (;;) {
        for (auto it = m_queue.begin(); it != m_queue.end(); ++it) {
            if (!m_host.matches(*it, filter, minMessage, maxMessage)) continue;
            msg = *it;
            if (remove) m_queue.erase(it);
            return true;
        }
        std::optional<InputEvent> event = m_host.backend().nextInput();
        if (!event) return false;
        convert(*event);
    }
}

char16_t InputRouter::characterFor(const MSG& msg) const
{
    auto it = m_characters.find(msg.time);
    if (it != m_characters.end()) return it->second;
    return plainCharacter(static_cast<UINT>(msg.wParam), m_host.keyDown(VK_SHIFT));
}

void InputRouter::forget(HWND window)
{
    m_queue.erase(std::remove_if(m_queue.begin(), m_queue.end(), [&](const MSG& m) { return m.hwnd == window; }),
                  m_queue.end());
}

} // namespace quarrow
