// Shared pieces of the window system tests: a fresh memory screen and
// window system per test, a window class whose procedure records every
// message and can be told how to answer, and dialog templates built in
// memory.
#pragma once

#include "host/Host.h"
#include "host/memory/MemoryBackend.h"
#include "win32/Windows.h"
#include "support/TemplateBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace quarrow::test {

struct Received {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
};

// Every window of the recording class logs here; a test may answer a
// message itself through `handler` (return true when handled).
struct Recorder {
    std::vector<Received> log;
    std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT&)> handler;

    std::vector<UINT> messagesOf(HWND hwnd) const
    {
        std::vector<UINT> out;
        for (const Received& r : log) {
            if (r.hwnd == hwnd) out.push_back(r.message);
        }
        return out;
    }
    int count(HWND hwnd, UINT message) const
    {
        int n = 0;
        for (const Received& r : log) n += r.hwnd == hwnd && r.message == message;
        return n;
    }
    // The position of the first `message` to `hwnd` in the log, or -1.
    long indexOf(HWND hwnd, UINT message, size_t from = 0) const
    {
        for (size_t i = from; i < log.size(); ++i) {
            if (log[i].hwnd == hwnd && log[i].message == message) return static_cast<long>(i);
        }
        return -1;
    }
};

inline Recorder* g_recorder = nullptr;

inline LRESULT CALLBACK recordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (g_recorder) {
        g_recorder->log.push_back(Received{hwnd, message, wParam, lParam});
        LRESULT result = 0;
        if (g_recorder->handler && g_recorder->handler(hwnd, message, wParam, lParam, result)) return result;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

class HostTest : public ::testing::Test {
protected:
    HostTest() : host(screen)
    {
        g_recorder = &recorder;
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = recordingProc;
        wc.lpszClassName = _T("Recording");
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        RegisterClassExW(&wc);
    }
    ~HostTest() override { g_recorder = nullptr; }

    HWND popup(RECT r, DWORD style = WS_VISIBLE, HWND owner = nullptr, DWORD exStyle = 0)
    {
        return CreateWindowExW(exStyle, _T("Recording"), _T(""), WS_POPUP | style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, owner, nullptr, nullptr, nullptr);
    }
    HWND child(HWND parent, RECT r, int id, DWORD style = WS_VISIBLE)
    {
        return CreateWindowExW(0, _T("Recording"), _T(""), WS_CHILD | style, r.left, r.top, r.right - r.left,
                               r.bottom - r.top, parent, reinterpret_cast<HMENU>(static_cast<LONG_PTR>(id)), nullptr,
                               nullptr);
    }
    RECT windowRect(HWND hwnd)
    {
        RECT r{};
        GetWindowRect(hwnd, &r);
        return r;
    }

    MemoryBackend screen;
    Host host;
    Recorder recorder;
};

} // namespace quarrow::test
