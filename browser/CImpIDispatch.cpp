#include "browser/CImpIDispatch.h"

#include "win32/WinNls.h"

namespace {

const OLECHAR kMemberName[] = _T("xxyyzz");
const OLECHAR kPropertyValue[] = _T("Wibble");

// Names match on their first three characters, width aside.
constexpr int kComparedLength = 3;

}  // namespace

CImpIDispatch::CImpIDispatch() : m_refs(0) {}

CImpIDispatch::~CImpIDispatch() = default;

HRESULT CImpIDispatch::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppvObject = static_cast<IDispatch*>(this);
        AddRef();
        return S_OK;
    }
    return E_NOINTERFACE;
}

ULONG CImpIDispatch::AddRef() { return ++m_refs; }

ULONG CImpIDispatch::Release() { return --m_refs; }

HRESULT CImpIDispatch::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

HRESULT CImpIDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT CImpIDispatch::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId)
{
    HRESULT result = S_OK;
    for (UINT i = 0; i < cNames; ++i) {
        const OLECHAR* name = rgszNames[i] ? rgszNames[i] : _T("");
        if (CompareStringW(lcid, NORM_IGNOREWIDTH, kMemberName, kComparedLength, name, kComparedLength) ==
            CSTR_EQUAL) {
            rgDispId[i] = kDispIdXxyyzz;
        } else {
            rgDispId[i] = DISPID_UNKNOWN;
            result = DISP_E_UNKNOWNNAME;
        }
    }
    return result;
}

HRESULT CImpIDispatch::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                              EXCEPINFO*, UINT*)
{
    if (dispIdMember == kDispIdXxyyzz && (wFlags & DISPATCH_PROPERTYGET) && pVarResult) {
        // A failed allocation leaves a null BSTR, which COM reads as "".
        BSTR value = SysAllocString(kPropertyValue);
        VariantInit(pVarResult);
        pVarResult->vt = VT_BSTR;
        pVarResult->bstrVal = value;
    }
    return S_OK;
}
