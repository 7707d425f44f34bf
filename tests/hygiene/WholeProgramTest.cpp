// The whole launcher run headless through each of its three endings: the
// close button with the confirmation answered OK, a close request sent
// straight to the background window, and a completed login that starts the
// game loader. Each ending runs AfxWinMain in a forked child process of its
// own (the application object runs once per process), which checks what the
// run left behind and reports to the test through a pipe:
//   - no descriptor open that was not open before the run;
//   - no new file in $TMPDIR (a fresh, empty folder for the run);
//   - no child process left: the child is a subreaper, so a loader that the
//     launcher started (and let go of) comes back to it to be counted;
//     exactly one after a login, none otherwise.
// The child ends through exit(), so in the sanitizer build LeakSanitizer
// checks the whole run, including the static destruction of the
// application object; a leak shows as a failed exit status.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <dirent.h>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "afx/CWinApp.h"
#include "app/CQRB_LancherApp.h"
#include "afx/CWnd.h"
#include "host/DialogManager.h"
#include "host/Host.h"
#include "host/browser/scripted/ScriptedEngine.h"
#include "host/browser/scripted/ScriptedWeb.h"
#include "host/memory/MemoryBackend.h"
#include "launcher/AddressTable.h"
#include "res/resource.h"
#include "recording-loader/RecordHex.h"
#include "support/LoaderRecord.h"
#include "win32/Windows.h"

namespace {

using quarrow::record::Hex;

namespace fs = std::filesystem;

const std::u16string kStartPage = _T("http://") QUARROW_WEB_HOST_TEXT _T("/games/vadmo/dlq/");
const std::u16string kLoginAddress = _T("http://") QUARROW_WEB_HOST_TEXT _T("/games/vadmo/login?userid=u1&time=1&sign=ab");

// ---------------------------------------------------------------------------
// What the child looks at.

std::set<std::string> OpenDescriptors()
{
    std::set<std::string> fds;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return fds;
    const std::string own = std::to_string(dirfd(dir));
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == ".." || name == own) continue;
        std::error_code error;
        const fs::path target = fs::read_symlink(fs::path("/proc/self/fd") / name, error);
        fds.insert(name + " -> " + (error ? std::string("?") : target.string()));
    }
    closedir(dir);
    return fds;
}

std::set<std::string> FilesIn(const fs::path& dir)
{
    std::set<std::string> names;
    std::error_code error;
    for (fs::recursive_directory_iterator it(dir, error), end; !error && it != end; it.increment(error)) {
        names.insert(it->path().lexically_relative(dir).string());
    }
    return names;
}

