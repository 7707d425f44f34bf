// CreateProcessA and CloseHandle, checked through the recording loader:
// the exact argument bytes, the search order, what the new process
// inherits, that the call returns while the program runs, and that no
// child is left behind.
#include "win32/ErrHandlingApi.h"
#include "win32/ProcessThreadsApi.h"
#include "win32/ProcessTestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cerrno>
#include <cstddef>
#include <iterator>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace process_test;

namespace {

const char* const kLoaderName = "quilbyLoader.exe";

// Every test starts programs with a record file of its own and cleans up
// after itself: leftover programs are killed, the current directory, PATH
// and the recording variables are restored, and files placed beside the
// test executable are removed.
class ProcessTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedDirectory = std::filesystem::current_path().string();
        if (const char* path = std::getenv("PATH")) m_savedPath = path;
        m_recordFile = m_temp.file("record");
        ::setenv("QUARROW_RECORD_FILE", m_recordFile.c_str(), 1);
        ::unsetenv("QUARROW_RECORD_HOLD");
        ::unsetenv("QUARROW_RECORD_MARKER");
    }

    void TearDown() override
    {
        if (!m_holdFile.empty() && ::access(m_holdFile.c_str(), F_OK) != 0) WriteFile(m_holdFile, "");
        for (pid_t pid : m_started) {
            const char state = ProcessState(pid);
            if (state != 0 && state != 'Z' && IsOurs(pid)) ::kill(pid, SIGKILL);
        }
        for (const std::string& file : m_placedBesideExecutable) std::filesystem::remove(file);
        std::filesystem::current_path(m_savedDirectory);
        if (m_savedPath) {
            ::setenv("PATH", m_savedPath->c_str(), 1);
        } else {
            ::unsetenv("PATH");
        }
        ::unsetenv("QUARROW_RECORD_FILE");
        ::unsetenv("QUARROW_RECORD_HOLD");
        ::unsetenv("QUARROW_RECORD_MARKER");
    }

    // A process we started still runs one of our loader copies; a reused
    // process id would not.
    bool IsOurs(pid_t pid) const
    {
        std::error_code error;
        const std::string exe = std::filesystem::read_symlink("/proc/" + std::to_string(pid) + "/exe", error).string();
        return !error && (exe.starts_with(m_temp.path()) || exe.starts_with(ExecutableDirectory()));
    }

    // Starts a program the way the launcher does: no application name, a
    // writable copy of the command line, no inheritance, a new console.
    BOOL Start(const std::string& commandLine, PROCESS_INFORMATION& pi, LPCSTR applicationName = nullptr,
               DWORD flags = CREATE_NEW_CONSOLE, LPVOID environment = nullptr, LPCSTR directory = nullptr,
               BOOL inherit = FALSE)
    {
        std::vector<char> buffer(commandLine.begin(), commandLine.end());
        buffer.push_back('\0');
        STARTUPINFOA si;
        std::memset(&si, 0, sizeof si);
        si.cb = sizeof si;
        const BOOL ok = ::CreateProcessA(applicationName, buffer.data(), nullptr, nullptr, inherit, flags,
                                         environment, directory, &si, &pi);
        if (ok) {
            m_started.push_back(static_cast<pid_t>(pi.dwProcessId));
            // The call works on a copy; the caller's buffer is left as it was.
            EXPECT_EQ(std::string(buffer.data()), commandLine);
        }
        return ok;
    }

    // Starts a program, closes its handles and returns its record.
    std::optional<LoaderRecord> Run(const std::string& commandLine, LPCSTR applicationName = nullptr,
                                    DWORD flags = CREATE_NEW_CONSOLE, LPVOID environment = nullptr,
                                    LPCSTR directory = nullptr)
    {
        PROCESS_INFORMATION pi{};
        const BOOL ok = Start(commandLine, pi, applicationName, flags, environment, directory);
        EXPECT_TRUE(ok) << "error " << GetLastError() << " for " << commandLine;
        if (!ok) return std::nullopt;
        EXPECT_TRUE(CloseHandle(pi.hProcess));
        EXPECT_TRUE(CloseHandle(pi.hThread));
        std::optional<LoaderRecord> record = WaitForRecord(m_recordFile);
        EXPECT_TRUE(record.has_value()) << "no record from " << commandLine;
        if (record) {
            EXPECT_EQ(record->pid, static_cast<pid_t>(pi.dwProcessId));
        }
        return record;
    }

    // Makes the next loader stay alive until ReleaseHold.
    void HoldNextLoader()
    {
        m_holdFile = m_temp.file("release");
        ::setenv("QUARROW_RECORD_HOLD", m_holdFile.c_str(), 1);
    }
    void ReleaseHold() { WriteFile(m_holdFile, ""); }

    void PlaceBesideExecutable(const std::string& name, unsigned mode = 0755)
    {
        const std::string path = ExecutableDirectory() + "/" + name;
        m_placedBesideExecutable.push_back(path);
        CopyLoader(path, mode);
    }

    TempDir m_temp;
    std::string m_recordFile;
    std::string m_holdFile;
    std::string m_savedDirectory;
    std::optional<std::string> m_savedPath;
    std::vector<pid_t> m_started;
    std::vector<std::string> m_placedBesideExecutable;
};

