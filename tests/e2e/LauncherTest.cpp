// The real program on a real X server: quarrow-launcher-e2e (the launcher
// built for the test portal on loopback, with the GTK backend and the
// WebKitGTK engine) started as a user starts it, looked at through the
// screen's pixels and X's window list, and driven with real pointer and
// keyboard input. Each test ends the program one of its ways, or leaves
// that to the fixture.
#include "RealLauncher.h"
#include "XServer.h"

#include "host/SystemMetrics.h"
#include "support/LoaderRecord.h"

#include <X11/keysym.h>
#include <gmock/gmock.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <thread>

#include "support/Files.h"

namespace quarrow::test {

namespace {

namespace fs = std::filesystem;

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) out.push_back(line);
    return out;
}

// The file that res/launcher.rc names for an image resource.
std::string imageFileOf(const std::string& symbol)
{
    const std::regex entry("^" + symbol + "\\s+PNG\\s+\"images/([^\"]+)\"");
    for (const std::string& line : lines(ReadFile(QUARROW_E2E_RESOURCE_SCRIPT))) {
        std::smatch m;
        if (std::regex_search(line, m, entry)) return m[1];
    }
    ADD_FAILURE() << symbol << " is not in res/launcher.rc";
    return {};
}

int difference(Rgba a, Rgba b)
{
    return std::max({std::abs(a.r - b.r), std::abs(a.g - b.g), std::abs(a.b - b.b)});
}

std::string describe(Rgba c)
{
    return "(" + std::to_string(c.r) + ", " + std::to_string(c.g) + ", " + std::to_string(c.b) + ")";
}

// A straight-alpha artwork pixel composed over the desktop, as a
// compositing manager shows it.
Rgba overDesktop(Rgba art, COLORREF desktop)
{
    auto channel = [&](int c, int d) {
        return static_cast<std::uint8_t>((c * art.a + d * (255 - art.a) + 127) / 255);
    };
    return Rgba{channel(art.r, GetRValue(desktop)), channel(art.g, GetGValue(desktop)),
                channel(art.b, GetBValue(desktop)), 255};
}

struct Button {
    const char* image; // the normal state's resource symbol
    RECT rect;         // in the window
};

const Button kButtons[] = {
    {"IDB_HOME_NORMAL", {380, 162, 380 + 148, 162 + 44}},    {"IDB_GUIDE_NORMAL", {540, 162, 540 + 148, 162 + 44}},
    {"IDB_FORUM_NORMAL", {699, 162, 699 + 148, 162 + 44}},   {"IDB_SERVICE_NORMAL", {856, 162, 856 + 148, 162 + 44}},
    {"IDB_MIN_NORMAL", {950, 22, 950 + 33, 22 + 33}},         {"IDB_CLOSE_NORMAL", {990, 22, 990 + 33, 22 + 33}},
};

bool inside(RECT r, int x, int y) { return x >= r.left && x < r.right && y >= r.top && y < r.bottom; }

POINT centre(RECT r) { return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}; }

bool same(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

// Counts the pixels of a region that differ from what is expected by more
// than the tolerance, and describes the first.
struct Mismatches {
    int count = 0;
    std::string first;
    void check(int x, int y, Rgba shown, Rgba expected, int tolerance)
    {
        if (difference(shown, expected) <= tolerance) return;
        if (count++ == 0) {
            first = "at (" + std::to_string(x) + ", " + std::to_string(y) + ") the screen shows " + describe(shown) +
                    " instead of " + describe(expected);
        }
    }
};

} // namespace

