// The loader launch: the exact command line a real loader receives, the
// code page it is written in, and what happens when no loader is there.
// The recording loader sits beside this test executable as
// "quilbyLoader.exe" and writes what it was given to QUARROW_RECORD_FILE.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#if !defined(_WIN32)
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "afx/CException.h"
#if !defined(_WIN32)
#include "host/DialogManager.h"
#include "host/Host.h"
#include "host/memory/MemoryBackend.h"
#endif
#include "launcher/CLoginForeDialog.h"
#include "support/LoaderRecord.h"
#include "support/WideString.h"
#include "win32/WinNls.h"

namespace {

namespace fs = std::filesystem;
using quarrow::test::WideString;

// The loader is started with the process's environment, which on Windows
// is the system's environment block rather than the C library's.
void SetEnvironment(const char* name, const char* value)
{
#if defined(_WIN32)
    SetEnvironmentVariableA(name, value);
#else
    if (value) {
        setenv(name, value, 1);
    } else {
        unsetenv(name);
    }
#endif
}

// The file of this test executable, beside which the loader stands.
fs::path ThisExecutable()
{
#if defined(_WIN32)
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return fs::path(path);
#else
    return fs::read_symlink("/proc/self/exe");
#endif
}

unsigned long ProcessId()
{
#if defined(_WIN32)
    return GetCurrentProcessId();
#else
    return static_cast<unsigned long>(getpid());
#endif
}

class Overlay : public CLoginForeDialog {
public:
    Overlay() : CLoginForeDialog(nullptr) { InitAddressTable(); }
    void SetCredentials(const CString& userId, const CString& key)
    {
        m_strUserId = userId;
        m_strKey = key;
    }
};

// The loader's arguments, read from its record once it is complete.
std::vector<std::string> WaitForArguments(const fs::path& record)
{
    return quarrow::test::WaitForLoaderArguments(record, std::chrono::seconds(20));
}

class LaunchLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quarrow-launch-" + std::to_string(ProcessId()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir_);
        record_ = dir_ / "record";
        SetEnvironment("QUARROW_RECORD_FILE", record_.string().c_str());
    }
    void TearDown() override
    {
        SetEnvironment("QUARROW_RECORD_FILE", nullptr);
        SetThreadLocale(LOCALE_USER_DEFAULT);
        fs::remove_all(dir_);
    }

#if !defined(_WIN32)
    // A failed hand-off tells the user in a message box; this answers the
    // next one with OK and keeps what it said.
    void AnswerNextMessageBox()
    {
        screen_.whenIdle([this] {
            const auto& boxes = host_.dialogs().openMessageBoxes();
            ASSERT_FALSE(boxes.empty());
            shownBoxes_.push_back(boxes.back());
            screen_.clickControl(boxes.back().window, IDOK);
        });
    }

    quarrow::MemoryBackend screen_;
    quarrow::Host host_{screen_};
    std::vector<quarrow::DialogManager::MessageBoxInfo> shownBoxes_;
#endif
    fs::path dir_;
    fs::path record_;
};

TEST_F(LaunchLoader, PassesTheExactCommandLine)
{
    Overlay overlay;
    overlay.SetCredentials(_T("42"), _T("userid-42&from-abc"));
    ASSERT_TRUE(overlay.LaunchLoader());
    auto args = WaitForArguments(record_);
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ("quilbyLoader.exe", args[0]);
    EXPECT_EQ("ID=42,Key=userid-42&from-abc,PID=ZUVO_,PROCPARA=66666", args[1]);
    // The loader that ran is the one beside the executable.
    EXPECT_EQ(ThisExecutable().parent_path() / "quilbyLoader.exe",
              fs::path(quarrow::test::ReadLoaderRecord(record_).executable));
    EXPECT_EQ(53u, args[1].size());
    // The whole line: quote, name, quote, space, then 53 bytes.
    EXPECT_EQ(72u, std::string("\"quilbyLoader.exe\" ").size() + args[1].size());
}