void ExpectNoChildLeft()
{
    int status = 0;
    errno = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
    EXPECT_TRUE(ChildrenOfThisProcess().empty());
}

// ---------------------------------------------------------------------------
// The command line reaches the program byte for byte.

struct CommandLineCase {
    const char* name;
    std::string commandLine;
    std::vector<std::string> argv;
};

class CommandLineTest : public ProcessTest, public ::testing::WithParamInterface<CommandLineCase> {};

TEST_P(CommandLineTest, ProgramReceivesTheTokenAndTheExactRest)
{
    const CommandLineCase& c = GetParam();
    const std::optional<LoaderRecord> record = Run(c.commandLine);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->args, c.argv);
    EXPECT_EQ(record->exe, Canonical(PlacedLoader()));
}

const std::string kQuoted = "\"quilbyLoader.exe\"";

INSTANTIATE_TEST_SUITE_P(
    Arguments, CommandLineTest,
    ::testing::Values(
        CommandLineCase{"LauncherLine", kQuoted + " ID=42,Key=userid-42&from-abc,PID=ZUVO_,PROCPARA=66666",
                        {kLoaderName, "ID=42,Key=userid-42&from-abc,PID=ZUVO_,PROCPARA=66666"}},
        CommandLineCase{"SpacesQuotesCommas", kQuoted + " ID=4 2,Key=\"a b\"  c,,d=e,PID=ZUVO_,PROCPARA=66666 ",
                        {kLoaderName, "ID=4 2,Key=\"a b\"  c,,d=e,PID=ZUVO_,PROCPARA=66666 "}},
        CommandLineCase{"EscapesStayUndecoded", kQuoted + " ID=a=b%2C,Key=%41-%3D",
                        {kLoaderName, "ID=a=b%2C,Key=%41-%3D"}},
        CommandLineCase{"AnsiBytes", kQuoted + " ID=\xC4\xE3\xBA\xC3,Key=\x80\xFF",
                        {kLoaderName, "ID=\xC4\xE3\xBA\xC3,Key=\x80\xFF"}},
        CommandLineCase{"ShellCharactersAreJustBytes", kQuoted + " $(touch x); `id` | > * ' \\",
                        {kLoaderName, "$(touch x); `id` | > * ' \\"}},
        CommandLineCase{"TokenAlone", kQuoted, {kLoaderName}},
        CommandLineCase{"SeparatorAlone", kQuoted + " ", {kLoaderName, ""}},
        CommandLineCase{"OnlyOneSpaceIsTheSeparator", kQuoted + "   x", {kLoaderName, "  x"}},
        CommandLineCase{"TabIsNotTheSeparator", kQuoted + " \tx", {kLoaderName, "\tx"}},
        CommandLineCase{"NoSeparatorAfterTheQuote", kQuoted + "x y", {kLoaderName, "x y"}},
        CommandLineCase{"UnquotedToken", "quilbyLoader.exe ID=1 2", {kLoaderName, "ID=1 2"}},
        CommandLineCase{"UnterminatedQuote", "\"quilbyLoader.exe", {kLoaderName}}),
    [](const ::testing::TestParamInfo<CommandLineCase>& info) { return std::string(info.param.name); });

TEST_F(ProcessTest, LauncherCommandLineCanBeRebuiltByteForByte)
{
    const std::string parameters = "ID=42,Key=userid-42&from-abc,PID=ZUVO_,PROCPARA=66666";
    const std::string commandLine = "\"" + std::string(kLoaderName) + "\" " + parameters;
    ASSERT_EQ(commandLine.size(), 72u);

    const std::optional<LoaderRecord> record = Run(commandLine);
    ASSERT_TRUE(record);
    ASSERT_EQ(record->args.size(), 2u);
    EXPECT_EQ(record->args[1].size(), 53u);
    EXPECT_EQ("\"" + record->args[0] + "\" " + record->args[1], commandLine);
}

