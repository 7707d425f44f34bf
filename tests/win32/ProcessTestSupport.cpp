#include "win32/ProcessTestSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace process_test {

namespace {

std::string FromHex(const std::string& hex)
{
    std::string bytes;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2) {
        bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    }
    return bytes;
}

std::string ReadWholeFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

// Fields of /proc/<pid>/stat after the command name, which may itself hold
// spaces and parentheses.
std::vector<std::string> StatFields(pid_t pid)
{
    const std::string stat = ReadWholeFile("/proc/" + std::to_string(pid) + "/stat");
    const std::size_t close = stat.rfind(')');
    if (close == std::string::npos) return {};
    std::istringstream in(stat.substr(close + 1));
    std::vector<std::string> fields;
    for (std::string field; in >> field;) fields.push_back(field);
    return fields;
}

}  // namespace

TempDir::TempDir()
{
    char pattern[] = "/tmp/quarrow-process-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
}

std::string ExecutableDirectory()
{
    return std::filesystem::read_symlink("/proc/self/exe").parent_path().string();
}

std::string PlacedLoader() { return ExecutableDirectory() + "/quilbyLoader.exe"; }

void WriteFile(const std::string& path, const std::string& content, unsigned mode)
{
    // Close-on-exec, so that no process started meanwhile keeps the file
    // open for writing (which would make executing it fail with ETXTBSY).
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, mode);
    if (fd < 0) throw std::runtime_error("cannot create " + path);
    std::size_t done = 0;
    while (done < content.size()) {
        const ssize_t n = ::write(fd, content.data() + done, content.size() - done);
        if (n <= 0) {
            ::close(fd);
            throw std::runtime_error("cannot write " + path);
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    if (::chmod(path.c_str(), mode) != 0) throw std::runtime_error("cannot chmod " + path);
}

void CopyLoader(const std::string& path, unsigned mode) { WriteFile(path, ReadWholeFile(PlacedLoader()), mode); }

std::string Canonical(const std::string& path) { return std::filesystem::canonical(path).string(); }

std::optional<LoaderRecord> WaitForRecord(const std::string& path, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    while (::access(path.c_str(), F_OK) != 0) {
        if (std::chrono::steady_clock::now() > end) return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    LoaderRecord record;
    std::istringstream in(ReadWholeFile(path));
    bool complete = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "end") complete = true;
        if (line == "marker-unset") continue;
        const std::size_t equals = line.find('=');
        if (equals == std::string::npos) continue;
        const std::string key = line.substr(0, equals);
        const std::string value = line.substr(equals + 1);
        if (key == "arg") record.args.push_back(FromHex(value));
        else if (key == "exe") record.exe = FromHex(value);
        else if (key == "cwd") record.cwd = FromHex(value);
        else if (key == "marker") record.marker = FromHex(value);
        else if (key == "env") record.env.push_back(FromHex(value));
        else if (key == "fd") record.fds.push_back(std::stoi(value));
        else if (key == "fdfile") record.fdFiles.push_back(FromHex(value));
        else if (key == "pid") record.pid = std::stoi(value);
        else if (key == "sid") record.sid = std::stoi(value);
        else if (key == "ppid") record.ppid = std::stoi(value);
        else if (key == "sigblk") record.sigblk = value;
        else if (key == "sigign") record.sigign = value;
    }
    if (!complete) return std::nullopt;
    return record;
}

char ProcessState(pid_t pid)
{
    const std::vector<std::string> fields = StatFields(pid);
    return fields.empty() ? 0 : fields[0][0];
}

bool WaitForExit(pid_t pid, std::chrono::milliseconds deadline)
{
    const auto end = std::chrono::steady_clock::now() + deadline;
    for (;;) {
        const char state = ProcessState(pid);
        if (state == 0 || state == 'Z' || state == 'X') return true;
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::vector<pid_t> ChildrenOfThisProcess()
{
    std::vector<pid_t> children;
    const std::string self = std::to_string(::getpid());
    DIR* proc = ::opendir("/proc");
    if (proc == nullptr) return children;
    while (dirent* entry = ::readdir(proc)) {
        const char* name = entry->d_name;
        if (name[0] < '0' || name[0] > '9') continue;
        const pid_t pid = std::atoi(name);
        const std::vector<std::string> fields = StatFields(pid);
        if (fields.size() > 1 && fields[1] == self) children.push_back(pid);
    }
    ::closedir(proc);
    return children;
}

}  // namespace process_test
