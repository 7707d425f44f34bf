// Internal to the platform layer: the name of a resource type or of a
// resource, as the binary resource format and the Win32 resource functions
// carry it (a 16-bit ordinal or a UTF-16 string). Program code does not
// include this header; it passes MAKEINTRESOURCEW ids and strings.
#pragma once

#include "win32/WinDef.h"

#include <compare>
#include <string>

namespace quarrow {

class ResourceName {
public:
    ResourceName() = default;
    static ResourceName ordinal(WORD id);
    // A string name. Names compare without regard to ASCII case, as the
    // Win32 resource functions compare them; they are kept upper-cased.
    static ResourceName text(std::u16string name);
    // What a caller passes to FindResourceW: MAKEINTRESOURCEW(id), a string
    // of the form "#123" (the same as ordinal 123), or a plain string.
    static ResourceName fromArgument(LPCWSTR argument);

    bool isOrdinal() const { return m_isOrdinal; }
    WORD id() const { return m_id; }
    const std::u16string& str() const { return m_text; }
    // For diagnostics: "162" or "\"PNG\"" (non-ASCII characters as \uXXXX).
    std::string describe() const;

    friend bool operator==(const ResourceName&, const ResourceName&) = default;
    friend std::strong_ordering operator<=>(const ResourceName&, const ResourceName&) = default;

private:
    bool m_isOrdinal = true;
    WORD m_id = 0;
    std::u16string m_text;
};

} // namespace quarrow
