// The private channel between the launcher and its web-process extension:
// the message format cuts a stream into the messages that were sent,
// however it arrives, and stops at anything malformed; the launcher's end
// answers only a peer that knows its token; the extension's end survives a
// launcher that has gone (no signal, no hang). The extension's end runs in
// a forked child here, as it runs in a web process of its own: its
// requests block until answered, and the answer comes from this process's
// loop.
#include "TestPortal.h"

#include "host/browser/webkit/ExtensionServer.h"
#include "host/browser/webkit/extension/LauncherChannel.h"

#include <gtest/gtest.h>

#include <glib.h>

#include <csignal>
#include <fcntl.h>
#include <functional>
#include <memory>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace quarrow::test {
namespace {

using Kind = ExtensionMessage::Kind;

ExtensionMessage message(Kind kind, uint32_t serial, uint64_t page, std::string first, std::string second)
{
    ExtensionMessage m;
    m.kind = kind;
    m.serial = serial;
    m.page = page;
    m.first = std::move(first);
    m.second = std::move(second);
    return m;
}

TEST(ExtensionMessageTest, StreamFedInAnyPiecesGivesBackEveryMessageWhole)
{
    const std::vector<ExtensionMessage> sent = {
        message(Kind::BeforeNavigate, 1, 7, "http://portal.test/a?x=1&y=2", "side"),
        message(Kind::GetProperty, 2, 0xFFFFFFFFFFFFull, "xxyyzz", ""),
        message(Kind::Value, 2, 0, std::string("Wi\0bble", 7), ""),
        message(Kind::Ack, 0xFFFFFFFFu, 0, "", ""),
    };
    std::string stream;
    for (const ExtensionMessage& m : sent) stream += m.encode();
    for (size_t piece : {size_t(1), size_t(3), size_t(17), stream.size()}) {
        ExtensionMessage::Reader reader;
        std::vector<ExtensionMessage> got;
        for (size_t at = 0; at < stream.size(); at += piece) {
            reader.feed(stream.data() + at, std::min(piece, stream.size() - at));
            while (auto m = reader.next()) got.push_back(*m);
        }
        ASSERT_EQ(got.size(), sent.size()) << "pieces of " << piece;
        for (size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(got[i].kind, sent[i].kind);
            EXPECT_EQ(got[i].serial, sent[i].serial);
            EXPECT_EQ(got[i].page, sent[i].page);
            EXPECT_EQ(got[i].first, sent[i].first);
            EXPECT_EQ(got[i].second, sent[i].second);
        }
        EXPECT_FALSE(reader.broken());
        EXPECT_EQ(reader.buffered(), 0u);
    }
}

std::string le32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

TEST(ExtensionMessageTest, MalformedStreamsStopTheReader)
{
    const std::string fixed = std::string(1, char(Kind::GetProperty)) + le32(1) + std::string(8, '\0');
    const struct {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"a body longer than allowed", le32(ExtensionMessage::kMaxBody + 1)},
        {"a body too short for its fixed part", le32(4) + "abcd"},
        {"an unknown kind", le32(21) + std::string(1, char(99)) + std::string(12, '\0') + le32(0) + le32(0)},
        {"a first text reaching past the body", le32(21) + fixed + le32(1000) + le32(0)},
        {"a second text reaching past the body", le32(23) + fixed + le32(2) + "ab" + le32(5)},
        {"bytes left over in the body", le32(22) + fixed + le32(0) + le32(0) + "z"},
    };
    for (const auto& c : cases) {
        ExtensionMessage::Reader reader;
        reader.feed(c.bytes.data(), c.bytes.size());
        reader.feed(std::string(64, '\0').data(), 64); // whatever follows
        EXPECT_FALSE(reader.next()) << c.what;
        EXPECT_TRUE(reader.broken()) << c.what;
    }
}

TEST(ExtensionMessageTest, TooLongATextIsNotSentAtAll)
{
    ExtensionMessage m = message(Kind::BeforeNavigate, 1, 1, std::string(ExtensionMessage::kMaxBody, 'a'), "");
    EXPECT_EQ(m.encode(), "");
}

// What the launcher's end answered, as the extension's end saw it.
struct Outcome {
    bool connected = false;
    std::string answers; // one letter per request: V(alue) U(ndefined) K (unknown) A(ck) - (none)
    std::string value;
    bool exitedNormally = false;
};