TEST_F(LaunchLoader, ValuesPassUnchangedAndUnquoted)
{
    struct Case {
        const WCHAR* userId;
        const WCHAR* key;
        std::string expected;
    };
    const Case cases[] = {
        {_T("a b"), _T("userid-a+b"), "ID=a b,Key=userid-a+b,PID=ZUVO_,PROCPARA=66666"},
        {_T("x=y,z\"q"), _T("userid-x%3Dy%2Cz"), "ID=x=y,z\"q,Key=userid-x%3Dy%2Cz,PID=ZUVO_,PROCPARA=66666"},
        {_T("1"), _T("k-%41"), "ID=1,Key=k-%41,PID=ZUVO_,PROCPARA=66666"},
#if !defined(_WIN32)
        // The process's code page is UTF-8 here (GBK is tested below).
        {_T("玩家"), _T("userid-%E7"), "ID=\xe7\x8e\xa9\xe5\xae\xb6,Key=userid-%E7,PID=ZUVO_,PROCPARA=66666"},
#endif
    };
    for (const Case& c : cases) {
        fs::remove(record_);
        Overlay overlay;
        overlay.SetCredentials(c.userId, c.key);
        ASSERT_TRUE(overlay.LaunchLoader());
        auto args = WaitForArguments(record_);
        ASSERT_EQ(2u, args.size());
        EXPECT_EQ(c.expected, args[1]);
    }
}

TEST_F(LaunchLoader, WritesTheThreadCodePage)
{
    ASSERT_TRUE(SetThreadLocale(2052));
    Overlay overlay;
    overlay.SetCredentials(_T("玩家\u0e01"), _T("userid-x"));
    ASSERT_TRUE(overlay.LaunchLoader());
    auto args = WaitForArguments(record_);
    ASSERT_EQ(2u, args.size());
    // GBK bytes of the Chinese name; the Thai letter has no GBK form.
    EXPECT_EQ("ID=\xcd\xe6\xbc\xd2?,Key=userid-x,PID=ZUVO_,PROCPARA=66666", args[1]);
}

#if !defined(_WIN32)
// The loader is found and hidden through /proc/self/exe, and the message
// box answered on the memory screen.
TEST_F(LaunchLoader, LoaderPathIsBesideTheExecutable)
{
    EXPECT_EQ(CString((fs::read_symlink("/proc/self/exe").parent_path() / "quilbyLoader.exe").c_str()),
              CLoginForeDialog::LoaderPath());
}

// With no loader beside the executable, a "quilbyLoader.exe" in the
// current directory or on PATH (the folder the launcher was started from,
// an unpacked archive) is never run in its place, and the user is told
// where the loader was looked for.
TEST_F(LaunchLoader, AMissingLoaderIsReportedWithWhereItWasLookedForAndNothingElseRuns)
{
    // Hide the loader beside the executable for the duration of the test.
    fs::path self = fs::read_symlink("/proc/self/exe");
    fs::path loader = self.parent_path() / "quilbyLoader.exe";
    fs::path hidden = dir_ / "hidden-loader";
    fs::rename(loader, hidden);
    // Planted copies where a search would find them.
    fs::create_directories(dir_ / "bin");
    fs::copy_file(hidden, dir_ / "quilbyLoader.exe");
    fs::copy_file(hidden, dir_ / "bin" / "quilbyLoader.exe");
    const char* oldPath = std::getenv("PATH");
    std::string savedPath = oldPath ? oldPath : "";
    setenv("PATH", ("::.:bin:" + (dir_ / "nothing").string()).c_str(), 1);
    fs::path oldCwd = fs::current_path();
    fs::current_path(dir_);

    Overlay overlay;
    overlay.SetCredentials(_T("42"), _T("userid-42"));
    AnswerNextMessageBox();
    ::testing::internal::CaptureStderr();
    bool started = overlay.LaunchLoader();
    std::string err = ::testing::internal::GetCapturedStderr();

    fs::current_path(oldCwd);
    setenv("PATH", savedPath.c_str(), 1);
    fs::rename(hidden, loader);

    EXPECT_FALSE(started);
    EXPECT_THAT(err, ::testing::HasSubstr("\"" + loader.string() + "\" could not be started"));
    // The system's text ends with a line break, which the report drops: one
    // line, ended once.
    EXPECT_THAT(err, ::testing::EndsWith("cannot find the file specified.\n"));
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n'));
    EXPECT_EQ(std::string::npos, err.find('\r'));
    ASSERT_EQ(1u, shownBoxes_.size());
    EXPECT_EQ(_T("Quarrow 微端"), shownBoxes_[0].caption);
    EXPECT_EQ(_T("无法启动游戏：找不到游戏加载器 ") + WideString(CString(loader.c_str()).GetString()) + _T("。"),
              shownBoxes_[0].text);
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(fs::exists(record_)) << "a planted loader ran";
    EXPECT_EQ(_T("42"), WideString(overlay.UserId().GetString()));
}

