// Shared pieces of the framework tests: a fresh memory screen and window
// system per test, a plain window class whose procedure records what
// reaches it (to see what a framework window passes on to the window's
// original procedure), and the memory dialog templates of the window
// system tests.
#pragma once

#if !defined(_WIN32)
#include "host/Host.h"
#include "host/HostFixture.h"
#include "host/memory/MemoryBackend.h"
#endif
#include "support/TemplateBuilder.h"
#include "win32/Windows.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace afxtest {

using quarrow::test::TemplateBuilder;

// The messages that windows of the "Plain" class received in their own
// procedure, in order.
struct PlainLog {
    std::vector<MSG> received;
    int count(UINT message) const
    {
        int n = 0;
        for (const MSG& m : received) n += m.message == message;
        return n;
    }
    const MSG* last(UINT message) const
    {
        for (auto it = received.rbegin(); it != received.rend(); ++it) {
            if (it->message == message) return &*it;
        }
        return nullptr;
    }
};

inline PlainLog* g_plainLog = nullptr;

#if defined(_WIN32)
// Idle actions on the real desktop: a thread timer, whose WM_TIMER a message
// loop gets only when nothing else is queued, runs the first waiting action
// each time a loop (a modal one too) dispatches it.
inline std::deque<std::function<void()>> g_idleActions;
inline UINT_PTR g_idleTimer = 0;

inline void stopIdleTimer()
{
    if (g_idleTimer) KillTimer(nullptr, g_idleTimer);
    g_idleTimer = 0;
}

inline void CALLBACK runIdleAction(HWND, UINT, UINT_PTR, DWORD)
{
    if (g_idleActions.empty()) {
        stopIdleTimer();
        return;
    }
    std::function<void()> action = std::move(g_idleActions.front());
    g_idleActions.pop_front();
    // The action may run a loop of its own, which must not see this timer
    // again before the next action is due.
    if (g_idleActions.empty()) stopIdleTimer();
    action();
}
#endif

inline LRESULT CALLBACK plainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_plainLog) g_plainLog->received.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// On Linux each test gets a fresh memory screen and window system. On
// Windows (under Wine) the tests run on the real desktop; whatever top-level
// windows a test leaves behind are destroyed after it.
class AfxTest : public ::testing::Test {
protected:
#if !defined(_WIN32)
    AfxTest() : host(screen)
#else
    AfxTest()
#endif
    {
        g_plainLog = &plain;
        WNDCLASSW wc{};
        wc.lpfnWndProc = plainProc;
        wc.lpszClassName = _T("Plain");
        RegisterClassW(&wc);
    }
    ~AfxTest() override
    {
#if defined(_WIN32)
        stopIdleTimer();
        g_idleActions.clear();
        EnumThreadWindows(
            GetCurrentThreadId(),
            [](HWND hwnd, LPARAM) {
                DestroyWindow(hwnd);
                return TRUE;
            },
            0);
#endif
        g_plainLog = nullptr;
    }

    HWND plainPopup(RECT r, DWORD style = WS_VISIBLE, HWND owner = nullptr)
    {
        return CreateWindowExW(0, _T("Plain"), _T(""), WS_POPUP | style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                               owner, nullptr, nullptr, nullptr);
    }
    HWND plainChild(HWND parent, RECT r, int id)
    {
        return CreateWindowExW(0, _T("Plain"), _T(""), WS_CHILD | WS_VISIBLE, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr,
                               nullptr);
    }
    // Runs `action` when a message loop next waits for input: the memory
    // screen's idle action on Linux, a timer on Windows.
    void whenIdle(std::function<void()> action)
    {
#if !defined(_WIN32)
        screen.whenIdle(std::move(action));
#else
        g_idleActions.push_back(std::move(action));
        if (!g_idleTimer) g_idleTimer = SetTimer(nullptr, 0, 10, runIdleAction);
#endif
    }

    static RECT windowRect(HWND hwnd)
    {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
    }

#if !defined(_WIN32)
    quarrow::MemoryBackend screen;
    quarrow::Host host;
#endif
    PlainLog plain;
};

} // namespace afxtest
