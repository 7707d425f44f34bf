#include "host/browser/webkit/extension/LauncherChannel.h"

#include <cerrno>
#include <chrono>
#include <cstddef>
#include <cstring>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quarrow {

LauncherChannel::LauncherChannel(const std::string& address, const std::string& token)
{
    sockaddr_un addr{};
    if (address.empty() || address.size() + 1 > sizeof addr.sun_path) return;
    m_fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (m_fd < 0) return;
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, address.data(), address.size());
    const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + address.size());
    int r;
    do {
        r = connect(m_fd, reinterpret_cast<sockaddr*>(&addr), length);
    } while (r != 0 && errno == EINTR);
    if (r != 0) {
        disconnect();
        return;
    }
    ExtensionMessage hello;
    hello.kind = ExtensionMessage::Kind::Hello;
    hello.first = token;
    std::optional<ExtensionMessage> answer = ask(hello);
    if (!answer || answer->kind != ExtensionMessage::Kind::Ack) disconnect();
}

LauncherChannel::~LauncherChannel() { disconnect(); }

void LauncherChannel::disconnect()
{
    if (m_fd >= 0) ::close(m_fd);
    m_fd = -1;
}

std::optional<ExtensionMessage> LauncherChannel::ask(ExtensionMessage request)
{
    if (m_fd < 0) return std::nullopt;
    request.serial = ++m_serial;
    const std::string bytes = request.encode();
    if (bytes.empty()) return std::nullopt;
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(m_fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            disconnect();
            return std::nullopt;
        }
        sent += static_cast<size_t>(n);
    }

    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(kTimeoutMs);
    for (;;) {
        while (std::optional<ExtensionMessage> m = m_reader.next()) {
            // An answer to an earlier request that timed out is stale.
            if (m->serial == request.serial && ExtensionMessage::isAnswer(m->kind)) return m;
        }
        if (m_reader.broken()) {
            disconnect();
            return std::nullopt;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return std::nullopt;
        pollfd p{m_fd, POLLIN, 0};
        const int ready = poll(&p, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return std::nullopt;
        char buffer[16384];
        const ssize_t n = recv(m_fd, buffer, sizeof buffer, 0);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) {
            disconnect(); // the launcher has gone
            return std::nullopt;
        }
        m_reader.feed(buffer, static_cast<size_t>(n));
    }
}

} // namespace quarrow
