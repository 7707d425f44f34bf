#include "XServer.h"

#include <gdk/gdk.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <unistd.h>

namespace quarrow::test {

namespace {

std::string logPath() { return std::string(QUARROW_TEST_OUTPUT_DIR) + "/xvfb-" + std::to_string(getpid()) + ".log"; }

std::string readFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

XServer& XServer::instance()
{
    static XServer server;
    return server;
}

bool XServer::start()
{
    if (m_running) return true;
    // Xvfb picks a free display number itself and writes it to this pipe
    // once it accepts connections: no guessing, no race with other test
    // programs running at the same time.
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        m_error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const std::string log = logPath();
    const bool started = m_process.start({"Xvfb", "-displayfd", std::to_string(ready[1]), "-screen", "0",
                                          std::to_string(kWidth) + "x" + std::to_string(kHeight) + "x24",
                                          "-nolisten", "tcp", "-noreset"},
                                         log, ready[1], m_error);
    ::close(ready[1]);
    if (!started) {
        ::close(ready[0]);
        m_error = "the X server for the GTK tests cannot start: " + m_error + " (is the xvfb package installed?)";
        return false;
    }
    std::string number;
    bool done = false;
    const int timeoutMs = 20000;
    for (int waited = 0; !done && waited < timeoutMs;) {
        pollfd p{ready[0], POLLIN, 0};
        const int r = poll(&p, 1, 100);
        if (r < 0 && errno == EINTR) continue;
        if (r == 0) {
            waited += 100;
            continue;
        }
        char c;
        const ssize_t n = read(ready[0], &c, 1);
        if (n <= 0) break; // the server went away
        if (c == '\n') {
            done = true;
        } else {
            number += c;
        }
    }
    ::close(ready[0]);
    if (!done || number.empty()) {
        const bool alive = m_process.running();
        m_process.stop();
        m_error = std::string("the X server for the GTK tests did not start (Xvfb ") +
                  (alive ? "gave no display number in time" : m_process.ending()) + "): " + readFile(log);
        return false;
    }
    m_display = ":" + number;
    setenv("DISPLAY", m_display.c_str(), 1);
    unlink(log.c_str());
    m_running = true;
    return true;
}

void XServer::stop()
{
    m_process.stop();
    m_running = false;
}

void XServerEnvironment::SetUp()
{
    // GTK's accessibility bridge would look for a session bus that a test
    // machine does not have, and wait for it.
    setenv("NO_AT_BRIDGE", "1", 1);
    XServer::instance().start();
}

void XServerEnvironment::TearDown()
{
    // The process's GDK connection stays open (GTK keeps its default
    // display); it is never used again once the tests are done.
    XServer::instance().stop();
}

} // namespace quarrow::test
