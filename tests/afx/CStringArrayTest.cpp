#include <gtest/gtest.h>

#include "afx/CException.h"
#include "afx/CStringArray.h"

namespace {

TEST(CStringArray, GrowsAndReadsInBounds)
{
    CStringArray a;
    EXPECT_EQ(0, a.Add(_T("x")));
    EXPECT_EQ(1, a.Add(_T("y")));
    EXPECT_EQ(2, a.GetSize());
    EXPECT_EQ(CString(_T("y")), a.GetAt(1));
    a[0] = _T("z");
    EXPECT_EQ(CString(_T("z")), a[0]);
    a.RemoveAll();
    EXPECT_TRUE(a.IsEmpty());
}

TEST(CStringArray, OutOfBoundsRaisesTheFrameworkInvalidArgumentError)
{
    CStringArray a;
    a.Add(_T("only"));
    for (INT_PTR i : {INT_PTR{1}, INT_PTR{-1}, INT_PTR{1000}}) {
        try {
            (void)a.GetAt(i);
            ADD_FAILURE() << "no exception for " << i;
        } catch (CException* e) {
            EXPECT_TRUE(e->IsKindOf(RUNTIME_CLASS(CInvalidArgException)));
            WCHAR text[64];
            EXPECT_TRUE(e->GetErrorMessage(text, 64));
            e->Delete();
        }
    }
    EXPECT_THROW(a.SetAt(1, _T("x")), CInvalidArgException*);
    EXPECT_THROW(a.RemoveAt(0, 2), CInvalidArgException*);
}

}  // namespace
