#include "afx/COleControlSite.h"

#include <cstdio>
#include <cstring>
#include <exception>
#include <vector>

#include "afx/COleControlContainer.h"
#include "afx/COleDispatchException.h"
#include "afx/COleException.h"
#include "afx/CWnd.h"
#include "win32/ControlHosting.h"
#include "win32/WinNls.h"

BEGIN_INTERFACE_MAP(COleControlSite, CCmdTarget)
    INTERFACE_PART(COleControlSite, IID_IOleClientSite, OleClientSite)
    INTERFACE_PART(COleControlSite, IID_IDispatch, EventSink)
END_INTERFACE_MAP()

COleControlSite::COleControlSite(COleControlContainer* pCtrlCont) : m_pCtrlCont(pCtrlCont) {}

COleControlSite::~COleControlSite()
{
    CloseControl();
    m_pControl.reset();
    if (m_pWndCtrl && m_pWndCtrl->m_pCtrlSite == this) m_pWndCtrl->m_pCtrlSite = nullptr;
    m_pWndCtrl = nullptr;
}

void COleControlSite::OnFinalRelease() {}

HRESULT COleControlSite::CreateControl(CWnd* pWndCtrl, REFCLSID clsid, LPCWSTR lpszWindowName, DWORD dwStyle,
                                       const RECT& rect, UINT nID, const BYTE* persisted, size_t size,
                                       DWORD dwExStyle)
{
    if (m_pControl || !m_pCtrlCont || !m_pCtrlCont->m_pWnd || !m_pCtrlCont->m_pWnd->GetSafeHwnd()) return E_UNEXPECTED;
    quarrow::HostedControlParams params;
    params.parent = m_pCtrlCont->m_pWnd->GetSafeHwnd();
    params.rect = rect;
    params.id = nID;
    params.style = dwStyle | WS_CHILD;
    params.exStyle = dwExStyle;
    params.persisted = persisted && size ? persisted : nullptr;
    params.persistedSize = params.persisted ? size : 0;
    params.clientSite = &m_xOleClientSite;
    params.eventSink = &m_xEventSink;

    HRESULT hr = S_OK;
    std::unique_ptr<quarrow::HostedControl> control = quarrow::CreateHostedControl(clsid, params, &hr);
    if (!control) return FAILED(hr) ? hr : E_FAIL;
    m_pControl = std::move(control);
    m_bClosed = false;
    m_hWnd = m_pControl->window();
    m_nID = nID;
    if (m_hWnd && lpszWindowName && *lpszWindowName) ::SetWindowTextW(m_hWnd, lpszWindowName);

    if (pWndCtrl) {
        if (!m_hWnd || !pWndCtrl->SubclassWindow(m_hWnd)) {
            std::fprintf(stderr, "quarrow: control %u was made but its window object could not be bound to it\n", nID);
            CloseControl();
            m_pControl.reset();
            return E_FAIL;
        }
        pWndCtrl->m_pCtrlSite = this;
        m_pWndCtrl = pWndCtrl;
    }
    return S_OK;
}

void COleControlSite::CloseControl()
{
    if (m_bClosed || !m_pControl) return;
    m_bClosed = true;
    m_pControl->close();
    m_hWnd = nullptr;
}

IDispatch* COleControlSite::GetControlDispatch() const
{
    return m_pControl && !m_bClosed ? m_pControl->dispatch() : nullptr;
}

BOOL COleControlSite::TranslateAccelerator(const MSG& msg)
{
    return m_pControl && !m_bClosed && m_pControl->translateAccelerator(msg) ? TRUE : FALSE;
}

