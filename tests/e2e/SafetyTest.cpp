// The real program is safe by default on a real desktop: it never runs a
// program from the folder it was started in, no page writes a file, a
// page's new window opens in the user's browser, the loader gets no
// private file of the launcher's, and an installation without the
// web-process extension says so instead of showing a page that can never
// hand a login off.
#include "RealLauncher.h"

#include "support/Files.h"
#include "support/LoaderRecord.h"

#include <X11/keysym.h>
#include <gmock/gmock.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>

namespace quarrow::test {

namespace {

namespace fs = std::filesystem;

constexpr const char* kCaption = "Quarrow 微端";
// The start page's links (tests/e2e/portal/games/vadmo/dlq/index.html).
constexpr POINT kBlankLink{60, 175};
constexpr POINT kFramedLink{60, 205};

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) out.push_back(line);
    return out;
}

// The lines that begin with `start`: the launcher's own say who they are.
std::vector<std::string> linesFrom(const std::string& text, const std::string& start)
{
    std::vector<std::string> out;
    for (const std::string& line : lines(text)) {
        if (line.rfind(start, 0) == 0) out.push_back(line);
    }
    return out;
}

} // namespace

class SafeLauncher : public RealLauncher {
protected:
    void clickPage(POINT p) { click(kPanel.left + p.x, kPanel.top + p.y); }

    // Logs in through the start page, as a user does.
    bool logIn(const std::string& name)
    {
        if (!focusAccountField()) return false;
        typeText(name);
        probe->tap(XK_Return);
        probe->sync();
        return true;
    }
};

TEST_F(SafeLauncher, ALoaderPlantedInTheWorkingDirectoryOrOnARelativePathNeverRuns)
{
    // A copy of the program with no loader beside it, started from a folder
    // that holds one, with PATH naming that folder as an empty entry and as
    // ".".
    Start how;
    how.program = programCopy("installed", ExtensionFile::Present);
    how.directory = folder + "/unpacked";
    fs::create_directories(how.directory);
    fs::copy_file(fs::path(QUARROW_E2E_LAUNCHER).parent_path() / "quilbyLoader.exe",
                  fs::path(how.directory) / "quilbyLoader.exe");
    const char* path = std::getenv("PATH");
    how.variables.emplace_back("PATH", std::string("::.:") + (path ? path : "/usr/bin:/bin"));
    ASSERT_TRUE(startLauncher(how));
    ASSERT_TRUE(logIn("planted"));
    // The launcher closes and says the loader is missing, where it belongs.
    ASSERT_TRUE(answerMessageBox(kCaption)) << "no message box:\n" << launcherLog();
    ASSERT_TRUE(waitForLauncherEnd());
    EXPECT_EQ("exited with status 0", launcherEnding()) << launcherLog();
    EXPECT_FALSE(fs::exists(loaderRecord)) << "a planted loader ran";
    const std::string expected = "\"" + (fs::path(how.program).parent_path() / "quilbyLoader.exe").string() +
                                 "\" could not be started";
    EXPECT_THAT(linesFrom(launcherLog(), "quarrow-launcher:"),
                ::testing::ElementsAre(::testing::HasSubstr(expected)))
        << launcherLog();
}

TEST_F(SafeLauncher, AFramesFileWritesNothingUnderHomeOrTheDownloadFolder)
{
    ASSERT_TRUE(startLauncher());
    clickPage(kFramedLink);
    ASSERT_TRUE(waitUntil([&] { return !portal->reports("framed").empty(); })) << launcherLog();
    // Whatever WebKit keeps of its own, no file of the page's is anywhere in
    // the launcher's home, and the download folder stays empty.
    std::vector<std::string> pageFiles;
    for (const auto& entry : fs::recursive_directory_iterator(folder + "/home")) {
        if (entry.path().filename().string().rfind("report", 0) == 0) pageFiles.push_back(entry.path().string());
    }
    EXPECT_THAT(pageFiles, ::testing::IsEmpty());
    EXPECT_TRUE(fs::is_empty(downloads));
    const std::string host = "127.0.0.1:" + std::to_string(QUARROW_E2E_PORT);
    EXPECT_THAT(linesFrom(launcherLog(), "quarrow: the download"),
                ::testing::ElementsAre("quarrow: the download of http://" + host +
                                       "/games/vadmo/dlq/report.bin was cancelled: no user asked for it"));
    EXPECT_TRUE(lines(ReadFile(browserRecord)).empty()) << "the frame's file went to the browser";
    EXPECT_TRUE(launcherRunning());
}