#endif

}  // namespace

namespace {

// The login check without windows: the overlay has no parent to close, so
// only the hand-off itself is seen here.
TEST_F(LaunchLoader, CheckLoginUrlHandsOffOnceForAMatchingAddress)
{
    Overlay overlay;
    overlay.CheckLoginUrl(_T("http://www.quarrow.example/games/vadmo/dlq/"));
    overlay.CheckLoginUrl(_T("http://h/VADMO/LOGIN?userid=1"));
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(fs::exists(record_)) << "no match, no loader";

    overlay.CheckLoginUrl(_T("http://h/games/vadmo/login?userid=42&from=abc"));
    auto args = WaitForArguments(record_);
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ("ID=42,Key=userid-42&from-abc,PID=ZUVO_,PROCPARA=66666", args[1]);

    // A second matching address, even with other credentials, starts nothing.
    fs::remove(record_);
    for (int i = 0; i < 10000; ++i) overlay.CheckLoginUrl(_T("http://h/games/vadmo/login?userid=43"));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(record_));
    EXPECT_EQ(_T("42"), WideString(overlay.UserId().GetString()));
}

TEST_F(LaunchLoader, TheKeyMayStandAnywhereInTheAddress)
{
    Overlay overlay;
    overlay.CheckLoginUrl(_T("http://h/sso?back=vadmo/login&userid=7"));
    auto args = WaitForArguments(record_);
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ("ID=7,Key=back-vadmo/login&userid-7,PID=ZUVO_,PROCPARA=66666", args[1]);
}

#if !defined(_WIN32)
// The message boxes are answered on the memory screen.
// A failed hand-off is told once, on one line and in one box; the windows
// are closing then, and no later matching address, not even a good one,
// starts anything or says anything.
TEST_F(LaunchLoader, AFailedHandOffIsToldOnceAndEndsTheHandOff)
{
    struct Case {
        const WCHAR* address;
        bool throws;
        const char* reason;
    };
    const Case cases[] = {
        {_T("http://h/vadmo/login?UserId=1"), false, "carries no \"userid\""},
        {_T("http://h/vadmo/login?"), false, "has no query"},
        {_T("http://h/vadmo/login?userid=1&flag"), true, "query item without '='"},
        {_T("http://h/vadmo/login?userid=1&"), true, "query item without '='"},
    };
    for (const Case& c : cases) {
        shownBoxes_.clear();
        Overlay overlay;
        AnswerNextMessageBox();
        ::testing::internal::CaptureStderr();
        if (c.throws) {
            EXPECT_THROW(overlay.CheckLoginUrl(c.address), CInvalidArgException*);
        } else {
            overlay.CheckLoginUrl(c.address);
        }
        // The same address again, then a good one.
        overlay.CheckLoginUrl(c.address);
        overlay.CheckLoginUrl(_T("http://h/vadmo/login?userid=5"));
        std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_THAT(err, ::testing::HasSubstr(c.reason));
        EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
        ASSERT_EQ(1u, shownBoxes_.size());
        EXPECT_EQ(_T("无法启动游戏：登录信息不完整，请重新登录。"), shownBoxes_[0].text);
        EXPECT_EQ(static_cast<UINT>(MB_OK | MB_ICONERROR), shownBoxes_[0].type);
        EXPECT_EQ(0u, screen_.pendingIdleActions());
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_FALSE(fs::exists(record_));
}
#endif

}  // namespace