// ---------------------------------------------------------------------------
// Where a bare program name is found.

enum class Entry { None, Executable, NotExecutable, Directory };
enum class Place { ExecutableDirectory, FirstPathEntry, SecondPathEntry, Nowhere };

struct SearchCase {
    const char* name;
    Entry besideExecutable;
    Entry currentDirectory;
    Entry firstPathEntry;
    Entry secondPathEntry;
    Place winner;
    DWORD error;  // When nothing wins.
};

class SearchOrderTest : public ProcessTest, public ::testing::WithParamInterface<SearchCase> {
protected:
    void Put(Entry entry, const std::string& directory, bool besideExecutable)
    {
        const std::string path = directory + "/" + m_name;
        switch (entry) {
        case Entry::None: return;
        case Entry::Executable:
        case Entry::NotExecutable:
            if (besideExecutable) {
                PlaceBesideExecutable(m_name, entry == Entry::Executable ? 0755 : 0644);
            } else {
                CopyLoader(path, entry == Entry::Executable ? 0755 : 0644);
            }
            return;
        case Entry::Directory:
            if (besideExecutable) m_placedBesideExecutable.push_back(path);
            std::filesystem::create_directory(path);
            return;
        }
    }

    // Unique per test process, because test processes may run side by side
    // and share the executable's directory.
    const std::string m_name = "quarrowSearch-" + std::to_string(::getpid()) + ".exe";
};

TEST_P(SearchOrderTest, FirstExecutableRegularFileWins)
{
    const SearchCase& c = GetParam();
    TempDir current;
    TempDir first;
    TempDir second;
    Put(c.besideExecutable, ExecutableDirectory(), true);
    Put(c.currentDirectory, current.path(), false);
    Put(c.firstPathEntry, first.path(), false);
    Put(c.secondPathEntry, second.path(), false);
    std::filesystem::current_path(current.path());
    ::setenv("PATH", (first.path() + ":" + second.path()).c_str(), 1);

    const std::string commandLine = "\"" + m_name + "\" search";
    if (c.winner == Place::Nowhere) {
        PROCESS_INFORMATION pi{};
        EXPECT_FALSE(Start(commandLine, pi));
        EXPECT_EQ(GetLastError(), c.error);
        ExpectNoChildLeft();
        return;
    }
    const std::optional<LoaderRecord> record = Run(commandLine);
    ASSERT_TRUE(record);
    std::string expected;
    switch (c.winner) {
    case Place::ExecutableDirectory: expected = ExecutableDirectory(); break;
    case Place::FirstPathEntry: expected = first.path(); break;
    case Place::SecondPathEntry: expected = second.path(); break;
    case Place::Nowhere: break;
    }
    EXPECT_EQ(record->exe, Canonical(expected + "/" + m_name));
    EXPECT_EQ(record->args, (std::vector<std::string>{m_name, "search"}));
}

constexpr Entry N = Entry::None;
constexpr Entry X = Entry::Executable;
constexpr Entry P = Entry::NotExecutable;
constexpr Entry D = Entry::Directory;

INSTANTIATE_TEST_SUITE_P(
    Search, SearchOrderTest,
    ::testing::Values(
        SearchCase{"ExecutableDirectoryBeforeAll", X, X, X, X, Place::ExecutableDirectory, 0},
        SearchCase{"CurrentDirectoryIsPassedOverForPath", N, X, X, X, Place::FirstPathEntry, 0},
        SearchCase{"CurrentDirectoryIsNeverSearched", N, X, N, N, Place::Nowhere, ERROR_FILE_NOT_FOUND},
        SearchCase{"PathInOrder", N, N, X, X, Place::FirstPathEntry, 0},
        SearchCase{"LaterPathEntry", N, N, N, X, Place::SecondPathEntry, 0},
        SearchCase{"NonExecutableFilesAreSkipped", P, P, P, X, Place::SecondPathEntry, 0},
        SearchCase{"DirectoriesAreSkipped", D, D, N, X, Place::SecondPathEntry, 0},
        SearchCase{"NowhereIsNotFound", N, N, N, N, Place::Nowhere, ERROR_FILE_NOT_FOUND},
        SearchCase{"DirectoriesOnlyIsNotFound", D, N, D, N, Place::Nowhere, ERROR_FILE_NOT_FOUND},
        SearchCase{"NonExecutableOnlyIsDenied", N, N, P, P, Place::Nowhere, ERROR_ACCESS_DENIED}),
    [](const ::testing::TestParamInfo<SearchCase>& info) { return std::string(info.param.name); });