TEST_F(SafeLauncher, ABlankLinkRunsTheUsersBrowserWithItsAddress)
{
    ASSERT_TRUE(startLauncher());
    clickPage(kBlankLink);
    ASSERT_TRUE(waitUntil([&] { return !lines(ReadFile(browserRecord)).empty(); }))
        << "no browser was started:\n"
        << launcherLog();
    const std::string host = "127.0.0.1:" + std::to_string(QUARROW_E2E_PORT);
    EXPECT_THAT(lines(ReadFile(browserRecord)),
                ::testing::ElementsAre("http://" + host + "/games/vadmo/raid/?from=blank"));
    // The launcher stays as it was, on its start page.
    EXPECT_TRUE(launcherRunning());
    EXPECT_TRUE(background() && overlay());
    EXPECT_EQ(RGB(kPageColour.r, kPageColour.g, kPageColour.b),
              probe->pixel(origin.x + kPanel.right - 10, origin.y + kPanel.bottom - 10));
}

TEST_F(SafeLauncher, StartedWithoutStandardInputItHandsTheLoaderOnlyItsStandardStreams)
{
    Start how;
    how.closedInput = true;
    ASSERT_TRUE(startLauncher(how));
    ASSERT_TRUE(logIn("fds"));
    ASSERT_TRUE(WaitForLoaderRecord(loaderRecord, std::chrono::seconds(20))) << launcherLog();
    ASSERT_TRUE(waitForLauncherEnd());
    const LoaderRecord record = ReadLoaderRecord(loaderRecord);
    EXPECT_THAT(record.descriptors, ::testing::ElementsAre(0, 1, 2));
    ASSERT_EQ(record.descriptorFiles.size(), 3u);
    EXPECT_EQ(record.descriptorFiles[0], "/dev/null");
    for (const std::string& file : record.descriptorFiles) {
        EXPECT_THAT(file, ::testing::Not(::testing::StartsWith("socket:"))) << "a socket of the launcher's";
    }
}

class IncompleteInstallation : public SafeLauncher, public ::testing::WithParamInterface<ExtensionFile> {};

TEST_P(IncompleteInstallation, SaysSoOnceAndEndsWithAFailure)
{
    Start how;
    how.program = programCopy("installed", GetParam());
    ASSERT_TRUE(startLauncherOnly(how));
    ASSERT_TRUE(answerMessageBox(kCaption)) << "no message box:\n" << launcherLog();
    ASSERT_TRUE(waitForLauncherEnd());
    EXPECT_EQ("exited with status 1", launcherEnding()) << launcherLog();
    // One line of the launcher's own (a web process that cannot load the
    // file may say so in its own words too).
    const std::string extension = (fs::path(how.program).parent_path() / "web-extension" / "quarrow-webext.so").string();
    EXPECT_THAT(linesFrom(launcherLog(), "quarrow"),
                ::testing::ElementsAre(::testing::AllOf(
                    ::testing::StartsWith("quarrow-launcher: the installation is incomplete: the web-process extension " +
                                          extension),
                    ::testing::EndsWith("; no login can reach the game"))))
        << launcherLog();
    EXPECT_FALSE(fs::exists(loaderRecord));
}

INSTANTIATE_TEST_SUITE_P(Extension, IncompleteInstallation,
                         ::testing::Values(ExtensionFile::Missing, ExtensionFile::Unloadable),
                         [](const auto& info) {
                             return info.param == ExtensionFile::Missing ? "Missing" : "Unloadable";
                         });

} // namespace quarrow::test
