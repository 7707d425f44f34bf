// Narrow <-> wide conversions through the thread's ANSI code page.
#include <gtest/gtest.h>

#include <string>

#include "win32/ErrHandlingApi.h"
#include "win32/WinNls.h"
#include "support/WideString.h"

namespace {

using quarrow::test::WideString;

// Restores the process default after each test that picks a thread locale.
class ThreadLocale : public ::testing::Test {
protected:
    void TearDown() override { SetThreadLocale(LOCALE_USER_DEFAULT); }
};

std::string ToNarrow(UINT cp, const WideString& wide, BOOL* usedDefault = nullptr)
{
    int n = WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, usedDefault);
    std::string out(static_cast<size_t>(n), '\0');
    if (n) {
        EXPECT_EQ(n, WideCharToMultiByte(cp, 0, wide.data(), static_cast<int>(wide.size()), out.data(), n, nullptr,
                                         usedDefault));
    }
    return out;
}

WideString ToWide(UINT cp, const std::string& narrow)
{
    int n = MultiByteToWideChar(cp, 0, narrow.data(), static_cast<int>(narrow.size()), nullptr, 0);
    WideString out(static_cast<size_t>(n), _T('\0'));
    if (n) {
        EXPECT_EQ(n, MultiByteToWideChar(cp, 0, narrow.data(), static_cast<int>(narrow.size()), out.data(), n));
    }
    return out;
}

TEST_F(ThreadLocale, LocaleSelectsTheThreadCodePageOnly)
{
    // Text that every one of these code pages writes differently.
    const WideString sample = _T("\u00e9\u4e2d\u0436\u00fc\u3042\ud55c");
    const UINT process = GetACP();
    const std::string processText = ToNarrow(process, sample);
    struct Case {
        LCID locale;
        UINT codePage;
    };
    for (Case c : {Case{2052, 936}, Case{1028, 950}, Case{1041, 932}, Case{1042, 949}, Case{1033, 1252},
                   Case{1049, 1251}}) {
        ASSERT_TRUE(SetThreadLocale(c.locale)) << c.locale;
        EXPECT_EQ(c.locale, GetThreadLocale());
        EXPECT_EQ(ToNarrow(c.codePage, sample), ToNarrow(CP_THREAD_ACP, sample)) << c.locale;
        // CP_ACP and GetACP are the process's (on Windows the system's)
        // code page, whatever the thread's locale.
        EXPECT_EQ(process, GetACP()) << c.locale;
        EXPECT_EQ(processText, ToNarrow(CP_ACP, sample)) << c.locale;
    }
    EXPECT_FALSE(SetThreadLocale(0x7FFF));
    EXPECT_EQ(ToNarrow(1251, sample), ToNarrow(CP_THREAD_ACP, sample)) << "a refused locale keeps the previous one";
}

TEST_F(ThreadLocale, DefaultIsTheProcessCodePage)
{
    const WideString wide = _T("\u7528\u6237\u00e9x");
    EXPECT_EQ(ToNarrow(GetACP(), wide), ToNarrow(CP_THREAD_ACP, wide));
#if !defined(_WIN32)
    // The test process runs in a UTF-8 or C locale, both of which are 65001.
    EXPECT_EQ(65001u, GetACP());
    EXPECT_EQ("\xe7\x94\xa8\xe6\x88\xb7\xc3\xa9x", ToNarrow(CP_THREAD_ACP, wide));
    EXPECT_EQ(wide, ToWide(CP_THREAD_ACP, "\xe7\x94\xa8\xe6\x88\xb7\xc3\xa9x"));
#endif
}

TEST_F(ThreadLocale, ChineseRoundTripsThroughGbk)
{
    ASSERT_TRUE(SetThreadLocale(2052));
    BOOL usedDefault = TRUE;
    std::string gbk = ToNarrow(CP_THREAD_ACP, _T("玩家"), &usedDefault);
    EXPECT_EQ("\xcd\xe6\xbc\xd2", gbk);
    EXPECT_FALSE(usedDefault);
    EXPECT_EQ(_T("玩家"), ToWide(CP_THREAD_ACP, gbk));
}

