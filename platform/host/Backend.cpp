#include "host/Backend.h"

#include <string>
#include <vector>

#include "win32/ErrHandlingApi.h"
#include "win32/ProcessThreadsApi.h"
#include "win32/WinNls.h"

namespace quarrow {

DWORD Backend::shellOpenImpl(const ShellRequest& request)
{
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
    if (!CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, FALSE, DETACHED_PROCESS, nullptr, nullptr,
                        &startup, &process)) {
        return GetLastError();
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return ERROR_SUCCESS;
}

} // namespace quarrow
