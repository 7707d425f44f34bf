// ShellExecuteW: the memory screen records what would be opened; the
// desktop's way runs "xdg-open" with the address as its one argument.
#include "host/Host.h"
#include "host/memory/MemoryBackend.h"
#include "win32/Windows.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace quarrow {
namespace {

INT_PTR Code(HINSTANCE result) { return reinterpret_cast<INT_PTR>(result); }

TEST(ShellExecute, MemoryScreenRecordsEveryOpenRequest)
{
    MemoryBackend screen;
    Host host(screen);
    for (int i = 0; i < 2; ++i) {
        EXPECT_GT(Code(ShellExecuteW(nullptr, _T("open"), _T("http://game.example/games/vadmo/"), nullptr, nullptr,
                                     SW_SHOWMAXIMIZED)),
                  32);
    }
    EXPECT_GT(Code(ShellExecuteW(nullptr, nullptr, _T("https://chat.example/?_wv=1&k=x"), _T("p"), _T("/tmp"), SW_SHOW)), 32);

    ASSERT_EQ(screen.shellRequests().size(), 3u);
    EXPECT_EQ(screen.shellRequests()[1].file, _T("http://game.example/games/vadmo/"));
    EXPECT_EQ(screen.shellRequests()[1].show, SW_SHOWMAXIMIZED);
    EXPECT_EQ(screen.shellRequests()[2].verb, _T("open"));
    EXPECT_EQ(screen.shellRequests()[2].parameters, _T("p"));
    EXPECT_EQ(screen.shellRequests()[2].directory, _T("/tmp"));
}

TEST(ShellExecute, RefusesWhatItCannotOpen)
{
    MemoryBackend screen;
    Host host(screen);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, _T("print"), _T("http://x/"), nullptr, nullptr, SW_SHOW)), SE_ERR_NOASSOC);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, _T("open"), _T(""), nullptr, nullptr, SW_SHOW)), SE_ERR_FNF);
    EXPECT_EQ(Code(ShellExecuteW(nullptr, _T("open"), nullptr, nullptr, nullptr, SW_SHOW)), SE_ERR_FNF);
    EXPECT_TRUE(screen.shellRequests().empty());
}

// A screen that opens requests the desktop's way.
class DesktopScreen : public MemoryBackend {
protected:
    DWORD shellOpenImpl(const ShellRequest& request) override { return Backend::shellOpenImpl(request); }
};

class ScopedPath {
public:
    explicit ScopedPath(const std::string& value) : m_old(std::getenv("PATH") ? std::getenv("PATH") : "")
    {
        setenv("PATH", value.c_str(), 1);
    }
    ~ScopedPath() { setenv("PATH", m_old.c_str(), 1); }

private:
    std::string m_old;
};

TEST(ShellExecute, DesktopRunsXdgOpenWithTheAddressAsItsOneArgument)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("quarrow-shell-" + std::to_string(::getpid()));
    fs::create_directories(dir);
    const fs::path record = dir / "argv.txt";
    {
        std::ofstream script(dir / "xdg-open");
        script << "#!/bin/sh\nprintf '%s|' \"$#\" \"$@\" > \"" << record.string() << ".part\"\nmv \""
               << record.string() << ".part\" \"" << record.string() << "\"\n";
    }
    fs::permissions(dir / "xdg-open", fs::perms::owner_all);

    DesktopScreen screen;
    Host host(screen);
    {
        ScopedPath path(dir.string() + ":/usr/bin:/bin");
        EXPECT_GT(Code(ShellExecuteW(nullptr, _T("open"), _T("https://chat.example/?_wv=1&k=a b;$(x)"), nullptr, nullptr,
                                     SW_SHOWMAXIMIZED)),
                  32);
    }
    // The opener runs detached; wait for its record (no timing is asserted).
    for (int i = 0; i < 500 && !fs::exists(record); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::ifstream in(record);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(text, "1|https://chat.example/?_wv=1&k=a b;$(x)|");

    {
        ScopedPath path((dir / "nothing-here").string());
        EXPECT_EQ(Code(ShellExecuteW(nullptr, _T("open"), _T("http://x/"), nullptr, nullptr, SW_SHOW)), SE_ERR_FNF);
    }
    fs::remove_all(dir);
}

// An "xdg-open" in the folder the launcher was started from (an unpacked
// archive, the home folder) is never run, whatever PATH spells that folder
// as; neither is one beside the executable.
TEST(ShellExecute, DesktopNeverRunsAnOpenerFromTheCurrentDirectory)
{
    namespace fs = std::filesystem;
    const fs::path dir = fs::temp_directory_path() / ("quarrow-shell-planted-" + std::to_string(::getpid()));
    fs::create_directories(dir / "sub");
    const fs::path ran = dir / "ran";
    for (const fs::path& opener : {dir / "xdg-open", dir / "sub" / "xdg-open"}) {
        std::ofstream(opener) << "#!/bin/sh\ntouch \"" << ran.string() << "\"\n";
        fs::permissions(opener, fs::perms::owner_all);
    }
    const fs::path oldCwd = fs::current_path();
    fs::current_path(dir);

    DesktopScreen screen;
    Host host(screen);
    for (const char* entries : {"", ":", ".", "./", "sub", "./sub", "::sub"}) {
        ScopedPath path(entries);
        EXPECT_EQ(Code(ShellExecuteW(nullptr, _T("open"), _T("http://x/"), nullptr, nullptr, SW_SHOW)), SE_ERR_FNF)
            << "PATH=" << entries;
    }
    fs::current_path(oldCwd);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(ran)) << "a planted opener ran";
    fs::remove_all(dir);
}

} // namespace
} // namespace quarrow
