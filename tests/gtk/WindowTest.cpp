// What the GTK backend shows on a real X server: windows at their exact
// rectangles with their exact pixels, holes where layered windows are
// transparent, geometry and visibility following the window system,
// taskbar entries.
#include "GtkFixture.h"

#include "CompositingManager.h"
#include "win32/linux/IconImage.h"

#include <cstring>

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

TEST_F(GtkWindowTest, ColourKeyedWindowShowsItsKeyPixelsAsHoles)
{
    const COLORREF key = RGB(255, 0, 255);
    const HWND w = popup({300, 200, 360, 240}, WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(w, key, 0, LWA_COLORKEY));
    // Drawn through a window DC outside WM_PAINT: the screen still follows.
    fill(w, {0, 0, 60, 40}, key);
    fill(w, {0, 0, 20, 40}, RGB(0, 0, 200));
    fill(w, {40, 0, 60, 40}, RGB(254, 0, 255)); // one step from the key: shown

    EXPECT_EQ(waitForPixel(300, 200, RGB(0, 0, 200)), RGB(0, 0, 200));
    EXPECT_EQ(probe->pixel(319, 239), RGB(0, 0, 200));
    EXPECT_EQ(probe->pixel(320, 200), kDesktop);
    EXPECT_EQ(probe->pixel(339, 239), kDesktop);
    EXPECT_EQ(probe->pixel(340, 220), RGB(254, 0, 255));
    EXPECT_EQ(probe->pixel(359, 239), RGB(254, 0, 255));
}

TEST_F(GtkWindowTest, TranslucentPixelsBlendWithTheDesktopUnderACompositingManager)
{
    CompositingManager compositor(*probe);
    std::string error;
    ASSERT_TRUE(compositor.start(error)) << error;
    ASSERT_TRUE(runUntil([&] { return backend->capabilities().perPixelAlpha; }))
        << "GTK does not see the compositing manager";

    const HWND perPixel = popup({100, 100, 140, 110}, WS_EX_LAYERED);
    const DWORD bands[4] = {0xFFFF0000, 0x80400000, 0x40000040, 0x00000000};
    showLayered(perPixel, 40, 10, [&](int x, int) { return bands[x / 10]; });
    // Constant alpha of a plain layered window: blue at 128.
    const HWND constant = popup({200, 100, 220, 110}, WS_EX_LAYERED);
    ASSERT_TRUE(SetLayeredWindowAttributes(constant, 0, 128, LWA_ALPHA));
    fill(constant, {0, 0, 20, 10}, RGB(0, 0, 255));

    // Premultiplied source over the desktop (58, 110, 165):
    // 0x80400000: red 64 + 58 * 127 / 255 = 93, green 110 * 127 / 255 = 55,
    // blue 165 * 127 / 255 = 82.
    EXPECT_EQ(waitForPixel(115, 105, RGB(93, 55, 82)), RGB(93, 55, 82));
    // 0x40000040: red 58 * 191 / 255 = 43, green 110 * 191 / 255 = 82,
    // blue 64 + 165 * 191 / 255 = 188.
    EXPECT_EQ(waitForPixel(125, 105, RGB(43, 82, 188)), RGB(43, 82, 188));
    EXPECT_EQ(probe->pixel(105, 105), RGB(255, 0, 0));
    EXPECT_EQ(probe->pixel(135, 105), kDesktop);
    // Blue 255 at 128 over the desktop: red 58 * 127 / 255 = 29, green 55,
    // blue 128 + 82 = 210.
    EXPECT_EQ(waitForPixel(210, 105, RGB(29, 55, 210)), RGB(29, 55, 210));
}

TEST_F(GtkWindowTest, GeometryAndVisibilityFollowTheWindowSystem)
{
    const HWND w = popup({50, 60, 150, 110});
    fill(w, {0, 0, 300, 300}, RGB(10, 200, 10));
    ASSERT_TRUE(waitPresented(w));
    const XWindow x = xid(w);
    ASSERT_NE(x, 0u);

    struct Step {
        RECT rect;
    };
    const Step steps[] = {
        {{400, 300, 520, 380}}, // moved and grown
        {{0, 0, 10, 10}},       // to the corner, small
        {{1800, 1000, 1900, 1060}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(testing::Message() << "to " << s.rect.left << "," << s.rect.top);
        ASSERT_TRUE(SetWindowPos(w, nullptr, s.rect.left, s.rect.top, s.rect.right - s.rect.left,
                                 s.rect.bottom - s.rect.top, SWP_NOZORDER | SWP_NOACTIVATE));
        fill(w, {0, 0, 300, 300}, RGB(10, 200, 10));
        std::optional<RECT> g;
        EXPECT_TRUE(runUntil([&] {
            g = probe->geometry(x);
            return g && std::memcmp(&*g, &s.rect, sizeof(RECT)) == 0;
        }));
        EXPECT_EQ(waitForPixel(s.rect.right - 1, s.rect.bottom - 1, RGB(10, 200, 10)), RGB(10, 200, 10));
    }

    ShowWindow(w, SW_HIDE);
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == 0; }));
    EXPECT_EQ(waitForPixel(1850, 1030, kDesktop), kDesktop);
    ShowWindow(w, SW_SHOWNA);
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == 2; }));
    // Shown again, it is painted afresh: the class background.
    EXPECT_EQ(waitForPixel(1850, 1030, GetSysColor(COLOR_WINDOW)), GetSysColor(COLOR_WINDOW));

    DestroyWindow(w);
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == -1; }));
}

