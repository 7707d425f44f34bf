// The drawing layer: bitmaps and DIB sections, fills, transfers, the
// alpha blend and text, checked by exact pixel values.
#include "HostFixture.h"

namespace quarrow::test {
namespace {

using DrawingTest = HostTest;

// A memory context with a top-down 32-bit DIB section selected.
struct Canvas {
    Canvas(int w, int h, int bpp = 32, bool bottomUp = false) : width(w), height(h)
    {
        BITMAPINFO bmi{};
        bmi.bmiHeader = {sizeof(BITMAPINFOHEADER), w, bottomUp ? h : -h, 1, static_cast<WORD>(bpp), BI_RGB, 0, 0, 0, 0, 0};
        dc = CreateCompatibleDC(nullptr);
        bitmap = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &bits, nullptr, 0);
        old = SelectObject(dc, bitmap);
    }
    ~Canvas()
    {
        SelectObject(dc, old);
        DeleteObject(bitmap);
        DeleteDC(dc);
    }
    DWORD& at(int x, int y) { return static_cast<DWORD*>(bits)[y * width + x]; }

    int width, height;
    HDC dc = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ old = nullptr;
    void* bits = nullptr;
};

TEST_F(DrawingTest, DibSectionsLayOutRowsAsTheirHeightSaysAndPadTo4Bytes)
{
    Canvas topDown(3, 2);
    SetPixel(topDown.dc, 0, 0, RGB(10, 20, 30));
    EXPECT_EQ(topDown.at(0, 0), 0xFF0A141Eu); // blue, green, red, opaque alpha in memory order
    Canvas bottomUp(3, 2, 32, true);
    SetPixel(bottomUp.dc, 0, 0, RGB(10, 20, 30));
    EXPECT_EQ(bottomUp.at(0, 1), 0xFF0A141Eu); // the top row is the last in memory
    Canvas rgb(3, 2, 24, true);
    SetPixel(rgb.dc, 2, 1, RGB(1, 2, 3));
    const BYTE* bytes = static_cast<BYTE*>(rgb.bits);
    // Rows of 9 bytes are padded to 12; the picture's bottom row comes first.
    EXPECT_EQ(bytes[6], 3);
    EXPECT_EQ(bytes[7], 2);
    EXPECT_EQ(bytes[8], 1);
    EXPECT_EQ(GetPixel(rgb.dc, 2, 1), RGB(1, 2, 3));

    BITMAP bm{};
    ASSERT_EQ(GetObjectW(rgb.bitmap, sizeof bm, &bm), int(sizeof bm));
    EXPECT_EQ(bm.bmWidthBytes, 12);
    EXPECT_EQ(bm.bmBitsPixel, 24);
    EXPECT_EQ(bm.bmBits, rgb.bits);

    BITMAPINFO bad{};
    bad.bmiHeader = {sizeof(BITMAPINFOHEADER), 4, 4, 1, 8, BI_RGB, 0, 0, 0, 0, 0};
    void* none = nullptr;
    EXPECT_EQ(CreateDIBSection(nullptr, &bad, DIB_RGB_COLORS, &none, nullptr, 0), nullptr);
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
}

TEST_F(DrawingTest, ABitmapSitsInOneContextAndCannotBeDeletedThere)
{
    Canvas c(2, 2);
    HDC other = CreateCompatibleDC(nullptr);
    EXPECT_EQ(SelectObject(other, c.bitmap), nullptr);
    EXPECT_FALSE(DeleteObject(c.bitmap));
    DeleteDC(other);
    EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH))); // stock objects survive
    EXPECT_EQ(GetObjectType(GetStockObject(BLACK_BRUSH)), DWORD(OBJ_BRUSH));
}

struct BlendCase {
    const char* name;
    DWORD source; // premultiplied 0xAARRGGBB
    DWORD dest;
    BYTE constantAlpha;
    BYTE format;
    DWORD expected;
};

class AlphaBlendTest : public HostTest, public ::testing::WithParamInterface<BlendCase> {};