TEST_F(ThreadLocale, UnrepresentableCharactersBecomeTheDefaultCharacter)
{
    ASSERT_TRUE(SetThreadLocale(2052));
    struct Case {
        WideString wide;
        std::string narrow;
    };
    const Case cases[] = {
        {_T("a\u00e9b"), "a\xa8\xa6" "b"},         // é is in GBK
        {_T("a\u0e01b"), "a?b"},                   // Thai is not
        {_T("\U0001F600x"), "??x"},                // one default character per unit of a pair
        {WideString(_T("a")) + WCHAR(0xD800) + _T("b"), "a?b"},  // lone high surrogate
        {WideString(_T("a")) + WCHAR(0xDC00), "a?"},          // lone low surrogate at the end
        {WideString(_T("a")) + WCHAR(0xD800), "a?"},          // high surrogate at the end
    };
    for (const Case& c : cases) {
        BOOL usedDefault = FALSE;
        EXPECT_EQ(c.narrow, ToNarrow(CP_THREAD_ACP, c.wide, &usedDefault));
        EXPECT_EQ(c.narrow.find('?') != std::string::npos, usedDefault != FALSE);
    }
    EXPECT_EQ("a*b", [] {
        char out[8] = {};
        int n = WideCharToMultiByte(CP_THREAD_ACP, 0, _T("a\u0e01b"), 3, out, sizeof(out), "*", nullptr);
        return std::string(out, static_cast<size_t>(n));
    }());
}

TEST(Nls, LoneSurrogatesInUtf8BecomeReplacementCharacters)
{
    WideString wide = WideString(_T("x")) + WCHAR(0xDFFF) + WCHAR(0xD801) + _T("y");
    EXPECT_EQ("x\xef\xbf\xbd\xef\xbf\xbdy", ToNarrow(CP_UTF8, wide));
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, WC_ERR_INVALID_CHARS, wide.data(), static_cast<int>(wide.size()),
                                     nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(Nls, NarrowToWideStopsAtTheFirstZeroByteWhenNoLengthIsGiven)
{
    const char text[] = "ab\0cd";
    WCHAR out[8];
    ASSERT_EQ(3, MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 8));
    EXPECT_EQ(WideString(_T("ab"), 3), WideString(out, 3));
    // With an explicit length the zero byte is a character like any other.
    ASSERT_EQ(5, MultiByteToWideChar(CP_UTF8, 0, text, 5, out, 8));
    EXPECT_EQ(WideString(_T("ab\0cd"), 5), WideString(out, 5));
}

TEST(Nls, InvalidBytesBecomeReplacementCharacters)
{
    EXPECT_EQ(_T("a\uFFFDb"), ToWide(CP_UTF8, "a\xff" "b"));
    EXPECT_EQ(_T("a\uFFFD"), ToWide(CP_UTF8, "a\xe7\x94"));  // truncated sequence at the end
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, "a\xff", 2, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NO_UNICODE_TRANSLATION), GetLastError());
}

TEST(Nls, BufferSizesAndBadArgumentsAreReported)
{
    char small[2];
    EXPECT_EQ(0, WideCharToMultiByte(CP_UTF8, 0, _T("abc"), 3, small, 2, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    WCHAR wsmall[1];
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, "ab", 2, wsmall, 1));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INSUFFICIENT_BUFFER), GetLastError());
    EXPECT_EQ(0, MultiByteToWideChar(CP_UTF8, 0, nullptr, 2, nullptr, 0));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    EXPECT_EQ(0, WideCharToMultiByte(12345, 0, _T("a"), 1, nullptr, 0, nullptr, nullptr));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
    // -1 counts the terminating zero.
    EXPECT_EQ(4, WideCharToMultiByte(CP_UTF8, 0, _T("abc"), -1, nullptr, 0, nullptr, nullptr));
}

TEST(Nls, LongTextConvertsCompletely)
{
    WideString wide;
    for (int i = 0; i < 100000; ++i) wide += (i % 3 == 0) ? _T('中') : _T('x');
    std::string narrow = ToNarrow(CP_UTF8, wide);
    EXPECT_EQ(wide, ToWide(CP_UTF8, narrow));
}

}  // namespace
