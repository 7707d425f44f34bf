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
        {u"xxyyzz", 3, u"xxyq", 3, NORM_IGNOREWIDTH, CSTR_EQUAL},
        {u"xxyyzz", 3, u"ｘｘｙｙｚｚ", 3, NORM_IGNOREWIDTH, CSTR_EQUAL},  // full-width forms
        {u"xxyyzz", 3, u"ｘｘｙｙｚｚ", 3, 0, CSTR_LESS_THAN},
        {u"xxyyzz", 3, u"XXYYZZ", 3, NORM_IGNOREWIDTH, CSTR_GREATER_THAN},  // case counts
        {u"xxyyzz", 3, u"XXYYZZ", 3, NORM_IGNORECASE, CSTR_EQUAL},
        {u"a b", -1, u"a\u3000b", -1, NORM_IGNOREWIDTH, CSTR_EQUAL},  // ideographic space
        {u"abc", -1, u"abd", -1, 0, CSTR_LESS_THAN},
        {u"abc", -1, u"ab", -1, 0, CSTR_GREATER_THAN},
        {u"abc", 2, u"ab", -1, 0, CSTR_EQUAL},
        {u"xx", 3, u"xxy", 3, NORM_IGNOREWIDTH, CSTR_LESS_THAN},  // an explicit length ends at the zero
        {u"", 3, u"xxy", 3, 0, CSTR_LESS_THAN},
        {u"", -1, u"", 0, 0, CSTR_EQUAL},
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
    name[0] = u'x';
    name[1] = u'x';
    name[2] = 0;
    EXPECT_EQ(CSTR_GREATER_THAN, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNOREWIDTH, u"xxyyzz", 3, name.get(), 3));
}

TEST(CompareString, RejectsBadArguments)
{
    EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, 0, nullptr, 1, u"a", 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORESYMBOLS, u"a", 1, u"a", 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_FLAGS), GetLastError());
}

}  // namespace
