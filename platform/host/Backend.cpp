#include "host/Backend.h"

#include <cstdlib>
#include <string>
#include <vector>

#include <sys/stat.h>
#include <unistd.h>

#include "win32/ErrHandlingApi.h"
#include "win32/ProcessThreadsApi.h"
#include "win32/WinNls.h"

namespace quarrow {

namespace {

// The desktop's opener, found only through the absolute entries of PATH:
// an empty or relative entry would mean the current directory (or a folder
// below it), where anything may lie. The process layer would look beside
// the launcher's executable first, which is no place for the desktop's
// opener either, so the opener is named in full. Empty when there is none.
std::string FindOpener(const char* name)
{
    std::string path;
    if (const char* value = ::getenv("PATH")) {
        path = value;
    } else {
        // The system's default search path, as for any program without PATH.
        const size_t length = ::confstr(_CS_PATH, nullptr, 0);
        if (length > 0) {
            std::vector<char> buffer(length);
            ::confstr(_CS_PATH, buffer.data(), buffer.size());
            path = buffer.data();
        }
    }
    size_t start = 0;
    for (;;) {
        const size_t colon = path.find(':', start);
        const std::string entry = path.substr(start, colon == std::string::npos ? std::string::npos : colon - start);
        if (!entry.empty() && entry[0] == '/') {
            const std::string candidate = entry + (entry.back() == '/' ? "" : "/") + name;
            struct stat status {};
            if (::stat(candidate.c_str(), &status) == 0 && S_ISREG(status.st_mode) &&
                ::access(candidate.c_str(), X_OK) == 0) {
                return candidate;
            }
        }
        if (colon == std::string::npos) return {};
        start = colon + 1;
    }
}

} // namespace

DWORD Backend::shellOpenImpl(const ShellRequest& request)
{
    const std::string opener = FindOpener("xdg-open");
    if (opener.empty()) return ERROR_FILE_NOT_FOUND;

    // The process layer runs the first quoted token with the exact bytes
    // after the separator as its one argument: { "xdg-open", address }.
    const int length = static_cast<int>(request.file.size());
    const int needed = WideCharToMultiByte(CP_UTF8, 0, request.file.data(), length, nullptr, 0, nullptr, nullptr);
    std::string address(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_UTF8, 0, request.file.data(), length, address.data(), needed, nullptr, nullptr);
    }
    std::string line = "\"xdg-open\" " + address;
    std::vector<char> buffer(line.begin(), line.end());
    buffer.push_back('\0');

    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(opener.c_str(), buffer.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &process)) {
        return GetLastError();
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ERROR_SUCCESS;
}

} // namespace quarrow