BOOL COleControlSite::SetControlRect(const RECT& rect)
{
    return m_pControl && !m_bClosed && m_pControl->setRect(rect) ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Calls into the control

namespace {

VARTYPE vartypeOfVts(BYTE vts)
{
    return static_cast<VARTYPE>((vts & 0x40) ? ((vts & ~0x40) | VT_BYREF) : vts);
}

bool isPassedResultType(VARTYPE vt)
{
    switch (vt) {
    case VT_EMPTY:
    case VT_I2:
    case VT_I4:
    case VT_BOOL:
    case VT_BSTR:
    case VT_DISPATCH:
    case VT_UNKNOWN:
    case VT_VARIANT:
        return true;
    default:
        return false;
    }
}

// The arguments of one call, in the order Invoke wants them (the last
// parameter first). The call owns what the variants hold (BSTRs it made,
// references it took, copies of VARIANTs) and clears them however the call
// ends; by-reference variants own nothing.
class InvokeArguments {
public:
    explicit InvokeArguments(size_t count) : m_args(count), m_bools(count, VARIANT_FALSE), m_boolTargets(count, nullptr)
    {
        for (VARIANT& v : m_args) ::VariantInit(&v);
    }
    ~InvokeArguments()
    {
        for (VARIANT& v : m_args) ::VariantClear(&v);
    }
    InvokeArguments(const InvokeArguments&) = delete;
    InvokeArguments& operator=(const InvokeArguments&) = delete;

    // Reads parameter `index` (counted from the first) from the caller's
    // arguments; false for a type this layer does not pass.
    bool read(size_t index, BYTE vts, va_list& argList)
    {
        VARIANT& arg = m_args[m_args.size() - 1 - index];
        const VARTYPE vt = vartypeOfVts(vts);
        switch (vt) {
        case VT_I2:
            arg.iVal = static_cast<SHORT>(va_arg(argList, int));
            break;
        case VT_I4:
            arg.lVal = va_arg(argList, LONG);
            break;
        case VT_BOOL:
            arg.boolVal = va_arg(argList, BOOL) ? VARIANT_TRUE : VARIANT_FALSE;
            break;
        case VT_BSTR: {
            LPCWSTR text = va_arg(argList, LPCWSTR);
            arg.bstrVal = text ? ::SysAllocString(text) : nullptr;
            if (text && !arg.bstrVal) AfxThrowOleException(E_OUTOFMEMORY);
            break;
        }
        case VT_DISPATCH:
            arg.pdispVal = va_arg(argList, IDispatch*);
            if (arg.pdispVal) arg.pdispVal->AddRef();
            break;
        case VT_UNKNOWN:
            arg.punkVal = va_arg(argList, IUnknown*);
            if (arg.punkVal) arg.punkVal->AddRef();
            break;
        case VT_VARIANT: {
            const VARIANT* value = va_arg(argList, const VARIANT*);
            if (!value) {
                // No value: the automation convention for an omitted argument.
                arg.vt = VT_ERROR;
                arg.scode = DISP_E_PARAMNOTFOUND;
                return true;
            }
            // Workaround: MinGW-w64's <oleauto.h> (10.0) declares VariantCopy's
            // source without the const that the platform's documentation
            // gives it; VariantCopy does not write to it. Remove the cast
            // once the SDK headers have the const.
            const HRESULT hr = ::VariantCopy(&arg, const_cast<VARIANT*>(value));
            if (FAILED(hr)) AfxThrowOleException(hr);
            return true;
        }
        case VT_I4 | VT_BYREF:
            arg.plVal = va_arg(argList, LONG*);
            break;
        case VT_BSTR | VT_BYREF:
            arg.pbstrVal = va_arg(argList, BSTR*);
            break;
        case VT_BOOL | VT_BYREF: {
            BOOL* target = va_arg(argList, BOOL*);
            m_boolTargets[index] = target;
            m_bools[index] = target && *target ? VARIANT_TRUE : VARIANT_FALSE;
            arg.pboolVal = &m_bools[index];
            break;
        }
        case VT_VARIANT | VT_BYREF:
            arg.pvarVal = va_arg(argList, VARIANT*);
            break;
        default:
            return false;
        }
        arg.vt = vt;
        return true;
    }

    // Hands what the control wrote into BOOL parameters back to the caller.
    void writeBack()
    {
        for (size_t i = 0; i < m_boolTargets.size(); ++i) {
            if (m_boolTargets[i]) *m_boolTargets[i] = m_bools[i] ? TRUE : FALSE;
        }
    }

    VARIANT* data() { return m_args.empty() ? nullptr : m_args.data(); }
    UINT count() const { return static_cast<UINT>(m_args.size()); }

private:
    std::vector<VARIANT> m_args;
    std::vector<VARIANT_BOOL> m_bools;
    std::vector<BOOL*> m_boolTargets;
};

// Clears a result variant however the call ends.
struct ResultVariant {
    VARIANT value;
    ResultVariant() { ::VariantInit(&value); }
    ~ResultVariant() { ::VariantClear(&value); }
    ResultVariant(const ResultVariant&) = delete;
    ResultVariant& operator=(const ResultVariant&) = delete;
};

[[noreturn]] void throwDispatchException(EXCEPINFO& info)
{
    if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
    auto* e = new COleDispatchException(info.bstrDescription, info.dwHelpContext, info.wCode);
    if (info.wCode == 0) e->m_scError = info.scode ? info.scode : DISP_E_EXCEPTION;
    if (info.bstrSource) e->m_strSource = CString(info.bstrSource, static_cast<int>(::SysStringLen(info.bstrSource)));
    if (info.bstrHelpFile) {
        e->m_strHelpFile = CString(info.bstrHelpFile, static_cast<int>(::SysStringLen(info.bstrHelpFile)));
    }
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
    throw e;
}

void freeExcepInfo(EXCEPINFO& info)
{
    ::SysFreeString(info.bstrSource);
    ::SysFreeString(info.bstrDescription);
    ::SysFreeString(info.bstrHelpFile);
}

// Moves the result into the caller's variable of type vtRet.
void storeResult(VARTYPE vtRet, void* pvRet, VARIANT& result)
{
    if (!pvRet) return;
    const bool nothing = result.vt == VT_EMPTY || result.vt == VT_NULL;
    switch (vtRet) {
    case VT_BSTR: {
        auto* out = static_cast<CString*>(pvRet);
        if (nothing) {
            out->Empty();
        } else if (result.vt == VT_BSTR) {
            *out = result.bstrVal ? CString(result.bstrVal, static_cast<int>(::SysStringLen(result.bstrVal)))
                                  : CString();
        } else {
            AfxThrowOleException(DISP_E_TYPEMISMATCH);
        }
        return;
    }
    case VT_I2:
        if (result.vt != VT_I2) AfxThrowOleException(DISP_E_TYPEMISMATCH);
        *static_cast<SHORT*>(pvRet) = result.iVal;
        return;
    case VT_I4:
        if (result.vt == VT_I4) *static_cast<LONG*>(pvRet) = result.lVal;
        else if (result.vt == VT_I2) *static_cast<LONG*>(pvRet) = result.iVal;
        else AfxThrowOleException(DISP_E_TYPEMISMATCH);
        return;
    case VT_BOOL:
        if (result.vt != VT_BOOL) AfxThrowOleException(DISP_E_TYPEMISMATCH);
        *static_cast<BOOL*>(pvRet) = result.boolVal ? TRUE : FALSE;
        return;
    case VT_DISPATCH:
        if (!nothing && result.vt != VT_DISPATCH) AfxThrowOleException(DISP_E_TYPEMISMATCH);
        *static_cast<IDispatch**>(pvRet) = nothing ? nullptr : result.pdispVal;
        result.vt = VT_EMPTY;  // the caller has the reference now
        return;
    case VT_UNKNOWN:
        if (!nothing && result.vt != VT_UNKNOWN && result.vt != VT_DISPATCH) AfxThrowOleException(DISP_E_TYPEMISMATCH);
        *static_cast<IUnknown**>(pvRet) = nothing ? nullptr : result.punkVal;
        result.vt = VT_EMPTY;
        return;
    case VT_VARIANT:
        *static_cast<VARIANT*>(pvRet) = result;
        result.vt = VT_EMPTY;
        return;
    default:
        return;
    }
}

} // namespace

void COleControlSite::InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet,
                                    const BYTE* pbParamInfo, va_list argList)
{
    IDispatch* dispatch = GetControlDispatch();
    if (!dispatch) AfxThrowOleException(E_UNEXPECTED);
    if (!isPassedResultType(vtRet)) AfxThrowOleException(DISP_E_BADVARTYPE);

    const size_t count = pbParamInfo ? std::strlen(reinterpret_cast<const char*>(pbParamInfo)) : 0;
    InvokeArguments args(count);
    va_list list;
    va_copy(list, argList);
    for (size_t i = 0; i < count; ++i) {
        bool read = false;
        try {
            read = args.read(i, pbParamInfo[i], list);
        } catch (...) {
            va_end(list);
            throw;
        }
        if (!read) {
            va_end(list);
            AfxThrowOleException(DISP_E_BADVARTYPE);
        }
    }
    va_end(list);

    DISPPARAMS params{args.data(), nullptr, args.count(), 0};
    DISPID named = DISPID_PROPERTYPUT;
    if ((wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) && count > 0) {
        params.rgdispidNamedArgs = &named;
        params.cNamedArgs = 1;
    }
    ResultVariant result;
    EXCEPINFO info{};
    UINT argError = 0;
    const HRESULT hr = dispatch->Invoke(dwDispID, IID_NULL, 0, wFlags, &params,
                                        vtRet == VT_EMPTY ? nullptr : &result.value, &info, &argError);
    if (hr == DISP_E_EXCEPTION) throwDispatchException(info);
    freeExcepInfo(info);
    if (FAILED(hr)) AfxThrowOleException(hr);
    args.writeBack();
    if (vtRet != VT_EMPTY) storeResult(vtRet, pvRet, result.value);
}

