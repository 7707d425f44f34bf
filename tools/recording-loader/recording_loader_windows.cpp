// The Windows build of the stand-in for the game loader. It writes what it
// was given to the file named by QUARROW_RECORD_FILE (and does nothing when
// that is unset), so a test under Wine can check exactly what the launcher
// started: the command line's bytes as the program received them.
//
// Record format, one "key=value" line each, byte strings in hex (the same
// line format as the Linux loader's, so one reader serves both):
//   cmdline=<hex>   GetCommandLineA(), the whole command line
//   wcmdline=<hex>  GetCommandLineW() in UTF-8
//   argc=2, arg=<hex> twice: the first token without its quotes and the
//                   exact bytes after the separator space, as the launcher's
//                   argument vector is on Linux
//   exe=<hex>       the file that runs (GetModuleFileNameW, UTF-8)
//   cwd=<hex>       the current directory (UTF-8)
//   marker=<hex>    QUARROW_RECORD_MARKER, or "marker-unset"
//   pid=<n>
//   end
// The record is written to "<file>.tmp" and moved into place, so a reader
// sees either nothing or all of it. Each start also appends its process id
// as one line to "<file>.starts", so a test can tell one start from two.
#include "RecordHex.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace {

using quarrow::record::Hex;

std::string Utf8(const wchar_t* text)
{
    if (text == nullptr || *text == L'\0') return {};
    const int needed = ::WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (needed <= 1) return {};
    std::string out(static_cast<size_t>(needed), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text, -1, out.data(), needed, nullptr, nullptr);
    out.resize(static_cast<size_t>(needed - 1));
    return out;
}

std::wstring Environment(const wchar_t* name)
{
    wchar_t buffer[32768];
    const DWORD n = ::GetEnvironmentVariableW(name, buffer, sizeof buffer / sizeof buffer[0]);
    if (n == 0 || n >= sizeof buffer / sizeof buffer[0]) return {};
    return std::wstring(buffer, n);
}

// The launcher's argument vector: the first token (quoted or not) and the
// bytes after the one space that follows it.
void SplitCommandLine(const std::string& line, std::string& first, std::string& rest)
{
    size_t end = 0;
    if (!line.empty() && line[0] == '"') {
        const size_t close = line.find('"', 1);
        first = line.substr(1, close == std::string::npos ? std::string::npos : close - 1);
        end = close == std::string::npos ? line.size() : close + 1;
    } else {
        end = line.find_first_of(" \t");
        if (end == std::string::npos) end = line.size();
        first = line.substr(0, end);
    }
    rest = end < line.size() ? line.substr(end + 1) : std::string();
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes, bool append)
{
    std::FILE* file = ::_wfopen(path.c_str(), append ? L"ab" : L"wb");
    if (file == nullptr) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    return std::fclose(file) == 0 && written;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int)
{
    const std::wstring recordFile = Environment(L"QUARROW_RECORD_FILE");
    if (recordFile.empty()) return 0;

    const std::string line = ::GetCommandLineA();
    std::string first, rest;
    SplitCommandLine(line, first, rest);

    wchar_t module[MAX_PATH * 4] = {};
    ::GetModuleFileNameW(nullptr, module, sizeof module / sizeof module[0]);
    wchar_t cwd[MAX_PATH * 4] = {};
    ::GetCurrentDirectoryW(sizeof cwd / sizeof cwd[0], cwd);
    const std::wstring marker = Environment(L"QUARROW_RECORD_MARKER");

    std::string record;
    record += "cmdline=" + Hex(line) + "\n";
    record += "wcmdline=" + Hex(Utf8(::GetCommandLineW())) + "\n";
    record += "argc=2\n";
    record += "arg=" + Hex(first) + "\n";
    record += "arg=" + Hex(rest) + "\n";
    record += "exe=" + Hex(Utf8(module)) + "\n";
    record += "cwd=" + Hex(Utf8(cwd)) + "\n";
    record += marker.empty() ? std::string("marker-unset\n") : "marker=" + Hex(Utf8(marker.c_str())) + "\n";
    record += "pid=" + std::to_string(::GetCurrentProcessId()) + "\n";
    record += "end\n";

    WriteFileBytes(recordFile + L".starts", std::to_string(::GetCurrentProcessId()) + "\n", true);
    const std::wstring temporary = recordFile + L".tmp";
    if (!WriteFileBytes(temporary, record, false)) return 2;
    if (!::MoveFileExW(temporary.c_str(), recordFile.c_str(), MOVEFILE_REPLACE_EXISTING)) return 2;
    return 0;
}
