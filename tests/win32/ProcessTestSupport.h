// Helpers for the process tests: temporary directories, copies of the
// recording loader, reading its record, and watching processes through
// /proc. The recording loader sits beside the test executable as
// "quilbyLoader.exe" (cmake/RecordingLoader.cmake).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace process_test {

// A fresh directory under /tmp, removed with everything in it on
// destruction.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return m_path; }
    std::string file(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// What the recording loader wrote about itself.
struct LoaderRecord {
    std::vector<std::string> args;
    std::string exe;
    std::string cwd;
    std::optional<std::string> marker;
    std::vector<std::string> env;
    std::vector<int> fds;
    std::vector<std::string> fdFiles;  // what each of `fds` is ("/dev/null", "socket:[...]")
    pid_t pid = 0;
    pid_t sid = 0;
    pid_t ppid = 0;
    std::string sigblk;
    std::string sigign;
};

std::string ExecutableDirectory();
// The recording loader placed beside the test executable.
std::string PlacedLoader();
// Copies the recording loader to `path` with the given mode.
void CopyLoader(const std::string& path, unsigned mode = 0755);
void WriteFile(const std::string& path, const std::string& content, unsigned mode = 0644);
std::string Canonical(const std::string& path);

// Waits for the record file to appear (it is renamed into place whole) and
// parses it; nothing when the deadline passes first.
std::optional<LoaderRecord> WaitForRecord(const std::string& path,
                                          std::chrono::milliseconds deadline = std::chrono::seconds(20));

// The state letter of /proc/<pid>/stat ('R', 'S', 'Z', ...), or 0 when the
// process is gone.
char ProcessState(pid_t pid);
// Waits until the process is gone or a zombie (of whoever its parent is
// now); false when the deadline passes first.
bool WaitForExit(pid_t pid, std::chrono::milliseconds deadline = std::chrono::seconds(20));
// The process ids whose parent is this process, from /proc.
std::vector<pid_t> ChildrenOfThisProcess();

}  // namespace process_test
