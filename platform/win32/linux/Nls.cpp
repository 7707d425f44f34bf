#include "win32/WinNls.h"

#include <iconv.h>
#include <langinfo.h>
#include <locale.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <string>
#include <unordered_map>

#include "win32/ErrHandlingApi.h"

namespace {

// The locale ids whose ANSI code page differs by sub-language; every other
// locale is found by its primary language below.
struct LocaleCodePage {
    LCID locale;
    UINT codePage;
};
constexpr LocaleCodePage kLocales[] = {
    {0x0804, 936},  // Chinese (PRC)
    {0x1004, 936},  // Chinese (Singapore)
    {0x0404, 950},  // Chinese (Taiwan)
    {0x0C04, 950},  // Chinese (Hong Kong SAR)
    {0x1404, 950},  // Chinese (Macao SAR)
};

struct LanguageCodePage {
    WORD primary;
    UINT codePage;
};
constexpr LanguageCodePage kLanguages[] = {
    {0x04, 936},   {0x11, 932},   {0x12, 949},   {0x1E, 874},   {0x2A, 1258},  {0x19, 1251}, {0x22, 1251},
    {0x23, 1251},  {0x02, 1251},  {0x1A, 1250},  {0x05, 1250},  {0x0E, 1250},  {0x15, 1250}, {0x18, 1250},
    {0x1B, 1250},  {0x24, 1250},  {0x08, 1253},  {0x1F, 1254},  {0x0D, 1255},  {0x01, 1256}, {0x29, 1256},
    {0x20, 1256},  {0x25, 1257},  {0x26, 1257},  {0x27, 1257},  {0x09, 1252},  {0x07, 1252}, {0x0C, 1252},
    {0x0A, 1252},  {0x10, 1252},  {0x13, 1252},  {0x16, 1252},  {0x1D, 1252},  {0x06, 1252}, {0x14, 1252},
    {0x0B, 1252},  {0x0F, 1252},  {0x21, 1252},  {0x03, 1252},  {0x2D, 1252},
};

// iconv's names for the code pages the layer converts. Code pages that
// iconv knows as "CP<n>" need no entry.
struct CodePageName {
    UINT codePage;
    const char* name;
};
constexpr CodePageName kNames[] = {
    {65001, "UTF-8"},     {936, "GBK"},          {54936, "GB18030"},   {950, "BIG5"},      {932, "CP932"},
    {949, "CP949"},       {20127, "ASCII"},      {28591, "ISO-8859-1"}, {28592, "ISO-8859-2"},
    {28595, "ISO-8859-5"}, {28605, "ISO-8859-15"}, {20932, "EUC-JP"},   {51949, "EUC-KR"},  {1200, "UTF-16LE"},
    {1201, "UTF-16BE"},   {20866, "KOI8-R"},
};

// The process locale's codeset as a code page. The C and POSIX locales
// carry no real codeset (ASCII), and their text is UTF-8 on every current
// Linux desktop, so they count as 65001.
UINT ProcessCodePage()
{
    static const UINT codePage = [] {
        locale_t loc = newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
        std::string codeset;
        if (loc) {
            codeset = nl_langinfo_l(CODESET, loc);
            freelocale(loc);
        }
        for (char& c : codeset) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (codeset == "UTF-8" || codeset == "UTF8") return 65001u;
        if (codeset == "GBK" || codeset == "GB2312") return 936u;
        if (codeset == "GB18030") return 54936u;
        if (codeset == "BIG5" || codeset == "BIG5-HKSCS") return 950u;
        if (codeset == "EUC-JP") return 20932u;
        if (codeset == "EUC-KR") return 51949u;
        if (codeset == "ISO-8859-1") return 28591u;
        if (codeset == "ISO-8859-15") return 28605u;
        if (codeset == "KOI8-R") return 20866u;
        return 65001u;
    }();
    return codePage;
}

thread_local LCID t_locale = 0;  // 0: none chosen, the process locale applies

// The code page of the thread's locale, while one is chosen; the process's
// otherwise.
UINT ThreadCodePage()
{
    if (t_locale == 0) return ProcessCodePage();
    DWORD codePage = 0;
    GetLocaleInfoW(t_locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                   sizeof(codePage) / sizeof(WCHAR));
    return codePage ? codePage : ProcessCodePage();
}

// CP_ACP is the process's ANSI code page, as on Windows, where it is the
// system's and SetThreadLocale does not change it; only CP_THREAD_ACP
// follows the thread's locale.
UINT ResolveCodePage(UINT codePage)
{
    if (codePage == CP_THREAD_ACP) return ThreadCodePage();
    if (codePage == CP_ACP || codePage == CP_OEMCP || codePage == CP_MACCP) return ProcessCodePage();
    return codePage;
}

std::string IconvName(UINT codePage)
{
    for (const auto& n : kNames) {
        if (n.codePage == codePage) return n.name;
    }
    return "CP" + std::to_string(codePage);
}

const char* WideName() { return std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE"; }

// Each thread keeps its converters open: opening one costs more than
// converting a short string, and the query parse converts many.
class Converters {
public:
    ~Converters()
    {
        for (auto& [key, cd] : m_open) iconv_close(cd);
    }

    // Returns (iconv_t)-1 for a code page that iconv does not know.
    iconv_t Get(UINT codePage, bool toWide)
    {
        unsigned long long key = (static_cast<unsigned long long>(codePage) << 1) | (toWide ? 1u : 0u);
        auto it = m_open.find(key);
        if (it != m_open.end()) {
            iconv(it->second, nullptr, nullptr, nullptr, nullptr);
            return it->second;
        }
        std::string name = IconvName(codePage);
        iconv_t cd = toWide ? iconv_open(WideName(), name.c_str()) : iconv_open(name.c_str(), WideName());
        if (cd == reinterpret_cast<iconv_t>(-1)) return cd;
        m_open.emplace(key, cd);
        return cd;
    }

private:
    std::unordered_map<unsigned long long, iconv_t> m_open;
};

thread_local Converters t_converters;

bool IsHigh(char16_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool IsLow(char16_t c) { return c >= 0xDC00 && c <= 0xDFFF; }

// Copies `out` into the caller's buffer, or reports the size it needs.
template <typename Char>
int Deliver(const std::basic_string<Char>& out, Char* buffer, int size)
{
    if (size == 0) return static_cast<int>(out.size());
    if (out.size() > static_cast<size_t>(size)) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return 0;
    }
    std::memcpy(buffer, out.data(), out.size() * sizeof(Char));
    return static_cast<int>(out.size());
}

}  // namespace

BOOL SetThreadLocale(LCID locale)
{
    if (locale != LOCALE_USER_DEFAULT && locale != LOCALE_SYSTEM_DEFAULT &&
        GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE, nullptr, 0) == 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    t_locale = (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT) ? 0 : locale;
    return TRUE;
}

LCID GetThreadLocale() { return t_locale ? t_locale : LOCALE_USER_DEFAULT; }

UINT GetACP() { return ProcessCodePage(); }

int GetLocaleInfoW(LCID locale, LCTYPE type, LPWSTR data, int size)
{
    if ((type & ~LOCALE_RETURN_NUMBER) != LOCALE_IDEFAULTANSICODEPAGE || size < 0 || (size > 0 && !data)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    UINT codePage = 0;
    if (locale == LOCALE_USER_DEFAULT || locale == LOCALE_SYSTEM_DEFAULT) {
        codePage = ProcessCodePage();
    } else if (locale == LOCALE_INVARIANT) {
        codePage = 1252;
    } else {
        LANGID lang = LANGIDFROMLCID(locale);
        for (const auto& l : kLocales) {
            if (l.locale == lang) codePage = l.codePage;
        }
        for (const auto& l : kLanguages) {
            if (!codePage && l.primary == PRIMARYLANGID(lang)) codePage = l.codePage;
        }
    }
    if (!codePage) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (type & LOCALE_RETURN_NUMBER) {
        constexpr int units = sizeof(DWORD) / sizeof(WCHAR);
        if (size == 0) return units;
        if (size < units) {
            SetLastError(ERROR_INSUFFICIENT_BUFFER);
            return 0;
        }
        DWORD value = codePage;
        std::memcpy(data, &value, sizeof(value));
        return units;
    }
    std::string digits = std::to_string(codePage);
    std::u16string text(digits.begin(), digits.end());
    text.push_back(0);
    return Deliver(text, data, size);
}

BOOL IsValidCodePage(UINT codePage)
{
    if (codePage == CP_ACP || codePage == CP_THREAD_ACP || codePage == CP_OEMCP || codePage == CP_MACCP) return FALSE;
    iconv_t cd = t_converters.Get(codePage, true);
    return cd == reinterpret_cast<iconv_t>(-1) ? FALSE : TRUE;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR narrow, int narrowLength, LPWSTR wide, int wideSize)
{
    if (!narrow || narrowLength == 0 || narrowLength < -1 || wideSize < 0 || (wideSize > 0 && !wide) ||
        (wide && reinterpret_cast<const void*>(wide) == reinterpret_cast<const void*>(narrow))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~static_cast<DWORD>(MB_PRECOMPOSED | MB_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t inLength = narrowLength == -1 ? std::strlen(narrow) + 1 : static_cast<size_t>(narrowLength);
    iconv_t cd = t_converters.Get(ResolveCodePage(codePage), true);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }

    std::u16string out;
    out.reserve(inLength);
    char* in = const_cast<char*>(narrow);
    size_t inLeft = inLength;
    char16_t chunk[256];
    while (inLeft > 0) {
        char* outPtr = reinterpret_cast<char*>(chunk);
        size_t outLeft = sizeof(chunk);
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, (sizeof(chunk) - outLeft) / sizeof(char16_t));
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // An invalid byte becomes U+FFFD; so does a sequence cut off by the
        // end of the input, as a whole.
        if (flags & MB_ERR_INVALID_CHARS) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        out.push_back(u'\uFFFD');
        if (errno == EINVAL) break;
        ++in;
        --inLeft;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return Deliver(out, wide, wideSize);
}

int WideCharToMultiByte(UINT codePage, DWORD flags, LPCWSTR wide, int wideLength, LPSTR narrow, int narrowSize,
                        LPCSTR defaultChar, LPBOOL usedDefaultChar)
{
    if (!wide || wideLength == 0 || wideLength < -1 || narrowSize < 0 || (narrowSize > 0 && !narrow) ||
        (narrow && reinterpret_cast<const void*>(wide) == reinterpret_cast<const void*>(narrow))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~static_cast<DWORD>(WC_NO_BEST_FIT_CHARS | WC_ERR_INVALID_CHARS)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    size_t inUnits = 0;
    if (wideLength == -1) {
        while (wide[inUnits]) ++inUnits;
        ++inUnits;
    } else {
        inUnits = static_cast<size_t>(wideLength);
    }
    iconv_t cd = t_converters.Get(ResolveCodePage(codePage), false);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    const bool utf8 = ResolveCodePage(codePage) == CP_UTF8;
    const char fallback = (defaultChar && *defaultChar) ? *defaultChar : '?';
    if (usedDefaultChar) *usedDefaultChar = FALSE;

    std::string out;
    out.reserve(inUnits);
    const char16_t* units = wide;
    size_t pos = 0;
    char chunk[512];
    while (pos < inUnits) {
        char* in = reinterpret_cast<char*>(const_cast<char16_t*>(units + pos));
        size_t inLeft = (inUnits - pos) * sizeof(char16_t);
        char* outPtr = chunk;
        size_t outLeft = sizeof(chunk);
        size_t r = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        out.append(chunk, sizeof(chunk) - outLeft);
        pos = inUnits - inLeft / sizeof(char16_t);
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) continue;
        // Unrepresentable, a lone surrogate, or a high surrogate at the end.
        // As on Windows, a code page's table maps UTF-16 units, so each unit
        // of an unrepresentable pair becomes a default character of its own;
        // UTF-8 writes U+FFFD for a lone surrogate.
        if (flags & WC_ERR_INVALID_CHARS) {
            SetLastError(ERROR_NO_UNICODE_TRANSLATION);
            return 0;
        }
        if (utf8) {
            out += "\xEF\xBF\xBD";
            pos += 1;
        } else {
            bool pair = IsHigh(units[pos]) && pos + 1 < inUnits && IsLow(units[pos + 1]);
            pos += pair ? 2 : 1;
            out.append(pair ? 2 : 1, fallback);
            if (usedDefaultChar) *usedDefaultChar = TRUE;
        }
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    // Return a stateful encoding to its initial shift state.
    char* outPtr = chunk;
    size_t outLeft = sizeof(chunk);
    iconv(cd, nullptr, nullptr, &outPtr, &outLeft);
    out.append(chunk, sizeof(chunk) - outLeft);
    return Deliver(out, narrow, narrowSize);
}

namespace {

// Full-width forms and the ideographic space as their ordinary forms.
char16_t NarrowForm(char16_t c)
{
    if (c >= 0xFF01 && c <= 0xFF5E) return static_cast<char16_t>(c - 0xFF01 + 0x21);  // full-width ASCII forms
    switch (c) {
    case 0x3000: return 0x20;  // ideographic space
    case 0xFFE0: return 0x00A2;
    case 0xFFE1: return 0x00A3;
    case 0xFFE2: return 0x00AC;
    case 0xFFE3: return 0x00AF;
    case 0xFFE4: return 0x00A6;
    case 0xFFE5: return 0x00A5;
    case 0xFFE6: return 0x20A9;
    default: return c;
    }
}

char16_t LowerForm(char16_t c) { return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool IsUpper(char16_t c) { return c >= u'A' && c <= u'Z'; }

size_t BoundedLength(LPCWSTR s, int length)
{
    size_t n = 0;
    if (length < 0) {
        while (s[n]) ++n;
        return n;
    }
    while (n < static_cast<size_t>(length) && s[n]) ++n;
    return n;
}

}  // namespace

int CompareStringW(LCID locale, DWORD flags, LPCWSTR a, int aLength, LPCWSTR b, int bLength)
{
    UNREFERENCED_PARAMETER(locale);
    if (!a || !b || aLength < -1 || bLength < -1) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (flags & ~static_cast<DWORD>(NORM_IGNORECASE | NORM_IGNOREWIDTH)) {
        SetLastError(ERROR_INVALID_FLAGS);
        return 0;
    }
    // Windows compares in levels: first the letters themselves, over the
    // whole of both strings (so "a" sorts before "AB"); then, where they are
    // equal, case (lower before upper) unless NORM_IGNORECASE; then width
    // (ordinary before full-width) unless NORM_IGNOREWIDTH. Symbols compare
    // by code unit at the first level here, where Windows' word sort would
    // weigh some of them less; the program compares names of letters.
    const size_t na = BoundedLength(a, aLength);
    const size_t nb = BoundedLength(b, bLength);
    for (size_t i = 0; i < na && i < nb; ++i) {
        const char16_t ca = LowerForm(NarrowForm(a[i]));
        const char16_t cb = LowerForm(NarrowForm(b[i]));
        if (ca != cb) return ca < cb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    }
    if (na != nb) return na < nb ? CSTR_LESS_THAN : CSTR_GREATER_THAN;
    if (!(flags & NORM_IGNORECASE)) {
        for (size_t i = 0; i < na; ++i) {
            const bool ua = IsUpper(NarrowForm(a[i]));
            const bool ub = IsUpper(NarrowForm(b[i]));
            if (ua != ub) return ua ? CSTR_GREATER_THAN : CSTR_LESS_THAN;
        }
    }
    if (!(flags & NORM_IGNOREWIDTH)) {
        for (size_t i = 0; i < na; ++i) {
            const bool wa = NarrowForm(a[i]) != a[i];
            const bool wb = NarrowForm(b[i]) != b[i];
            if (wa != wb) return wa ? CSTR_GREATER_THAN : CSTR_LESS_THAN;
        }
    }
    return CSTR_EQUAL;
}
