// A peer of the launcher's extension channel that plays by none of its
// rules, for the tests and the benchmark that flood the channel: raw
// non-blocking connections to the server's abstract address, the wire's
// little-endian lengths, and whether the server has closed its end.
#pragma once

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace quarrow::test {

inline std::string le32(uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }

// A client socket of this process connected (or connecting) to the
// abstract `address`; -1 when the backlog is full or no descriptor is left.
inline int connectTo(const std::string& address)
{
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return -1;
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::memcpy(addr.sun_path + 1, address.data(), address.size());
    const socklen_t length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + address.size());
    if (connect(fd, reinterpret_cast<sockaddr*>(&addr), length) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the other end has closed the connection: this end reads the end
// of the stream (or a reset).
inline bool closedByPeer(int fd)
{
    char c;
    const ssize_t n = recv(fd, &c, 1, MSG_DONTWAIT);
    return n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK);
}

// Writes as much of `bytes` as the socket takes now.
inline size_t writeWhatFits(int fd, const std::string& bytes)
{
    size_t sent = 0;
    while (sent < bytes.size()) {
        const ssize_t n = send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n <= 0) break;
        sent += static_cast<size_t>(n);
    }
    return sent;
}

} // namespace quarrow::test
