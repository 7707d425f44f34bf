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
    CString s(u"userid=42&from=abc");
    EXPECT_EQ(18, s.GetLength());
    EXPECT_FALSE(s.IsEmpty());
    EXPECT_EQ(6, s.Find(u'='));
    EXPECT_EQ(14, s.Find(u'=', 7));
    EXPECT_EQ(-1, s.Find(u'#'));
    EXPECT_EQ(10, s.Find(u"from"));
    EXPECT_EQ(-1, s.Find(u"from", 11));
    EXPECT_EQ(-1, s.Find(u"x", 100));
    EXPECT_EQ(CString(u"42&from=abc"), s.Mid(7));
    EXPECT_EQ(CString(u"42"), s.Mid(7, 2));
    EXPECT_EQ(CString(u"user"), s.Left(4));
    EXPECT_EQ(CString(u"abc"), s.Right(3));
    EXPECT_EQ(CString(u"a"), CString(u"abc").Left(1));
}

TEST(CString, OutOfRangeArgumentsAreClamped)
{
    CString s(u"abc");
    EXPECT_EQ(CString(u""), s.Mid(5));
    EXPECT_EQ(CString(u"abc"), s.Mid(-2));
    EXPECT_EQ(CString(u"bc"), s.Mid(1, 99));
    EXPECT_EQ(CString(u""), s.Mid(1, -1));
    EXPECT_EQ(CString(u"abc"), s.Left(10));
    EXPECT_EQ(CString(u""), s.Left(-1));
    EXPECT_THROW(s.GetAt(3), CInvalidArgException*);
    EXPECT_THROW(s.GetAt(-1), CInvalidArgException*);
}

TEST(CString, ReplaceAndRemove)
{
    CString key(u"userid=1=2&a=b");
    EXPECT_EQ(3, key.Replace(u'=', u'-'));
    EXPECT_EQ(CString(u"userid-1-2&a-b"), key);
    CString t(u"aXXbXXc");
    EXPECT_EQ(2, t.Replace(u"XX", u"-"));
    EXPECT_EQ(CString(u"a-b-c"), t);
    EXPECT_EQ(0, t.Replace(u"", u"z"));
    CString spaces(u" a b ");
    EXPECT_EQ(3, spaces.Remove(u' '));
    EXPECT_EQ(CString(u"ab"), spaces);
}

TEST(CString, CopiesShareUntilWritten)
{
    CString a(u"shared");
    CString b = a;
    EXPECT_EQ(a.GetString(), b.GetString());
    b.SetAt(0, u'S');
    EXPECT_NE(a.GetString(), b.GetString());
    EXPECT_EQ(CString(u"shared"), a);
    EXPECT_EQ(CString(u"Shared"), b);
    CString c = a;
    c += u"!";
    EXPECT_EQ(CString(u"shared"), a);
    EXPECT_EQ(CString(u"shared!"), c);
}

TEST(CString, ConcatenationAndComparison)
{
    CString id(u"42");
    CString line = CString(u"ID=") + id + u",Key=" + CString(u"k") + u',';
    EXPECT_EQ(CString(u"ID=42,Key=k,"), line);
    EXPECT_TRUE(line == u"ID=42,Key=k,");
    EXPECT_TRUE(CString(u"a") < CString(u"b"));
    EXPECT_TRUE(CString() == CString(u""));
    CString self(u"ab");
    self += self;  // appending itself
    EXPECT_EQ(CString(u"abab"), self);
    CString grown;
    for (int i = 0; i < 10000; ++i) grown += u'x';
    EXPECT_EQ(10000, grown.GetLength());
}

TEST(CString, NarrowTextConvertsThroughTheThreadCodePageUpToTheFirstZero)
{
    EXPECT_EQ(CString(u"ab"), CString("ab\0cd"));
    EXPECT_EQ(CString(u"玩家"), CString("\xe7\x8e\xa9\xe5\xae\xb6"));
    ASSERT_TRUE(SetThreadLocale(2052));
    EXPECT_EQ(CString(u"玩家"), CString("\xcd\xe6\xbc\xd2"));
    SetThreadLocale(LOCALE_USER_DEFAULT);
    EXPECT_TRUE(CString(static_cast<const char*>(nullptr)).IsEmpty());
}

TEST(CString, BuffersAndSysStrings)
{
    CString s;
    WCHAR* p = s.GetBuffer(4);
    p[0] = u'h';
    p[1] = u'i';
    p[2] = 0;
    s.ReleaseBuffer();
    EXPECT_EQ(CString(u"hi"), s);
    BSTR b = s.AllocSysString();
    EXPECT_EQ(2u, SysStringLen(b));
    SysFreeString(b);
}

}  // namespace