TEST_P(AlphaBlendTest, SourceOverDestinationRoundsToNearest)
{
    const BlendCase& c = GetParam();
    Canvas src(1, 1), dst(1, 1);
    src.at(0, 0) = c.source;
    dst.at(0, 0) = c.dest;
    ASSERT_TRUE(AlphaBlend(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, 1, 1, BLENDFUNCTION{AC_SRC_OVER, 0, c.constantAlpha, c.format}));
    EXPECT_EQ(dst.at(0, 0), c.expected) << std::hex << dst.at(0, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AlphaBlendTest,
    ::testing::Values(
        BlendCase{"Transparent", 0x00000000, 0xFF102030, 255, AC_SRC_ALPHA, 0xFF102030},
        BlendCase{"Opaque", 0xFFAABBCC, 0xFF102030, 255, AC_SRC_ALPHA, 0xFFAABBCC},
        // 0x80 alpha: 0x40 + 0xFF * 127 / 255 = 0x40 + 127 = 0xBF
        BlendCase{"Half", 0x80404040, 0xFFFFFFFF, 255, AC_SRC_ALPHA, 0xFFBFBFBF},
        // constant 128 scales the source: 0xFF -> 128, then 128 + 0 = 0x80
        BlendCase{"ConstantOnOpaque", 0xFFFFFFFF, 0xFF000000, 128, AC_SRC_ALPHA, 0xFF808080},
        // without per-pixel alpha: 200 * 51 / 255 = 40 (0x28); dest 100 * 204 / 255 = 80 (0x50); sum 0x78
        BlendCase{"ConstantOnly", 0x00C8C8C8, 0xFF646464, 51, 0, 0xFF787878}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(DrawingTest, AlphaBlendRefusesSourceRectanglesOutsideTheBitmap)
{
    Canvas src(2, 2), dst(4, 4);
    EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 2, 2, src.dc, 1, 1, 2, 2, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
    EXPECT_EQ(GetLastError(), DWORD(ERROR_INVALID_PARAMETER));
    Canvas rgb(2, 2, 24);
    EXPECT_FALSE(AlphaBlend(dst.dc, 0, 0, 2, 2, rgb.dc, 0, 0, 2, 2, BLENDFUNCTION{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA}));
}

TEST_F(DrawingTest, StretchBltPicksTheNearestSourcePixel)
{
    Canvas src(2, 2), dst(4, 4);
    src.at(0, 0) = 0xFF000001;
    src.at(1, 0) = 0xFF000002;
    src.at(0, 1) = 0xFF000003;
    src.at(1, 1) = 0xFF000004;
    ASSERT_TRUE(StretchBlt(dst.dc, 0, 0, 4, 4, src.dc, 0, 0, 2, 2, SRCCOPY));
    const DWORD expected[4][4] = {{1, 1, 2, 2}, {1, 1, 2, 2}, {3, 3, 4, 4}, {3, 3, 4, 4}};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.at(x, y), 0xFF000000u | expected[y][x]) << x << "," << y;
    }
    // Shrinking samples pixel centres; a negative width mirrors.
    Canvas small(1, 1);
    StretchBlt(small.dc, 0, 0, 1, 1, dst.dc, 0, 0, 4, 4, SRCCOPY);
    EXPECT_EQ(small.at(0, 0), 0xFF000004u);
    Canvas mirrored(2, 1);
    StretchBlt(mirrored.dc, 1, 0, -2, 1, src.dc, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(mirrored.at(0, 0), 0xFF000002u);
    EXPECT_EQ(mirrored.at(1, 0), 0xFF000001u);
    EXPECT_FALSE(BitBlt(dst.dc, 0, 0, 1, 1, src.dc, 0, 0, SRCAND));
}

TEST_F(DrawingTest, FillRectPaintsExactlyTheRectangle)
{
    Canvas c(4, 4);
    HBRUSH b = CreateSolidBrush(RGB(200, 100, 50));
    RECT r{1, 1, 3, 2};
    ASSERT_TRUE(FillRect(c.dc, &r, b));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool in = x >= 1 && x < 3 && y == 1;
            EXPECT_EQ(c.at(x, y), in ? 0xFFC86432u : 0u) << x << "," << y;
        }
    }
    // A system colour index + 1 works as a brush.
    RECT all{0, 0, 4, 4};
    FillRect(c.dc, &all, reinterpret_cast<HBRUSH>(COLOR_3DFACE + 1));
    EXPECT_EQ(GetPixel(c.dc, 3, 3), GetSysColor(COLOR_3DFACE));
    DeleteObject(b);
}

