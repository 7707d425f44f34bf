// The login check's query parse: user id and key from login addresses, in
// the default code page and in GBK.
#include <gtest/gtest.h>

#include <string>

#include "afx/CException.h"
#include "launcher/CLoginForeDialog.h"
#include "win32/WinNls.h"

namespace {

// An overlay without a window: the parse needs nothing but its members.
class Overlay : public CLoginForeDialog {
public:
    Overlay() : CLoginForeDialog(nullptr) { InitAddressTable(); }
    using CLoginForeDialog::m_strLoginMatch;
    using CLoginForeDialog::m_strPlatformId;
};

std::u16string Text(const CString& s) { return std::u16string(s.GetString(), static_cast<size_t>(s.GetLength())); }

struct ParseCase {
    const char16_t* address;
    bool result;
    const char16_t* userId;
    const char16_t* key;
};

TEST(ParseLoginUrl, Table)
{
    const char16_t* base = u"http://www.quarrow.example/games/vadmo/login?";
    const ParseCase cases[] = {
        {u"userid=42&from=abc", true, u"42", u"userid-42&from-abc"},
        {u"userid=a+b%41%4a", true, u"a bAJ", u"userid-a+b%41%4a"},
        {u"userid=1&userid=2", true, u"1", u"userid-1&userid-2"},
        {u"userid=1=2", true, u"1", u"userid-1-2"},
        {u"=x&userid=7", true, u"7", u"-x&userid-7"},
        {u"userid=7#top", true, u"7#top", u"userid-7#top"},
        {u"userid=ab%00cd", true, u"ab", u"userid-ab%00cd"},
        {u"userid=%E7%8E%A9%E5%AE%B6", true, u"玩家", u"userid-%E7%8E%A9%E5%AE%B6"},
        {u"userid=%3D%2C", true, u"=,", u"userid-%3D%2C"},
        {u"UserId=1", false, u"", u"UserId-1"},
        {u"userid=", false, u"", u"userid-"},
        {u"", false, u"", u""},
    };
    Overlay overlay;
    for (const ParseCase& c : cases) {
        CString address = CString(base) + c.address;
        EXPECT_EQ(c.result, overlay.ParseLoginUrl(address)) << Text(address).size();
        EXPECT_EQ(std::u16string(c.userId), Text(overlay.UserId()));
        EXPECT_EQ(std::u16string(c.key), Text(overlay.Key()));
    }
}

TEST(ParseLoginUrl, AnAddressWithoutQuestionMarkIsParsedWhole)
{
    Overlay overlay;
    EXPECT_TRUE(overlay.ParseLoginUrl(u"vadmo/login=1&userid=5"));
    EXPECT_EQ(u"5", Text(overlay.UserId()));
    EXPECT_EQ(u"vadmo/login-1&userid-5", Text(overlay.Key()));
    // Only the first '?' starts the query.
    EXPECT_TRUE(overlay.ParseLoginUrl(u"a?userid=1?x"));
    EXPECT_EQ(u"1?x", Text(overlay.UserId()));
}

TEST(ParseLoginUrl, ItemsWithoutEqualsRaiseTheFrameworkErrorAndLeaveNothing)
{
    Overlay overlay;
    for (const char16_t* address : {u"x/vadmo/login?userid=1&", u"x/vadmo/login?userid=1&flag",
                                    u"x/vadmo/login?&userid=1", u"x/vadmo/login?userid=1&&a=b",
                                    u"http://host/vadmo/login"}) {
        ASSERT_TRUE(overlay.ParseLoginUrl(u"?userid=9"));
        EXPECT_THROW(overlay.ParseLoginUrl(address), CInvalidArgException*);
        EXPECT_TRUE(overlay.UserId().IsEmpty());
        EXPECT_TRUE(overlay.Key().IsEmpty());
    }
}

TEST(ParseLoginUrl, ChineseUserIdInGbk)
{
    ASSERT_TRUE(SetThreadLocale(2052));
    Overlay overlay;
    // GBK bytes of "玩家", percent-encoded.
    EXPECT_TRUE(overlay.ParseLoginUrl(u"h/vadmo/login?userid=%CD%E6%BC%D2&n=玩"));
    EXPECT_EQ(u"玩家", Text(overlay.UserId()));
    EXPECT_EQ(u"userid-%CD%E6%BC%D2&n-玩", Text(overlay.Key()));
    SetThreadLocale(LOCALE_USER_DEFAULT);
}

TEST(ParseLoginUrl, AddressTableAndPlatformId)
{
    Overlay overlay;
    EXPECT_EQ(u"vadmo/login", Text(overlay.m_strLoginMatch));
    EXPECT_EQ(u"ZUVO_", Text(overlay.m_strPlatformId));
}

TEST(ParseLoginUrl, HugeQueriesParseInOnePass)
{
    // Hundreds of thousands of items and megabytes of address: the parse
    // must stay linear and keep the first userid.
    CString address(u"http://h/vadmo/login?userid=first");
    CString item(u"&k=v");
    for (int i = 0; i < 300000; ++i) address += item;
    Overlay overlay;
    EXPECT_TRUE(overlay.ParseLoginUrl(address));
    EXPECT_EQ(u"first", Text(overlay.UserId()));
    EXPECT_EQ(address.GetLength() - 21, overlay.Key().GetLength());
}

}  // namespace
