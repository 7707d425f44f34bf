#include "RealLauncher.h"

#include "XServer.h"

#include "host/SystemMetrics.h"

#include <X11/Xlib.h>
#include <X11/keysym.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/Files.h"

namespace quarrow::test {

namespace fs = std::filesystem;

namespace {

// A window that is gone by now must not end the test program.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

// What the launcher's environment differs in from the test's: set while it
// starts (it takes a copy), restored right after, so that nothing else the
// test starts carries the run's marker.
class ScopedEnvironment {
public:
    void set(const char* name, const std::string& value)
    {
        keep(name);
        setenv(name, value.c_str(), 1);
    }
    void unset(const char* name)
    {
        keep(name);
        unsetenv(name);
    }
    ~ScopedEnvironment()
    {
        for (const auto& [name, value] : m_saved) {
            if (value) {
                setenv(name.c_str(), value->c_str(), 1);
            } else {
                unsetenv(name.c_str());
            }
        }
    }

private:
    void keep(const char* name)
    {
        const char* old = getenv(name);
        m_saved.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    std::vector<std::pair<std::string, std::optional<std::string>>> m_saved;
};

} // namespace

void RealLauncher::SetUp()
{
    const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
    folder = std::string(QUARROW_TEST_OUTPUT_DIR) + "/" + name;
    std::error_code ignored;
    fs::remove_all(folder, ignored);
    fs::create_directories(folder + "/home");
    downloads = folder + "/home/Downloads";
    fs::create_directories(downloads);
    // xdg-open splits $BROWSER at ':' and would read a '%' as a format.
    ASSERT_EQ(std::string::npos, folder.find_first_of(":%")) << "the build folder's path must not contain ':' or '%'";
    loaderRecord = folder + "/loader-record";
    loaderHold = folder + "/loader-release";
    browserRecord = folder + "/browser-record";
    marker = std::make_unique<RunMarker>(std::to_string(getpid()) + "-" + name);

    // The user's browser, as xdg-open finds it in $BROWSER.
    const std::string browser = folder + "/browser";
    std::ofstream(browser) << "#!/bin/sh\n"
                              "# Stands for the user's browser: records the address it is asked to open.\n"
                              "printf '%s\\n' \"$1\" >> '"
                           << browserRecord << "'\n";
    fs::permissions(browser, fs::perms::owner_all | fs::perms::group_read | fs::perms::others_read);

    XServer& server = XServer::instance();
    ASSERT_TRUE(server.start()) << server.error();
    probe = std::make_unique<ScreenProbe>();
    ASSERT_TRUE(probe->connected()) << "cannot connect to " << server.display();
    probe->setDesktopColour(kDesktop);
    m_compositor = std::make_unique<CompositingManager>(*probe);
    std::string error;
    ASSERT_TRUE(m_compositor->start(error)) << error;
    portal = std::make_unique<PortalServer>(folder);
    ASSERT_TRUE(portal->start(QUARROW_E2E_PORTAL_ROOT, QUARROW_E2E_PORT, error)) << error;
    // The pointer rests away from where the launcher will be.
    probe->moveTo(5, 5);
    probe->sync();
}

void RealLauncher::TearDown()
{
    m_launcher.stop();
    if (marker) {
        // WebKit's processes end once the launcher has gone, the loader and
        // the browser once they have recorded; a loader that is held waits
        // for its release.
        std::ofstream(loaderHold).put('\n');
        std::vector<MarkedProcess> left;
        waitUntil([&] {
            left = marker->processes();
            return left.empty();
        }, 10000);
        for (const MarkedProcess& p : left) {
            ADD_FAILURE() << "process " << p.pid << " (" << p.exe << ": " << p.command << ") outlived the run";
            kill(p.pid, SIGKILL);
        }
    }
    if (portal) portal->stop();
    m_compositor.reset();
    probe.reset();
    XServer::instance().stop();
}

bool RealLauncher::waitUntil(const std::function<bool()>& done, int timeoutMs)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string RealLauncher::programCopy(const std::string& name, ExtensionFile extension)
{
    const fs::path program(QUARROW_E2E_LAUNCHER);
    const fs::path dir = fs::path(folder) / name;
    fs::create_directories(dir);
    fs::copy_file(program, dir / program.filename(), fs::copy_options::overwrite_existing);
    // The web engine module the program loads once its windows show.
    const fs::path engine = program.parent_path() / "quarrow-webkit.so";
    if (fs::exists(engine)) fs::copy_file(engine, dir / engine.filename(), fs::copy_options::overwrite_existing);
    const fs::path webext = program.parent_path() / "web-extension" / "quarrow-webext.so";
    fs::create_directories(dir / "web-extension");
    switch (extension) {
    case ExtensionFile::Present:
        fs::copy_file(webext, dir / "web-extension" / "quarrow-webext.so", fs::copy_options::overwrite_existing);
        break;
    case ExtensionFile::Missing:
        break;
    case ExtensionFile::Unloadable:
        std::ofstream(dir / "web-extension" / "quarrow-webext.so") << "not a shared object\n";
        break;
    }
    return (dir / program.filename()).string();
}

bool RealLauncher::answerMessageBox(const std::string& caption)
{
    std::optional<ScreenWindow> box;
    if (!waitUntil([&] { return (box = launcherWindow(caption)).has_value(); }, 30000)) return false;
    // The buttons (75 x 23) sit at the bottom right of the client area, 12
    // pixels in; the rightmost is the last. A box takes presses only once
    // its pixels are on the screen (its input shape comes from them), so
    // the click is repeated until the box has gone.
    const int frame = SystemMetrics::kDialogFrame;
    for (int attempt = 0; attempt < 10; ++attempt) {
        if (!(box = launcherWindow(caption))) return true;
        probe->click(box->rect.right - frame - 12 - 37, box->rect.bottom - frame - 12 - 12);
        probe->sync();
        if (waitUntil([&] { return !launcherWindow(caption).has_value(); }, 2000)) return true;
    }
    return false;
}

bool RealLauncher::startLauncher() { return startLauncher(Start{}); }

bool RealLauncher::startLauncher(const Start& how)
{
    if (!startLauncherOnly(how)) return false;
    return waitForStartPage();
}

bool RealLauncher::startLauncherOnly(const Start& how)
{
    {
        ScopedEnvironment environment;
        environment.set(RunMarker::kVariable, marker->token());
        environment.set("HOME", folder + "/home");
        environment.set("XDG_CONFIG_HOME", folder + "/home/.config");
        environment.set("XDG_DATA_HOME", folder + "/home/.local/share");
        environment.set("XDG_CACHE_HOME", folder + "/home/.cache");
        environment.set("XDG_DOWNLOAD_DIR", downloads);
        // No desktop environment: xdg-open takes the generic way, which
        // honours $BROWSER.
        for (const char* name : {"XDG_CURRENT_DESKTOP", "XDG_SESSION_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID"}) {
            environment.unset(name);
        }
        environment.set("BROWSER", folder + "/browser");
        // GTK's accessibility bridge would look for a session bus.
        environment.set("NO_AT_BRIDGE", "1");
        environment.set("QUARROW_RECORD_FILE", loaderRecord);
        environment.set("QUARROW_RECORD_HOLD", loaderHold);
        for (const auto& [name, value] : how.variables) environment.set(name.c_str(), value);
        std::string error;
        m_launcher.setDirectory(how.directory);
        m_launcher.setStandardInputClosed(how.closedInput);
        const std::string program = how.program.empty() ? std::string(QUARROW_E2E_LAUNCHER) : how.program;
        if (!m_launcher.start({program}, folder + "/launcher.log", -1, error)) {
            ADD_FAILURE() << error;
            return false;
        }
    }
    return true;
}

bool RealLauncher::waitForStartPage()
{
    const bool up = waitUntil([&] {
        if (!m_launcher.running()) return true;
        const auto back = background();
        if (!back || !overlay() || portal->reports("xxyyzz").empty()) return false;
        origin = POINT{back->rect.left, back->rect.top};
        // Drawn: the page's colour in the panel.
        const COLORREF c = probe->pixel(origin.x + kPanel.right - 10, origin.y + kPanel.bottom - 10);
        return c == RGB(kPageColour.r, kPageColour.g, kPageColour.b);
    }, 60000);
    if (!m_launcher.running()) {
        ADD_FAILURE() << "the launcher " << m_launcher.ending() << " while starting:\n" << launcherLog();
        return false;
    }
    if (!up) {
        ADD_FAILURE() << "the launcher did not show its windows with the start page within 60 s (windows: "
                      << launcherWindows().size() << ", page reports: " << portal->reports("xxyyzz").size()
                      << "):\n"
                      << launcherLog();
        return false;
    }
    return true;
}

bool RealLauncher::waitForLauncherEnd(int timeoutMs)
{
    return waitUntil([&] { return !m_launcher.running(); }, timeoutMs);
}

std::string RealLauncher::launcherLog() const { return ReadFile(folder + "/launcher.log"); }

std::vector<ScreenWindow> RealLauncher::launcherWindows()
{
    std::vector<ScreenWindow> windows;
    const pid_t pid = m_launcher.pid();
    if (pid <= 0) return windows;
    Display* display = probe->display();
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, probe->root(), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            const std::vector<long> owner = probe->longProperty(children[i], "_NET_WM_PID");
            if (owner.size() != 1 || owner[0] != pid || probe->mapState(children[i]) != IsViewable) continue;
            const auto rect = probe->geometry(children[i]);
            if (!rect) continue;
            windows.push_back(ScreenWindow{children[i], *rect, probe->textProperty(children[i], "_NET_WM_NAME")});
        }
        if (children) XFree(children);
    }
    XSync(display, False);
    XSetErrorHandler(old);
    return windows;
}

