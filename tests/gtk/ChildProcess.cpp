#include "ChildProcess.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace quarrow::test {

bool ChildProcess::start(const std::vector<std::string>& argv, const std::string& logPath, int keepFd,
                         std::string& error)
{
    std::vector<char*> args;
    for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    const int log = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (log < 0) {
        error = "cannot write " + logPath + ": " + std::strerror(errno);
        return false;
    }
    // The child reports a failed exec through this pipe (closed on a
    // successful exec).
    int report[2];
    if (pipe2(report, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        ::close(log);
        return false;
    }
    const pid_t parent = getpid();
    const pid_t pid = fork();
    if (pid < 0) {
        error = std::string("fork: ") + std::strerror(errno);
        ::close(log);
        ::close(report[0]);
        ::close(report[1]);
        return false;
    }
    if (pid == 0) {
        // The helper must not outlive a test program that dies abruptly.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        setpgid(0, 0); // keeps terminal signals meant for the tests away
        dup2(log, STDOUT_FILENO);
        dup2(log, STDERR_FILENO);
        if (keepFd >= 0) fcntl(keepFd, F_SETFD, 0);
        if (!m_directory.empty() && chdir(m_directory.c_str()) != 0) {
            const int e = errno;
            ssize_t ignored = write(report[1], &e, sizeof e);
            (void)ignored;
            _exit(127);
        }
        if (m_closeInput) ::close(STDIN_FILENO);
        execvp(args[0], args.data());
        const int e = errno;
        ssize_t ignored = write(report[1], &e, sizeof e);
        (void)ignored;
        _exit(127);
    }
    ::close(log);
    ::close(report[1]);
    int childErrno = 0;
    ssize_t n;
    do {
        n = read(report[0], &childErrno, sizeof childErrno);
    } while (n < 0 && errno == EINTR);
    ::close(report[0]);
    m_pid = pid;
    m_ending.clear();
    if (n == sizeof childErrno) {
        error = "cannot run " + argv[0] + ": " + std::strerror(childErrno);
        stop();
        return false;
    }
    return true;
}

void ChildProcess::noteEnding(int status)
{
    if (WIFEXITED(status)) {
        m_ending = "exited with status " + std::to_string(WEXITSTATUS(status));
    } else if (WIFSIGNALED(status)) {
        m_ending = "killed by signal " + std::to_string(WTERMSIG(status));
    }
    m_pid = -1;
}

bool ChildProcess::running()
{
    if (m_pid <= 0) return false;
    int status = 0;
    const pid_t r = waitpid(m_pid, &status, WNOHANG);
    if (r == 0) return true;
    if (r == m_pid) noteEnding(status);
    else m_pid = -1;
    return false;
}

void ChildProcess::stop()
{
    if (m_pid <= 0) return;
    kill(m_pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (running()) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(m_pid, SIGKILL);
            int status = 0;
            if (waitpid(m_pid, &status, 0) == m_pid) noteEnding(status);
            m_pid = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

} // namespace quarrow::test