// PATH entries that stand for the current directory or a folder below it:
// a program planted there never runs, whatever PATH spells it as.
TEST_F(ProcessTest, EmptyAndRelativePathEntriesAreNeverSearched)
{
    const std::string name = "quarrowPlanted-" + std::to_string(::getpid()) + ".exe";
    std::filesystem::create_directory(m_temp.file("sub"));
    CopyLoader(m_temp.file(name));
    CopyLoader(m_temp.file("sub/" + name));
    std::filesystem::current_path(m_temp.path());
    for (const char* path : {"", ":", "::", ".", "./", "sub", "./sub", "sub/..", ":/nonexistent", "/nonexistent:",
                             "/nonexistent::/nonexistent"}) {
        ::setenv("PATH", path, 1);
        PROCESS_INFORMATION pi{};
        EXPECT_FALSE(Start("\"" + name + "\" x", pi)) << "PATH=" << path;
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND)) << "PATH=" << path;
    }
    ExpectNoChildLeft();
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(std::filesystem::exists(m_recordFile));
}

TEST_F(ProcessTest, NameWithSlashIsUsedAsGivenAgainstTheCallersDirectory)
{
    // A relative path names the file in the caller's directory even when the
    // program is to start in another one.
    std::filesystem::create_directories(m_temp.file("dir with space/sub"));
    CopyLoader(m_temp.file("dir with space/sub/loader"));
    std::filesystem::create_directory(m_temp.file("elsewhere"));
    std::filesystem::current_path(m_temp.file("dir with space"));
    const std::string elsewhere = m_temp.file("elsewhere");

    const std::optional<LoaderRecord> relative =
        Run("\"sub/loader\" x", nullptr, CREATE_NEW_CONSOLE, nullptr, elsewhere.c_str());
    ASSERT_TRUE(relative);
    EXPECT_EQ(relative->exe, Canonical(m_temp.file("dir with space/sub/loader")));
    EXPECT_EQ(relative->cwd, Canonical(elsewhere));
    EXPECT_EQ(relative->args, (std::vector<std::string>{"sub/loader", "x"}));

    std::filesystem::remove(m_recordFile);
    const std::string absolute = m_temp.file("dir with space/sub/loader");
    const std::optional<LoaderRecord> record = Run("\"" + absolute + "\" y z");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->args, (std::vector<std::string>{absolute, "y z"}));
}

TEST_F(ProcessTest, ApplicationNameIsRunWithoutSearchAndCommandLineGivesArguments)
{
    CopyLoader(m_temp.file("named"));
    const std::string application = m_temp.file("named");

    const std::optional<LoaderRecord> withLine = Run("whatever.exe one two", application.c_str());
    ASSERT_TRUE(withLine);
    EXPECT_EQ(withLine->exe, Canonical(application));
    EXPECT_EQ(withLine->args, (std::vector<std::string>{"whatever.exe", "one two"}));

    std::filesystem::remove(m_recordFile);
    const std::optional<LoaderRecord> withoutLine = Run("", application.c_str());
    ASSERT_TRUE(withoutLine);
    EXPECT_EQ(withoutLine->args, (std::vector<std::string>{application}));

    // A bare application name is not searched: the placed loader beside the
    // executable is not taken for it, only a file in the current directory.
    std::filesystem::current_path(m_temp.path());
    PROCESS_INFORMATION pi{};
    EXPECT_FALSE(Start("x", pi, kLoaderName));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// ---------------------------------------------------------------------------
// What the program inherits.

TEST_F(ProcessTest, CurrentDirectoryAndEnvironmentAreInherited)
{
    std::filesystem::current_path(m_temp.path());
    ::setenv("QUARROW_RECORD_MARKER", "m a=r,k\"er", 1);
    const std::optional<LoaderRecord> record = Run(kQuoted + " x");
    ASSERT_TRUE(record);
    EXPECT_EQ(record->cwd, Canonical(m_temp.path()));
    EXPECT_EQ(record->marker, std::optional<std::string>("m a=r,k\"er"));
    const std::string path = std::string("PATH=") + std::getenv("PATH");
    EXPECT_NE(std::find(record->env.begin(), record->env.end(), path), record->env.end());
}

TEST_F(ProcessTest, EnvironmentBlockReplacesTheEnvironment)
{
    std::string block = "QUARROW_RECORD_FILE=" + m_recordFile;
    block += '\0';
    block += "QUARROW_RECORD_MARKER=from the block";
    block += '\0';
    block += "=odd=entry";
    block += '\0';
    block += '\0';
    const std::optional<LoaderRecord> record = Run(kQuoted, nullptr, CREATE_NEW_CONSOLE, block.data());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->env, (std::vector<std::string>{"QUARROW_RECORD_FILE=" + m_recordFile,
                                                     "QUARROW_RECORD_MARKER=from the block", "=odd=entry"}));
}

