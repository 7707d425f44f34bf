// The launcher's end of the private channel to its extension in the WebKit
// web processes: a listening Unix socket in the abstract namespace, named
// with the process id and a random part, and the connections that web
// processes open to it. A connection counts only once it has sent the
// random token the session gave its extension (and comes from a process of
// the same user), so nothing else on the machine can speak to the launcher.
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

private:
    struct Connection {
        ExtensionServer* server = nullptr;
        int fd = -1;
        unsigned source = 0;
        bool authenticated = false;
        ExtensionMessage::Reader reader;
    };

    static int onListen(int fd, unsigned condition, void* self);
    static int onReadable(int fd, unsigned condition, void* connection);
    void accept();
    // False when the connection is to be closed.
    bool serve(Connection& c);
    bool send(Connection& c, const ExtensionMessage& m);
    void close(int fd);

    Handler& m_handler;
    int m_fd = -1;
    unsigned m_source = 0;
    std::string m_address;
    std::string m_token;
    std::string m_error;
    std::map<int, std::unique_ptr<Connection>> m_connections;
};

} // namespace quarrow
