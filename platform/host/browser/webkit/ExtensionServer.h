// The launcher's end of the private channel to its extension in the WebKit
// web processes: a listening Unix socket in the abstract namespace, named
// with the process id and a random part, and the connections that web
// processes open to it. A connection counts only once it has sent the
// random token the session gave its extension (and comes from a process of
// the same user), so nothing else on the machine can speak to the launcher.
//
// Any process of the same user can connect, so a connection is held to
// little until it has identified itself: its first message may take at
// most ExtensionMessage::kMaxHelloBody bytes (nothing beyond that is read
// from it), it must come within kAuthenticationMs, and at most
// kMaxPendingConnections such connections are held at once: a newcomer
// pushes out the one that has waited longest, once that one has had
// kMinPendingMs to identify itself (until then newcomers wait in the
// backlog), so that silent connections cannot keep a web process out and a
// flood cannot push one out whose hello is on its way; a hello is read as
// soon as its connection is accepted. Bytes are parsed as each read
// arrives, so a malformed stream ends its connection at once, and each turn
// of the loop accepts and reads a bounded amount. When the process runs out
// of descriptors, the listener is not watched for kPauseMs instead of
// waking the loop again at once.
//
// Everything runs on the GUI thread: the sockets are GLib sources of the
// default main context, which the window system's wait iterates, so each
// request is answered from inside that wait. Nothing polls, and there are
// no threads.
//
// Ownership: the session (host/browser/webkit/WebKitSession.h) owns the
// server and outlives it; the server owns its sockets and sources. An
// abstract socket leaves nothing in the file system, so closing it (at the
// latest when the process ends) is all the clean-up there is.
#pragma once

#include "host/browser/webkit/ExtensionMessage.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

namespace quarrow {

class ExtensionServer {
public:
    class Handler {
    public:
        // The answer to a request of an authenticated connection (its
        // serial is filled in by the server). May run any window code.
        virtual ExtensionMessage answer(const ExtensionMessage& request) = 0;

    protected:
        ~Handler() = default;
    };

    explicit ExtensionServer(Handler& handler);
    ~ExtensionServer();
    ExtensionServer(const ExtensionServer&) = delete;
    ExtensionServer& operator=(const ExtensionServer&) = delete;

    // False with error() saying why when the socket could not be opened.
    bool listening() const { return m_fd >= 0; }
    const std::string& error() const { return m_error; }
    // The abstract socket's name (without its leading zero byte).
    const std::string& address() const { return m_address; }
    const std::string& token() const { return m_token; }
    // Connections that have identified themselves.
    size_t authenticatedConnections() const;
    // Connections that have not identified themselves yet.
    size_t pendingConnections() const;
    // Whether the listener is watched now (not while it rests: after the
    // descriptors ran out, or until the oldest pending connection may be
    // pushed out).
    bool accepting() const { return m_source != 0; }

    static constexpr size_t kMaxPendingConnections = 8;
    static constexpr unsigned kAuthenticationMs = 2000;
    static constexpr unsigned kPauseMs = 250;
    static constexpr unsigned kMinPendingMs = 100;

private:
    struct Connection {
        ExtensionServer* server = nullptr;
        int fd = -1;
        unsigned source = 0;
        unsigned deadline = 0; // ends the connection unless it identifies itself in time
        uint64_t order = 0;    // when it was accepted: the oldest pending one makes room first
        int64_t acceptedAt = 0; // the monotonic clock then, in microseconds
        bool authenticated = false;
        ExtensionMessage::Reader reader;
    };

    static int onListen(int fd, unsigned condition, void* self);
    static int onReadable(int fd, unsigned condition, void* connection);
    static int onDeadline(void* connection);
    static int onResume(void* self);
    // Leaves the listener unwatched for `ms` milliseconds.
    void rest(unsigned ms);
    void accept();
    // Watches the listener unless it rests.
    void updateListener();
    // False when the connection is to be closed.
    bool serve(Connection& c);
    // Answers the complete messages that have arrived; false when the
    // connection is to be closed.
    bool answerArrived(Connection& c);
    bool send(Connection& c, const ExtensionMessage& m);
    void close(int fd);

    Handler& m_handler;
    int m_fd = -1;
    unsigned m_source = 0;
    unsigned m_resumeSource = 0; // while the listener rests
    uint64_t m_accepted = 0;
    std::string m_address;
    std::string m_token;
    std::string m_error;
    std::map<int, std::unique_ptr<Connection>> m_connections;
};

} // namespace quarrow
