// The extension channel under attack: how long a page's read of
// window.external takes, and what the launcher's process holds and spends,
// while another process of the same user floods the launcher's socket.
//
// This process plays the launcher: its ExtensionServer answers from the
// GLib loop, as the launcher's does. A child plays the page: it connects as
// the web-process extension does (LauncherChannel) and reads one property
// `reads` times, timing each read from its request to its answer. Another
// child plays the attacker: it keeps 100 connections open that never say
// anything (opening a new one whenever one is dropped) and every 10 ms
// opens one more whose first message announces 64 MiB and sends 1 MiB.
//
//   channel_flood quiet|flood [reads]
//       prints the page's read times (median, 99th percentile, longest, in
//       microseconds), the launcher's CPU time for the run and its peak
//       resident memory;
//   channel_flood emfile
//       the launcher with no descriptor left and ten peers waiting in its
//       backlog for two seconds: prints the launcher's CPU time meanwhile
//       (a loop woken again and again by the readable listener takes all of
//       it).
#include "host/browser/webkit/ExtensionServer.h"
#include "host/browser/webkit/extension/LauncherChannel.h"
#include "support/ChannelPeer.h"

#include <glib-unix.h>
#include <glib.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace {

using quarrow::ExtensionMessage;
using quarrow::ExtensionServer;
using Clock = std::chrono::steady_clock;
using quarrow::test::closedByPeer;
using quarrow::test::connectTo;
using quarrow::test::le32;

class Answers : public ExtensionServer::Handler {
public:
    ExtensionMessage answer(const ExtensionMessage& request) override
    {
        ExtensionMessage m;
        m.kind = request.first == "xxyyzz" ? ExtensionMessage::Kind::Value : ExtensionMessage::Kind::Unknown;
        m.first = "Wibble";
        return m;
    }
};


[[noreturn]] void attack(const std::string& address)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    struct Big {
        int fd;
        size_t sent;
    };
    std::vector<int> silent;
    std::vector<Big> big;
    // A first message that announces 64 MiB, and the 64 MiB.
    const size_t total = 4 + (64u << 20);
    const std::string header = le32(64u << 20);
    const std::string chunk(1u << 16, 'x');
    for (;;) {
        // Dropped connections are replaced.
        silent.erase(std::remove_if(silent.begin(), silent.end(),
                                    [](int fd) {
                                        if (!closedByPeer(fd)) return false;
                                        ::close(fd);
                                        return true;
                                    }),
                     silent.end());
        while (silent.size() < 100) {
            const int fd = connectTo(address);
            if (fd < 0) break; // the backlog is full
            silent.push_back(fd);
        }
        // Four oversized hellos at a time, each sent as fast as the
        // launcher takes it.
        while (big.size() < 4) {
            const int fd = connectTo(address);
            if (fd < 0) break;
            big.push_back(Big{fd, 0});
        }
        for (Big& b : big) {
            while (b.fd >= 0 && b.sent < total) {
                const char* data = b.sent < 4 ? header.data() + b.sent : chunk.data();
                const size_t size = b.sent < 4 ? 4 - b.sent : std::min(chunk.size(), total - b.sent);
                const ssize_t n = send(b.fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
                if (n > 0) {
                    b.sent += static_cast<size_t>(n);
                    continue;
                }
                if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
                ::close(b.fd); // cut off by the launcher
                b.fd = -1;
            }
            if (b.fd >= 0 && b.sent >= total) {
                ::close(b.fd);
                b.fd = -1;
            }
        }
        big.erase(std::remove_if(big.begin(), big.end(), [](const Big& b) { return b.fd < 0; }), big.end());
        usleep(1000);
    }
}

// The page: reads the property `reads` times and writes the read times
// (microseconds, one per line) to `out`.
[[noreturn]] void page(const std::string& address, const std::string& token, int reads, int out)
{
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    quarrow::LauncherChannel channel(address, token);
    std::string report = channel.connected() ? "" : "not-connected\n";
    ExtensionMessage get;
    get.kind = ExtensionMessage::Kind::GetProperty;
    get.first = "xxyyzz";
    for (int i = 0; i < reads && channel.connected(); ++i) {
        const auto start = Clock::now();
        const auto answer = channel.ask(get);
        const auto took = std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - start).count();
        report += (answer && answer->first == "Wibble" ? std::to_string(took) : std::string("failed")) + "\n";
    }
    for (size_t sent = 0; sent < report.size();) {
        const ssize_t n = write(out, report.data() + sent, report.size() - sent);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    _exit(0);
}

double cpuSeconds()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

long peakKiB()
{
    FILE* status = std::fopen("/proc/self/status", "re");
    if (!status) return -1;
    char line[256];
    long kib = -1;
    while (std::fgets(line, sizeof line, status)) {
        if (std::sscanf(line, "VmHWM: %ld", &kib) == 1) break;
    }
    std::fclose(status);
    return kib;
}

