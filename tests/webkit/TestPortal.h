// The pages the WebKit tests load: files in a temporary folder of the
// test's own, served by a small HTTP server (python3) on a free loopback
// port. The same server also answers as an HTTP proxy, so a test can load
// an ordinary, not locally trusted address (http://portal.test/...) the
// way the launcher loads its portal, with no traffic beyond loopback. The
// object owns the server process and the folder and removes both.
#pragma once

#include "ChildProcess.h"

#include <string>

namespace quarrow::test {

class TestPortal {
public:
    TestPortal();
    ~TestPortal();
    TestPortal(const TestPortal&) = delete;
    TestPortal& operator=(const TestPortal&) = delete;

    void addPage(const std::string& name, const std::string& html);
    // `name` is served with these header lines ("Name: value", one a line).
    void addHeaders(const std::string& name, const std::string& lines);
    // `name` answers with a redirect (302) to `location`.
    void addRedirect(const std::string& name, const std::string& location);
    // Starts serving; false with `error` set when the server does not start.
    bool start(std::string& error);
    int port() const { return m_port; }
    // http://127.0.0.1:<port>/
    std::string loopbackRoot() const;

private:
    std::string m_folder;
    ChildProcess m_server;
    int m_port = 0;
};

} // namespace quarrow::test