TEST_F(ProcessTest, UnicodeEnvironmentBlockArrivesAsUtf8)
{
    std::u16string block;
    for (char c : "QUARROW_RECORD_FILE=" + m_recordFile) block += static_cast<char16_t>(c);
    block += _T('\0');
    block += _T("QUARROW_RECORD_MARKER=\u00e9\U0001F600");
    block += _T('\0');
    block += _T('\0');
    const std::optional<LoaderRecord> record =
        Run(kQuoted, nullptr, CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT, block.data());
    ASSERT_TRUE(record);
    EXPECT_EQ(record->marker, std::optional<std::string>("\xC3\xA9\xF0\x9F\x98\x80"));
    EXPECT_EQ(record->env.size(), 2u);

    // An unpaired surrogate cannot be passed on.
    std::u16string broken = _T("A=");
    broken += static_cast<char16_t>(0xD800);
    broken += _T('\0');
    broken += _T('\0');
    PROCESS_INFORMATION pi{};
    EXPECT_FALSE(Start(kQuoted, pi, nullptr, CREATE_UNICODE_ENVIRONMENT, broken.data()));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ExpectNoChildLeft();
}

TEST_F(ProcessTest, OnlyStandardDescriptorsArePassedOn)
{
    // Descriptors that a plain exec would pass on: no close-on-exec flag,
    // one of them high up, and inheritance asked for.
    const int nullFd = ::open("/dev/null", O_RDONLY);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const int highFd = ::dup2(nullFd, 200);
    ASSERT_GE(nullFd, 3);
    ASSERT_EQ(highFd, 200);

    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(Start(kQuoted + " fds", pi, nullptr, CREATE_NEW_CONSOLE, nullptr, nullptr, TRUE));
    const std::optional<LoaderRecord> record = WaitForRecord(m_recordFile);
    ::close(nullFd);
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
    ::close(highFd);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fds, (std::vector<int>{0, 1, 2}));
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

// On a kernel without close_range (before Linux 5.11, and in sandboxes
// that refuse it), the descriptors up to the highest open one are marked
// one by one instead, and still only 0-2 reach the program. The kernel is
// made to refuse close_range in a child process of the test, since a
// seccomp filter cannot be taken back.
TEST_F(ProcessTest, WithoutCloseRangeOnlyStandardDescriptorsArePassedOnToo)
{
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        sock_filter refuse[] = {
            BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
            BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_close_range, 0, 1),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | (ENOSYS & SECCOMP_RET_DATA)),
            BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW),
        };
        sock_fprog program{static_cast<unsigned short>(std::size(refuse)), refuse};
        if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0 ||
            ::prctl(PR_SET_SECCOMP, SECCOMP_MODE_FILTER, &program) != 0) {
            ::_exit(10);
        }
        if (::syscall(__NR_close_range, 1000, 1000, 0) == 0 || errno != ENOSYS) ::_exit(11);
        const int nullFd = ::open("/dev/null", O_RDONLY);
        int pipeFds[2];
        if (nullFd < 3 || ::pipe(pipeFds) != 0 || ::dup2(nullFd, 200) != 200) ::_exit(12);
        PROCESS_INFORMATION pi{};
        if (!Start(kQuoted + " fds", pi, nullptr, CREATE_NEW_CONSOLE, nullptr, nullptr, TRUE)) ::_exit(13);
        const std::optional<LoaderRecord> record = WaitForRecord(m_recordFile);
        if (!record) ::_exit(14);
        ::_exit(record->fds == std::vector<int>{0, 1, 2} ? 0 : 15);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 10) GTEST_SKIP() << "this system does not take seccomp filters";
    // 11: close_range was not refused; 12: no
    // descriptors to test with; 13, 14: the program did not start or wrote
    // no record; 15: it got more than the standard descriptors.
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(ProcessTest, ClosedStandardDescriptorIsReplacedByTheNullDevice)
{
    // Without this, the program's first file of its own would become its
    // standard input.
    const int savedInput = ::fcntl(0, F_DUPFD_CLOEXEC, 3);
    ASSERT_GE(savedInput, 3);
    ::close(0);
    PROCESS_INFORMATION pi{};
    const BOOL ok = Start(kQuoted, pi);
    ::dup2(savedInput, 0);
    ::close(savedInput);
    ASSERT_TRUE(ok);
    const std::optional<LoaderRecord> record = WaitForRecord(m_recordFile);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fds, (std::vector<int>{0, 1, 2}));
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

