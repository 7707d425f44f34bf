#include "win32/Unknwn.h"

namespace {

int HexValue(WCHAR c)
{
    if (c >= u'0' && c <= u'9') return c - u'0';
    if (c >= u'a' && c <= u'f') return c - u'a' + 10;
    if (c >= u'A' && c <= u'F') return c - u'A' + 10;
    return -1;
}

// Reads `digits` hexadecimal digits at `text[pos]`; fails on anything else,
// the terminating zero included, so nothing past the end is read.
bool ReadHex(LPCWSTR text, int& pos, int digits, unsigned long long& out)
{
    out = 0;
    for (int i = 0; i < digits; ++i) {
        int v = HexValue(text[pos]);
        if (v < 0) return false;
        out = (out << 4) | static_cast<unsigned>(v);
        ++pos;
    }
    return true;
}

bool Expect(LPCWSTR text, int& pos, WCHAR c)
{
    if (text[pos] != c) return false;
    ++pos;
    return true;
}

}  // namespace

HRESULT CLSIDFromString(LPCWSTR text, CLSID* clsid)
{
    if (!text || !clsid) return CO_E_CLASSSTRING;
    GUID g{};
    int pos = 0;
    unsigned long long v = 0;
    if (!Expect(text, pos, u'{') || !ReadHex(text, pos, 8, v)) return CO_E_CLASSSTRING;
    g.Data1 = static_cast<DWORD>(v);
    if (!Expect(text, pos, u'-') || !ReadHex(text, pos, 4, v)) return CO_E_CLASSSTRING;
    g.Data2 = static_cast<WORD>(v);
    if (!Expect(text, pos, u'-') || !ReadHex(text, pos, 4, v)) return CO_E_CLASSSTRING;
    g.Data3 = static_cast<WORD>(v);
    if (!Expect(text, pos, u'-')) return CO_E_CLASSSTRING;
    for (int i = 0; i < 8; ++i) {
        if (i == 2 && !Expect(text, pos, u'-')) return CO_E_CLASSSTRING;
        if (!ReadHex(text, pos, 2, v)) return CO_E_CLASSSTRING;
        g.Data4[i] = static_cast<BYTE>(v);
    }
    if (!Expect(text, pos, u'}') || text[pos] != 0) return CO_E_CLASSSTRING;
    *clsid = g;
    return NOERROR;
}

HRESULT IIDFromString(LPCWSTR text, IID* iid) { return CLSIDFromString(text, iid); }
