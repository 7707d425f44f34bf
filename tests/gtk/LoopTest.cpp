// The window system's message loop on the GTK backend: a blocked
// GetMessage sleeps in the GLib main loop and wakes for what a GLib
// callback posts; minimising and restoring go through the window manager
// both ways (a small one of the test's own), or unmap the window when there
// is none; the window manager's close button closes; opening a display that
// is not there fails with a message a user can read; work that waits for
// the screen runs once the windows on it are presented.
#include "GtkFixture.h"

#include "MiniWindowManager.h"

#include <glib.h>

#include <cstdlib>
#include <functional>
#include <string>
#include <sys/stat.h>

namespace quarrow::test {
namespace {

using GtkLoopTest = GtkTest;

struct Poster {
    HWND target = nullptr;
    UINT message = 0;
    bool fired = false;
};

TEST_F(GtkLoopTest, PostFromAGlibCallbackWakesABlockedGetMessage)
{
    const HWND w = popup({10, 10, 60, 60});
    ASSERT_TRUE(waitPresented(w));
    host->pump();

    Poster poster{w, WM_APP + 1};
    g_timeout_add(
        50,
        [](gpointer data) {
            auto* p = static_cast<Poster*>(data);
            p->fired = true;
            PostMessageW(p->target, p->message, 7, 8);
            return gboolean(G_SOURCE_REMOVE);
        },
        &poster);
    const uint64_t before = backend->waits();
    MSG msg{};
    // Whatever else arrives first is dispatched; the loop ends at the post.
    while (GetMessageW(&msg, nullptr, 0, 0) && msg.message != WM_APP + 1) DispatchMessageW(&msg);
    EXPECT_TRUE(poster.fired);
    EXPECT_EQ(msg.message, WM_APP + 1);
    EXPECT_EQ(msg.hwnd, w);
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_EQ(msg.lParam, 8);
    // It slept until the timeout rather than turning round and round.
    EXPECT_LE(backend->waits() - before, 10u);

    // The quit message from a callback ends the loop the same way.
    g_idle_add(
        [](gpointer) {
            PostQuitMessage(3);
            return gboolean(G_SOURCE_REMOVE);
        },
        nullptr);
    while (GetMessageW(&msg, nullptr, 0, 0)) DispatchMessageW(&msg);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 3u);
}

TEST_F(GtkLoopTest, WorkThatWaitsForTheScreenRunsOnceFromAWaitWhenEveryWindowOnItIsPresented)
{
    const HWND a = popup({10, 10, 110, 110});
    const HWND b = popup({200, 10, 300, 110});
    popup({400, 10, 500, 110}, 0, nullptr, 0); // never shown: not waited for
    int runs = 0;
    bool bothPresented = false;
    backend->whenPresented([&] {
        ++runs;
        bothPresented = backend->presented(a) && backend->presented(b);
    });
    EXPECT_EQ(runs, 0) << "nothing runs from inside whenPresented";
    ASSERT_TRUE(runUntil([&] { return runs > 0; }));
    EXPECT_TRUE(bothPresented);
    runUntil([] { return false; }, 200);
    EXPECT_EQ(runs, 1);
}

TEST_F(GtkLoopTest, OpeningTheScreenLeavesGdkGlOutOfWhatTheProgramStarts)
{
    // GDK_GL=disable is set only while GTK starts (the fixture has opened
    // the screen), so the game's loader and the browser never inherit it.
    const char* value = std::getenv("GDK_GL");
    EXPECT_TRUE(value == nullptr || std::string(value) != "disable") << value;
}

TEST_F(GtkLoopTest, MinimiseAndRestoreGoThroughTheWindowManagerBothWays)
{
    MiniWindowManager wm;
    std::string error;
    ASSERT_TRUE(wm.start(error)) << error;
    ASSERT_TRUE(backend->windowManagerRunning());

    const RECT normal{300, 200, 500, 300};
    const HWND w = popup(normal, 0, nullptr, WS_VISIBLE, _T("Quarrow"));
    ASSERT_TRUE(waitPresented(w));
    const XWindow x = xid(w);
    auto sameRect = [&](const RECT& a) {
        RECT r;
        GetWindowRect(w, &r);
        return r.left == a.left && r.top == a.top && r.right == a.right && r.bottom == a.bottom;
    };

    // The program minimises: the window manager iconifies the window.
    ShowWindow(w, SW_MINIMIZE);
    EXPECT_TRUE(IsIconic(w));
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == 0; }));

    // The user restores it from the taskbar: the window system restores it.
    wm.restore(x);
    EXPECT_TRUE(runUntil([&] { return !IsIconic(w); }));
    EXPECT_TRUE(sameRect(normal));
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == 2 && backend->presented(w); }));
    EXPECT_GE(recorder.count(w, WM_SYSCOMMAND), 1);

    // The user minimises it from the taskbar: the window system minimises.
    wm.minimise(x);
    EXPECT_TRUE(runUntil([&] { return IsIconic(w) != FALSE; }));

    // The program restores it: the window manager maps it again where it was.
    ShowWindow(w, SW_RESTORE);
    EXPECT_FALSE(IsIconic(w));
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == 2; }));
    const std::optional<RECT> g = probe->geometry(x);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->left, normal.left);
    EXPECT_EQ(g->top, normal.top);

    // The window manager's close button closes the window through the
    // window system (WM_SYSCOMMAND SC_CLOSE, WM_CLOSE).
    wm.close(x);
    EXPECT_TRUE(runUntil([&] { return !IsWindow(w); }));
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == -1; }));
}

