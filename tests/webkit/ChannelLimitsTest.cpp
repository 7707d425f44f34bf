// The launcher's end of the extension channel against peers that do not
// play by its rules (any process of the same user may connect): a first
// message over the hello's size is cut off before its body is read, a
// peer that says nothing is dropped after the authentication time, no more
// than the cap of such peers is held at once (a web process still gets
// in past them), and running out of
// descriptors puts the listener to rest instead of waking the loop again
// and again. Last, the whole engine: a page reads window.external while a
// flood of connections and an oversized hello arrive.
#include "WebKitFixture.h"

#include "host/browser/webkit/ExtensionServer.h"
#include "host/browser/webkit/extension/LauncherChannel.h"
#include "support/ChannelPeer.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <string>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quarrow::test {
namespace {

class Sockets {
public:
    ~Sockets()
    {
        for (int fd : fds) ::close(fd);
    }
    std::vector<int> fds;
};

class ChannelLimitsTest : public ::testing::Test, public ExtensionServer::Handler {
protected:
    ExtensionMessage answer(const ExtensionMessage&) override { return {}; }

    bool runUntil(const std::function<bool()>& done, int timeoutMs = 10000)
    {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!done()) {
            if (std::chrono::steady_clock::now() > deadline) return false;
            if (!g_main_context_iteration(nullptr, FALSE)) g_usleep(1000);
        }
        return true;
    }

    ExtensionServer server{static_cast<ExtensionServer::Handler&>(*this)};
};

TEST_F(ChannelLimitsTest, AFirstMessageOverTheHellosSizeIsCutOffBeforeItsBodyArrives)
{
    ASSERT_TRUE(server.listening()) << server.error();
    const std::string fixed = std::string(1, char(ExtensionMessage::Kind::Hello)) + le32(1) + std::string(8, '\0');
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        // What the review saw: a length of 64 MiB, and the bytes keep coming.
        {"a length of 64 MiB", le32(64u << 20) + std::string(1u << 20, 'x')},
        {"a hello one byte over its size", le32(ExtensionMessage::kMaxHelloBody + 1) + fixed +
                                               le32(ExtensionMessage::kMaxHelloBody + 1 - 21) +
                                               std::string(ExtensionMessage::kMaxHelloBody + 1 - 21, 'a') + le32(0)},
        {"a request before the hello", le32(21) + std::string(1, char(ExtensionMessage::Kind::GetProperty)) +
                                           std::string(12, '\0') + le32(0) + le32(0)},
        {"a hello with the wrong token", le32(53) + fixed + le32(32) + std::string(32, '0') + le32(0)},
    };
    for (const auto& c : cases) {
        Sockets peer;
        peer.fds.push_back(connectTo(server.address()));
        ASSERT_GE(peer.fds[0], 0);
        writeWhatFits(peer.fds[0], c.bytes);
        EXPECT_TRUE(runUntil([&] { return closedByPeer(peer.fds[0]); }, 1000)) << c.what;
        EXPECT_EQ(server.pendingConnections(), 0u) << c.what;
        EXPECT_EQ(server.authenticatedConnections(), 0u) << c.what;
    }
}

TEST_F(ChannelLimitsTest, SilentPeersAreCappedAndDroppedAfterTheAuthenticationTime)
{
    ASSERT_TRUE(server.listening()) << server.error();
    Sockets peers;
    // More than the cap; as many as the listener's backlog takes.
    for (int i = 0; i < 40; ++i) {
        const int fd = connectTo(server.address());
        if (fd >= 0) peers.fds.push_back(fd);
    }
    ASSERT_GT(peers.fds.size(), ExtensionServer::kMaxPendingConnections);
    // Never more than the cap at once, newcomers pushing out the oldest,
    // until every one of them has been dropped.
    size_t most = 0;
    const bool allDropped = runUntil(
        [&] {
            most = std::max(most, server.pendingConnections());
            for (int fd : peers.fds) {
                if (!closedByPeer(fd)) return false;
            }
            return true;
        },
        30000);
    EXPECT_TRUE(allDropped);
    EXPECT_EQ(most, ExtensionServer::kMaxPendingConnections);
    EXPECT_EQ(server.pendingConnections(), 0u);
    EXPECT_TRUE(server.accepting());
}

