#include "host/browser/webkit/ExtensionServer.h"

#include <glib-unix.h>
#include <glib.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quarrow {

namespace {

// Random hex text from the kernel's generator; empty when it has none.
std::string randomHex(size_t bytes)
{
    std::string raw(bytes, '\0');
    size_t got = 0;
    while (got < bytes) {
        const ssize_t n = getrandom(raw.data() + got, bytes - got, 0);
        if (n < 0) {
            if (errno == EINTR) continue;
            return {};
        }
        got += static_cast<size_t>(n);
    }
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (unsigned char c : raw) {
        hex.push_back(digits[c >> 4]);
        hex.push_back(digits[c & 15]);
    }
    return hex;
}

// Compares in time that does not depend on where the texts differ.
bool sameSecret(const std::string& a, const std::string& b)
{
    if (a.size() != b.size()) return false;
    unsigned char diff = 0;
    for (size_t i = 0; i < a.size(); ++i) diff |= static_cast<unsigned char>(a[i] ^ b[i]);
    return diff == 0;
}

} // namespace

ExtensionServer::ExtensionServer(Handler& handler) : m_handler(handler)
{
    const std::string random = randomHex(8);
    m_token = randomHex(16);
    if (random.empty() || m_token.empty()) {
        m_error = std::string("no random numbers for the extension channel: ") + std::strerror(errno);
        return;
    }
    m_address = "quarrow-" + std::to_string(getpid()) + "-" + random;

    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = std::string("socket: ") + std::strerror(errno);
        return;
    }
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    // The abstract namespace: a leading zero byte, then the name.
    std::memcpy(addr.sun_path + 1, m_address.data(), m_address.size());
    const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + m_address.size());
    if (bind(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0 || listen(fd, 16) != 0) {
        m_error = "cannot listen on the extension channel @" + m_address + ": " + std::strerror(errno);
        ::close(fd);
        return;
    }
    m_fd = fd;
    updateListener();
}

ExtensionServer::~ExtensionServer()
{
    for (auto& [fd, c] : m_connections) {
        if (c->source) g_source_remove(c->source);
        if (c->deadline) g_source_remove(c->deadline);
        ::close(fd);
    }
    m_connections.clear();
    if (m_source) g_source_remove(m_source);
    if (m_resumeSource) g_source_remove(m_resumeSource);
    if (m_fd >= 0) ::close(m_fd);
}

size_t ExtensionServer::authenticatedConnections() const
{
    size_t n = 0;
    for (const auto& [fd, c] : m_connections) n += c->authenticated ? 1 : 0;
    return n;
}

size_t ExtensionServer::pendingConnections() const { return m_connections.size() - authenticatedConnections(); }

void ExtensionServer::updateListener()
{
    const bool watch = m_fd >= 0 && m_resumeSource == 0;
    if (watch && !m_source) {
        m_source = g_unix_fd_add(m_fd, G_IO_IN, reinterpret_cast<GUnixFDSourceFunc>(onListen), this);
    } else if (!watch && m_source) {
        g_source_remove(m_source);
        m_source = 0;
    }
}

int ExtensionServer::onListen(int, unsigned, void* self)
{
    // accept() decides whether this source stays (it may have removed it).
    static_cast<ExtensionServer*>(self)->accept();
    return G_SOURCE_CONTINUE;
}

void ExtensionServer::rest(unsigned ms)
{
    if (!m_resumeSource) m_resumeSource = g_timeout_add(ms, onResume, this);
    updateListener();
}

int ExtensionServer::onResume(void* self)
{
    auto* server = static_cast<ExtensionServer*>(self);
    server->m_resumeSource = 0;
    server->updateListener();
    return G_SOURCE_REMOVE;
}

int ExtensionServer::onDeadline(void* data)
{
    // Too slow to say who it is: whoever it is, it is cut off.
    auto* c = static_cast<Connection*>(data);
    c->deadline = 0;
    c->server->close(c->fd);
    return G_SOURCE_REMOVE;
}

