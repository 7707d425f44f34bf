// Shared pieces of the GTK backend tests: every test gets the X server of
// the test program (XServer.h), a GTK screen and a window system of its
// own over it, the recording window class of the window system tests, and
// a probe of its own into the X server to look at the screen and to make
// real input. Waiting is always for a condition with a deadline, driven by
// the window system's own message loop.
#pragma once

#include "host/HostFixture.h"

#include "host/Host.h"
#include "host/gtk/GtkBackend.h"

#include "ScreenProbe.h"
#include "XServer.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace quarrow::test {

class GtkTest : public ::testing::Test {
protected:
    static constexpr COLORREF kDesktop = RGB(58, 110, 165);

    void SetUp() override;
    void TearDown() override;

    // Runs the window system's message loop (dispatching everything, then
    // waiting in the GLib loop) until `done` holds or `timeoutMs` passes;
    // whether it holds. A short tick wakes the loop so that conditions on
    // the X server's side (what another client did) are looked at again.
    bool runUntil(const std::function<bool()>& done, int timeoutMs = 5000);
    // Runs until the screen shows `colour` at (x, y); what it shows then.
    COLORREF waitForPixel(int x, int y, COLORREF colour, int timeoutMs = 5000);
    // Runs until the window is mapped with its latest pixels drawn.
    bool waitPresented(HWND topLevel);

    HWND popup(RECT r, DWORD exStyle = 0, HWND owner = nullptr, DWORD style = WS_VISIBLE, LPCWSTR title = _T(""));
    // Gives a layered window per-pixel content from a function of (x, y)
    // to premultiplied 0xAARRGGBB, through a bottom-up DIB section as the
    // program makes it.
    void showLayered(HWND hwnd, int width, int height, const std::function<DWORD(int, int)>& pixel);
    // Paints a window's surface through a window DC (after the window's
    // pending paints).
    void fill(HWND hwnd, RECT r, COLORREF colour);
    XWindow xid(HWND hwnd) const { return backend->xid(hwnd); }

    std::unique_ptr<GtkBackend> backend;
    std::unique_ptr<Host> host;
    std::unique_ptr<ScreenProbe> probe;
    Recorder recorder;
};

} // namespace quarrow::test