TEST_F(RealLauncher, ShowsTheDesktopThroughTheArtworkThePageInThePanelAndTheButtonsInPlace)
{
    ASSERT_TRUE(startLauncher());
    const auto back = background();
    const auto fore = overlay();
    ASSERT_TRUE(back && fore);
    // The artwork's size, centred on the screen (there is no panel or dock
    // to leave room for); the overlay on the same rectangle.
    EXPECT_EQ(1044, back->rect.right - back->rect.left);
    EXPECT_EQ(616, back->rect.bottom - back->rect.top);
    EXPECT_EQ((XServer::kWidth - 1044) / 2, back->rect.left);
    EXPECT_EQ((XServer::kHeight - 616) / 2, back->rect.top);
    EXPECT_TRUE(same(back->rect, fore->rect));

    const Picture art = artwork(imageFileOf("IDB_BACKGROUND"));
    ASSERT_EQ(1044, art.width());
    const Picture shot = screenshot("start");
    ASSERT_FALSE(shot.empty());

    // Outside the panel and the buttons the screen shows the artwork over
    // the desktop: the desktop itself where the artwork is transparent (the
    // top-left corner), blended where it is translucent, the artwork alone
    // where it is opaque; the overlay's own key-coloured surface shows
    // nothing of its own.
    ASSERT_EQ(0, art.at(2, 2).a) << "the artwork's corner is meant to be transparent";
    EXPECT_EQ(describe(overDesktop(Rgba{}, kDesktop)), describe(shot.at(2, 2)));
    Mismatches transparent, translucent, opaque;
    int translucentPixels = 0;
    for (int y = 0; y < 616; ++y) {
        for (int x = 0; x < 1044; ++x) {
            if (inside(kPanel, x, y)) continue;
            bool onButton = false;
            for (const Button& b : kButtons) onButton = onButton || inside(b.rect, x, y);
            if (onButton) continue;
            const Rgba a = art.at(x, y);
            const Rgba expected = overDesktop(a, kDesktop);
            if (a.a == 0) {
                transparent.check(x, y, shot.at(x, y), expected, 0);
            } else if (a.a == 255) {
                opaque.check(x, y, shot.at(x, y), expected, 0);
            } else {
                ++translucentPixels;
                // Two roundings (premultiplying, then composing) apart.
                translucent.check(x, y, shot.at(x, y), expected, 2);
            }
        }
    }
    EXPECT_GT(translucentPixels, 0) << "the artwork has translucent edges to look at";
    EXPECT_EQ(0, transparent.count) << transparent.first;
    EXPECT_EQ(0, translucent.count) << translucent.first;
    EXPECT_EQ(0, opaque.count) << opaque.first;

    // The page fills the panel: its own colour away from its fields, where
    // the artwork has its opaque black panel.
    for (POINT p : {POINT{kPanel.left + 2, kPanel.bottom - 3}, POINT{kPanel.right - 3, kPanel.top + 2},
                    POINT{kPanel.right - 3, kPanel.bottom - 3}, POINT{kPanel.left + 400, kPanel.top + 250}}) {
        ASSERT_EQ(describe(Rgba{0, 0, 0, 255}), describe(art.at(p.x, p.y)));
        EXPECT_EQ(describe(kPageColour), describe(shot.at(p.x, p.y))) << "at (" << p.x << ", " << p.y << ")";
    }

    // Each button shows its normal image, pixel for pixel.
    for (const Button& b : kButtons) {
        const Picture image = artwork(imageFileOf(b.image));
        ASSERT_EQ(b.rect.right - b.rect.left, image.width()) << b.image;
        ASSERT_EQ(b.rect.bottom - b.rect.top, image.height()) << b.image;
        Mismatches wrong;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                wrong.check(b.rect.left + x, b.rect.top + y, shot.at(b.rect.left + x, b.rect.top + y), image.at(x, y),
                            0);
            }
        }
        EXPECT_EQ(0, wrong.count) << b.image << ": " << wrong.first;
    }
}

TEST_F(RealLauncher, PageScriptReadsWibbleFromTheExternalObjectAndARightClickOpensNoMenu)
{
    ASSERT_TRUE(startLauncher());
    // The start page read both names once it had loaded.
    EXPECT_THAT(portal->reports("xxyyzz"), ::testing::ElementsAre("Wibble"));
    EXPECT_THAT(portal->reports("xxyq"), ::testing::ElementsAre("Wibble"));

    // A right click on the page: the page hears it, and half a second later
    // still no menu has come up anywhere on the screen.
    const std::vector<XWindow> before = overrideRedirectWindows();
    click(kPanel.left + 400, kPanel.top + 250, 3);
    ASSERT_TRUE(waitUntil([&] { return portal->reports("contextmenu").size() == 2; }))
        << "the page did not hear the right click";
    EXPECT_EQ(before, overrideRedirectWindows()) << "a menu window appeared";
    EXPECT_TRUE(launcherRunning());
}

TEST_F(RealLauncher, EachLinkButtonRunsTheBrowserWithItsAddress)
{
    ASSERT_TRUE(startLauncher());
    const std::string host = "127.0.0.1:" + std::to_string(QUARROW_E2E_PORT);
    // Left to right on the screen.
    const std::vector<std::pair<RECT, std::string>> links = {
        {kButtons[0].rect, "http://" + host + "/games/vadmo/"},
        {kButtons[1].rect, "http://" + host + "/games/vadmo/raid/"},
        {kButtons[2].rect, "https://" + host + "/?_wv=" QUARROW_E2E_CHAT_WV "&k=" QUARROW_E2E_CHAT_K},
        {kButtons[3].rect, "http://" + host + "/kf/"},
    };
    std::vector<std::string> expected;
    for (const auto& [rect, address] : links) {
        const POINT c = centre(rect);
        click(c.x, c.y);
        expected.push_back(address);
        // One at a time, so that the order of the record is the order of
        // the clicks.
        ASSERT_TRUE(waitUntil([&] { return lines(ReadFile(browserRecord)).size() >= expected.size(); }))
            << "no browser was started for " << address << ":\n"
            << launcherLog();
    }
    EXPECT_EQ(expected, lines(ReadFile(browserRecord)));
    EXPECT_TRUE(launcherRunning());
    EXPECT_TRUE(background() && overlay());
}