class ChannelTest : public ::testing::Test, public ExtensionServer::Handler {
protected:
    // Runs `client` in a child process against the server, running this
    // process's loop (where the server answers) until the child is done.
    Outcome runClient(const std::function<void(Outcome&)>& client, const std::function<void()>& meanwhile = {})
    {
        int pipe[2];
        EXPECT_EQ(pipe2(pipe, O_CLOEXEC), 0);
        const pid_t pid = fork();
        if (pid == 0) {
            ::close(pipe[0]);
            Outcome o;
            client(o);
            const std::string report = std::string(o.connected ? "1" : "0") + "|" + o.answers + "|" + o.value;
            ssize_t ignored = write(pipe[1], report.data(), report.size());
            (void)ignored;
            _exit(0);
        }
        ::close(pipe[1]);
        std::string report;
        bool finished = false;
        GIOChannel* channel = g_io_channel_unix_new(pipe[0]);
        struct Reading {
            std::string* report;
            bool* finished;
        } reading{&report, &finished};
        g_io_add_watch(
            channel, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP),
            [](GIOChannel* c, GIOCondition, gpointer data) -> gboolean {
                auto* r = static_cast<Reading*>(data);
                char buffer[256];
                const ssize_t n = read(g_io_channel_unix_get_fd(c), buffer, sizeof buffer);
                if (n > 0) {
                    r->report->append(buffer, static_cast<size_t>(n));
                    return TRUE;
                }
                *r->finished = true;
                return FALSE;
            },
            &reading);
        if (meanwhile) meanwhile();
        while (!finished) g_main_context_iteration(nullptr, TRUE);
        // The watch removed itself when the child closed its end.
        g_io_channel_unref(channel);
        ::close(pipe[0]);
        int status = 0;
        waitpid(pid, &status, 0);
        Outcome o;
        o.exitedNormally = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        const size_t bar1 = report.find('|'), bar2 = report.find('|', bar1 + 1);
        if (bar1 != std::string::npos && bar2 != std::string::npos) {
            o.connected = report.substr(0, bar1) == "1";
            o.answers = report.substr(bar1 + 1, bar2 - bar1 - 1);
            o.value = report.substr(bar2 + 1);
        }
        return o;
    }

    static char letter(const std::optional<ExtensionMessage>& m)
    {
        if (!m) return '-';
        switch (m->kind) {
        case Kind::Value:
            return 'V';
        case Kind::Undefined:
            return 'U';
        case Kind::Unknown:
            return 'K';
        case Kind::Ack:
            return 'A';
        default:
            return '?';
        }
    }

    ExtensionMessage answer(const ExtensionMessage& request) override
    {
        requests.push_back(request);
        ExtensionMessage m;
        if (request.kind != Kind::GetProperty) return m;
        m.kind = request.first == "xxyyzz" ? Kind::Value : Kind::Unknown;
        m.first = "Wibble for page " + std::to_string(request.page);
        return m;
    }

    std::unique_ptr<ExtensionServer> server = std::make_unique<ExtensionServer>(static_cast<ExtensionServer::Handler&>(*this));
    std::vector<ExtensionMessage> requests;
};

TEST_F(ChannelTest, ThePeerWithTheTokenIsAnsweredFromTheLoop)
{
    ASSERT_TRUE(server->listening()) << server->error();
    const std::string address = server->address(), token = server->token();
    Outcome o = runClient([&](Outcome& out) {
        LauncherChannel channel(address, token);
        out.connected = channel.connected();
        ExtensionMessage get = message(Kind::GetProperty, 0, 42, "xxyyzz", "");
        std::optional<ExtensionMessage> a = channel.ask(get);
        out.answers += letter(a);
        if (a) out.value = a->first;
        get.first = "nothing";
        out.answers += letter(channel.ask(get));
        out.answers += letter(channel.ask(message(Kind::ScriptStart, 0, 42, "http://portal.test/", "")));
    });
    EXPECT_TRUE(o.exitedNormally);
    EXPECT_TRUE(o.connected);
    EXPECT_EQ(o.answers, "VKA");
    EXPECT_EQ(o.value, "Wibble for page 42");
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(requests[2].kind, Kind::ScriptStart);
    EXPECT_EQ(requests[2].first, "http://portal.test/");
}

TEST_F(ChannelTest, APeerWithoutTheTokenIsCutOffBeforeAnyRequestArrives)
{
    ASSERT_TRUE(server->listening()) << server->error();
    const std::string address = server->address();
    std::string wrong = server->token();
    wrong[0] = wrong[0] == 'a' ? 'b' : 'a';
    Outcome o = runClient([&](Outcome& out) {
        LauncherChannel channel(address, wrong);
        out.connected = channel.connected();
        out.answers += letter(channel.ask(message(Kind::GetProperty, 0, 1, "xxyyzz", "")));
    });
    EXPECT_TRUE(o.exitedNormally);
    EXPECT_FALSE(o.connected);
    EXPECT_EQ(o.answers, "-");
    EXPECT_TRUE(requests.empty());
    EXPECT_EQ(server->authenticatedConnections(), 0u);
}

TEST_F(ChannelTest, WhenTheLauncherHasGoneRequestsFailAtOnceAndThePageLivesOn)
{
    ASSERT_TRUE(server->listening()) << server->error();
    const std::string address = server->address(), token = server->token();
    // The child connects, then waits until the server has closed (the
    // parent closes it once the child is known), then asks.
    int go[2];
    ASSERT_EQ(pipe(go), 0);
    Outcome o = runClient(
        [&](Outcome& out) {
            signal(SIGPIPE, SIG_DFL); // a send into the closed socket must not raise it
            LauncherChannel channel(address, token);
            out.connected = channel.connected();
            ::close(go[1]);
            char c;
            while (read(go[0], &c, 1) > 0) {
            }
            for (int i = 0; i < 3; ++i) {
                out.answers += letter(channel.ask(message(Kind::GetProperty, 0, 1, "xxyyzz", "")));
            }
        },
        [&] {
            ::close(go[0]);
            while (server->authenticatedConnections() == 0) g_main_context_iteration(nullptr, TRUE);
            server.reset();
            ::close(go[1]);
        });
    EXPECT_TRUE(o.exitedNormally) << "the extension's end died (SIGPIPE?)";
    EXPECT_TRUE(o.connected);
    EXPECT_EQ(o.answers, "---");
    EXPECT_TRUE(requests.empty());
}

} // namespace
} // namespace quarrow::test
