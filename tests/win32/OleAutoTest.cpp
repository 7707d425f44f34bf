// BSTR layout, VARIANT ownership and GUID parsing.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "win32/OAIdl.h"

namespace {

TEST(Bstr, IsLengthPrefixedAndZeroTerminated)
{
    BSTR s = SysAllocString(_T("Wibble"));
    ASSERT_NE(nullptr, s);
    std::uint32_t prefix = 0;
    std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
    EXPECT_EQ(12u, prefix);
    EXPECT_EQ(6u, SysStringLen(s));
    EXPECT_EQ(12u, SysStringByteLen(s));
    EXPECT_EQ(0, s[6]);
    SysFreeString(s);

    // Embedded zeros count; a null BSTR is the empty string.
    BSTR z = SysAllocStringLen(_T("a\0b"), 3);
    EXPECT_EQ(3u, SysStringLen(z));
    SysFreeString(z);
    EXPECT_EQ(0u, SysStringLen(nullptr));
    EXPECT_EQ(nullptr, SysAllocString(nullptr));
    SysFreeString(nullptr);
}

struct CountedUnknown : IUnknown {
    ULONG refs = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** out) override
    {
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
};

TEST(Variant, ClearFreesWhatItOwnsAndCopyShares)
{
    VARIANT v;
    VariantInit(&v);
    EXPECT_EQ(VT_EMPTY, v.vt);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocString(_T("owned"));
    VARIANT copy;
    VariantInit(&copy);
    ASSERT_EQ(S_OK, VariantCopy(&copy, &v));
    EXPECT_NE(v.bstrVal, copy.bstrVal);
    EXPECT_EQ(0, std::memcmp(copy.bstrVal, _T("owned"), 10));
    EXPECT_EQ(S_OK, VariantClear(&v));  // LeakSanitizer checks the string is freed
    EXPECT_EQ(VT_EMPTY, v.vt);
    VariantClear(&copy);

    CountedUnknown unk;
    v.vt = VT_UNKNOWN;
    v.punkVal = &unk;
    VariantCopy(&copy, &v);
    EXPECT_EQ(2u, unk.refs);
    VariantClear(&copy);
    VariantClear(&v);
    EXPECT_EQ(0u, unk.refs);

    // A by-reference variant owns nothing.
    BSTR s = SysAllocString(_T("kept"));
    v.vt = VT_BSTR | VT_BYREF;
    v.pbstrVal = &s;
    VariantClear(&v);
    EXPECT_EQ(4u, SysStringLen(s));
    SysFreeString(s);
}

TEST(Guid, ParsesTheRegistryFormOnly)
{
    CLSID id{};
    ASSERT_EQ(NOERROR, CLSIDFromString(_T("{8856F961-340A-11D0-A96B-00C04FD705A2}"), &id));
    const CLSID expected = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
    EXPECT_TRUE(id == expected);
    EXPECT_FALSE(id == IID_IDispatch);
    EXPECT_TRUE(IID_IDispatch != IID_IUnknown);
    for (const WCHAR* bad : {_T(""), _T("{8856F961-340A-11D0-A96B-00C04FD705A2"), _T("8856F961-340A-11D0-A96B-00C04FD705A2"),
                                _T("{8856F961-340A-11D0-A96B-00C04FD705AZ}"), _T("{8856F961-340A-11D0-A96B-00C04FD705A2}x"),
                                _T("{8856F961}")}) {
        EXPECT_EQ(CO_E_CLASSSTRING, CLSIDFromString(bad, &id));
    }
}

}  // namespace