// Silent peers that hold every place do not keep a web process out: its
// hello is read as soon as it is accepted, and it pushes out the peer that
// has waited longest.
TEST_F(ChannelLimitsTest, AWebProcessGetsInPastSilentPeersHoldingEveryPlace)
{
    ASSERT_TRUE(server.listening()) << server.error();
    Sockets peers;
    for (size_t i = 0; i < ExtensionServer::kMaxPendingConnections; ++i) {
        peers.fds.push_back(connectTo(server.address()));
        ASSERT_GE(peers.fds.back(), 0);
        ASSERT_TRUE(runUntil([&] { return server.pendingConnections() == i + 1; }));
    }
    // The web process keeps its connection until told to go (`release`), so
    // the server is looked at while the web process is still in.
    int done[2], release[2];
    ASSERT_EQ(pipe2(done, O_CLOEXEC | O_NONBLOCK), 0);
    ASSERT_EQ(pipe2(release, O_CLOEXEC), 0);
    const std::string address = server.address(), token = server.token();
    const pid_t child = fork();
    if (child == 0) {
        ::close(release[1]);
        LauncherChannel channel(address, token);
        ExtensionMessage get;
        get.kind = ExtensionMessage::Kind::GetProperty;
        get.first = "xxyyzz";
        const auto answer = channel.ask(get);
        const char result = answer && answer->kind == ExtensionMessage::Kind::Ack ? 'A' : '-';
        ssize_t ignored = write(done[1], &result, 1);
        char go;
        ignored = read(release[0], &go, 1);
        (void)ignored;
        _exit(0);
    }
    ::close(done[1]);
    ::close(release[0]);
    char result = 0;
    EXPECT_TRUE(runUntil([&] { return read(done[0], &result, 1) == 1; }, 20000));
    ::close(done[0]);
    EXPECT_EQ(result, 'A') << "the web process was not answered";
    EXPECT_EQ(server.authenticatedConnections(), 1u);
    EXPECT_EQ(server.pendingConnections(), ExtensionServer::kMaxPendingConnections - 1);
    ::close(release[1]);
    waitpid(child, nullptr, 0);
    EXPECT_TRUE(closedByPeer(peers.fds.front())) << "the oldest silent peer was kept";
    for (size_t i = 1; i < peers.fds.size(); ++i) EXPECT_FALSE(closedByPeer(peers.fds[i])) << "peer " << i;
}

TEST_F(ChannelLimitsTest, WithoutDescriptorsTheListenerRestsInsteadOfSpinning)
{
    ASSERT_TRUE(server.listening()) << server.error();
    Sockets peers;
    for (int i = 0; i < 4; ++i) {
        const int fd = connectTo(server.address());
        ASSERT_GE(fd, 0);
        peers.fds.push_back(fd);
    }
    // No descriptor left for the launcher to accept them with: the limit
    // just above the highest open one, and every free one below taken.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_NOFILE, &saved), 0);
    int highest = 2;
    for (int fd = 0; fd < 65536; ++fd) {
        if (fcntl(fd, F_GETFD) >= 0) highest = fd;
    }
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(highest) + 1;
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &tight), 0);
    std::vector<int> filler;
    for (int fd; (fd = ::open("/dev/null", O_RDONLY | O_CLOEXEC)) >= 0;) filler.push_back(fd);
    const int openError = errno;
    for (int i = 0; i < 3; ++i) g_main_context_iteration(nullptr, FALSE);
    const bool restedWithoutDescriptors = !server.accepting();
    const size_t takenWithoutDescriptors = server.pendingConnections();
    ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &saved), 0);
    for (int fd : filler) ::close(fd);
    ASSERT_EQ(openError, EMFILE);
    // The listener stays readable (the peers wait in its backlog), so
    // watching it on would wake the loop at once, again and again.
    EXPECT_TRUE(restedWithoutDescriptors);
    EXPECT_EQ(takenWithoutDescriptors, 0u);

    // Once descriptors are there again, the waiting peers are taken.
    EXPECT_TRUE(runUntil([&] { return server.pendingConnections() == peers.fds.size(); }));
    EXPECT_TRUE(server.accepting());
}

// The engine over a real page: window.external keeps answering from the
// launcher while 100 silent connections and an oversized hello arrive.
class ChannelFloodTest : public WebKitTest {};

TEST_F(ChannelFloodTest, APageReadsTheExternalObjectThroughAFloodAndAnOversizedHello)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "inner.html"));
    ASSERT_EQ(js("window.external.xxyyzz"), "Wibble");
    const ExtensionServer& server = session->extensionServer();
    Sockets oversized;
    oversized.fds.push_back(connectTo(server.address()));
    ASSERT_GE(oversized.fds[0], 0);
    writeWhatFits(oversized.fds[0], le32(64u << 20) + std::string(1u << 20, 'x'));
    // As many as the listener's backlog takes; the rest are refused.
    Sockets flood;
    for (int i = 0; i < 100; ++i) {
        const int fd = connectTo(server.address());
        if (fd >= 0) flood.fds.push_back(fd);
    }

    size_t most = 0;
    for (int i = 0; i < 20; ++i) {
        EXPECT_EQ(js("window.external.xxyyzz + ' ' + window.external.xxyq"), "Wibble Wibble") << "read " << i;
        most = std::max(most, server.pendingConnections());
    }
    EXPECT_LE(most, ExtensionServer::kMaxPendingConnections);
    EXPECT_GE(session->extensionConnections(), 1u);
    EXPECT_TRUE(runUntil([&] { return closedByPeer(oversized.fds[0]); }, 20000)) << "the oversized hello is held";
}

} // namespace
} // namespace quarrow::test
