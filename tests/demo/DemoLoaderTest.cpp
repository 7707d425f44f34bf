// The demo loader (quilbyLoader.exe) run as the launcher runs it: argument
// vector { its name, the exact bytes after the separator }, and its output
// read back. It must reproduce the command line byte for byte, whatever the
// bytes are, record it when asked, and never need a display.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace {

struct LoaderRun {
    int status = -1;
    std::string out;
    std::string err;
};

std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    return text;
}

std::string ReadFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Runs the loader with the given arguments after its name, this process's
// environment without any display or record folder, plus `extra`.
LoaderRun RunLoader(const std::vector<std::string>& args, const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        const std::string e = *entry;
        if (e.rfind("DISPLAY=", 0) == 0 || e.rfind("WAYLAND_DISPLAY=", 0) == 0 ||
            e.rfind("QUARROW_DEMO_OUT=", 0) == 0) {
            continue;
        }
        env.push_back(e);
    }
    env.insert(env.end(), extra.begin(), extra.end());

    std::vector<char*> argv{const_cast<char*>("quilbyLoader.exe")};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);

    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) return {};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, QUARROW_DEMO_LOADER, &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    LoaderRun run;
    if (spawned == 0) {
        // The outputs are a line or two each, far below a pipe's capacity,
        // so reading one after the other cannot block the loader.
        run.out = ReadAll(out[0]);
        run.err = ReadAll(err[0]);
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    close(out[0]);
    close(err[0]);
    return run;
}

class DemoLoader : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/quarrow-demo-loader-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        m_dir = pattern;
    }
    void TearDown() override
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_dir, ignored);
    }

    std::string outVariable() const { return "QUARROW_DEMO_OUT=" + m_dir.string(); }
    std::filesystem::path record() const { return m_dir / "loader-command-line.txt"; }

    std::filesystem::path m_dir;
};

struct LineCase {
    const char* what;
    std::string bytes; // argv[1]: everything after the separator space
};

TEST_F(DemoLoader, PrintsAndRecordsTheExactCommandLine)
{
    const LineCase cases[] = {
        {"the launcher's usual line", "ID=42,Key=userid-42&from-abc,PID=ZUVO_,PROCPARA=66666"},
        {"spaces inside, leading and trailing", "  ID=a b  c,Key=k ,PID=ZUVO_,PROCPARA=66666  "},
        {"quotation marks", "ID=\"quoted\" 'single' \",Key=\"\",PID=ZUVO_,PROCPARA=66666"},
        {"commas and equals signs", "ID=a,b=c,,=,Key==-=,PID=ZUVO_,PROCPARA=66666"},
        {"GBK bytes", "ID=\xCD\xE6\xBC\xD2 demo,Key=userid-%CD%E6,PID=ZUVO_,PROCPARA=66666"},
        {"UTF-8 text", "ID=玩家 demo,Key=userid-%E7%8E%A9,PID=ZUVO_,PROCPARA=66666"},
        {"bytes that are no text at all", "ID=\xFF\xFE\x80\x01\x7F,Key=x"},
        {"what a shell would expand", "ID=$HOME`id`;|&*?\\n%s%n,Key=$(true)"},
        {"nothing after the separator", ""},
    };
    std::string expectedRecord;
    for (const LineCase& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string line = "\"quilbyLoader.exe\" " + c.bytes;
        const LoaderRun run = RunLoader({c.bytes}, {outVariable()});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, line + "\n");
        expectedRecord += line + "\n";
        // Each run appends its line; earlier ones stay as they were.
        EXPECT_EQ(ReadFile(record()), expectedRecord);
    }
}

TEST_F(DemoLoader, WithoutARecordFolderOnlyPrints)
{
    const LoaderRun run = RunLoader({"ID=1,Key=k"}, {});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "\"quilbyLoader.exe\" ID=1,Key=k\n");
    EXPECT_FALSE(std::filesystem::exists(record()));
}

TEST_F(DemoLoader, ARecordThatCannotBeWrittenFailsAfterPrinting)
{
    const std::filesystem::path missing = m_dir / "no-such-folder";
    const LoaderRun run = RunLoader({"ID=1,Key=k"}, {"QUARROW_DEMO_OUT=" + missing.string()});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.out, "\"quilbyLoader.exe\" ID=1,Key=k\n");
    EXPECT_NE(run.err.find((missing / "loader-command-line.txt").string()), std::string::npos) << run.err;
}

TEST_F(DemoLoader, ADisplayThatCannotBeOpenedOnlyPrints)
{
    const LoaderRun run = RunLoader({"ID=1,Key=k"}, {"DISPLAY=:64999", outVariable()});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, "\"quilbyLoader.exe\" ID=1,Key=k\n");
    EXPECT_EQ(ReadFile(record()), "\"quilbyLoader.exe\" ID=1,Key=k\n");
}

} // namespace