TEST_F(GtkWindowTest, StackingFollowsTheWindowSystemsZOrder)
{
    const HWND first = popup({100, 100, 200, 200});
    const HWND second = popup({150, 150, 250, 250});
    fill(first, {0, 0, 100, 100}, RGB(200, 0, 0));
    fill(second, {0, 0, 100, 100}, RGB(0, 200, 0));
    // The later window is on top where they overlap.
    EXPECT_EQ(waitForPixel(175, 175, RGB(0, 200, 0)), RGB(0, 200, 0));
    SetWindowPos(first, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(waitForPixel(175, 175, RGB(200, 0, 0)), RGB(200, 0, 0));
    // An owned window stays above its owner when the owner comes up.
    const HWND owned = popup({160, 160, 190, 190}, 0, second);
    fill(owned, {0, 0, 30, 30}, RGB(0, 0, 200));
    EXPECT_EQ(waitForPixel(175, 175, RGB(0, 0, 200)), RGB(0, 0, 200));
    SetWindowPos(second, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    EXPECT_EQ(waitForPixel(195, 195, RGB(0, 200, 0)), RGB(0, 200, 0));
    EXPECT_EQ(probe->pixel(175, 175), RGB(0, 0, 200));
}

TEST_F(GtkWindowTest, UnownedWindowsHaveATaskbarEntryWithTitleAndIconOwnedOnesDoNot)
{
    // A 48 x 48 icon picture, opaque orange, made into the 32 x 32 large
    // icon that LoadIconW would give.
    DecodedImage picture;
    picture.width = picture.height = 48;
    picture.hasAlpha = true;
    picture.bgra.resize(48 * 48 * 4);
    for (size_t i = 0; i < picture.bgra.size(); i += 4) {
        picture.bgra[i] = 0x10;     // blue
        picture.bgra[i + 1] = 0x80; // green
        picture.bgra[i + 2] = 0xF0; // red
        picture.bgra[i + 3] = 0xFF;
    }
    IconImage icon(picture, IconImage::kLargeIconSize);

    const HWND main = popup({100, 100, 300, 200}, 0, nullptr, WS_VISIBLE, _T("Quarrow \u542f\u52a8"));
    SendMessageW(main, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon.handle()));
    const HWND owned = popup({120, 120, 220, 180}, 0, main, WS_VISIBLE, _T("overlay"));
    const HWND app = popup({400, 100, 450, 150}, WS_EX_APPWINDOW, main, WS_VISIBLE, _T("owned app window"));
    const HWND tool = popup({500, 100, 550, 150}, WS_EX_TOOLWINDOW, nullptr, WS_VISIBLE, _T("tool"));
    for (HWND w : {main, owned, app, tool}) ASSERT_TRUE(waitPresented(w));

    EXPECT_EQ(probe->textProperty(xid(main), "_NET_WM_NAME"), "Quarrow \xe5\x90\xaf\xe5\x8a\xa8");
    EXPECT_EQ(probe->textProperty(xid(owned), "_NET_WM_NAME"), "overlay");

    // _NET_WM_ICON: width, height, then ARGB words, for each size given.
    const std::vector<long> icons = probe->longProperty(xid(main), "_NET_WM_ICON");
    ASSERT_GE(icons.size(), 2u + 32 * 32);
    bool found32 = false;
    for (size_t i = 0; i + 2 <= icons.size();) {
        const long w = icons[i], h = icons[i + 1];
        if (w == 32 && h == 32) {
            found32 = true;
            EXPECT_EQ(static_cast<unsigned long>(icons[i + 2]) & 0xFFFFFFFFu, 0xFFF08010u);
        }
        i += 2 + static_cast<size_t>(w * h);
    }
    EXPECT_TRUE(found32);

    auto skipsTaskbar = [&](HWND w) {
        const unsigned long skip = probe->atom("_NET_WM_STATE_SKIP_TASKBAR");
        for (long a : probe->longProperty(xid(w), "_NET_WM_STATE")) {
            if (static_cast<unsigned long>(a) == skip) return true;
        }
        return false;
    };
    EXPECT_FALSE(skipsTaskbar(main));
    EXPECT_TRUE(skipsTaskbar(owned));
    EXPECT_FALSE(skipsTaskbar(app));
    EXPECT_TRUE(skipsTaskbar(tool));

    // An owned window is transient for its owner.
    const std::vector<long> transient = probe->longProperty(xid(owned), "WM_TRANSIENT_FOR");
    ASSERT_EQ(transient.size(), 1u);
    EXPECT_EQ(static_cast<XWindow>(transient[0]), xid(main));
    EXPECT_TRUE(probe->longProperty(xid(main), "WM_TRANSIENT_FOR").empty());
}

} // namespace
} // namespace quarrow::test
