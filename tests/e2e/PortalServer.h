// The test portal on loopback: tools/demo-portal-server.py serving the
// pages of tests/e2e/portal on the one port the end-to-end launcher was
// built for, logging every request. The pages report what they see as
// requests for /report?<name>=<value>&n=<count>, so the log is how a test
// reads what happened inside the page. The object owns the server process
// and ends it.
#pragma once

#include "ChildProcess.h"

#include <string>
#include <vector>

namespace quarrow::test {

class PortalServer {
public:
    // `folder` keeps the server's log and port file.
    explicit PortalServer(std::string folder) : m_folder(std::move(folder)) {}

    // Serves `root` on 127.0.0.1:`port`; false with `error` set when the
    // server does not start (for instance when the port is taken).
    bool start(const std::string& root, int port, std::string& error);
    void stop() { m_process.stop(); }

    // The paths (with their queries) of every request so far, in order.
    std::vector<std::string> requests() const;
    // The values reported under `name` so far, in order, percent-decoded.
    std::vector<std::string> reports(const std::string& name) const;

    const std::string& logPath() const { return m_log; }

private:
    std::string m_folder;
    std::string m_log;
    ChildProcess m_process;
};

} // namespace quarrow::test
