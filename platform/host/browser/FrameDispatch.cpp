#include "host/browser/FrameDispatch.h"

#include "host/browser/WebBrowserControl.h"
#include "win32/WinNls.h"

namespace quarrow {

HRESULT FrameDispatch::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *ppvObject = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG FrameDispatch::Release()
{
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

HRESULT FrameDispatch::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT FrameDispatch::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT FrameDispatch::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (cNames && (!rgszNames || !rgDispId)) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < cNames; ++i) {
        const bool known = rgszNames[i] && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, rgszNames[i], -1,
                                                          u"LocationURL", -1) == CSTR_EQUAL;
        rgDispId[i] = known ? WebBrowserControl::kLocationUrl : DISPID_UNKNOWN;
        if (!known) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT FrameDispatch::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                              VARIANT* pVarResult, EXCEPINFO*, UINT*)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (dispIdMember != WebBrowserControl::kLocationUrl || !(wFlags & DISPATCH_PROPERTYGET)) {
        return DISP_E_MEMBERNOTFOUND;
    }
    if (pDispParams && pDispParams->cArgs) return DISP_E_BADPARAMCOUNT;
    if (!pVarResult) return E_INVALIDARG;
    VariantInit(pVarResult);
    pVarResult->vt = VT_BSTR;
    pVarResult->bstrVal = SysAllocString(m_url.c_str());
    return S_OK;
}

} // namespace quarrow
