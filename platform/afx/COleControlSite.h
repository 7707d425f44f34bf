// The site of one ActiveX control in a control container: what the control
// sees of its container. The control reaches it through its client site
// (IOleClientSite, from which it asks for further interfaces, such as the
// browser's IID_IDocHostUIHandler) and raises its events on the site's
// event sink (an IDispatch), which routes them to the container window's
// event-sink map. The framework calls the control's automation interface
// through InvokeHelperV (CWnd::InvokeHelper on the window object bound to
// the control).
//
// Interfaces. The site's interface map answers IID_IOleClientSite with the
// nested XOleClientSite and IID_IDispatch with the event sink; a derived
// site adds its own interfaces with an interface map whose base is
// COleControlSite's, and they are found before these.
//
// Ownership. The container owns the site and deletes it; the reference
// count that controls keep on the site's interfaces never deletes it. The
// site owns its control (the HostedControl) and closes it once, before it
// goes. The window object bound to the control (m_pWndCtrl) belongs to the
// program; deleting the site clears that object's m_pCtrlSite.
#pragma once

#include "afx/CCmdTarget.h"
#include "win32/OAIdl.h"
#include "win32/OleIdl.h"

#include <cstdarg>
#include <memory>

namespace quarrow {
class HostedControl;
}
class COleControlContainer;
class CWnd;

class COleControlSite : public CCmdTarget {
public:
    explicit COleControlSite(COleControlContainer* pCtrlCont);
    ~COleControlSite() override;
    COleControlSite(const COleControlSite&) = delete;
    COleControlSite& operator=(const COleControlSite&) = delete;

    // Creates the control of class `clsid` as a child of the container's
    // window and, with pWndCtrl set, binds that object to the control's
    // window (SubclassWindow) and to this site. The class's failure
    // (REGDB_E_CLASSNOTREG, E_FAIL) when nothing was made.
    virtual HRESULT CreateControl(CWnd* pWndCtrl, REFCLSID clsid, LPCWSTR lpszWindowName, DWORD dwStyle,
                                  const RECT& rect, UINT nID, const BYTE* persisted = nullptr, size_t size = 0,
                                  DWORD dwExStyle = 0);

    // Calls member `dwDispID` of the control's automation interface. The
    // arguments follow pbParamInfo (VTS_* bytes, null for none): VTS_BSTR a
    // LPCWSTR (passed as a BSTR that is freed afterwards), VTS_I2 and
    // VTS_I4 an integer, VTS_BOOL a BOOL, VTS_DISPATCH and VTS_UNKNOWN an
    // interface pointer, VTS_VARIANT a const VARIANT*, VTS_PI4 a LONG*,
    // VTS_PBSTR a BSTR*, VTS_PBOOL a BOOL* (written back), VTS_PVARIANT a
    // VARIANT* (null stays null). A property put passes its last argument
    // as the named argument DISPID_PROPERTYPUT. The result goes to pvRet
    // per vtRet: VT_EMPTY none, VT_BSTR a CString*, VT_I2 a SHORT*, VT_I4 a
    // LONG*, VT_BOOL a BOOL*, VT_DISPATCH and VT_UNKNOWN an interface
    // pointer's address (the caller gets the reference), VT_VARIANT a
    // VARIANT* (overwritten; the caller owns the contents).
    // A failure throws a COleDispatchException for DISP_E_EXCEPTION and a
    // COleException otherwise (E_UNEXPECTED when the control is closed,
    // DISP_E_BADVARTYPE for a type this layer does not pass,
    // DISP_E_TYPEMISMATCH for a result of another type).
    virtual void InvokeHelperV(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo,
                               va_list argList);

    // Closes the control (once): it lets go of the site's interfaces and
    // destroys its window. Nothing reaches the site from it afterwards.
    void CloseControl();

    // The control's automation interface (not AddRef'd), or null once the
    // control is closed.
    IDispatch* GetControlDispatch() const;

    // Offers a keyboard message to the control (see HostedControl::
    // translateAccelerator); TRUE when the control used it.
    BOOL TranslateAccelerator(const MSG& msg);
    // Moves the control to `rect` in its container's client pixels through
    // the control itself when it wants that (an in-place object's object
    // rectangles); FALSE when a plain move of its window is what it takes.
    BOOL SetControlRect(const RECT& rect);

    HWND m_hWnd = nullptr;              // the control's window; null once closed
    UINT m_nID = 0;                     // the control id
    COleControlContainer* m_pCtrlCont;  // the container that owns this site
    CWnd* m_pWndCtrl = nullptr;         // the window object bound to the control, or null
    std::unique_ptr<quarrow::HostedControl> m_pControl;

protected:
    // The count never deletes a site: its container does.
    void OnFinalRelease() override;

    // An event from the control: routed as an AFX_EVENT to the container
    // window's OnCmdMsg(m_nID, CN_EVENT, ...). A handler that throws gives
    // DISP_E_EXCEPTION (reported on standard error) and nothing else.
    virtual HRESULT RouteEvent(DISPID dispid, DISPPARAMS* pDispParams, EXCEPINFO* pExcepInfo, UINT* puArgError);

    DECLARE_INTERFACE_MAP()

    BEGIN_INTERFACE_PART(OleClientSite, IOleClientSite)
        STDMETHOD(SaveObject)();
        STDMETHOD(GetMoniker)(DWORD dwAssign, DWORD dwWhichMoniker, IMoniker** ppmk);
        STDMETHOD(GetContainer)(IOleContainer** ppContainer);
        STDMETHOD(ShowObject)();
        STDMETHOD(OnShowWindow)(BOOL fShow);
        STDMETHOD(RequestNewObjectLayout)();
    END_INTERFACE_PART(OleClientSite)

    BEGIN_INTERFACE_PART(EventSink, IDispatch)
        STDMETHOD(GetTypeInfoCount)(UINT* pctinfo);
        STDMETHOD(GetTypeInfo)(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo);
        STDMETHOD(GetIDsOfNames)(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid, DISPID* rgDispId);
        STDMETHOD(Invoke)(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                          VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr);
    END_INTERFACE_PART(EventSink)

private:
    bool m_bClosed = false;
};