void ExtensionServer::accept()
{
    // A bounded number per turn of the loop, so that a flood of connections
    // leaves the loop's other work its turn.
    for (int accepted = 0; accepted < 16; ++accepted) {
        // At the cap, the connection that has waited longest without saying
        // who it is makes room, so that silent connections cannot keep a web
        // process out; but only once it has had kMinPendingMs to say it,
        // so that a flood cannot push out a web process whose hello is on
        // its way. Until then the newcomers wait in the backlog.
        if (pendingConnections() >= kMaxPendingConnections) {
            Connection* oldest = nullptr;
            for (auto& [other, c] : m_connections) {
                if (!c->authenticated && (!oldest || c->order < oldest->order)) oldest = c.get();
            }
            const gint64 waited = (g_get_monotonic_time() - oldest->acceptedAt) / 1000;
            if (waited < static_cast<gint64>(kMinPendingMs)) {
                rest(static_cast<unsigned>(kMinPendingMs - waited) + 1);
                return;
            }
            close(oldest->fd);
        }
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED || errno == EPROTO) continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
                // The connection stays in the backlog, so the listener stays
                // readable: watching it now would wake the loop at once,
                // again and again. It rests a moment instead.
                rest(kPauseMs);
            }
            return; // EAGAIN: nothing more waiting
        }
        ucred peer{};
        socklen_t size = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != geteuid()) {
            ::close(fd);
            continue;
        }
        auto c = std::make_unique<Connection>();
        c->server = this;
        c->fd = fd;
        c->order = ++m_accepted;
        c->acceptedAt = g_get_monotonic_time();
        c->reader.setLimit(ExtensionMessage::kMaxHelloBody);
        c->source = g_unix_fd_add(fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                  reinterpret_cast<GUnixFDSourceFunc>(onReadable), c.get());
        c->deadline = g_timeout_add(kAuthenticationMs, onDeadline, c.get());
        Connection& added = *c;
        m_connections[fd] = std::move(c);
        // A web process sends its hello right after connecting: it is
        // usually there already, and the connection never waits.
        if (!serve(added)) close(fd);
    }
}

int ExtensionServer::onReadable(int, unsigned, void* data)
{
    auto* c = static_cast<Connection*>(data);
    ExtensionServer* server = c->server;
    if (server->serve(*c)) return G_SOURCE_CONTINUE;
    // The source goes with this return; the connection must not remove it
    // a second time.
    c->source = 0;
    server->close(c->fd);
    return G_SOURCE_REMOVE;
}

bool ExtensionServer::serve(Connection& c)
{
    char buffer[16384];
    // A peer that never stops sending gets its turn again on the next pass
    // of the loop, after everything else that is waiting.
    for (int reads = 0; reads < 16; ++reads) {
        size_t want = sizeof buffer;
        if (!c.authenticated) {
            // Never more than a hello from a peer that has not said who it is.
            const size_t most = 4 + ExtensionMessage::kMaxHelloBody;
            if (c.reader.buffered() >= most) return false;
            want = most - c.reader.buffered();
        }
        const ssize_t n = recv(c.fd, buffer, want, 0);
        if (n > 0) {
            c.reader.feed(buffer, static_cast<size_t>(n));
            if (!answerArrived(c)) return false;
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) return true;
        return false; // the web process went away (or the socket failed)
    }
    return true;
}

bool ExtensionServer::answerArrived(Connection& c)
{
    while (std::optional<ExtensionMessage> request = c.reader.next()) {
        if (!ExtensionMessage::isRequest(request->kind)) return false;
        if (!c.authenticated) {
            // The first message says who is calling; anyone else is cut off.
            if (request->kind != ExtensionMessage::Kind::Hello || !sameSecret(request->first, m_token)) return false;
            c.authenticated = true;
            c.reader.setLimit(ExtensionMessage::kMaxBody);
            if (c.deadline) g_source_remove(c.deadline);
            c.deadline = 0;
            ExtensionMessage ack;
            ack.kind = ExtensionMessage::Kind::Ack;
            ack.serial = request->serial;
            if (!send(c, ack)) return false;
            continue;
        }
        ExtensionMessage answer = m_handler.answer(*request);
        answer.serial = request->serial;
        if (!send(c, answer)) return false;
    }
    return !c.reader.broken();
}

bool ExtensionServer::send(Connection& c, const ExtensionMessage& m)
{
    std::string bytes = m.encode();
    if (bytes.empty()) {
        // An answer too long for the channel becomes no value at all.
        ExtensionMessage none;
        none.kind = m.kind == ExtensionMessage::Kind::Value ? ExtensionMessage::Kind::Undefined : m.kind;
        none.serial = m.serial;
        bytes = none.encode();
    }
    size_t sent = 0;
    while (sent < bytes.size()) {
        // Never blocks and never raises SIGPIPE: the web process waits for
        // this answer, so a peer whose socket is full is not listening and
        // is cut off.
        const ssize_t n = ::send(c.fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        sent += static_cast<size_t>(n);
    }
    return true;
}

void ExtensionServer::close(int fd)
{
    auto it = m_connections.find(fd);
    if (it == m_connections.end()) return;
    if (it->second->source) g_source_remove(it->second->source);
    if (it->second->deadline) g_source_remove(it->second->deadline);
    ::close(fd);
    m_connections.erase(it);
}

} // namespace quarrow