// ---------------------------------------------------------------------------
// Events from the control

namespace {

void reportHandlerFailure(DISPID dispid, UINT nID, const char* what)
{
    std::fprintf(stderr, "quarrow: the handler of event %ld from control %u failed: %s\n", static_cast<long>(dispid),
                 nID, what);
    std::fflush(stderr);
}

} // namespace

HRESULT COleControlSite::RouteEvent(DISPID dispid, DISPPARAMS* pDispParams, EXCEPINFO* pExcepInfo, UINT* puArgError)
{
    COleControlContainer* container = m_pCtrlCont;
    CWnd* target = container ? container->m_pWnd : nullptr;
    if (!target || m_bClosed) return S_OK;

    const UINT nID = m_nID;
    AFX_EVENT event(AFX_EVENT::event, dispid, pDispParams, pExcepInfo, puArgError);
    HRESULT hr = S_OK;
    // From here on the handler may destroy the window, and with it the
    // container and this site; the container waits until EndEvent, and
    // nothing below touches the site after it.
    container->BeginEvent();
    const char* failure = nullptr;
    char description[512] = {};
    try {
        if (target->OnCmdMsg(nID, static_cast<int>(CN_EVENT), &event, nullptr)) hr = event.m_hResult;
    } catch (CException* e) {
        WCHAR text[256] = {};
        if (!e->GetErrorMessage(text, 256)) {
            std::strcpy(description, "a framework exception");
        } else {
            ::WideCharToMultiByte(CP_UTF8, 0, text, -1, description, sizeof description, nullptr, nullptr);
        }
        e->Delete();
        failure = description;
    } catch (const std::exception& e) {
        std::snprintf(description, sizeof description, "%s", e.what());
        failure = description;
    } catch (...) {
        failure = "an exception";
    }
    if (failure) {
        reportHandlerFailure(dispid, nID, failure);
        if (pExcepInfo) {
            *pExcepInfo = EXCEPINFO{};
            pExcepInfo->scode = E_FAIL;
        }
        hr = DISP_E_EXCEPTION;
    }
    container->EndEvent();
    return hr;
}