// A launcher started with a standard descriptor closed gets its own
// private files there (the display's socket, a browser's): they are
// close-on-exec, and the program gets the null device in their place,
// never the caller's socket.
TEST_F(ProcessTest, CloseOnExecStandardDescriptorsBecomeTheNullDevice)
{
    int saved[3];
    for (int fd = 0; fd <= 2; ++fd) {
        saved[fd] = ::fcntl(fd, F_DUPFD_CLOEXEC, 3);
        ASSERT_GE(saved[fd], 3);
    }
    // A private socket on 0, a private file on 2, and 1 closed (so that the
    // null device first opens above the one it replaces).
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, pair), 0);
    const int file = ::open(m_temp.file("private").c_str(), O_CREAT | O_WRONLY | O_CLOEXEC, 0600);
    ASSERT_GE(file, 3);
    ::dup3(pair[0], 0, O_CLOEXEC);
    ::close(1);
    ::dup3(file, 2, O_CLOEXEC);
    PROCESS_INFORMATION pi{};
    const BOOL ok = Start(kQuoted + " fds", pi);
    for (int fd = 0; fd <= 2; ++fd) {
        ::dup2(saved[fd], fd);
        ::close(saved[fd]);
    }
    ::close(file);
    ::close(pair[0]);
    ::close(pair[1]);
    ASSERT_TRUE(ok);
    const std::optional<LoaderRecord> record = WaitForRecord(m_recordFile);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->fds, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(record->fdFiles, (std::vector<std::string>{"/dev/null", "/dev/null", "/dev/null"}));
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
}

TEST_F(ProcessTest, ProgramHasASessionOfItsOwn)
{
    const std::optional<LoaderRecord> record = Run(kQuoted);
    ASSERT_TRUE(record);
    EXPECT_EQ(record->sid, record->pid);
    EXPECT_NE(record->sid, ::getsid(0));
}

TEST_F(ProcessTest, ProgramStartsWithDefaultSignalsAndCallersSignalsStayAsTheyWere)
{
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction previousPipe {};
    ASSERT_EQ(::sigaction(SIGPIPE, &ignore, &previousPipe), 0);

    // A SIGCHLD handler of the caller's (GLib installs one) must stay.
    struct sigaction childHandler {};
    childHandler.sa_handler = [](int) {};
    struct sigaction previousChild {};
    ASSERT_EQ(::sigaction(SIGCHLD, &childHandler, &previousChild), 0);

    sigset_t blocked;
    sigset_t previousMask;
    sigemptyset(&blocked);
    sigaddset(&blocked, SIGUSR1);
    ASSERT_EQ(::sigprocmask(SIG_BLOCK, &blocked, &previousMask), 0);

    const std::optional<LoaderRecord> record = Run(kQuoted);

    struct sigaction after {};
    ::sigaction(SIGCHLD, nullptr, &after);
    EXPECT_EQ(after.sa_handler, childHandler.sa_handler);
    sigset_t maskAfter;
    ::sigprocmask(SIG_BLOCK, nullptr, &maskAfter);
    EXPECT_TRUE(sigismember(&maskAfter, SIGUSR1));

    ::sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    ::sigaction(SIGCHLD, &previousChild, nullptr);
    ::sigaction(SIGPIPE, &previousPipe, nullptr);

    ASSERT_TRUE(record);
    EXPECT_EQ(record->sigign, "0000000000000000");
    EXPECT_EQ(record->sigblk, "0000000000000000");
}

// ---------------------------------------------------------------------------
// No wait, no zombie.

TEST_F(ProcessTest, ReturnsWhileTheProgramRunsAndLeavesNoChild)
{
    HoldNextLoader();
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(Start(kQuoted + " held", pi));
    const pid_t pid = static_cast<pid_t>(pi.dwProcessId);

    // The program cannot have finished: it waits for the release file.
    const char state = ProcessState(pid);
    EXPECT_NE(state, 0);
    EXPECT_NE(state, 'Z');
    // The intermediate child is already reaped and the program is not ours.
    ExpectNoChildLeft();

    const std::optional<LoaderRecord> record = WaitForRecord(m_recordFile);
    ASSERT_TRUE(record);
    EXPECT_NE(record->ppid, ::getpid());
    EXPECT_NE(ProcessState(pid), 'Z');

    ReleaseHold();
    ASSERT_TRUE(WaitForExit(pid));
    ExpectNoChildLeft();

    EXPECT_EQ(pi.dwThreadId, pi.dwProcessId);
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
}

