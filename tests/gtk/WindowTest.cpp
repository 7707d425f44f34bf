// What the GTK backend shows on a real X server: windows at their exact
// rectangles with their exact pixels, holes where layered windows are
// transparent, geometry and visibility following the window system,
// taskbar entries.
#include "GtkFixture.h"

namespace quarrow::test {
namespace {

using GtkWindowTest = GtkTest;

TEST_F(GtkWindowTest, PerPixelWindowShowsItsPixelsAtItsRectangle)
{
    const RECT r{100, 120, 164, 152};
    const HWND w = popup(r, WS_EX_LAYERED);
    // Four bands of 16 columns: opaque red, opaque (0x10, 0x20, 0x30),
    // fully transparent, half transparent dark red (premultiplied).
    const DWORD bands[4] = {0xFFFF0000, 0xFF102030, 0x00000000, 0x80400000};
    showLayered(w, 64, 32, [&](int x, int) { return bands[x / 16]; });

    EXPECT_EQ(waitForPixel(100, 120, RGB(255, 0, 0)), RGB(255, 0, 0));
    EXPECT_EQ(probe->pixel(115, 151), RGB(255, 0, 0));
    EXPECT_EQ(probe->pixel(116, 130), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(probe->pixel(131, 151), RGB(0x10, 0x20, 0x30));
    // Transparent pixels are not part of the window: the desktop shows.
    EXPECT_EQ(probe->pixel(132, 130), kDesktop);
    EXPECT_EQ(probe->pixel(147, 140), kDesktop);
    // With no compositing manager a partly transparent pixel shows the
    // window's own (premultiplied) colour.
    EXPECT_EQ(probe->pixel(150, 130), RGB(0x40, 0, 0));
    // Nothing outside the rectangle.
    EXPECT_EQ(probe->pixel(99, 120), kDesktop);
    EXPECT_EQ(probe->pixel(100, 119), kDesktop);
    EXPECT_EQ(probe->pixel(100, 152), kDesktop);
    EXPECT_EQ(probe->pixel(164, 151), kDesktop);

    const std::optional<RECT> g = probe->geometry(xid(w));
    ASSERT_TRUE(g);
    EXPECT_EQ(g->left, 100);
    EXPECT_EQ(g->top, 120);
    EXPECT_EQ(g->right, 164);
    EXPECT_EQ(g->bottom, 152);
}

} // namespace
} // namespace quarrow::test