std::optional<ScreenWindow> RealLauncher::launcherWindow(const std::string& title)
{
    for (const ScreenWindow& w : launcherWindows()) {
        if (w.title == title) return w;
    }
    return std::nullopt;
}

std::vector<XWindow> RealLauncher::overrideRedirectWindows()
{
    std::vector<XWindow> windows;
    Display* display = probe->display();
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    ::Window root = 0, parent = 0;
    ::Window* children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display, probe->root(), &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a{};
            if (XGetWindowAttributes(display, children[i], &a) && a.override_redirect && a.map_state == IsViewable) {
                windows.push_back(children[i]);
            }
        }
        if (children) XFree(children);
    }
    XSync(display, False);
    XSetErrorHandler(old);
    return windows;
}

void RealLauncher::click(int x, int y, int button)
{
    probe->click(origin.x + x, origin.y + y, button);
    probe->sync();
}

bool RealLauncher::focusAccountField()
{
    click(kPanel.left + kAccountField.x, kPanel.top + kAccountField.y);
    const auto focused = [&] {
        const std::vector<std::string> fields = portal->reports("focus");
        return !fields.empty() && fields.back() == "userid";
    };
    if (waitUntil(focused)) return true;
    ADD_FAILURE() << "the account field did not take the focus";
    return false;
}

void RealLauncher::typeText(const std::string& ascii)
{
    // Printable ASCII keysyms are the characters' own codes; the tests type
    // lower-case letters, digits and spaces, which need no shift.
    for (char c : ascii) probe->tap(static_cast<unsigned char>(c));
    probe->sync();
}

Picture RealLauncher::screenshot(const std::string& name)
{
    std::string error;
    Picture shot = Picture::fromScreen(probe->display(), origin.x, origin.y, 1044, 616, error);
    EXPECT_FALSE(shot.empty()) << error;
    if (!shot.empty()) {
        EXPECT_TRUE(shot.savePng(folder + "/" + name + ".png", error)) << error;
    }
    return shot;
}

Picture RealLauncher::artwork(const std::string& file)
{
    std::string error;
    Picture picture = Picture::fromPng(std::string(QUARROW_E2E_IMAGES) + "/" + file, error);
    EXPECT_FALSE(picture.empty()) << error;
    return picture;
}

} // namespace quarrow::test