TEST_F(ProcessTest, EveryCallStartsAnotherProgram)
{
    HoldNextLoader();
    PROCESS_INFORMATION first{};
    PROCESS_INFORMATION second{};
    ASSERT_TRUE(Start(kQuoted + " one", first));
    ASSERT_TRUE(Start(kQuoted + " two", second));
    EXPECT_NE(first.dwProcessId, second.dwProcessId);
    EXPECT_NE(first.hProcess, second.hProcess);
    EXPECT_NE(ProcessState(static_cast<pid_t>(first.dwProcessId)), 0);
    EXPECT_NE(ProcessState(static_cast<pid_t>(second.dwProcessId)), 0);
    ReleaseHold();
    EXPECT_TRUE(WaitForExit(static_cast<pid_t>(first.dwProcessId)));
    EXPECT_TRUE(WaitForExit(static_cast<pid_t>(second.dwProcessId)));
    ExpectNoChildLeft();
    for (HANDLE h : {first.hProcess, first.hThread, second.hProcess, second.hThread}) EXPECT_TRUE(CloseHandle(h));
}

TEST_F(ProcessTest, HandlesCloseOnce)
{
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(Start(kQuoted, pi));
    ASSERT_NE(pi.hProcess, nullptr);
    ASSERT_NE(pi.hThread, nullptr);
    EXPECT_NE(pi.hProcess, pi.hThread);
    EXPECT_TRUE(CloseHandle(pi.hThread));
    EXPECT_TRUE(CloseHandle(pi.hProcess));

    SetLastError(0);
    EXPECT_FALSE(CloseHandle(pi.hProcess));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    SetLastError(0);
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    int notAHandle = 0;
    EXPECT_FALSE(CloseHandle(&notAHandle));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
    ASSERT_TRUE(WaitForRecord(m_recordFile));
}

// ---------------------------------------------------------------------------
// Failures: a clear code, nothing started, nothing left behind, the
// process information untouched.

enum class Setup { Nothing, NonExecutable, NotAProgram, Directory };

struct FailureCase {
    const char* name;
    Setup setup;
    const char* commandLine;  // "@" stands for the prepared file's path; null for no command line.
    DWORD flags;
    DWORD startupFlags;
    const char* directory;  // Relative to the test's temporary directory; null for none.
    DWORD error;
};

class FailureTest : public ProcessTest, public ::testing::WithParamInterface<FailureCase> {};

TEST_P(FailureTest, ReportsTheErrorAndStartsNothing)
{
    const FailureCase& c = GetParam();
    const std::string prepared = m_temp.file("prepared");
    switch (c.setup) {
    case Setup::Nothing: break;
    case Setup::NonExecutable: CopyLoader(prepared, 0644); break;
    case Setup::NotAProgram: WriteFile(prepared, "this is not a program\n", 0755); break;
    case Setup::Directory: std::filesystem::create_directory(prepared); break;
    }
    std::string line;
    if (c.commandLine != nullptr) {
        line = c.commandLine;
        const std::size_t at = line.find('@');
        if (at != std::string::npos) line.replace(at, 1, prepared);
    }
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');
    const std::string directory = c.directory != nullptr ? m_temp.file(c.directory) : std::string();

    STARTUPINFOA si{};
    si.cb = sizeof si;
    si.dwFlags = c.startupFlags;
    PROCESS_INFORMATION pi;
    std::memset(&pi, 0xA5, sizeof pi);
    PROCESS_INFORMATION untouched = pi;
    SetLastError(0);
    EXPECT_FALSE(CreateProcessA(nullptr, c.commandLine != nullptr ? buffer.data() : nullptr, nullptr, nullptr,
                                FALSE, c.flags, nullptr, c.directory != nullptr ? directory.c_str() : nullptr, &si,
                                &pi));
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(std::memcmp(&pi, &untouched, sizeof pi), 0);
    ExpectNoChildLeft();
    // Nothing ran: no record appears.
    EXPECT_FALSE(WaitForRecord(m_recordFile, std::chrono::milliseconds(100)));

    // The code has a text for the user.
    WCHAR text[256];
    EXPECT_GT(FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, c.error, 0, text,
                             256, nullptr),
              0u);
}

