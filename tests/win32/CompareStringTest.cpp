// Locale comparison with explicit lengths and width folding.
#include <gtest/gtest.h>

#include <memory>

#include "win32/ErrHandlingApi.h"
#include "win32/WinNls.h"
#include "support/Wine.h"

namespace {

struct Case {
    const WCHAR* a;
    int aLength;
    const WCHAR* b;
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
        {_T("xxyyzz"), 3, _T("XXYYZZ"), 3, NORM_IGNOREWIDTH, CSTR_LESS_THAN},  // case counts: lower first
        {_T("xxyyzz"), 3, _T("XXYYZZ"), 3, NORM_IGNORECASE, CSTR_EQUAL},
        {_T("a b"), -1, _T("a\u3000b"), -1, NORM_IGNOREWIDTH, CSTR_EQUAL},  // ideographic space
        {_T("abc"), -1, _T("abd"), -1, 0, CSTR_LESS_THAN},
        {_T("abc"), -1, _T("ab"), -1, 0, CSTR_GREATER_THAN},
        {_T("abc"), 2, _T("ab"), -1, 0, CSTR_EQUAL},
        {_T("xx"), 3, _T("xxy"), 3, NORM_IGNOREWIDTH, CSTR_LESS_THAN},  // an explicit length ends at the zero
        {_T(""), 3, _T("xxy"), 3, 0, CSTR_LESS_THAN},
        {_T(""), -1, _T(""), 0, 0, CSTR_EQUAL},
        // Letters count before case and width, over the whole string.
        {_T("a"), -1, _T("B"), -1, 0, CSTR_LESS_THAN},
        {_T("a"), -1, _T("AB"), -1, 0, CSTR_LESS_THAN},
        {_T("Ab"), -1, _T("aC"), -1, 0, CSTR_LESS_THAN},
        {_T("\uff41"), -1, _T("b"), -1, 0, CSTR_LESS_THAN},
        {_T("xXy"), -1, _T("xxy"), -1, 0, CSTR_GREATER_THAN},
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
    auto name = std::make_unique<WCHAR[]>(3);
    name[0] = _T('x');
    name[1] = _T('x');
    name[2] = 0;
    EXPECT_EQ(CSTR_GREATER_THAN, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNOREWIDTH, _T("xxyyzz"), 3, name.get(), 3));
}

TEST(CompareString, RejectsBadArguments)
{
    EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, 1, _T("a"), 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    // Wine compares with flags that Windows refuses.
    if (!quarrow::test::RunningUnderWine()) {
        EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, 0x40000000, _T("a"), 1, _T("a"), 1));
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
    }
#if !defined(_WIN32)
    // Our layer refuses the flags it does not implement, rather than
    // comparing without them.
    EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORESYMBOLS, _T("a"), 1, _T("a"), 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
#endif
}

}  // namespace