// Reaps every process that comes back to this subreaper, until there is
// none (ECHILD) or the deadline passes; returns how many were reaped and
// whether any is still running.
struct Reaped {
    int count = 0;
    bool stillRunning = false;
};
Reaped ReapChildren(std::chrono::seconds patience)
{
    Reaped reaped;
    const auto deadline = std::chrono::steady_clock::now() + patience;
    for (;;) {
        int status = 0;
        const pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid > 0) {
            ++reaped.count;
            continue;
        }
        if (pid < 0 && errno == EINTR) continue;
        if (pid < 0) return reaped;  // ECHILD: no child at all.
        if (std::chrono::steady_clock::now() >= deadline) {
            reaped.stillRunning = true;
            return reaped;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

// ---------------------------------------------------------------------------
// Driving the launcher from the memory screen's idle actions.

struct Drive {
    quarrow::MemoryBackend& screen;
    quarrow::Host& host;
    quarrow::ScriptedWeb& web;
    std::vector<std::string>& problems;
};

HWND Background() { return AfxGetMainWnd() ? AfxGetMainWnd()->GetSafeHwnd() : nullptr; }

// The overlay: the popup that the background window owns.
HWND Overlay() { return Background() ? ::GetWindow(Background(), GW_ENABLEDPOPUP) : nullptr; }

// Ends a run whose ending did not end it, so that the child still reports.
void ForceEnd(Drive& d, const std::string& why)
{
    d.problems.push_back(why);
    if (HWND bg = Background()) ::SendMessageW(bg, WM_CLOSE, 0, 0);
}

// (a) The close button, then OK on the confirmation.
void CloseButtonAnsweredOk(Drive& d)
{
    HWND overlay = Overlay();
    if (overlay == nullptr || !d.screen.clickControl(overlay, IDC_BTN_CLOSE)) {
        ForceEnd(d, "the overlay's close button cannot be clicked");
        return;
    }
    d.screen.whenIdle([&d] {
        const auto& boxes = d.host.dialogs().openMessageBoxes();
        if (boxes.size() != 1) {
            ForceEnd(d, "message boxes open after the close button: " + std::to_string(boxes.size()));
            return;
        }
        d.screen.clickControl(boxes.back().window, IDOK);
    });
}

// (b) A close request straight to the background window.
void CloseRequestToTheBackground(Drive& d)
{
    HWND bg = Background();
    if (bg == nullptr) {
        d.problems.push_back("no main window");
        return;
    }
    ::PostMessageW(bg, WM_CLOSE, 0, 0);
}

// (c) The page completes a login by navigating to the login address.
void CompletedLogin(Drive& d)
{
    if (d.web.engines().empty()) {
        ForceEnd(d, "the launcher has no browser");
        return;
    }
    d.web.engine().navigateTo(kLoginAddress);
}

struct Ending {
    const char* name;
    void (*drive)(Drive&);
    int loaders;  // loader processes the run must have started
};

void PrintTo(const Ending& ending, std::ostream* os) { *os << ending.name; }

const Ending kEndings[] = {
    {"CloseButtonAnsweredOk", &CloseButtonAnsweredOk, 0},
    {"CloseRequestToTheBackground", &CloseRequestToTheBackground, 0},
    {"CompletedLogin", &CompletedLogin, 1},
};

// ---------------------------------------------------------------------------
// The child: one run of the program and its findings, a line each.

void WriteLine(int fd, const std::string& line)
{
    const std::string text = line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        done += static_cast<size_t>(n);
    }
}

[[noreturn]] void RunChild(const Ending& ending, const fs::path& tmp, const fs::path& record, int report)
{
    std::vector<std::string> problems;
    prctl(PR_SET_CHILD_SUBREAPER, 1);
    setenv("TMPDIR", tmp.c_str(), 1);
    setenv("QUARROW_RECORD_FILE", record.c_str(), 1);

    const std::set<std::string> fdsBefore = OpenDescriptors();
    const std::set<std::string> filesBefore = FilesIn(tmp);
    int result = -1;
    try {
        quarrow::MemoryBackend screen;
        quarrow::Host host(screen);
        quarrow::ScriptedWeb web;
        quarrow::ScriptedPage& start = web.add(kStartPage);
        start.title = _T("Quarrow login");
        start.scripts = true;
        web.add(kLoginAddress).title = _T("Logged in");
        host.setBrowserEngineFactory(web.factory());
        Drive drive{screen, host, web, problems};
        // The application object is the program's; naming it here links it
        // in from its library.
        if (AfxGetApp() != &theApp) problems.push_back("the application object is not the launcher's");
        screen.whenIdle([&] { ending.drive(drive); });
        result = AfxWinMain();
        if (AfxGetMainWnd() != nullptr) problems.push_back("the main window pointer outlived the run");
    } catch (const std::exception& e) {
        problems.push_back(std::string("the run threw: ") + e.what());
    }
    WriteLine(report, "result " + std::to_string(result));

    // A loader that was started writes its record, then exits; give it the
    // time to do both before counting.
    if (ending.loaders > 0) quarrow::test::WaitForLoaderRecord(record, std::chrono::seconds(20));
    const Reaped reaped = ReapChildren(std::chrono::seconds(ending.loaders > 0 ? 20 : 1));
    WriteLine(report, "processes " + std::to_string(reaped.count) + (reaped.stillRunning ? " still-running" : ""));
    // Hex again on the report, whose lines must not be cut by the bytes of
    // an argument.
    for (const std::string& argument : quarrow::test::ReadLoaderRecord(record).arguments) {
        WriteLine(report, "loader-arg=" + Hex(argument));
    }

    for (const std::string& fd : OpenDescriptors()) {
        if (!fdsBefore.count(fd)) problems.push_back("descriptor left open: " + fd);
    }
    for (const std::string& file : FilesIn(tmp)) {
        if (!filesBefore.count(file)) problems.push_back("file left in TMPDIR: " + file);
    }
    for (const std::string& problem : problems) WriteLine(report, "problem " + problem);
    close(report);
    // exit(), not _exit(): static destruction and the leak check run.
    std::exit(0);
}

// ---------------------------------------------------------------------------
// The test: forks the child, collects its lines and its exit status.

struct Findings {
    int status = -1;
    std::vector<std::string> lines;
    std::vector<std::string> problems;
    std::string value(const std::string& key) const
    {
        for (const std::string& line : lines) {
            if (line.rfind(key + " ", 0) == 0) return line.substr(key.size() + 1);
        }
        return {};
    }
};

class WholeProgram : public ::testing::TestWithParam<Ending> {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quarrow-hygiene-" + std::to_string(getpid()) + "-" + GetParam().name);
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "tmp");
    }
    void TearDown() override { fs::remove_all(dir_); }

    Findings Run()
    {
        Findings findings;
        int fds[2];
        if (pipe2(fds, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipe";
            return findings;
        }
        std::fflush(nullptr);
        const pid_t child = fork();
        if (child == 0) {
            close(fds[0]);
            RunChild(GetParam(), dir_ / "tmp", dir_ / "record", fds[1]);
        }
        close(fds[1]);
        std::string text;
        char buffer[4096];
        for (;;) {
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n > 0) {
                text.append(buffer, static_cast<size_t>(n));
            } else if (n == 0 || errno != EINTR) {
                break;
            }
        }
        close(fds[0]);
        int status = 0;
        while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
        }
        findings.status = status;
        size_t start = 0;
        while (start < text.size()) {
            const size_t end = text.find('\n', start);
            const std::string line = text.substr(start, end - start);
            if (line.rfind("problem ", 0) == 0) {
                findings.problems.push_back(line.substr(8));
            } else {
                findings.lines.push_back(line);
            }
            if (end == std::string::npos) break;
            start = end + 1;
        }
        return findings;
    }

    fs::path dir_;
};

