// A helper program the GTK tests run beside themselves (the X server, a
// compositing manager). The object owns the process: it dies with the test
// program even when that crashes (the parent-death signal), and stop() or
// the destructor ends it and reaps it, so no process outlives the tests.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace quarrow::test {

class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess() { stop(); }
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts `argv` (searched in PATH) with standard output and error going
    // to `logPath`; `keepFd` (when not -1) stays open in the child. False
    // with `error` set when the program cannot be started.
    bool start(const std::vector<std::string>& argv, const std::string& logPath, int keepFd, std::string& error);
    // For the next start: the working directory (empty: the test's own),
    // and whether the program starts with its standard input closed.
    void setDirectory(const std::string& directory) { m_directory = directory; }
    void setStandardInputClosed(bool closed) { m_closeInput = closed; }
    // Ends the process (SIGTERM, then SIGKILL after a grace period) and
    // reaps it.
    void stop();
    // Whether it still runs; reaps it and records how it ended otherwise.
    bool running();
    pid_t pid() const { return m_pid; }
    // How the process ended ("exited with status 1", "killed by signal 9").
    const std::string& ending() const { return m_ending; }

private:
    void noteEnding(int status);

    pid_t m_pid = -1;
    std::string m_ending;
    std::string m_directory;
    bool m_closeInput = false;
};

} // namespace quarrow::test
