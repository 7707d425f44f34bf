#include "launcher/StringUtil.h"

#include "win32/WinNls.h"

int SplitString(const CString& text, CStringArray& parts, char separator)
{
    parts.RemoveAll();
    if (text.IsEmpty()) return 0;
    const WCHAR sep = static_cast<WCHAR>(static_cast<unsigned char>(separator));
    int start = 0;
    for (;;) {
        int at = text.Find(sep, start);
        if (at < 0) {
            parts.Add(text.Mid(start));
            break;
        }
        parts.Add(text.Mid(start, at - start));
        start = at + 1;
    }
    return static_cast<int>(parts.GetSize());
}

namespace {

int HexDigit(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

}  // namespace

std::string UrlDecode(const std::string& value)
{
    std::string out;
    out.reserve(value.size());
    const size_t n = value.size();
    for (size_t i = 0; i < n; ++i) {
        char c = value[i];
        if (c == '+') {
            out.push_back(' ');
        } else if (c == '%') {
            int high = i + 1 < n ? HexDigit(value[i + 1]) : -1;
            int low = i + 2 < n ? HexDigit(value[i + 2]) : -1;
            out.push_back(high >= 0 && low >= 0 ? static_cast<char>((high << 4) | low) : '?');
            i += (n - 1 - i) < 2 ? (n - 1 - i) : 2;
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string ToThreadAnsi(const CString& text)
{
    if (text.IsEmpty()) return {};
    int needed = WideCharToMultiByte(CP_THREAD_ACP, 0, text.GetString(), text.GetLength(), nullptr, 0, nullptr,
                                     nullptr);
    std::string out(static_cast<size_t>(needed > 0 ? needed : 0), '\0');
    if (needed > 0) {
        WideCharToMultiByte(CP_THREAD_ACP, 0, text.GetString(), text.GetLength(), out.data(), needed, nullptr,
                            nullptr);
    }
    return out;
}

CString FromThreadAnsi(const std::string& text) { return CString(text.c_str()); }
