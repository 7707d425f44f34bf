// The program's standard descriptors at start-up: each closed one among
// 0-2 gets the null device, an open one is left as it is, and nothing else
// stays open. Each case runs in a forked child, whose descriptor table is
// its own, and reports what its descriptors are through a pipe.
#include "host/StandardDescriptors.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace quarrow {
namespace {

std::string Target(int fd)
{
    char buffer[256];
    const ssize_t n = ::readlink(("/proc/self/fd/" + std::to_string(fd)).c_str(), buffer, sizeof buffer);
    return n < 0 ? std::string("closed") : std::string(buffer, static_cast<size_t>(n));
}

// What descriptors 0-2 are after the call, with `closed` closed before it,
// and how many descriptors the call left open: "0=...|1=...|2=...|opened".
std::string AfterStartUp(const std::vector<int>& closed, int report)
{
    const pid_t child = fork();
    if (child == 0) {
        auto openCount = [] {
            int n = 0;
            for (int fd = 0; fd < 4096; ++fd) n += fcntl(fd, F_GETFD) >= 0;
            return n;
        };
        for (int fd : closed) ::close(fd);
        const int before = openCount();
        OpenMissingStandardDescriptors();
        const int opened = openCount() - before;
        std::string text;
        for (int fd = 0; fd <= 2; ++fd) text += std::to_string(fd) + "=" + Target(fd) + "|";
        text += std::to_string(opened);
        ssize_t ignored = write(report, text.data(), text.size());
        (void)ignored;
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return {};
}

TEST(StandardDescriptors, EachClosedOneGetsTheNullDeviceAndNothingElseStaysOpen)
{
    const std::string out = Target(1), err = Target(2);
    struct Case {
        std::vector<int> closed;
        std::string input, output, error;
    };
    const Case cases[] = {
        {{0}, "/dev/null", out, err},
        {{1}, Target(0), "/dev/null", err},
        {{0, 2}, "/dev/null", out, "/dev/null"},
        {{0, 1, 2}, "/dev/null", "/dev/null", "/dev/null"},
        {{}, Target(0), out, err},
    };
    for (const Case& c : cases) {
        int pipeFds[2];
        ASSERT_EQ(pipe2(pipeFds, O_CLOEXEC), 0);
        // The report's pipe must not sit among 0-2 itself.
        const int report = fcntl(pipeFds[1], F_DUPFD_CLOEXEC, 3);
        ::close(pipeFds[1]);
        AfterStartUp(c.closed, report);
        ::close(report);
        char buffer[1024];
        const ssize_t n = read(pipeFds[0], buffer, sizeof buffer);
        ::close(pipeFds[0]);
        ASSERT_GT(n, 0);
        const std::string text(buffer, static_cast<size_t>(n));
        EXPECT_EQ(text.substr(0, text.rfind('|') + 1), "0=" + c.input + "|1=" + c.output + "|2=" + c.error + "|");
        // No copy of the null device is left beyond the ones filled in.
        EXPECT_EQ(std::stoi(text.substr(text.rfind('|') + 1)), static_cast<int>(c.closed.size())) << text;
    }
}

} // namespace
} // namespace quarrow
