// Locale comparison with explicit lengths and width folding.
#include <gtest/gtest.h>

#include <memory>

#include "win32/ErrHandlingApi.h"
#include "win32/WinNls.h"

namespace {

struct Case {
    const char16_t* a;
    int aLength;
    const char16_t* b;
    int bLength;
    DWORD flags;
    int expected;
};

TEST(CompareString, Table)
{
    const Case cases[] = {
        {_T("xxyyzz"), 3, _T("xxyq"), 3, NORM_IGNOREWIDTH, CSTR_EQUAL},
        {_T("xxyyzz"), 3, _T("ｘｘｙｙｚｚ"), 3, NORM_IGNOREWIDTH, CSTR_EQUAL},  // full-width forms
        {_T("xxyyzz"), 3, _T("ｘｘｙｙｚｚ"), 3, 0, CSTR_LESS_THAN},
        {_T("xxyyzz"), 3, _T("XXYYZZ"), 3, NORM_IGNOREWIDTH, CSTR_GREATER_THAN},  // case counts
        {_T("xxyyzz"), 3, _T("XXYYZZ"), 3, NORM_IGNORECASE, CSTR_EQUAL},
        {_T("a b"), -1, _T("a\u3000b"), -1, NORM_IGNOREWIDTH, CSTR_EQUAL},  // ideographic space
        {_T("abc"), -1, _T("abd"), -1, 0, CSTR_LESS_THAN},
        {_T("abc"), -1, _T("ab"), -1, 0, CSTR_GREATER_THAN},
        {_T("abc"), 2, _T("ab"), -1, 0, CSTR_EQUAL},
        {_T("xx"), 3, _T("xxy"), 3, NORM_IGNOREWIDTH, CSTR_LESS_THAN},  // an explicit length ends at the zero
        {_T(""), 3, _T("xxy"), 3, 0, CSTR_LESS_THAN},
        {_T(""), -1, _T(""), 0, 0, CSTR_EQUAL},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, CompareStringW(LOCALE_USER_DEFAULT, c.flags, c.a, c.aLength, c.b, c.bLength))
            << "flags " << c.flags;
    }
}

TEST(CompareString, NeverReadsPastAShortName)
{
    // A two-character name in a buffer of exactly three units (zero
    // included) compared with length 3: AddressSanitizer catches any read
    // beyond the buffer.
    auto name = std::make_unique<char16_t[]>(3);
    name[0] = _T('x');
    name[1] = _T('x');
    name[2] = 0;
    EXPECT_EQ(CSTR_GREATER_THAN, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNOREWIDTH, _T("xxyyzz"), 3, name.get(), 3));
}

TEST(CompareString, RejectsBadArguments)
{
    EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, 1, _T("a"), 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORESYMBOLS, _T("a"), 1, _T("a"), 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
}

}  // namespace
