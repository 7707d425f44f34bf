// A stand-in for the game loader that tests start through CreateProcessA.
// It writes what it was given to the file named by QUARROW_RECORD_FILE (and
// does nothing when that is unset), so a test can check exactly what a
// started program receives: every argument's bytes, its executable, current
// directory, environment, open descriptors, session and signal state.
//
// Record format, one "key=value" line each, byte strings in hex:
//   argc=<n>, then arg=<hex> per argument
//   exe=<hex>      the file that runs (/proc/self/exe)
//   cwd=<hex>
//   marker=<hex>   QUARROW_RECORD_MARKER, or "marker-unset"
//   env=<hex>      one per environment entry, in order
//   fd=<n>         one per open descriptor at start-up
//   pid=<n>, sid=<n>, ppid=<n>
//   sigblk=<hex>, sigign=<hex>   the masks from /proc/self/status
//   end
// The record is written to "<file>.tmp" and renamed, so a reader sees
// either nothing or all of it.
//
// With QUARROW_RECORD_HOLD naming a file, the loader then stays alive until
// that file exists (for at most a minute, so it never lingers), which lets
// a test see it running after CreateProcessA has returned.
#include "RecordHex.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

extern char** environ;

namespace {

using quarrow::record::Hex;

// The descriptors open when the program started, without the one that
// reads the directory.
std::vector<int> OpenDescriptors()
{
    std::vector<int> fds;
    DIR* dir = opendir("/proc/self/fd");
    if (dir == nullptr) return fds;
    const int own = dirfd(dir);
    while (dirent* entry = readdir(dir)) {
        if (entry->d_name[0] == '.') continue;
        const int fd = std::atoi(entry->d_name);
        if (fd != own) fds.push_back(fd);
    }
    closedir(dir);
    return fds;
}

std::string ReadLink(const char* path)
{
    std::vector<char> buffer(4096);
    const ssize_t n = readlink(path, buffer.data(), buffer.size());
    return n < 0 ? std::string() : std::string(buffer.data(), static_cast<std::size_t>(n));
}

std::string StatusField(const char* name)
{
    FILE* file = std::fopen("/proc/self/status", "re");
    if (file == nullptr) return {};
    char line[512];
    std::string value;
    const std::size_t nameLength = std::strlen(name);
    while (std::fgets(line, sizeof line, file) != nullptr) {
        if (std::strncmp(line, name, nameLength) == 0 && line[nameLength] == ':') {
            const char* p = line + nameLength + 1;
            while (*p == ' ' || *p == '\t') ++p;
            value = p;
            while (!value.empty() && (value.back() == '\n' || value.back() == ' ')) value.pop_back();
            break;
        }
    }
    std::fclose(file);
    return value;
}

bool WriteAll(int fd, const std::string& text)
{
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

void Hold(const char* releaseFile)
{
    const std::time_t deadline = std::time(nullptr) + 60;
    struct stat status {};
    while (stat(releaseFile, &status) != 0 && std::time(nullptr) < deadline) {
        const timespec pause{0, 5 * 1000 * 1000};
        nanosleep(&pause, nullptr);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    // Taken first, before this program opens anything of its own.
    const std::vector<int> fds = OpenDescriptors();

    const char* recordFile = std::getenv("QUARROW_RECORD_FILE");
    if (recordFile == nullptr || recordFile[0] == '\0') return 0;

    std::string record;
    record += "argc=" + std::to_string(argc) + "\n";
    for (int i = 0; i < argc; ++i) record += "arg=" + Hex(argv[i]) + "\n";
    record += "exe=" + Hex(ReadLink("/proc/self/exe")) + "\n";
    record += "cwd=" + Hex(ReadLink("/proc/self/cwd")) + "\n";
    const char* marker = std::getenv("QUARROW_RECORD_MARKER");
    record += marker != nullptr ? "marker=" + Hex(marker) + "\n" : std::string("marker-unset\n");
    for (char** entry = environ; *entry != nullptr; ++entry) record += "env=" + Hex(*entry) + "\n";
    // Each descriptor with what it is ("/dev/null", "socket:[...]"), so a
    // test sees whether a private file of the launcher's was handed on.
    for (int fd : fds) {
        record += "fd=" + std::to_string(fd) + "\n";
        record += "fdfile=" + Hex(ReadLink(("/proc/self/fd/" + std::to_string(fd)).c_str())) + "\n";
    }
    record += "pid=" + std::to_string(getpid()) + "\n";
    record += "sid=" + std::to_string(getsid(0)) + "\n";
    record += "ppid=" + std::to_string(getppid()) + "\n";
    record += "sigblk=" + StatusField("SigBlk") + "\n";
    record += "sigign=" + StatusField("SigIgn") + "\n";
    record += "end\n";

    const std::string temporary = std::string(recordFile) + ".tmp";
    const int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) return 2;
    const bool written = WriteAll(fd, record);
    if (close(fd) != 0 || !written || rename(temporary.c_str(), recordFile) != 0) return 2;

    if (const char* hold = std::getenv("QUARROW_RECORD_HOLD")) Hold(hold);
    return 0;
}
