// Shared pieces of the framework tests: a fresh memory screen and window
// system per test, a plain window class whose procedure records what
// reaches it (to see what a framework window passes on to the window's
// original procedure), and the memory dialog templates of the window
// system tests.
#pragma once

#include "host/Host.h"
#include "host/HostFixture.h"
#include "host/memory/MemoryBackend.h"
#include "win32/Windows.h"

#include <gtest/gtest.h>

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

inline LRESULT CALLBACK plainProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_plainLog) g_plainLog->received.push_back(MSG{hwnd, message, wParam, lParam, 0, {0, 0}});
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class AfxTest : public ::testing::Test {
protected:
    AfxTest() : host(screen)
    {
        g_plainLog = &plain;
        WNDCLASSW wc{};
        wc.lpfnWndProc = plainProc;
        wc.lpszClassName = _T("Plain");
        RegisterClassW(&wc);
    }
    ~AfxTest() override { g_plainLog = nullptr; }

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
    static RECT windowRect(HWND hwnd)
    {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
    }

    quarrow::MemoryBackend screen;
    quarrow::Host host;
    PlainLog plain;
};

} // namespace afxtest
