// The window system, messages: sending and posting, the thread's queue
// (matching, the synthesised paint messages, GetMessage and PeekMessage,
// waiting), translation, dispatch, the pump that runs deferred work, and
// the windows hooks.
#include "host/Host.h"

#include "host/InputRouter.h"
#include "win32/ErrHandlingApi.h"

namespace quarrow {

namespace {

// System error codes of the window manager that the shared error header
// does not carry.
constexpr DWORD kErrorInvalidHookHandle = 1404;
constexpr DWORD kErrorInvalidHookFilter = 1426;

} // namespace

// ---------------------------------------------------------------------------
// Messages

LRESULT Host::send(Window& w, UINT message, WPARAM wParam, LPARAM lParam)
{
    return callProc(w.proc, w, message, wParam, lParam);
}

LRESULT Host::send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = checked(handle);
    return w ? send(*w, message, wParam, lParam) : 0;
}

LRESULT Host::callProc(WNDPROC proc, Window& w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!proc) return 0;
    return proc(w.handle, message, wParam, lParam);
}

bool Host::post(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (handle && !checked(handle)) return false;
    MSG m{handle, message, wParam, lParam, m_tick, m_cursor};
    m_posted.push_back(m);
    return true;
}

void Host::postQuit(int exitCode)
{
    m_quitPending = true;
    m_quitCode = exitCode;
}

bool Host::matches(const MSG& msg, HWND filter, UINT minMessage, UINT maxMessage) const
{
    if (filter && filter != reinterpret_cast<HWND>(-1)) {
        Window* f = window(filter);
        Window* target = window(msg.hwnd);
        if (!f || !target || !isDescendant(*f, *target)) return false;
    } else if (filter == reinterpret_cast<HWND>(-1) && msg.hwnd) {
        return false;
    }
    if (minMessage == 0 && maxMessage == 0) return true;
    return msg.message >= minMessage && msg.message <= maxMessage;
}

Window* Host::findPaintable(Window& root, HWND filter)
{
    for (auto it = root.children.rbegin(); it != root.children.rend(); ++it) {
        Window& w = **it;
        if (!w.visibleFlag() || (isTopLevel(w) && w.iconic())) continue;
        MSG probe{w.handle, WM_PAINT, 0, 0, 0, {0, 0}};
        if ((w.updatePending || w.framePending) && matches(probe, filter, 0, 0)) return &w;
        if (Window* c = findPaintable(w, filter)) return c;
    }
    return nullptr;
}

void Host::stamp(MSG& msg)
{
    m_lastMessageTime = static_cast<LONG>(msg.time);
    m_lastMessagePos = static_cast<DWORD>(MAKELONG(msg.pt.x, msg.pt.y));
}

void Host::runLater()
{
    // Actions queued while these run wait for the next look at the queue.
    std::vector<std::function<void()>> due;
    due.swap(m_later);
    for (auto& action : due) action();
}

bool Host::nextMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, bool remove)
{
    if (!m_later.empty()) runLater();
    for (auto it = m_posted.begin(); it != m_posted.end(); ++it) {
        if (!matches(*it, filter, minMessage, maxMessage)) continue;
        msg = *it;
        if (remove) m_posted.erase(it);
        stamp(msg);
        return true;
    }
    if (m_quitPending && ((minMessage == 0 && maxMessage == 0) || (WM_QUIT >= minMessage && WM_QUIT <= maxMessage))) {
        msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(m_quitCode), 0, m_tick, m_cursor};
        if (remove) m_quitPending = false;
        return true;
    }
    if (m_input->next(msg, filter, minMessage, maxMessage, remove)) {
        stamp(msg);
        return true;
    }
    if ((minMessage == 0 && maxMessage == 0) || (WM_PAINT >= minMessage && WM_PAINT <= maxMessage)) {
        if (Window* w = findPaintable(*m_desktop, filter)) {
            msg = MSG{w->handle, WM_PAINT, 0, 0, m_tick, m_cursor};
            stamp(msg);
            return true;
        }
    }
    return false;
}

bool Host::getMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage)
{
    for (;;) {
        if (nextMessage(msg, filter, minMessage, maxMessage, true)) return msg.message != WM_QUIT;
        if (!m_backend.wait()) {
            fatal("GetMessageW would wait forever: no message is queued and the screen will deliver no more input");
        }
    }
}

bool Host::peekMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, UINT flags)
{
    return nextMessage(msg, filter, minMessage, maxMessage, (flags & PM_REMOVE) != 0);
}

bool Host::waitMessage()
{
    MSG probe;
    if (nextMessage(probe, nullptr, 0, 0, false)) return true;
    return m_backend.wait();
}

bool Host::translate(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    const char16_t c = m_input->characterFor(msg);
    if (c) {
        MSG charMsg{msg.hwnd, msg.message == WM_KEYDOWN ? UINT(WM_CHAR) : UINT(WM_SYSCHAR), c, msg.lParam, msg.time,
                    msg.pt};
        m_posted.push_front(charMsg);
    }
    return true;
}

LRESULT Host::dispatch(const MSG& msg)
{
    if (!msg.hwnd) return 0;
    Window* w = checked(msg.hwnd);
    if (!w) return 0;
    return send(*w, msg.message, msg.wParam, msg.lParam);
}

void Host::pump()
{
    MSG msg;
    for (int guard = 0; peekMessage(msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (guard > 1000000) fatal("a window keeps asking to be painted and never validates");
        if (msg.message == WM_QUIT) {
            postQuit(static_cast<int>(msg.wParam));
            return;
        }
        translate(msg);
        dispatch(msg);
    }
}

// ---------------------------------------------------------------------------
// Hooks

HHOOK Host::setHook(int id, HOOKPROC proc)
{
    if (id != WH_CBT || !proc) {
        SetLastError(kErrorInvalidHookFilter);
        return nullptr;
    }
    const HHOOK handle = reinterpret_cast<HHOOK>(m_nextHook);
    m_nextHook += 4;
    m_hooks.push_back(Hook{handle, proc});
    return handle;
}

bool Host::unhook(HHOOK hook)
{
    for (auto it = m_hooks.begin(); it != m_hooks.end(); ++it) {
        if (it->handle == hook) {
            m_hooks.erase(it);
            return true;
        }
    }
    SetLastError(kErrorInvalidHookHandle);
    return false;
}

LRESULT Host::callNextHook(HHOOK hook, int code, WPARAM wParam, LPARAM lParam)
{
    for (size_t i = m_hooks.size(); i-- > 0;) {
        if (m_hooks[i].handle == hook) {
            return i > 0 ? m_hooks[i - 1].proc(code, wParam, lParam) : 0;
        }
    }
    return 0;
}

} // namespace quarrow
