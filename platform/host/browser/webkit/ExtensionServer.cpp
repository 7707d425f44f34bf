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
    m_source = g_unix_fd_add(m_fd, G_IO_IN, reinterpret_cast<GUnixFDSourceFunc>(onListen), this);
}

ExtensionServer::~ExtensionServer()
{
    for (auto& [fd, c] : m_connections) {
        if (c->source) g_source_remove(c->source);
        ::close(fd);
    }
    m_connections.clear();
    if (m_source) g_source_remove(m_source);
    if (m_fd >= 0) ::close(m_fd);
}

size_t ExtensionServer::authenticatedConnections() const
{
    size_t n = 0;
    for (const auto& [fd, c] : m_connections) n += c->authenticated ? 1 : 0;
    return n;
}

int ExtensionServer::onListen(int, unsigned, void* self)
{
    static_cast<ExtensionServer*>(self)->accept();
    return G_SOURCE_CONTINUE;
}

void ExtensionServer::accept()
{
    for (;;) {
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) return; // EAGAIN: nothing more waiting; anything else: the next try
        ucred peer{};
        socklen_t size = sizeof peer;
        if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) != 0 || peer.uid != geteuid()) {
            ::close(fd);
            continue;
        }
        auto c = std::make_unique<Connection>();
        c->server = this;
        c->fd = fd;
        c->source = g_unix_fd_add(fd, static_cast<GIOCondition>(G_IO_IN | G_IO_HUP | G_IO_ERR),
                                  reinterpret_cast<GUnixFDSourceFunc>(onReadable), c.get());
        m_connections[fd] = std::move(c);
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
    bool open = true;
    for (;;) {
        const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            c.reader.feed(buffer, static_cast<size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) break;
        open = false; // the web process went away (or the socket failed)
        break;
    }
    while (std::optional<ExtensionMessage> request = c.reader.next()) {
        if (!ExtensionMessage::isRequest(request->kind)) return false;
        if (!c.authenticated) {
            // The first message says who is calling; anyone else is cut off.
            if (request->kind != ExtensionMessage::Kind::Hello || !sameSecret(request->first, m_token)) return false;
            c.authenticated = true;
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
    return open && !c.reader.broken();
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
    ::close(fd);
    m_connections.erase(it);
}

} // namespace quarrow