TEST_F(RealLauncher, EscapeDoesNothingAndTheCloseButtonEndsTheProgramOnceConfirmed)
{
    ASSERT_TRUE(startLauncher());
    // Escape, then a letter, in the page's account field: the letter
    // arrives, the Escape before it never does, and nothing closes.
    const auto keysReached = [&](const std::string& last) {
        return waitUntil([&] {
            const std::vector<std::string> keys = portal->reports("keys");
            return !keys.empty() && keys.back().size() >= last.size() &&
                   keys.back().compare(keys.back().size() - last.size(), last.size(), last) == 0;
        });
    };
    ASSERT_TRUE(focusAccountField());
    probe->tap(XK_Escape);
    probe->tap(XK_x);
    probe->sync();
    ASSERT_TRUE(keysReached("x")) << "no key reached the page";
    EXPECT_EQ("x", portal->reports("keys").back());

    // Escape on the artwork (the background window), then a letter in the
    // page again: once it has arrived, the Escape has been handled, and
    // both windows are still there.
    click(100, 300);
    probe->tap(XK_Escape);
    click(kPanel.left + kAccountField.x, kPanel.top + kAccountField.y);
    probe->tap(XK_y);
    probe->sync();
    ASSERT_TRUE(keysReached("y")) << "the second key did not reach the page";
    EXPECT_EQ("x y", portal->reports("keys").back());
    EXPECT_TRUE(launcherRunning());
    EXPECT_TRUE(background() && overlay());

    // The close button asks first; Cancel keeps everything as it was.
    const char* caption = "Quarrow 微端";
    const int frame = SystemMetrics::kDialogFrame;
    auto answer = [&](bool ok) {
        std::optional<ScreenWindow> box;
        const POINT close = centre(kButtons[5].rect);
        click(close.x, close.y);
        if (!waitUntil([&] { return (box = launcherWindow(caption)).has_value(); })) return false;
        // OK and Cancel (75 x 23, 8 apart) sit at the bottom right of the
        // box's client area, 12 pixels in.
        const int okLeft = box->rect.right - frame - 12 - (2 * 75 + 8);
        const int x = okLeft + (ok ? 0 : 75 + 8) + 37;
        const int y = box->rect.bottom - frame - 12 - 12;
        probe->click(x, y);
        probe->sync();
        return true;
    };
    ASSERT_TRUE(answer(false)) << "no confirmation appeared";
    ASSERT_TRUE(waitUntil([&] { return !launcherWindow(caption); })) << "Cancel did not close the confirmation";
    EXPECT_TRUE(launcherRunning());
    EXPECT_TRUE(background() && overlay());

    ASSERT_TRUE(answer(true)) << "no confirmation appeared the second time";
    ASSERT_TRUE(waitForLauncherEnd()) << "OK did not end the program";
    EXPECT_EQ("exited with status 0", launcherEnding()) << launcherLog();
}

