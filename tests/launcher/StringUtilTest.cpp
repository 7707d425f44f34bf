// Splitting and query-value decoding of the login hand-off.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launcher/StringUtil.h"
#include "support/WideString.h"

namespace {

using quarrow::test::WideString;

std::vector<WideString> Parts(const CStringArray& a)
{
    std::vector<WideString> out;
    for (INT_PTR i = 0; i < a.GetSize(); ++i) out.emplace_back(a[i].GetString(), a[i].GetLength());
    return out;
}

TEST(SplitString, Table)
{
    struct Case {
        const WCHAR* text;
        char sep;
        std::vector<WideString> parts;
    };
    const Case cases[] = {
        {_T(""), '&', {}},
        {_T("a"), '&', {_T("a")}},
        {_T("a&b"), '&', {_T("a"), _T("b")}},
        {_T("&a"), '&', {_T(""), _T("a")}},
        {_T("a&"), '&', {_T("a"), _T("")}},
        {_T("a&&b"), '&', {_T("a"), _T(""), _T("b")}},
        {_T("&"), '&', {_T(""), _T("")}},
        {_T("a=b=c"), '=', {_T("a"), _T("b"), _T("c")}},
        {_T("userid=42&from=abc"), '&', {_T("userid=42"), _T("from=abc")}},
    };
    CStringArray parts;
    parts.Add(_T("stale"));
    for (const Case& c : cases) {
        int n = SplitString(c.text, parts, c.sep);
        EXPECT_EQ(static_cast<int>(c.parts.size()), n);
        EXPECT_EQ(c.parts, Parts(parts)) << "text: " << CString(c.text).GetLength();
    }
}

TEST(UrlDecode, Table)
{
    struct Case {
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"", ""},
        {"abc", "abc"},
        {"a+b", "a b"},
        {"a+b%41%4a", "a bAJ"},
        {"%3D%2c", "=,"},
        {"ab%00cd", std::string("ab\0cd", 5)},
        {"%e7%8E%a9", "\xe7\x8e\xa9"},
        {"%zz1", "?1"},   // a malformed escape consumes three characters
        {"%4", "?"},      // as many as remain, nothing beyond the end
        {"a%", "a?"},
        {"%%41", "?1"},
        {"100%", "100?"},
        {"#top", "#top"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.out, UrlDecode(c.in)) << c.in;
}

}  // namespace