TEST_F(DrawingTest, CentredTextLandsInTheMiddleOfItsRectangle)
{
    Canvas c(200, 60);
    RECT all{0, 0, 200, 60};
    HBRUSH white = CreateSolidBrush(RGB(255, 255, 255));
    FillRect(c.dc, &all, white);
    HFONT font = CreateFontW(-16, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, _T("MS Shell Dlg"));
    SelectObject(c.dc, font);
    SetBkMode(c.dc, TRANSPARENT);
    SetTextColor(c.dc, RGB(30, 30, 30));
    RECT r{0, 0, 200, 60};
    const int height = DrawTextW(c.dc, _T("官网首页 Home"), -1, &r, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    EXPECT_GT(height, 0);
    int left = 200, right = -1, top = 60, bottom = -1;
    for (int y = 0; y < 60; ++y) {
        for (int x = 0; x < 200; ++x) {
            if (GetPixel(c.dc, x, y) == RGB(255, 255, 255)) continue;
            left = std::min(left, x);
            right = std::max(right, x);
            top = std::min(top, y);
            bottom = std::max(bottom, y);
        }
    }
    ASSERT_GE(right, 0) << "no text drawn";
    EXPECT_NEAR((left + right) / 2.0, 100, 3);
    EXPECT_NEAR((top + bottom) / 2.0, 30, 4);
    EXPECT_GT(right - left, 60);

    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32W(c.dc, _T("Home"), 4, &extent));
    RECT calc{0, 0, 0, 0};
    DrawTextW(c.dc, _T("Home"), -1, &calc, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(calc.right, extent.cx);
    // Text outside the rectangle is clipped.
    Canvas clip(100, 40);
    FillRect(clip.dc, &all, white);
    SelectObject(clip.dc, font);
    RECT narrow{0, 0, 10, 40};
    DrawTextW(clip.dc, _T("WWWWWWWW"), -1, &narrow, DT_LEFT | DT_SINGLELINE);
    for (int y = 0; y < 40; ++y) {
        for (int x = 10; x < 100; ++x) ASSERT_EQ(GetPixel(clip.dc, x, y), RGB(255, 255, 255));
    }
    SelectObject(c.dc, GetStockObject(SYSTEM_FONT));
    SelectObject(clip.dc, GetStockObject(SYSTEM_FONT));
    DeleteObject(font);
    DeleteObject(white);
}

TEST_F(DrawingTest, WindowContextsDrawOnTheTopLevelSurfaceClippedToTheChild)
{
    const HWND w = popup({100, 100, 300, 200});
    const HWND kid = child(w, {20, 10, 60, 30}, 1);
    host.pump();
    HDC dc = GetDC(kid);
    RECT huge{-50, -50, 500, 500};
    HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
    FillRect(dc, &huge, red);
    ReleaseDC(kid, dc);
    EXPECT_EQ(screen.pixel(120, 110), RGB(255, 0, 0));
    EXPECT_EQ(screen.pixel(159, 129), RGB(255, 0, 0));
    EXPECT_EQ(screen.pixel(160, 129), GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(screen.pixel(119, 110), GetSysColor(COLOR_WINDOW));
    DeleteObject(red);
}

} // namespace
} // namespace quarrow::test

#include "win32/linux/GpImageData.h"

namespace quarrow::test {
namespace {

TEST_F(DrawingTest, GdiplusDrawsStraightAlphaImagesPremultipliedOverTheContext)
{
    DecodedImage picture;
    picture.width = 3;
    picture.height = 1;
    picture.hasAlpha = true;
    // blue, green, red, alpha: half-transparent red, opaque green, fully transparent white
    picture.bgra = {0, 0, 255, 128, 0, 255, 0, 255, 255, 255, 255, 0};
    Gdiplus::GpImage image(picture);
    Canvas c(3, 1, 32, true);
    Gdiplus::GpGraphics* g = nullptr;
    ASSERT_EQ(Gdiplus::DllExports::GdipCreateFromHDC(c.dc, &g), Gdiplus::Ok);
    EXPECT_EQ(Gdiplus::DllExports::GdipSetSmoothingMode(g, Gdiplus::SmoothingModeNone), Gdiplus::Ok);
    ASSERT_EQ(Gdiplus::DllExports::GdipDrawImageRectI(g, &image, 0, 0, 3, 1), Gdiplus::Ok);
    EXPECT_EQ(c.at(0, 0), 0x80800000u);
    EXPECT_EQ(c.at(1, 0), 0xFF00FF00u);
    EXPECT_EQ(c.at(2, 0), 0x00000000u);
    EXPECT_EQ(Gdiplus::DllExports::GdipDrawImageRectI(g, &image, 0, 0, -1, 1), Gdiplus::InvalidParameter);
    EXPECT_EQ(Gdiplus::DllExports::GdipDeleteGraphics(g), Gdiplus::Ok);
    EXPECT_EQ(Gdiplus::DllExports::GdipCreateFromHDC(reinterpret_cast<HDC>(0x99), &g), Gdiplus::InvalidParameter);
}

} // namespace
} // namespace quarrow::test
