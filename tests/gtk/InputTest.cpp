// Real input on a real X server reaching the window system through the GTK
// backend: presses where a layered window is opaque reach it with the right
// client coordinates, presses where it is transparent reach whatever lies
// beneath (here a plain X window of the test's own), keys become key
// messages with their characters, and a caption drag moves windows on the
// screen.
#include "GtkFixture.h"

#include <gtk/gtk.h>

#include <X11/keysym.h>

#include <cstring>

namespace quarrow::test {
namespace {

using GtkInputTest = GtkTest;

enum class Transparency { PerPixel, ColourKey };

class GtkPassThroughTest : public GtkTest, public ::testing::WithParamInterface<Transparency> {};

TEST_P(GtkPassThroughTest, PressOnOpaquePixelReachesTheWindowOnTransparentPixelWhatLiesBeneath)
{
    const RECT r{300, 300, 500, 400};
    const XWindow beneath = probe->createForeign(r, RGB(128, 128, 128));
    const HWND w = popup(r, WS_EX_LAYERED);
    if (GetParam() == Transparency::PerPixel) {
        showLayered(w, 200, 100, [](int x, int) { return x < 100 ? 0xFF00A000u : 0x00000000u; });
    } else {
        const COLORREF key = RGB(255, 0, 255);
        ASSERT_TRUE(SetLayeredWindowAttributes(w, key, 0, LWA_COLORKEY));
        fill(w, {0, 0, 200, 100}, key);
        fill(w, {0, 0, 100, 100}, RGB(0, 160, 0));
    }
    ASSERT_EQ(waitForPixel(310, 310, RGB(0, 160, 0)), RGB(0, 160, 0));
    ASSERT_EQ(probe->pixel(450, 310), RGB(128, 128, 128));

    probe->click(320, 340);
    ASSERT_TRUE(runUntil([&] { return recorder.count(w, WM_LBUTTONUP) == 1; }));
    const long down = recorder.indexOf(w, WM_LBUTTONDOWN);
    ASSERT_GE(down, 0);
    EXPECT_EQ(recorder.log[static_cast<size_t>(down)].lParam, MAKELPARAM(20, 40));
    probe->sync();
    EXPECT_FALSE(probe->takePress(beneath));

    probe->click(450, 340);
    std::optional<ForeignPress> press;
    ASSERT_TRUE(runUntil([&] { return (press = probe->takePress(beneath)).has_value(); }));
    EXPECT_EQ(press->x, 150);
    EXPECT_EQ(press->y, 40);
    // Whatever the backend has received by now has reached the window
    // system: the window had no second press.
    gdk_display_sync(backend->display());
    host->pump();
    EXPECT_EQ(recorder.count(w, WM_LBUTTONDOWN), 1);
}

INSTANTIATE_TEST_SUITE_P(Layered, GtkPassThroughTest,
                         ::testing::Values(Transparency::PerPixel, Transparency::ColourKey),
                         [](const ::testing::TestParamInfo<Transparency>& info) {
                             return info.param == Transparency::PerPixel ? std::string("PerPixelAlpha")
                                                                         : std::string("ColourKey");
                         });

struct NativeView {
    int presses = 0;
    double x = -1, y = -1;
};

TEST_F(GtkInputTest, NativeViewInTheContainerShowsAndTakesPressesOverTransparentPixels)
{
    const RECT r{600, 300, 800, 400};
    const XWindow beneath = probe->createForeign(r, RGB(128, 128, 128));
    const HWND w = popup(r, WS_EX_LAYERED);
    // The window's own pixels are all transparent.
    showLayered(w, 200, 100, [](int, int) { return 0x00000000u; });
    ASSERT_TRUE(waitPresented(w));

    // A native view (as a browser view would be) at (20, 10), 60 x 40.
    GtkWidget* view = gtk_drawing_area_new();
    gtk_widget_set_size_request(view, 60, 40);
    gtk_widget_add_events(view, GDK_BUTTON_PRESS_MASK);
    NativeView seen;
    g_signal_connect(view, "draw", G_CALLBACK(+[](GtkWidget*, cairo_t* cr, gpointer) {
                         cairo_set_source_rgb(cr, 0, 0.5, 1);
                         cairo_paint(cr);
                         return gboolean(TRUE);
                     }),
                     nullptr);
    g_signal_connect(view, "button-press-event", G_CALLBACK(+[](GtkWidget*, GdkEventButton* e, gpointer data) {
                         auto* s = static_cast<NativeView*>(data);
                         ++s->presses;
                         s->x = e->x;
                         s->y = e->y;
                         return gboolean(TRUE);
                     }),
                     &seen);
    gtk_fixed_put(GTK_FIXED(backend->container(w)), view, 20, 10);
    gtk_widget_show(view);

    EXPECT_EQ(waitForPixel(620, 310, RGB(0, 128, 255)), RGB(0, 128, 255));
    EXPECT_EQ(probe->pixel(679, 349), RGB(0, 128, 255));
    EXPECT_EQ(probe->pixel(680, 349), RGB(128, 128, 128));

    probe->click(650, 330);
    ASSERT_TRUE(runUntil([&] { return seen.presses == 1; }));
    EXPECT_EQ(seen.x, 30);
    EXPECT_EQ(seen.y, 20);
    probe->sync();
    EXPECT_FALSE(probe->takePress(beneath));

    probe->click(700, 380);
    ASSERT_TRUE(runUntil([&] { return probe->takePress(beneath).has_value(); }));
    EXPECT_EQ(seen.presses, 1);
}

TEST_F(GtkInputTest, EachButtonBecomesItsMessagesWithClientCoordinates)
{
    const HWND w = popup({200, 150, 400, 250});
    ASSERT_TRUE(waitPresented(w));
    struct Case {
        int button;
        UINT down, up;
        POINT at;
    };
    const Case cases[] = {
        {1, WM_LBUTTONDOWN, WM_LBUTTONUP, {0, 0}},
        {3, WM_RBUTTONDOWN, WM_RBUTTONUP, {199, 99}},
        {2, WM_MBUTTONDOWN, WM_MBUTTONUP, {57, 31}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "button " << c.button);
        recorder.log.clear();
        probe->click(200 + c.at.x, 150 + c.at.y, c.button);
        ASSERT_TRUE(runUntil([&] { return recorder.count(w, c.up) == 1; }));
        const long down = recorder.indexOf(w, c.down);
        ASSERT_GE(down, 0);
        EXPECT_LT(down, recorder.indexOf(w, c.up));
        EXPECT_EQ(recorder.log[static_cast<size_t>(down)].lParam, MAKELPARAM(c.at.x, c.at.y));
    }
    // Moving the pointer over the window is WM_MOUSEMOVE at the point.
    recorder.log.clear();
    probe->moveTo(210, 160);
    ASSERT_TRUE(runUntil([&] {
        for (const Received& m : recorder.log) {
            if (m.hwnd == w && m.message == WM_MOUSEMOVE && m.lParam == MAKELPARAM(10, 10)) return true;
        }
        return false;
    }));
}

TEST_F(GtkInputTest, KeysBecomeKeyMessagesWithTheirCharacters)
{
    const HWND w = popup({100, 100, 300, 200});
    ASSERT_TRUE(waitPresented(w));
    ASSERT_EQ(GetFocus(), w);
    // The active window of the window system has the X keyboard focus.
    ASSERT_TRUE(runUntil([&] { return probe->inputFocus() == xid(w); }));

    struct Case {
        unsigned long keysym;
        bool shift;
        UINT virtualKey;
        char16_t character; // 0: none
    };
    const Case cases[] = {
        {XK_a, false, 'A', _T('a')},
        {XK_a, true, 'A', _T('A')},
        {XK_7, false, '7', _T('7')},
        {XK_Return, false, VK_RETURN, _T('\r')},
        {XK_Escape, false, VK_ESCAPE, 0x1B},
        {XK_Tab, false, VK_TAB, _T('\t')},
        {XK_space, false, VK_SPACE, _T(' ')},
        {XK_semicolon, false, 0xBA, _T(';')},
        {XK_F5, false, VK_F5, 0},
        {XK_Left, false, VK_LEFT, 0},
        {XK_Delete, false, VK_DELETE, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "keysym 0x" << std::hex << c.keysym << (c.shift ? " with shift" : ""));
        recorder.log.clear();
        if (c.shift) probe->key(XK_Shift_L, true);
        probe->tap(c.keysym);
        if (c.shift) probe->key(XK_Shift_L, false);
        const UINT last = c.shift ? VK_SHIFT : c.virtualKey;
        ASSERT_TRUE(runUntil([&] {
            for (const Received& m : recorder.log) {
                if (m.hwnd == w && m.message == WM_KEYUP && m.wParam == last) return true;
            }
            return false;
        }));
        std::vector<WPARAM> downs, chars;
        for (const Received& m : recorder.log) {
            if (m.hwnd != w) continue;
            if (m.message == WM_KEYDOWN) downs.push_back(m.wParam);
            if (m.message == WM_CHAR) chars.push_back(m.wParam);
        }
        const std::vector<WPARAM> expectedDowns =
            c.shift ? std::vector<WPARAM>{VK_SHIFT, c.virtualKey} : std::vector<WPARAM>{c.virtualKey};
        EXPECT_EQ(downs, expectedDowns);
        const std::vector<WPARAM> expectedChars =
            c.character ? std::vector<WPARAM>{c.character} : std::vector<WPARAM>{};
        EXPECT_EQ(chars, expectedChars);
        // The GDK event stays available to a native view.
        EXPECT_NE(backend->lastKeyEvent(c.virtualKey, true), nullptr);
    }
}

TEST_F(GtkInputTest, CaptionDragMovesTheWindowAndTheWindowThatFollowsIt)
{
    const HWND background = popup({200, 200, 400, 300});
    const HWND overlay = popup({220, 220, 270, 270}, WS_EX_LAYERED, background);
    showLayered(overlay, 50, 50, [](int, int) { return 0xFF0000C0u; });
    recorder.handler = [&](HWND hwnd, UINT message, WPARAM, LPARAM, LRESULT& result) {
        if (hwnd == background && message == WM_NCHITTEST) {
            result = HTCAPTION;
            return true;
        }
        if (hwnd == background && message == WM_MOVE) {
            // The overlay keeps its place on the background, as the
            // launcher's does.
            RECT r;
            GetWindowRect(background, &r);
            SetWindowPos(overlay, nullptr, r.left + 20, r.top + 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        return false;
    };
    fill(background, {0, 0, 200, 100}, RGB(200, 100, 0));
    ASSERT_EQ(waitForPixel(390, 290, RGB(200, 100, 0)), RGB(200, 100, 0));
    ASSERT_EQ(waitForPixel(240, 240, RGB(0, 0, 0xC0)), RGB(0, 0, 0xC0));

    // Press on the artwork, drag by (100, 50) in steps, release.
    probe->moveTo(300, 280);
    probe->button(1, true);
    for (int i = 1; i <= 5; ++i) probe->moveTo(300 + 20 * i, 280 + 10 * i);
    probe->button(1, false);

    ASSERT_TRUE(runUntil([&] {
        RECT r;
        GetWindowRect(background, &r);
        return r.left == 300 && r.top == 250 && GetCapture() == nullptr;
    }));
    RECT o;
    GetWindowRect(overlay, &o);
    EXPECT_EQ(o.left, 320);
    EXPECT_EQ(o.top, 270);
    const RECT backgroundAt{300, 250, 500, 350}, overlayAt{320, 270, 370, 320};
    std::optional<RECT> gb, go;
    EXPECT_TRUE(runUntil([&] {
        gb = probe->geometry(xid(background));
        go = probe->geometry(xid(overlay));
        return gb && go && std::memcmp(&*gb, &backgroundAt, sizeof(RECT)) == 0 &&
               std::memcmp(&*go, &overlayAt, sizeof(RECT)) == 0;
    }));
    EXPECT_EQ(waitForPixel(490, 340, RGB(200, 100, 0)), RGB(200, 100, 0));
    EXPECT_EQ(waitForPixel(340, 290, RGB(0, 0, 0xC0)), RGB(0, 0, 0xC0));
    EXPECT_EQ(recorder.count(background, WM_ENTERSIZEMOVE), 1);
    EXPECT_EQ(recorder.count(background, WM_EXITSIZEMOVE), 1);
}

} // namespace
} // namespace quarrow::test
