// The window.external object: name lookup, property reads, interface
// queries and its never-deleting reference count.
#include <gtest/gtest.h>

#include "browser/CImpIDispatch.h"
#include "win32/WinNls.h"
#include "support/WideString.h"

namespace {

using quarrow::test::WideString;

struct LookupCase {
    std::vector<const WCHAR*> names;
    std::vector<DISPID> ids;
    HRESULT result;
};

TEST(CImpIDispatch, NameLookupMatchesTheFirstThreeCharactersWidthAside)
{
    const LookupCase cases[] = {
        {{_T("xxyyzz")}, {12345}, S_OK},
        {{_T("xxyq")}, {12345}, S_OK},
        {{_T("xxy")}, {12345}, S_OK},
        {{_T("ｘｘｙｙｚｚ")}, {12345}, S_OK},  // full-width letters
        {{_T("XXYYZZ")}, {DISPID_UNKNOWN}, DISP_E_UNKNOWNNAME},
        {{_T("xx")}, {DISPID_UNKNOWN}, DISP_E_UNKNOWNNAME},
        {{_T("")}, {DISPID_UNKNOWN}, DISP_E_UNKNOWNNAME},
        {{_T("abcdef")}, {DISPID_UNKNOWN}, DISP_E_UNKNOWNNAME},
        {{_T("xxyyzz"), _T("other")}, {12345, DISPID_UNKNOWN}, DISP_E_UNKNOWNNAME},
        {{_T("other"), _T("xxyyzz")}, {DISPID_UNKNOWN, 12345}, DISP_E_UNKNOWNNAME},  // every name gets its entry
    };
    CImpIDispatch external;
    for (const LookupCase& c : cases) {
        std::vector<LPOLESTR> names;
        for (const WCHAR* n : c.names) names.push_back(const_cast<LPOLESTR>(n));
        std::vector<DISPID> ids(names.size(), 777);
        EXPECT_EQ(c.result, external.GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                                   LOCALE_USER_DEFAULT, ids.data()));
        EXPECT_EQ(c.ids, ids);
    }
    DISPID untouched = 777;
    EXPECT_EQ(S_OK, external.GetIDsOfNames(IID_NULL, nullptr, 0, LOCALE_USER_DEFAULT, &untouched));
    EXPECT_EQ(777, untouched);
}

TEST(CImpIDispatch, PropertyReadYieldsWibble)
{
    CImpIDispatch external;
    for (WORD flags : {WORD{DISPATCH_PROPERTYGET}, WORD{DISPATCH_PROPERTYGET | DISPATCH_METHOD}}) {
        VARIANT result;
        result.vt = VT_I4;
        result.lVal = 5;
        EXPECT_EQ(S_OK, external.Invoke(12345, IID_NULL, 0, flags, nullptr, &result, nullptr, nullptr));
        ASSERT_EQ(VT_BSTR, result.vt);
        EXPECT_EQ(WideString(_T("Wibble")), WideString(result.bstrVal, SysStringLen(result.bstrVal)));
        VariantClear(&result);
    }
}

TEST(CImpIDispatch, EverythingElseSucceedsAndDoesNothing)
{
    CImpIDispatch external;
    struct Call {
        DISPID id;
        WORD flags;
    };
    for (Call c : {Call{12345, DISPATCH_METHOD}, Call{12345, DISPATCH_PROPERTYPUT}, Call{1, DISPATCH_PROPERTYGET},
                   Call{DISPID_UNKNOWN, DISPATCH_PROPERTYGET | DISPATCH_METHOD}}) {
        VARIANT result;
        result.vt = VT_I4;
        result.lVal = 5;
        EXPECT_EQ(S_OK, external.Invoke(c.id, IID_NULL, 0, c.flags, nullptr, &result, nullptr, nullptr));
        EXPECT_EQ(VT_I4, result.vt);
        EXPECT_EQ(5, result.lVal);
    }
    EXPECT_EQ(S_OK, external.Invoke(12345, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, nullptr, nullptr, nullptr));
    UINT count = 9;
    EXPECT_EQ(E_NOTIMPL, external.GetTypeInfoCount(&count));
    EXPECT_EQ(9u, count);
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(0x1);
    EXPECT_EQ(E_NOTIMPL, external.GetTypeInfo(0, 0, &info));
    EXPECT_EQ(reinterpret_cast<ITypeInfo*>(0x1), info);
}

TEST(CImpIDispatch, InterfaceQueriesAndReferenceCount)
{
    CImpIDispatch external;
    EXPECT_EQ(0u, external.RefCount());
    void* out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(S_OK, external.QueryInterface(IID_IDispatch, &out));
    EXPECT_EQ(static_cast<IDispatch*>(&external), out);
    EXPECT_EQ(S_OK, external.QueryInterface(IID_IUnknown, &out));
    EXPECT_EQ(2u, external.RefCount());

    const IID other = {0xBD3F23C0, 0xD43E, 0x11CF, {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};
    out = reinterpret_cast<void*>(0x1);
    EXPECT_EQ(E_NOINTERFACE, external.QueryInterface(other, &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(2u, external.RefCount());

    // Releases past zero never free the object; it keeps answering.
    EXPECT_EQ(1u, external.Release());
    EXPECT_EQ(0u, external.Release());
    EXPECT_EQ(static_cast<ULONG>(-1), external.Release());  // a plain counter, nothing is freed
    EXPECT_EQ(0u, external.AddRef());
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(S_OK, external.Invoke(12345, IID_NULL, 0, DISPATCH_PROPERTYGET, nullptr, &result, nullptr, nullptr));
    EXPECT_EQ(VT_BSTR, result.vt);
    VariantClear(&result);
}

}  // namespace
