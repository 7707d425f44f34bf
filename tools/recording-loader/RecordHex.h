// The recording loader's record writes every byte string as hex, so that
// any byte (a newline, a zero) survives its line format: both directions,
// for the loaders that write records and the tests that read them.
// Header-only and standard C++ alone, so the Linux and Windows loaders and
// the tests all share it.
#pragma once

#include <string>

namespace quarrow::record {

inline std::string Hex(const std::string& bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 0x0F];
    }
    return out;
}

inline std::string Unhex(const std::string& hex)
{
    std::string out;
    for (size_t i = 0; i + 1 < hex.size(); i += 2) out += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
    return out;
}

} // namespace quarrow::record
