// The login check's query parse: user id and key from login addresses, in
// the default code page and in GBK.
#include <gtest/gtest.h>

#include <string>

#include "afx/CException.h"
#include "launcher/CLoginForeDialog.h"
#include "win32/WinNls.h"
#include "support/WideString.h"

namespace {

using quarrow::test::WideString;

// An overlay without a window: the parse needs nothing but its members.
class Overlay : public CLoginForeDialog {
public:
    Overlay() : CLoginForeDialog(nullptr) { InitAddressTable(); }
    using CLoginForeDialog::m_strLoginMatch;
    using CLoginForeDialog::m_strPlatformId;
};

WideString Text(const CString& s) { return WideString(s.GetString(), static_cast<size_t>(s.GetLength())); }

struct ParseCase {
    const WCHAR* address;
    bool result;
    const WCHAR* userId;
    const WCHAR* key;
};

TEST(ParseLoginUrl, Table)
{
    const WCHAR* base = _T("http://www.quarrow.example/games/vadmo/login?");
    const ParseCase cases[] = {
        {_T("userid=42&from=abc"), true, _T("42"), _T("userid-42&from-abc")},
        {_T("userid=a+b%41%4a"), true, _T("a bAJ"), _T("userid-a+b%41%4a")},
        {_T("userid=1&userid=2"), true, _T("1"), _T("userid-1&userid-2")},
        {_T("userid=1=2"), true, _T("1"), _T("userid-1-2")},
        {_T("=x&userid=7"), true, _T("7"), _T("-x&userid-7")},
        {_T("userid=7#top"), true, _T("7#top"), _T("userid-7#top")},
        {_T("userid=ab%00cd"), true, _T("ab"), _T("userid-ab%00cd")},
#if !defined(_WIN32)
        // The process's code page is UTF-8 here (GBK is tested below).
        {_T("userid=%E7%8E%A9%E5%AE%B6"), true, _T("玩家"), _T("userid-%E7%8E%A9%E5%AE%B6")},
#endif
        {_T("userid=%3D%2C"), true, _T("=,"), _T("userid-%3D%2C")},
        {_T("UserId=1"), false, _T(""), _T("UserId-1")},
        {_T("userid="), false, _T(""), _T("userid-")},
        {_T(""), false, _T(""), _T("")},
    };
    Overlay overlay;
    for (const ParseCase& c : cases) {
        CString address = CString(base) + c.address;
        EXPECT_EQ(c.result, overlay.ParseLoginUrl(address)) << Text(address).size();
        EXPECT_EQ(WideString(c.userId), Text(overlay.UserId()));
        EXPECT_EQ(WideString(c.key), Text(overlay.Key()));
    }
}

TEST(ParseLoginUrl, AnAddressWithoutQuestionMarkIsParsedWhole)
{
    Overlay overlay;
    EXPECT_TRUE(overlay.ParseLoginUrl(_T("vadmo/login=1&userid=5")));
    EXPECT_EQ(_T("5"), Text(overlay.UserId()));
    EXPECT_EQ(_T("vadmo/login-1&userid-5"), Text(overlay.Key()));
    // Only the first '?' starts the query.
    EXPECT_TRUE(overlay.ParseLoginUrl(_T("a?userid=1?x")));
    EXPECT_EQ(_T("1?x"), Text(overlay.UserId()));
}

TEST(ParseLoginUrl, ItemsWithoutEqualsRaiseTheFrameworkErrorAndLeaveNothing)
{
    Overlay overlay;
    for (const WCHAR* address : {_T("x/vadmo/login?userid=1&"), _T("x/vadmo/login?userid=1&flag"),
                                    _T("x/vadmo/login?&userid=1"), _T("x/vadmo/login?userid=1&&a=b"),
                                    _T("http://host/vadmo/login")}) {
        ASSERT_TRUE(overlay.ParseLoginUrl(_T("?userid=9")));
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
    EXPECT_TRUE(overlay.ParseLoginUrl(_T("h/vadmo/login?userid=%CD%E6%BC%D2&n=玩")));
    EXPECT_EQ(_T("玩家"), Text(overlay.UserId()));
    EXPECT_EQ(_T("userid-%CD%E6%BC%D2&n-玩"), Text(overlay.Key()));
    SetThreadLocale(LOCALE_USER_DEFAULT);
}

TEST(ParseLoginUrl, AddressTableAndPlatformId)
{
    Overlay overlay;
    EXPECT_EQ(_T("vadmo/login"), Text(overlay.m_strLoginMatch));
    EXPECT_EQ(_T("ZUVO_"), Text(overlay.m_strPlatformId));
}

TEST(ParseLoginUrl, HugeQueriesParseInOnePass)
{
    // Hundreds of thousands of items and megabytes of address: the parse
    // must stay linear and keep the first userid.
    CString address(_T("http://h/vadmo/login?userid=first"));
    CString item(_T("&k=v"));
    for (int i = 0; i < 300000; ++i) address += item;
    Overlay overlay;
    EXPECT_TRUE(overlay.ParseLoginUrl(address));
    EXPECT_EQ(_T("first"), Text(overlay.UserId()));
    EXPECT_EQ(address.GetLength() - 21, overlay.Key().GetLength());
}

}  // namespace