// ---------------------------------------------------------------------------
// XOleClientSite

STDMETHODIMP_(ULONG) COleControlSite::XOleClientSite::AddRef()
{
    METHOD_PROLOGUE(COleControlSite, OleClientSite)
    return pThis->ExternalAddRef();
}

STDMETHODIMP_(ULONG) COleControlSite::XOleClientSite::Release()
{
    METHOD_PROLOGUE(COleControlSite, OleClientSite)
    return pThis->ExternalRelease();
}

STDMETHODIMP COleControlSite::XOleClientSite::QueryInterface(REFIID iid, void** ppvObj)
{
    METHOD_PROLOGUE(COleControlSite, OleClientSite)
    return pThis->ExternalQueryInterface(&iid, ppvObj);
}

// The control's state is never saved back: there is no storage behind a
// dialog's controls.
STDMETHODIMP COleControlSite::XOleClientSite::SaveObject() { return E_NOTIMPL; }

STDMETHODIMP COleControlSite::XOleClientSite::GetMoniker(DWORD, DWORD, IMoniker** ppmk)
{
    if (ppmk) *ppmk = nullptr;
    return E_NOTIMPL;
}

// The container is a window, not a document that could be enumerated.
STDMETHODIMP COleControlSite::XOleClientSite::GetContainer(IOleContainer** ppContainer)
{
    if (ppContainer) *ppContainer = nullptr;
    return E_NOINTERFACE;
}

// The control is always shown in place in its window.
STDMETHODIMP COleControlSite::XOleClientSite::ShowObject() { return S_OK; }

STDMETHODIMP COleControlSite::XOleClientSite::OnShowWindow(BOOL) { return S_OK; }

STDMETHODIMP COleControlSite::XOleClientSite::RequestNewObjectLayout() { return E_NOTIMPL; }

// ---------------------------------------------------------------------------
// XEventSink

STDMETHODIMP_(ULONG) COleControlSite::XEventSink::AddRef()
{
    METHOD_PROLOGUE(COleControlSite, EventSink)
    return pThis->ExternalAddRef();
}

STDMETHODIMP_(ULONG) COleControlSite::XEventSink::Release()
{
    METHOD_PROLOGUE(COleControlSite, EventSink)
    return pThis->ExternalRelease();
}

STDMETHODIMP COleControlSite::XEventSink::QueryInterface(REFIID iid, void** ppvObj)
{
    METHOD_PROLOGUE(COleControlSite, EventSink)
    return pThis->ExternalQueryInterface(&iid, ppvObj);
}

STDMETHODIMP COleControlSite::XEventSink::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

STDMETHODIMP COleControlSite::XEventSink::GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo)
{
    if (ppTInfo) *ppTInfo = nullptr;
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::XEventSink::GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*)
{
    return E_NOTIMPL;
}

STDMETHODIMP COleControlSite::XEventSink::Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags,
                                                 DISPPARAMS* pDispParams, VARIANT* pVarResult,
                                                 EXCEPINFO* pExcepInfo, UINT* puArgErr)
{
    METHOD_PROLOGUE(COleControlSite, EventSink)
    // Events are method calls; the sink has no properties to get or put.
    if (!(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (pVarResult) ::VariantInit(pVarResult);
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    return pThis->RouteEvent(dispIdMember, pDispParams ? pDispParams : &none, pExcepInfo, puArgErr);
}