int readsRun(bool flood, int reads)
{
    Answers answers;
    ExtensionServer server(answers);
    if (!server.listening()) {
        std::fprintf(stderr, "channel_flood: %s\n", server.error().c_str());
        return 1;
    }
    const double cpuBefore = cpuSeconds();
    const auto wallBefore = Clock::now();
    pid_t attacker = -1;
    if (flood) {
        attacker = fork();
        if (attacker == 0) attack(server.address());
        // The flood is under way for a second before the page connects.
        bool warm = false;
        g_timeout_add(1000, [](gpointer flag) -> gboolean { *static_cast<bool*>(flag) = true; return G_SOURCE_REMOVE; },
                      &warm);
        while (!warm) g_main_context_iteration(nullptr, TRUE);
    }
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return 1;
    const pid_t reader = fork();
    if (reader == 0) {
        ::close(pipeFds[0]);
        page(server.address(), server.token(), reads, pipeFds[1]);
    }
    ::close(pipeFds[1]);
    // The launcher's loop as the window system runs it: blocking waits,
    // woken by its sockets (and here by the page's report).
    struct Report {
        std::string text;
        bool done = false;
    } report;
    g_unix_fd_add(pipeFds[0], static_cast<GIOCondition>(G_IO_IN | G_IO_HUP),
                  [](int fd, GIOCondition, gpointer data) -> gboolean {
                      auto* r = static_cast<Report*>(data);
                      char buffer[4096];
                      const ssize_t n = read(fd, buffer, sizeof buffer);
                      if (n > 0) {
                          r->text.append(buffer, static_cast<size_t>(n));
                          return G_SOURCE_CONTINUE;
                      }
                      r->done = true;
                      return G_SOURCE_REMOVE;
                  },
                  &report);
    while (!report.done) g_main_context_iteration(nullptr, TRUE);
    ::close(pipeFds[0]);
    waitpid(reader, nullptr, 0);
    const double cpu = cpuSeconds() - cpuBefore;
    const double wall = std::chrono::duration<double>(Clock::now() - wallBefore).count();
    if (attacker > 0) {
        kill(attacker, SIGKILL);
        waitpid(attacker, nullptr, 0);
    }

    std::vector<long> times;
    int failed = 0;
    size_t at = 0;
    while (at < report.text.size()) {
        const size_t end = report.text.find('\n', at);
        const std::string line = report.text.substr(at, end - at);
        at = end == std::string::npos ? report.text.size() : end + 1;
        if (line.empty()) continue;
        if (line == "failed" || line == "not-connected") {
            ++failed;
        } else {
            times.push_back(std::atol(line.c_str()));
        }
    }
    std::sort(times.begin(), times.end());
    auto at_ = [&](double q) { return times.empty() ? -1L : times[std::min(times.size() - 1, size_t(q * times.size()))]; };
    std::printf("reads %zu failed %d median_us %ld p99_us %ld max_us %ld launcher_cpu_s %.3f wall_s %.3f VmHWM_kB %ld\n",
                times.size(), failed, at_(0.5), at_(0.99), times.empty() ? -1L : times.back(), cpu, wall, peakKiB());
    return failed == 0 ? 0 : 1;
}

int emfileRun()
{
    Answers answers;
    ExtensionServer server(answers);
    if (!server.listening()) return 1;
    std::vector<int> peers;
    for (int i = 0; i < 10; ++i) peers.push_back(connectTo(server.address()));
    int highest = 2;
    for (int fd = 0; fd < 65536; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0) highest = fd;
    }
    rlimit saved{};
    getrlimit(RLIMIT_NOFILE, &saved);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(highest) + 1;
    setrlimit(RLIMIT_NOFILE, &tight);
    std::vector<int> filler;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) filler.push_back(fd);
    // The launcher's loop as the window system runs it: blocking waits.
    const double cpuBefore = cpuSeconds();
    const auto until = Clock::now() + std::chrono::seconds(2);
    long wakeups = 0;
    // A tick bounds each wait, so that the run ends on time.
    const unsigned tick = g_timeout_add(50, [](gpointer) -> gboolean { return G_SOURCE_CONTINUE; }, nullptr);
    while (Clock::now() < until) {
        g_main_context_iteration(nullptr, TRUE);
        ++wakeups;
    }
    g_source_remove(tick);
    const double cpu = cpuSeconds() - cpuBefore;
    setrlimit(RLIMIT_NOFILE, &saved);
    for (int fd : filler) ::close(fd);
    for (int fd : peers) ::close(fd);
    std::printf("emfile wakeups %ld launcher_cpu_s %.3f over 2 s\n", wakeups, cpu);
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    const int reads = argc > 2 ? std::atoi(argv[2]) : 2000;
    if (mode == "quiet") return readsRun(false, reads);
    if (mode == "flood") return readsRun(true, reads);
    if (mode == "emfile") return emfileRun();
    std::fprintf(stderr, "usage: channel_flood quiet|flood [reads] | emfile\n");
    return 2;
}