INSTANTIATE_TEST_SUITE_P(
    Failures, FailureTest,
    ::testing::Values(
        FailureCase{"MissingLoader", Setup::Nothing, "\"quarrowNoSuchLoader.exe\" ID=1", CREATE_NEW_CONSOLE, 0,
                    nullptr, ERROR_FILE_NOT_FOUND},
        FailureCase{"MissingPath", Setup::Nothing, "\"@\" x", CREATE_NEW_CONSOLE, 0, nullptr, ERROR_FILE_NOT_FOUND},
        FailureCase{"MissingDirectoryOnPath", Setup::Nothing, "\"@/sub/x\"", CREATE_NEW_CONSOLE, 0, nullptr,
                    ERROR_PATH_NOT_FOUND},
        FailureCase{"NotExecutable", Setup::NonExecutable, "\"@\" x", CREATE_NEW_CONSOLE, 0, nullptr,
                    ERROR_ACCESS_DENIED},
        FailureCase{"ADirectory", Setup::Directory, "\"@\" x", CREATE_NEW_CONSOLE, 0, nullptr, ERROR_ACCESS_DENIED},
        FailureCase{"NotAProgram", Setup::NotAProgram, "\"@\" x", CREATE_NEW_CONSOLE, 0, nullptr,
                    ERROR_BAD_EXE_FORMAT},
        FailureCase{"NoCommandLine", Setup::Nothing, nullptr, CREATE_NEW_CONSOLE, 0, nullptr, ERROR_INVALID_PARAMETER},
        FailureCase{"EmptyCommandLine", Setup::Nothing, "", CREATE_NEW_CONSOLE, 0, nullptr, ERROR_INVALID_PARAMETER},
        FailureCase{"EmptyQuotedName", Setup::Nothing, "\"\" x", CREATE_NEW_CONSOLE, 0, nullptr, ERROR_INVALID_NAME},
        FailureCase{"LeadingSpace", Setup::Nothing, " quilbyLoader.exe", CREATE_NEW_CONSOLE, 0, nullptr,
                    ERROR_INVALID_NAME},
        FailureCase{"MissingCurrentDirectory", Setup::Nothing, "\"quilbyLoader.exe\" x", CREATE_NEW_CONSOLE, 0,
                    "no-such-directory", ERROR_DIRECTORY},
        FailureCase{"CurrentDirectoryIsAFile", Setup::NonExecutable, "\"quilbyLoader.exe\" x", CREATE_NEW_CONSOLE, 0,
                    "prepared", ERROR_DIRECTORY},
        FailureCase{"ConsoleAndDetached", Setup::Nothing, "\"quilbyLoader.exe\"",
                    CREATE_NEW_CONSOLE | DETACHED_PROCESS, 0, nullptr, ERROR_INVALID_PARAMETER},
        FailureCase{"Suspended", Setup::Nothing, "\"quilbyLoader.exe\"", CREATE_NEW_CONSOLE | CREATE_SUSPENDED, 0,
                    nullptr, ERROR_NOT_SUPPORTED},
        FailureCase{"Debugged", Setup::Nothing, "\"quilbyLoader.exe\"", DEBUG_PROCESS, 0, nullptr,
                    ERROR_NOT_SUPPORTED},
        FailureCase{"StandardHandles", Setup::Nothing, "\"quilbyLoader.exe\"", CREATE_NEW_CONSOLE,
                    STARTF_USESTDHANDLES, nullptr, ERROR_NOT_SUPPORTED}),
    [](const ::testing::TestParamInfo<FailureCase>& info) { return std::string(info.param.name); });

TEST_F(ProcessTest, MissingLoaderHasTheFileNotFoundText)
{
    PROCESS_INFORMATION pi{};
    ASSERT_FALSE(Start("\"quarrowNoSuchLoader.exe\" ID=1", pi));
    const DWORD error = GetLastError();
    ASSERT_EQ(error, static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    WCHAR text[128];
    const DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, error, 0, text, 128, nullptr);
    EXPECT_EQ(std::u16string(text, length), _T("The system cannot find the file specified.\r\n"));
}

TEST_F(ProcessTest, MissingRecordsAreRejected)
{
    std::string line = kQuoted;
    STARTUPINFOA si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    EXPECT_FALSE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, nullptr, &pi));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    EXPECT_FALSE(CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_PARAMETER));
    ExpectNoChildLeft();
}

}  // namespace
