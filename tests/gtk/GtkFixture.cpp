#include "GtkFixture.h"

#include <glib.h>

namespace quarrow::test {

void GtkTest::SetUp()
{
    ASSERT_TRUE(XServer::instance().running()) << XServer::instance().error();
    std::string error;
    backend = GtkBackend::open("", error);
    ASSERT_TRUE(backend) << error;
    host = std::make_unique<Host>(*backend);
    g_recorder = &recorder;
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = recordingProc;
    wc.lpszClassName = _T("Recording");
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    ASSERT_NE(RegisterClassExW(&wc), 0);
    probe = std::make_unique<ScreenProbe>();
    ASSERT_TRUE(probe->connected()) << "the tests' own connection to " << XServer::instance().display() << " failed";
    probe->setDesktopColour(kDesktop);
}

void GtkTest::TearDown()
{
    host.reset();
    backend.reset();
    probe.reset();
    g_recorder = nullptr;
}

bool GtkTest::runUntil(const std::function<bool()>& done, int timeoutMs)
{
    bool timedOut = false;
    const guint deadline = g_timeout_add(
        static_cast<guint>(timeoutMs),
        [](gpointer flag) {
            *static_cast<bool*>(flag) = true;
            return G_SOURCE_REMOVE;
        },
        &timedOut);
    const guint tick = g_timeout_add(10, [](gpointer) { return G_SOURCE_CONTINUE; }, nullptr);
    bool ok = false;
    for (;;) {
        host->pump();
        if ((ok = done())) break;
        if (timedOut) break;
        backend->wait();
    }
    g_source_remove(tick);
    if (!timedOut) g_source_remove(deadline);
    return ok;
}

COLORREF GtkTest::waitForPixel(int x, int y, COLORREF colour, int timeoutMs)
{
    COLORREF seen = CLR_INVALID;
    runUntil(
        [&] {
            seen = probe->pixel(x, y);
            return seen == colour;
        },
        timeoutMs);
    return seen;
}

bool GtkTest::waitPresented(HWND topLevel)
{
    return runUntil([&] { return backend->presented(topLevel); });
}

HWND GtkTest::popup(RECT r, DWORD exStyle, HWND owner, DWORD style, LPCWSTR title)
{
    return CreateWindowExW(exStyle, _T("Recording"), title, WS_POPUP | style, r.left, r.top, r.right - r.left,
                           r.bottom - r.top, owner, nullptr, nullptr, nullptr);
}

void GtkTest::showLayered(HWND hwnd, int w, int h, const std::function<DWORD(int, int)>& pixel)
{
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* bits = nullptr;
    HDC mem = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
    auto* px = static_cast<DWORD*>(bits);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) px[(h - 1 - y) * w + x] = pixel(x, y);
    }
    HGDIOBJ old = SelectObject(mem, dib);
    RECT r;
    GetWindowRect(hwnd, &r);
    POINT dest{r.left, r.top}, src{0, 0};
    SIZE size{w, h};
    BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};
    HDC screenDc = GetDC(nullptr);
    EXPECT_TRUE(UpdateLayeredWindow(hwnd, screenDc, &dest, &size, mem, &src, 0, &blend, ULW_ALPHA));
    ReleaseDC(nullptr, screenDc);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
}

void GtkTest::fill(HWND hwnd, RECT r, COLORREF colour)
{
    // Pending paints first, or the background erase would cover this.
    host->pump();
    HDC dc = GetDC(hwnd);
    HBRUSH b = CreateSolidBrush(colour);
    FillRect(dc, &r, b);
    DeleteObject(b);
    ReleaseDC(hwnd, dc);
}

} // namespace quarrow::test
