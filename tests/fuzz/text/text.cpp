// Fuzzes the login hand-off's text helpers and the narrow conversions in
// both directions, for UTF-8 and GBK. The first byte picks the code page
// and the separator; the rest is the input.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "launcher/StringUtil.h"
#include "win32/WinNls.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size < 1) return 0;
    const UINT codePage = (data[0] & 1) ? 936 : CP_UTF8;
    const char separator = (data[0] & 2) ? '=' : '&';
    const char* bytes = reinterpret_cast<const char*>(data + 1);
    const int length = static_cast<int>(size - 1);

    std::string narrow(bytes, static_cast<size_t>(length));
    std::string decoded = UrlDecode(narrow);
    if (decoded.size() > narrow.size()) __builtin_trap();

    if (length > 0) {
        int wideLength = MultiByteToWideChar(codePage, 0, bytes, length, nullptr, 0);
        std::vector<WCHAR> wide(static_cast<size_t>(wideLength) + 1);
        if (wideLength > 0 && MultiByteToWideChar(codePage, 0, bytes, length, wide.data(), wideLength) != wideLength) {
            __builtin_trap();
        }
        // The same bytes read as UTF-16 exercise the wide-to-narrow side with
        // lone surrogates and zeros.
        int units = length / 2;
        if (units > 0) {
            std::vector<WCHAR> raw(static_cast<size_t>(units));
            std::memcpy(raw.data(), bytes, static_cast<size_t>(units) * 2);
            int n = WideCharToMultiByte(codePage, 0, raw.data(), units, nullptr, 0, nullptr, nullptr);
            std::vector<char> out(static_cast<size_t>(n > 0 ? n : 1));
            if (n > 0 && WideCharToMultiByte(codePage, 0, raw.data(), units, out.data(), n, nullptr, nullptr) != n) {
                __builtin_trap();
            }
            CString text(raw.data(), units);
            CStringArray parts;
            int count = SplitString(text, parts, separator);
            int separators = 0;
            for (int i = 0; i < units; ++i) separators += raw[static_cast<size_t>(i)] == separator;
            if (count != separators + 1) __builtin_trap();
        }
    }
    return 0;
}
