#include "RunMarker.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace quarrow::test {

namespace {

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// A zombie has ended; only its parent's wait is missing.
bool ended(const std::filesystem::path& dir)
{
    const std::string stat = readFile(dir / "stat");
    const size_t name = stat.rfind(')');
    return name == std::string::npos || name + 2 >= stat.size() || stat[name + 2] == 'Z' || stat[name + 2] == 'X';
}

} // namespace

std::vector<MarkedProcess> RunMarker::processes() const
{
    const std::string entry = std::string(kVariable) + "=" + m_token;
    std::vector<MarkedProcess> found;
    std::error_code error;
    for (const auto& dir : std::filesystem::directory_iterator("/proc", error)) {
        const std::string name = dir.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos) continue;
        // The environment a process started with, entries separated by
        // zero bytes; a process that is gone (or not ours) reads empty.
        const std::string environment = readFile(dir.path() / "environ");
        bool marked = false;
        for (size_t start = 0; start < environment.size();) {
            size_t end = environment.find('\0', start);
            if (end == std::string::npos) end = environment.size();
            if (environment.compare(start, end - start, entry) == 0) {
                marked = true;
                break;
            }
            start = end + 1;
        }
        if (!marked || ended(dir.path())) continue;
        MarkedProcess process;
        process.pid = static_cast<pid_t>(std::atoi(name.c_str()));
        std::error_code ignored;
        process.exe = std::filesystem::read_symlink(dir.path() / "exe", ignored).string();
        process.command = readFile(dir.path() / "cmdline");
        for (char& c : process.command) {
            if (c == '\0') c = ' ';
        }
        found.push_back(process);
    }
    return found;
}

} // namespace quarrow::test
