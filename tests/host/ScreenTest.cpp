// What the memory screen shows: composition of layered and plain windows
// over the desktop, exact to the pixel, and screenshots.
#include "HostFixture.h"

#include <png.h>

#include <cstdio>

namespace quarrow::test {
namespace {

using ScreenTest = HostTest;

// Gives a layered window per-pixel content from a callback of (x, y) to
// premultiplied 0xAARRGGBB.
void showLayered(HWND hwnd, int w, int h, const std::function<DWORD(int, int)>& pixel, BYTE constant = 255)
{
    BITMAPINFO bmi{};
    bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, h, 1, 32, BI_RGB, 0, 0, 0, 0, 0}; // bottom-up, as the launcher makes it
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
    BLENDFUNCTION blend{AC_SRC_OVER, 0, constant, AC_SRC_ALPHA};
    HDC screenDc = GetDC(hwnd);
    EXPECT_TRUE(UpdateLayeredWindow(hwnd, screenDc, &dest, &size, mem, &src, 0, &blend, ULW_ALPHA));
    ReleaseDC(hwnd, screenDc);
    SelectObject(mem, old);
    DeleteObject(dib);
    DeleteDC(mem);
}

TEST_F(ScreenTest, PerPixelAlphaComposesExactlyOverTheDesktop)
{
    const COLORREF desk = MemoryBackend::kDesktopColour; // (58, 110, 165)
    const HWND w = popup({10, 10, 14, 11}, WS_VISIBLE, nullptr, WS_EX_LAYERED);
    // Before it has content a layered window shows nothing.
    EXPECT_EQ(screen.pixel(10, 10), desk);
    const DWORD pixels[4] = {0x00000000, 0xFF102030, 0x80800000, 0x40000040};
    showLayered(w, 4, 1, [&](int x, int) { return pixels[x]; });
    EXPECT_EQ(screen.pixel(10, 10), desk);
    EXPECT_EQ(screen.pixel(11, 10), RGB(0x10, 0x20, 0x30));
    // red: 0x80 + 58 * 127 / 255 = 128 + 29 = 157; green 110 * 127 / 255 = 55; blue 165 * 127 / 255 = 82
    EXPECT_EQ(screen.pixel(12, 10), RGB(157, 55, 82));
    // alpha 0x40: red 58 * 191 / 255 = 43, green 110 * 191 / 255 = 82, blue 0x40 + 165 * 191 / 255 = 64 + 124 = 188
    EXPECT_EQ(screen.pixel(13, 10), RGB(43, 82, 188));

    // The content moves with the window without being given again.
    SetWindowPos(w, nullptr, 100, 100, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(screen.pixel(101, 100), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(screen.pixel(11, 10), desk);
}

TEST_F(ScreenTest, ColourKeyHidesOnlyTheExactKeyColour)
{
    const HWND below = popup({0, 0, 100, 100});
    const HWND keyed = popup({0, 0, 100, 100}, WS_VISIBLE, nullptr, WS_EX_LAYERED);
    SetLayeredWindowAttributes(keyed, RGB(0, 0, 0), 0, LWA_COLORKEY);
    host.pump();
    const COLORREF colours[] = {RGB(0, 0, 0), RGB(1, 0, 0), RGB(0, 0, 1), RGB(200, 10, 10)};
    HDC dc = GetDC(keyed);
    for (int i = 0; i < 4; ++i) {
        HBRUSH b = CreateSolidBrush(colours[i]);
        RECT r{i * 10, 0, i * 10 + 10, 10};
        FillRect(dc, &r, b);
        DeleteObject(b);
    }
    ReleaseDC(keyed, dc);
    EXPECT_EQ(screen.pixel(5, 5), GetSysColor(COLOR_WINDOW)); // the window beneath
    EXPECT_EQ(screen.pixel(15, 5), RGB(1, 0, 0));
    EXPECT_EQ(screen.pixel(25, 5), RGB(0, 0, 1));
    EXPECT_EQ(screen.pixel(35, 5), RGB(200, 10, 10));
    (void)below;
}

TEST_F(ScreenTest, ConstantAlphaBlendsTheWholeWindow)
{
    const HWND w = popup({0, 0, 10, 10}, WS_VISIBLE, nullptr, WS_EX_LAYERED);
    SetLayeredWindowAttributes(w, 0, 51, LWA_ALPHA);
    host.pump(); // paints COLOR_WINDOW, white
    // 255 * 51 / 255 = 51 over the desktop: red 51 + 58 * 204 / 255 = 51 + 46 = 97
    EXPECT_EQ(screen.pixel(5, 5), RGB(97, 51 + 88, 51 + 132));
}

TEST_F(ScreenTest, MinimisedAndHiddenWindowsAreNotShown)
{
    const HWND w = popup({0, 0, 50, 50});
    host.pump();
    EXPECT_EQ(screen.pixel(10, 10), GetSysColor(COLOR_WINDOW));
    CloseWindow(w);
    EXPECT_EQ(screen.pixel(10, 10), MemoryBackend::kDesktopColour);
    ShowWindow(w, SW_RESTORE);
    host.pump();
    EXPECT_EQ(screen.pixel(10, 10), GetSysColor(COLOR_WINDOW));
    ShowWindow(w, SW_HIDE);
    EXPECT_EQ(screen.pixel(10, 10), MemoryBackend::kDesktopColour);
}

TEST_F(ScreenTest, ScreenshotOfAShapedTranslucentPairIsWrittenAsPng)
{
    // A round translucent disc with a colour-keyed panel over it.
    const HWND back = popup({100, 100, 260, 260}, WS_VISIBLE, nullptr, WS_EX_LAYERED);
    showLayered(back, 160, 160, [](int x, int y) -> DWORD {
        const int dx = x - 80, dy = y - 80;
        if (dx * dx + dy * dy > 75 * 75) return 0;
        const DWORD a = dx < 0 ? 0xFF : 0x80;
        return a << 24 | (a * 200 / 255) << 16 | (a * 120 / 255) << 8 | (a * 40 / 255);
    });
    const HWND fore = popup({100, 100, 260, 260}, WS_VISIBLE, back, WS_EX_LAYERED);
    SetLayeredWindowAttributes(fore, RGB(0, 0, 0), 0, LWA_COLORKEY);
    recorder.handler = [&](HWND hwnd, UINT message, WPARAM wParam, LPARAM, LRESULT& result) {
        if (hwnd != fore || message != WM_ERASEBKGND) return false;
        HDC dc = reinterpret_cast<HDC>(wParam);
        RECT all{0, 0, 160, 160}, panel{50, 60, 110, 100};
        FillRect(dc, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        FillRect(dc, &panel, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        result = 1;
        return true;
    };
    host.pump();
    EXPECT_EQ(screen.pixel(180, 180), RGB(255, 255, 255));
    EXPECT_EQ(screen.pixel(105, 105), MemoryBackend::kDesktopColour);

    const std::string path = std::string(QUARROW_TEST_OUTPUT_DIR) + "/layered_pair.png";
    std::remove(path.c_str());
    const RECT area{60, 60, 300, 300};
    std::string error;
    ASSERT_TRUE(screen.savePng(path, &error, &area)) << error;

    // Read it back: the size, and a pixel of the opaque half of the disc.
    std::FILE* f = std::fopen(path.c_str(), "rb");
    ASSERT_NE(f, nullptr);
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_init_io(png, f);
    png_read_png(png, info, PNG_TRANSFORM_IDENTITY, nullptr);
    EXPECT_EQ(png_get_image_width(png, info), 240u);
    EXPECT_EQ(png_get_image_height(png, info), 240u);
    png_bytepp rows = png_get_rows(png, info);
    const png_byte* p = rows[180 - 60] + (130 - 60) * 3;
    const COLORREF expected = screen.pixel(130, 180);
    EXPECT_EQ(RGB(p[0], p[1], p[2]), expected);
    EXPECT_EQ(expected, RGB(200, 120, 40));
    png_destroy_read_struct(&png, &info, nullptr);
    std::fclose(f);

    EXPECT_FALSE(screen.savePng("/nonexistent-dir/x.png", &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos);
}

} // namespace
} // namespace quarrow::test