TEST_P(WholeProgram, EndsCleanly)
{
    const Findings findings = Run();
    ASSERT_TRUE(WIFEXITED(findings.status))
        << "the run was killed by signal " << WTERMSIG(findings.status)
        << " (a sanitizer's report aborts it; see the report above)";
    EXPECT_EQ(0, WEXITSTATUS(findings.status)) << "the run failed at exit (a leak, in the sanitizer build)";
    EXPECT_THAT(findings.problems, ::testing::IsEmpty());
    EXPECT_EQ("0", findings.value("result")) << "AfxWinMain's result";
    EXPECT_EQ(std::to_string(GetParam().loaders), findings.value("processes"))
        << "processes started and let go of by the run";
    if (GetParam().loaders > 0) {
        const std::string arguments = "ID=u1,Key=userid-u1&time-1&sign-ab,PID=ZUVO_,PROCPARA=66666";
        EXPECT_THAT(findings.lines, ::testing::Contains("loader-arg=" + Hex(arguments)));
    } else {
        EXPECT_THAT(findings.lines, ::testing::Not(::testing::Contains(::testing::StartsWith("loader-"))));
    }
}

INSTANTIATE_TEST_SUITE_P(Endings, WholeProgram, ::testing::ValuesIn(kEndings),
                         [](const ::testing::TestParamInfo<Ending>& info) { return std::string(info.param.name); });

}  // namespace
