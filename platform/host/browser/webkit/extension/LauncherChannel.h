// The extension's end of the private channel to the launcher (the UI
// process's host/browser/webkit/ExtensionServer.h), inside a WebKit web
// process: one connection to the launcher's abstract socket, opened when
// the extension starts and identified by the token the launcher handed the
// extension. Each request blocks the web process's main thread until its
// answer comes: page script reads window.external synchronously, and the
// page goes on only once the launcher has seen an event.
//
// When the launcher is gone (the socket closed) or never answers, every
// request fails at once or after kTimeoutMs, and the page carries on as if
// the launcher had no answer: nothing here may take the page down (no
// SIGPIPE, no exception).
//
// Ownership: the extension's runtime (host/browser/webkit/extension/ExtensionRuntime.h) owns the channel
// for the life of the web process; the channel owns its socket.
#pragma once

#include "host/browser/webkit/ExtensionMessage.h"

#include <optional>
#include <string>

namespace quarrow {

class LauncherChannel {
public:
    static constexpr int kTimeoutMs = 10000;

    // Connects to the abstract socket `address` and says who it is.
    LauncherChannel(const std::string& address, const std::string& token);
    ~LauncherChannel();
    LauncherChannel(const LauncherChannel&) = delete;
    LauncherChannel& operator=(const LauncherChannel&) = delete;

    bool connected() const { return m_fd >= 0; }

    // Sends `request` (its serial is set here) and waits for its answer;
    // nothing when the launcher is gone or did not answer in time.
    std::optional<ExtensionMessage> ask(ExtensionMessage request);

private:
    void disconnect();

    int m_fd = -1;
    uint32_t m_serial = 0;
    ExtensionMessage::Reader m_reader;
};

} // namespace quarrow