TEST_F(GtkLoopTest, WithNoWindowManagerAMinimisedWindowLeavesTheScreen)
{
    ASSERT_FALSE(backend->windowManagerRunning());
    const HWND w = popup({300, 200, 500, 300});
    fill(w, {0, 0, 200, 100}, RGB(0, 90, 0));
    ASSERT_EQ(waitForPixel(400, 250, RGB(0, 90, 0)), RGB(0, 90, 0));
    const XWindow x = xid(w);

    ShowWindow(w, SW_MINIMIZE);
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == 0; }));
    EXPECT_EQ(waitForPixel(400, 250, kDesktop), kDesktop);

    ShowWindow(w, SW_RESTORE);
    EXPECT_TRUE(runUntil([&] { return probe->mapState(x) == 2; }));
    const std::optional<RECT> g = probe->geometry(x);
    ASSERT_TRUE(g);
    EXPECT_EQ(g->left, 300);
    EXPECT_EQ(g->top, 200);
}

struct BoxAnswer {
    HWND owner = nullptr;
    int ticks = 0;
    HWND box = nullptr;
    std::function<bool(HWND)> presented;
    std::function<void()> pressEnter;
};

TEST_F(GtkLoopTest, MessageBoxShowsOnTheScreenAndTakesRealKeys)
{
    const HWND owner = popup({100, 100, 600, 400}, 0, nullptr, WS_VISIBLE, _T("Quarrow"));
    ASSERT_TRUE(waitPresented(owner));

    // The modal loop waits in the GLib loop; a GLib timeout plays the user:
    // once the box is on the screen, it presses Enter on the real keyboard.
    BoxAnswer answer;
    answer.owner = owner;
    answer.presented = [&](HWND h) { return backend->presented(h) && probe->inputFocus() == xid(h); };
    answer.pressEnter = [&] { probe->tap(0xFF0D); }; // XK_Return
    g_timeout_add(
        10,
        [](gpointer data) {
            auto* a = static_cast<BoxAnswer*>(data);
            const HWND active = GetActiveWindow();
            const bool box = active && active != a->owner;
            if (box && ++a->ticks > 500) {
                // Five seconds without the box on the screen: cancel it so
                // that the test fails instead of hanging.
                PostMessageW(active, WM_COMMAND, IDCANCEL, 0);
                return gboolean(G_SOURCE_REMOVE);
            }
            if (!box || !a->presented(active)) return gboolean(G_SOURCE_CONTINUE);
            a->box = active;
            a->pressEnter();
            return gboolean(G_SOURCE_REMOVE);
        },
        &answer);
    const int result = MessageBoxW(owner, _T("Close the launcher?"), _T("Quarrow"), MB_OKCANCEL);
    EXPECT_EQ(result, IDOK);
    ASSERT_NE(answer.box, nullptr);
    EXPECT_FALSE(IsWindow(answer.box));
}

// A display number no server of this machine uses.
std::string unusedDisplay()
{
    for (int n = 150; n < 1000; ++n) {
        struct stat st;
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(n);
        const std::string lock = "/tmp/.X" + std::to_string(n) + "-lock";
        if (stat(socket.c_str(), &st) != 0 && stat(lock.c_str(), &st) != 0) return ":" + std::to_string(n);
    }
    return ":999";
}

TEST(GtkOpenTest, NoDisplayGivesOneClearLine)
{
    struct Case {
        const char* what;
        std::string name;
        const char* expected;
    };
    const std::string unused = unusedDisplay();
    const Case cases[] = {
        {"DISPLAY unset", "", "no X display to show the windows on: DISPLAY is not set"},
        {"no server", unused, "cannot open the X display"},
    };
    const char* saved = std::getenv("DISPLAY");
    const std::string keep = saved ? saved : "";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        unsetenv("DISPLAY");
        std::string error;
        std::unique_ptr<GtkBackend> b = GtkBackend::open(c.name, error);
        EXPECT_FALSE(b);
        EXPECT_NE(error.find(c.expected), std::string::npos) << error;
        EXPECT_EQ(error.find('\n'), std::string::npos);
        if (!c.name.empty()) {
            EXPECT_NE(error.find(c.name), std::string::npos) << error;
        }
    }
    if (saved) setenv("DISPLAY", keep.c_str(), 1);
}

} // namespace
} // namespace quarrow::test
