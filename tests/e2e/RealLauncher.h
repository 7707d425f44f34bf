// The fixture of the end-to-end tests: the real program (the launcher built
// for the test portal's loopback host, quarrow-launcher-e2e) on an X server
// of the test's own. Each test gets a fresh Xvfb (tests/gtk XServer), a
// compositing manager (xcompmgr) so that translucency shows as on a
// desktop, the test portal (tests/e2e/portal) on the launcher's port, and a
// folder of its own in the build tree for the launcher's home, the
// loader's and the browser's records, logs and screenshots. The launcher
// gets an isolated environment: its own HOME and XDG folders, $BROWSER set
// to a recorder script (xdg-open honours it), and the recording loader
// beside it as quilbyLoader.exe. TearDown ends whatever is still running,
// and fails the test for any process of the run (RunMarker) that outlives
// it.
//
// Waiting is always for a condition with a deadline; input is real X input
// through the XTest extension (what xdotool sends too).
#pragma once

#include "ChildProcess.h"
#include "CompositingManager.h"
#include "Picture.h"
#include "PortalServer.h"
#include "RunMarker.h"
#include "ScreenProbe.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quarrow::test {

// A window on the screen as X sees it.
struct ScreenWindow {
    XWindow id = 0;
    RECT rect{};
    std::string title;
};

// What stands beside a copy of the program as its web-process extension.
enum class ExtensionFile { Present, Missing, Unloadable };

class RealLauncher : public ::testing::Test {
protected:
    static constexpr COLORREF kDesktop = RGB(58, 110, 165);
    // The test portal's start page is this colour wherever it shows no field.
    static constexpr Rgba kPageColour{240, 236, 220, 255};
    static constexpr RECT kPanel{353, 209, 353 + 650, 209 + 360};
    // Where the start page's account field lies in the page.
    static constexpr POINT kAccountField{160, 54};

    void SetUp() override;
    void TearDown() override;

    // How the launcher is started: which copy of the program, from which
    // working directory (empty: the test's), with standard input closed.
    struct Start {
        std::string program;
        std::string directory;
        bool closedInput = false;
        std::vector<std::pair<std::string, std::string>> variables; // set in its environment
    };
    // Starts the launcher and waits until both of its windows are on the
    // screen with the start page loaded (its script has reported) and drawn;
    // false (with the test failed) when that does not happen in time.
    bool startLauncher();
    bool startLauncher(const Start& how);
    // Starts the launcher and returns at once.
    bool startLauncherOnly(const Start& how);
    // A copy of the program in a folder of the test's own (<folder>/<name>/),
    // with the web engine module and the web-process extension beside it
    // (or a file of that name that no web process can load), and without
    // the loader; its path.
    std::string programCopy(const std::string& name, ExtensionFile extension);

    // Waits for a message box of the launcher's with this caption and
    // clicks its rightmost button (OK of an MB_OK box) until it has gone.
    bool answerMessageBox(const std::string& caption);

    bool waitUntil(const std::function<bool()>& done, int timeoutMs = 20000);
    bool launcherRunning() { return m_launcher.running(); }
    // "exited with status 0" and the like, once it has ended.
    std::string launcherEnding() const { return m_launcher.ending(); }
    bool waitForLauncherEnd(int timeoutMs = 20000);
    std::string launcherLog() const;

    // The launcher's mapped top-level windows, by title: "Quarrow" is the
    // background window, the overlay has no title, a message box has its
    // caption.
    std::vector<ScreenWindow> launcherWindows();
    std::optional<ScreenWindow> launcherWindow(const std::string& title);
    // The background window and the overlay; nothing unless both are there.
    std::optional<ScreenWindow> background() { return launcherWindow("Quarrow"); }
    std::optional<ScreenWindow> overlay() { return launcherWindow(""); }
    // Every mapped override-redirect window on the screen (menus, tooltips).
    std::vector<XWindow> overrideRedirectWindows();

    // Real input at a point of the background window (window coordinates).
    void click(int x, int y, int button = 1);
    // Clicks into the start page's account field and waits until the page
    // says the field has the focus.
    bool focusAccountField();
    void typeText(const std::string& ascii);

    // The launcher's rectangle as the screen shows it now, saved as
    // <name>.png in the test's folder.
    Picture screenshot(const std::string& name);

    // The program's artwork (res/images/<file>).
    Picture artwork(const std::string& file);

    std::string folder;        // the test's own, in the build tree
    std::string loaderRecord;  // where the recording loader writes
    std::string loaderHold;    // the loader waits until this file exists
    std::string browserRecord; // one address a line, written by $BROWSER
    std::string downloads;     // $XDG_DOWNLOAD_DIR, in the launcher's home
    std::unique_ptr<ScreenProbe> probe;
    std::unique_ptr<PortalServer> portal;
    std::unique_ptr<RunMarker> marker;
    POINT origin{}; // the background window's top-left corner on screen

private:
    bool waitForStartPage();

    std::unique_ptr<CompositingManager> m_compositor;
    ChildProcess m_launcher;
};

} // namespace quarrow::test
