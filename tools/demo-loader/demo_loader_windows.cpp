// The Windows build of the demo's stand-in for the game loader, installed
// beside the launcher as "quilbyLoader.exe". It appends the command line it
// was given (GetCommandLineA, the bytes the launcher wrote) and a newline to
// %QUARROW_DEMO_OUT%\loader-command-line.txt when that variable is set, and
// shows the line in a message box until the user closes it.
//
// Exit status: 0, or 1 when the record file cannot be written.
#include <windows.h>

#include <cstdio>
#include <string>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::string line = ::GetCommandLineA();
    int status = 0;

    wchar_t dir[MAX_PATH * 4] = {};
    const DWORD n = ::GetEnvironmentVariableW(L"QUARROW_DEMO_OUT", dir, sizeof dir / sizeof dir[0]);
    if (n > 0 && n < sizeof dir / sizeof dir[0]) {
        const std::wstring path = std::wstring(dir) + L"\\loader-command-line.txt";
        std::FILE* file = ::_wfopen(path.c_str(), L"ab");
        const std::string bytes = line + "\n";
        const bool written = file != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
        if (file == nullptr || std::fclose(file) != 0 || !written) status = 1;
    }

    // The window shows the text as the system's ANSI code page reads it,
    // which is how the launcher wrote it.
    ::MessageBoxW(nullptr, ::GetCommandLineW(), L"quilbyLoader.exe (demo)", MB_OK | MB_ICONINFORMATION);
    return status;
}
