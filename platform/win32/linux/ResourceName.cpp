#include "win32/linux/ResourceName.h"

#include <cassert>
#include <cstdio>

namespace quarrow {

ResourceName ResourceName::ordinal(WORD id)
{
    ResourceName n;
    n.m_isOrdinal = true;
    n.m_id = id;
    return n;
}

ResourceName ResourceName::text(std::u16string name)
{
    for (char16_t& c : name) {
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - u'a' + u'A');
    }
    ResourceName n;
    n.m_isOrdinal = false;
    n.m_text = std::move(name);
    return n;
}

ResourceName ResourceName::fromArgument(LPCWSTR argument)
{
    if (IS_INTRESOURCE(argument)) return ordinal(LOWORD(reinterpret_cast<ULONG_PTR>(argument)));
    std::u16string s(argument);
    if (s.size() > 1 && s[0] == u'#') {
        unsigned long value = 0;
        bool digits = true;
        for (size_t i = 1; i < s.size() && digits; ++i) {
            if (s[i] < u'0' || s[i] > u'9') digits = false;
            else value = value * 10 + (s[i] - u'0');
            if (value > 0xFFFF) digits = false;
        }
        if (digits) return ordinal(static_cast<WORD>(value));
    }
    return text(std::move(s));
}

std::string ResourceName::describe() const
{
    if (m_isOrdinal) return std::to_string(m_id);
    std::string out = "\"";
    for (char16_t c : m_text) {
        if (c >= 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned>(c));
            out += buf;
        }
    }
    return out + "\"";
}

} // namespace quarrow
