// The framework's wide string: operations, copy-on-write and the narrow
// conversion.
#include <gtest/gtest.h>

#include "afx/CException.h"
#include "afx/CString.h"
#include "win32/OleAuto.h"
#include "win32/WinNls.h"

namespace {

TEST(CString, BasicOperations)
{
    CString s(_T("userid=42&from=abc"));
    EXPECT_EQ(18, s.GetLength());
    EXPECT_FALSE(s.IsEmpty());
    EXPECT_EQ(6, s.Find(_T('=')));
    EXPECT_EQ(14, s.Find(_T('='), 7));
    EXPECT_EQ(-1, s.Find(_T('#')));
    EXPECT_EQ(10, s.Find(_T("from")));
    EXPECT_EQ(-1, s.Find(_T("from"), 11));
    EXPECT_EQ(-1, s.Find(_T("x"), 100));
    EXPECT_EQ(CString(_T("42&from=abc")), s.Mid(7));
    EXPECT_EQ(CString(_T("42")), s.Mid(7, 2));
    EXPECT_EQ(CString(_T("user")), s.Left(4));
    EXPECT_EQ(CString(_T("abc")), s.Right(3));
    EXPECT_EQ(CString(_T("a")), CString(_T("abc")).Left(1));
}

TEST(CString, OutOfRangeArgumentsAreClamped)
{
    CString s(_T("abc"));
    EXPECT_EQ(CString(_T("")), s.Mid(5));
    EXPECT_EQ(CString(_T("abc")), s.Mid(-2));
    EXPECT_EQ(CString(_T("bc")), s.Mid(1, 99));
    EXPECT_EQ(CString(_T("")), s.Mid(1, -1));
    EXPECT_EQ(CString(_T("abc")), s.Left(10));
    EXPECT_EQ(CString(_T("")), s.Left(-1));
    EXPECT_THROW(s.GetAt(3), CInvalidArgException*);
    EXPECT_THROW(s.GetAt(-1), CInvalidArgException*);
}

TEST(CString, ReplaceAndRemove)
{
    CString key(_T("userid=1=2&a=b"));
    EXPECT_EQ(3, key.Replace(_T('='), _T('-')));
    EXPECT_EQ(CString(_T("userid-1-2&a-b")), key);
    CString t(_T("aXXbXXc"));
    EXPECT_EQ(2, t.Replace(_T("XX"), _T("-")));
    EXPECT_EQ(CString(_T("a-b-c")), t);
    EXPECT_EQ(0, t.Replace(_T(""), _T("z")));
    CString spaces(_T(" a b "));
    EXPECT_EQ(3, spaces.Remove(_T(' ')));
    EXPECT_EQ(CString(_T("ab")), spaces);
}

TEST(CString, CopiesShareUntilWritten)
{
    CString a(_T("shared"));
    CString b = a;
    EXPECT_EQ(a.GetString(), b.GetString());
    b.SetAt(0, _T('S'));
    EXPECT_NE(a.GetString(), b.GetString());
    EXPECT_EQ(CString(_T("shared")), a);
    EXPECT_EQ(CString(_T("Shared")), b);
    CString c = a;
    c += _T("!");
    EXPECT_EQ(CString(_T("shared")), a);
    EXPECT_EQ(CString(_T("shared!")), c);
}

TEST(CString, ConcatenationAndComparison)
{
    CString id(_T("42"));
    CString line = CString(_T("ID=")) + id + _T(",Key=") + CString(_T("k")) + _T(',');
    EXPECT_EQ(CString(_T("ID=42,Key=k,")), line);
    EXPECT_TRUE(line == _T("ID=42,Key=k,"));
    EXPECT_TRUE(CString(_T("a")) < CString(_T("b")));
    EXPECT_TRUE(CString() == CString(_T("")));
    CString self(_T("ab"));
    self += self;  // appending itself
    EXPECT_EQ(CString(_T("abab")), self);
    CString grown;
    for (int i = 0; i < 10000; ++i) grown += _T('x');
    EXPECT_EQ(10000, grown.GetLength());
}

TEST(CString, NarrowTextConvertsThroughTheThreadCodePageUpToTheFirstZero)
{
    EXPECT_EQ(CString(_T("ab")), CString("ab\0cd"));
#if !defined(_WIN32)
    // The process's code page is UTF-8 here.
    EXPECT_EQ(CString(_T("玩家")), CString("\xe7\x8e\xa9\xe5\xae\xb6"));
#endif
    ASSERT_TRUE(SetThreadLocale(2052));
    EXPECT_EQ(CString(_T("玩家")), CString("\xcd\xe6\xbc\xd2"));
    SetThreadLocale(LOCALE_USER_DEFAULT);
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(CString, BuffersAndSysStrings)
{
    CString s;
    WCHAR* p = s.GetBuffer(4);
    p[0] = _T('h');
    p[1] = _T('i');
    p[2] = 0;
    s.ReleaseBuffer();
    EXPECT_EQ(CString(_T("hi")), s);
    BSTR b = s.AllocSysString();
    EXPECT_EQ(2u, SysStringLen(b));
    SysFreeString(b);
}

}  // namespace