TEST_F(RealLauncher, DraggingTheArtworkMovesBothWindowsTogether)
{
    ASSERT_TRUE(startLauncher());
    const RECT start = background()->rect;
    // An opaque pixel of the artwork, away from the buttons and the panel:
    // the overlay lets the press through to the background window.
    const POINT grip{100, 300};
    ASSERT_EQ(255, artwork(imageFileOf("IDB_BACKGROUND")).at(grip.x, grip.y).a);
    const int dx = -130, dy = 90;
    probe->moveTo(origin.x + grip.x, origin.y + grip.y);
    probe->button(1, true);
    for (int step = 1; step <= 10; ++step) {
        probe->moveTo(origin.x + grip.x + dx * step / 10, origin.y + grip.y + dy * step / 10);
        probe->sync();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    probe->button(1, false);
    probe->sync();

    const RECT moved = offset(start, dx, dy);
    std::optional<ScreenWindow> back, fore;
    const bool followed = waitUntil([&] {
        back = background();
        fore = overlay();
        return back && fore && same(back->rect, moved) && same(fore->rect, moved);
    });
    ASSERT_TRUE(back && fore);
    EXPECT_TRUE(followed) << "the background is at (" << back->rect.left << ", " << back->rect.top
                          << "), the overlay at (" << fore->rect.left << ", " << fore->rect.top << "), not at ("
                          << moved.left << ", " << moved.top << ")";
    // The page went along.
    EXPECT_EQ(RGB(kPageColour.r, kPageColour.g, kPageColour.b),
              probe->pixel(moved.left + kPanel.right - 10, moved.top + kPanel.bottom - 10));
    EXPECT_TRUE(launcherRunning());
}

TEST_F(RealLauncher, ALoginTypedIntoThePageStartsTheLoaderOnceWithTheExactCommandLineAndTheLauncherEnds)
{
    ASSERT_TRUE(startLauncher());
    const long before = static_cast<long>(std::time(nullptr));
    ASSERT_TRUE(focusAccountField());
    typeText("e2e player 7");
    probe->tap(XK_Return);
    probe->sync();

    ASSERT_TRUE(waitUntil([&] { return fs::exists(loaderRecord); })) << "no loader was started:\n" << launcherLog();
    ASSERT_TRUE(waitForLauncherEnd()) << "the launcher did not end after the login";
    EXPECT_EQ("exited with status 0", launcherEnding()) << launcherLog();
    const long after = static_cast<long>(std::time(nullptr));

    // The loader runs on after the launcher (held until the test lets it
    // go), and it is the only one.
    std::vector<MarkedProcess> loaders;
    for (const MarkedProcess& p : marker->processes()) {
        if (fs::path(p.exe).filename() == "quilbyLoader.exe") loaders.push_back(p);
    }
    EXPECT_EQ(1u, loaders.size());

    const quarrow::test::LoaderRecord record = quarrow::test::ReadLoaderRecord(loaderRecord);
    const std::vector<std::string>& args = record.arguments;
    const std::string& exe = record.executable;
    // The loader beside the program, given its quoted name and, as one
    // argument, the exact bytes after it.
    EXPECT_EQ(fs::path(QUARROW_E2E_LAUNCHER).parent_path() / "quilbyLoader.exe", fs::path(exe));
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ("quilbyLoader.exe", args[0]);
    // The page signs with a fixed stand-in (four 32-bit words) and the time
    // of the login in Unix seconds.
    std::string sign;
    for (unsigned long long i = 1; i <= 4; ++i) {
        char word[9];
        std::snprintf(word, sizeof word, "%08x", static_cast<unsigned>((i * 0x9e3779b1ULL) & 0xFFFFFFFFULL));
        sign += word;
    }
    const std::regex expected("ID=e2e player 7,Key=userid-e2e%20player%207&time-([0-9]+)&sign-" + sign +
                              ",PID=ZUVO_,PROCPARA=66666");
    std::smatch m;
    ASSERT_TRUE(std::regex_match(args[1], m, expected)) << args[1];
    const long time = std::stol(m[1]);
    EXPECT_GE(time, before);
    EXPECT_LE(time, after);
}

TEST(RealLauncherWithoutDisplay, SaysSoInOneLineAndFails)
{
    const std::string folder = std::string(QUARROW_TEST_OUTPUT_DIR) + "/WithoutDisplay";
    fs::create_directories(folder);
    const std::string log = folder + "/launcher.log";
    RunMarker marker(std::to_string(getpid()) + "-without-display");
    ChildProcess launcher;
    std::string error;
    {
        const char* display = std::getenv("DISPLAY");
        const std::string saved = display ? display : "";
        unsetenv("DISPLAY");
        unsetenv("WAYLAND_DISPLAY");
        setenv(RunMarker::kVariable, marker.token().c_str(), 1);
        ASSERT_TRUE(launcher.start({QUARROW_E2E_LAUNCHER}, log, -1, error)) << error;
        unsetenv(RunMarker::kVariable);
        if (display) setenv("DISPLAY", saved.c_str(), 1);
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (launcher.running() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_FALSE(launcher.running()) << "the launcher kept running without a display";
    EXPECT_EQ("exited with status 1", launcher.ending());
    const std::vector<std::string> said = lines(ReadFile(log));
    ASSERT_EQ(1u, said.size()) << ReadFile(log);
    EXPECT_THAT(said[0], ::testing::StartsWith("quarrow-launcher"));
    EXPECT_THAT(said[0], ::testing::HasSubstr("X11"));
    EXPECT_TRUE(marker.processes().empty());
}

} // namespace quarrow::test
