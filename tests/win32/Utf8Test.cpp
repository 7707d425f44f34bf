// The exact UTF-16 <-> UTF-8 conversions the platform hands text to its
// libraries and to the environment with: what becomes of each kind of unit,
// well-formed or not, and that an embedded zero is text like any other.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>

#include "win32/Utf8.h"

namespace {

using namespace std::string_literals;

struct WideCase {
    const char* name;
    std::u16string wide;
    std::string replaced;             // Utf16ToUtf8
    std::optional<std::string> exact; // Utf16ToUtf8Exact
};
void PrintTo(const WideCase& c, std::ostream* os) { *os << c.name; }

const WideCase kWideCases[] = {
    {"Ascii", u"PID=ZUVO_", "PID=ZUVO_", "PID=ZUVO_"},
    {"TwoByteForm", u"\u00e9", "\xc3\xa9", "\xc3\xa9"},
    {"BmpCjk", u"微端", "\xe5\xbe\xae\xe7\xab\xaf", "\xe5\xbe\xae\xe7\xab\xaf"},
    {"SurrogatePair", u"a\U0001F600b", "a\xf0\x9f\x98\x80" "b", "a\xf0\x9f\x98\x80" "b"},
    {"LoneHigh", u"a"s + char16_t(0xD83D) + u"b", "a\xef\xbf\xbd" "b", std::nullopt},
    {"LoneHighAtTheEnd", u"a"s + char16_t(0xDBFF), "a\xef\xbf\xbd", std::nullopt},
    {"LoneLow", u"a"s + char16_t(0xDE00) + u"b", "a\xef\xbf\xbd" "b", std::nullopt},
    // A low surrogate before its high one pairs with nothing: two of them.
    {"ReversedPair", std::u16string{char16_t(0xDE00), char16_t(0xD83D)}, "\xef\xbf\xbd\xef\xbf\xbd", std::nullopt},
    {"EmbeddedZero", u"a\0b"s, "a\0b"s, "a\0b"s},
    {"Empty", u"", "", ""},
};

class Utf16ToUtf8Cases : public ::testing::TestWithParam<WideCase> {};

TEST_P(Utf16ToUtf8Cases, ReplacesOrRefusesUnpairedSurrogates)
{
    const WideCase& c = GetParam();
    EXPECT_EQ(c.replaced, quarrow::Utf16ToUtf8(c.wide));
    EXPECT_EQ(c.exact, quarrow::Utf16ToUtf8Exact(c.wide));
    // Well-formed text comes back unchanged.
    if (c.exact) {
        EXPECT_EQ(c.wide, quarrow::Utf8ToUtf16(*c.exact));
    }
}

INSTANTIATE_TEST_SUITE_P(Utf8, Utf16ToUtf8Cases, ::testing::ValuesIn(kWideCases),
                         [](const auto& info) { return std::string(info.param.name); });

struct NarrowCase {
    const char* name;
    std::string narrow;
    std::u16string wide;
};
void PrintTo(const NarrowCase& c, std::ostream* os) { *os << c.name; }

const std::u16string kFffd(1, char16_t(0xFFFD));

const NarrowCase kNarrowCases[] = {
    {"StrayContinuationByte", "a\x80" "b", u"a" + kFffd + u"b"},
    // Each byte of a cut-off sequence is replaced on its own, and the byte
    // that cut it off is read as itself.
    {"CutOffSequence", "\xe5\xbe" "b", kFffd + kFffd + u"b"},
    {"CutOffAtTheEnd", "a\xf0\x9f\x98", u"a" + kFffd + kFffd + kFffd},
    {"Overlong", "\xc0\xaf", kFffd + kFffd},
    {"OverlongThreeBytes", "\xe0\x80\xaf", kFffd + kFffd + kFffd},
    {"EncodedSurrogate", "\xed\xa0\x80", kFffd + kFffd + kFffd},
    {"BeyondTheLastPlane", "\xf4\x90\x80\x80", kFffd + kFffd + kFffd + kFffd},
    {"LastCharacter", "\xf4\x8f\xbf\xbf", std::u16string{char16_t(0xDBFF), char16_t(0xDFFF)}},
    {"InvalidLeadByte", "\xff", kFffd},
};

class Utf8ToUtf16Cases : public ::testing::TestWithParam<NarrowCase> {};

TEST_P(Utf8ToUtf16Cases, ReplacesEachMalformedByte)
{
    EXPECT_EQ(GetParam().wide, quarrow::Utf8ToUtf16(GetParam().narrow));
}

INSTANTIATE_TEST_SUITE_P(Utf8, Utf8ToUtf16Cases, ::testing::ValuesIn(kNarrowCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
