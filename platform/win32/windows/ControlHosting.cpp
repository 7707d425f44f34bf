// The Windows implementation of the control-hosting contract
// (win32/ControlHosting.h): an ActiveX control created by class id through
// COM and activated in place in its container's window.
//
// The control gets a site of this file's own (ControlSite) as its client
// site. That site answers what an in-place control asks of its container:
// IOleClientSite, IOleInPlaceSite with IOleWindow, the frame's
// IOleInPlaceFrame with IOleInPlaceUIWindow, IOleControlSite, and the
// ambient properties through IDispatch. Every other question (the
// browser's IDocHostUIHandler above all) goes to the framework's client
// site (params.clientSite), so the framework's own site classes answer it as
// they do on Linux. The control's events come through its connection point
// to an event sink (EventSink) that hands each Invoke to params.eventSink.
//
// Ownership. ComHostedControl holds one reference on the control's
// interfaces and one on each of its two objects, and lets go of all of them
// in close(). The objects count their own references and delete themselves
// at zero; close() detaches them first, so a control that keeps a reference
// past close() reaches nothing of the framework's.
#include "win32/ControlHosting.h"

#include <exdisp.h>
#include <ocidl.h>
#include <olectl.h>

#include <cstdio>
#include <cstring>

namespace quarrow {

namespace {

// The thread's OLE libraries are started with its first hosted control
// and kept for the thread's life, as the framework's control container
// keeps them on Windows.
bool EnsureOleStarted()
{
    static thread_local HRESULT started = ::OleInitialize(nullptr);
    return SUCCEEDED(started);
}

// Pixels of the screen (the container's units) per inch, for the HIMETRIC
// conversions a control asks for.
void ScreenDpi(int& x, int& y)
{
    HDC screen = ::GetDC(nullptr);
    x = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 96;
    y = screen ? ::GetDeviceCaps(screen, LOGPIXELSY) : 96;
    if (screen) ::ReleaseDC(nullptr, screen);
}

LONG PixelsToHimetric(LONG pixels, int dpi) { return ::MulDiv(pixels, 2540, dpi); }
LONG HimetricToPixels(LONG himetric, int dpi) { return ::MulDiv(himetric, dpi, 2540); }

template <class T>
void ReleaseAndClear(T*& p)
{
    if (p) {
        p->Release();
        p = nullptr;
    }
}

// An IDispatch that is called only by its dispatch ids (a control asking
// for ambient properties, a connection point raising events): it has no
// type information and no names to look up.
class DispatchByIdOnly : public IDispatch {
public:
    STDMETHODIMP GetTypeInfoCount(UINT* pctinfo) override
    {
        if (!pctinfo) return E_POINTER;
        *pctinfo = 0;
        return S_OK;
    }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** ppTInfo) override
    {
        if (ppTInfo) *ppTInfo = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
};

// The container side of one control.
class ControlSite final : public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IOleControlSite,
                          public DispatchByIdOnly {
public:
    ControlSite(HWND parent, const RECT& rect, IUnknown* frameworkSite)
        : m_parent(parent), m_rect(rect), m_frameworkSite(frameworkSite)
    {
    }

    // The control has been told to go: nothing of the framework is reached
    // any more, and the active object is let go.
    void Detach()
    {
        m_frameworkSite = nullptr;
        m_parent = nullptr;
        ReleaseAndClear(m_activeObject);
        ReleaseAndClear(m_inPlaceObject);
    }

    void SetInPlaceObject(IOleInPlaceObject* object)
    {
        ReleaseAndClear(m_inPlaceObject);
        m_inPlaceObject = object;
        if (m_inPlaceObject) m_inPlaceObject->AddRef();
    }

    IOleInPlaceActiveObject* ActiveObject() const { return m_activeObject; }
    const RECT& Rect() const { return m_rect; }
    void SetRect(const RECT& rect) { m_rect = rect; }

    // IUnknown
    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
            *ppv = static_cast<IOleClientSite*>(this);
        } else if (riid == IID_IOleWindow || riid == IID_IOleInPlaceSite) {
            *ppv = static_cast<IOleInPlaceSite*>(this);
        } else if (riid == IID_IOleInPlaceUIWindow || riid == IID_IOleInPlaceFrame) {
            *ppv = static_cast<IOleInPlaceFrame*>(this);
        } else if (riid == IID_IOleControlSite) {
            *ppv = static_cast<IOleControlSite*>(this);
        } else if (riid == IID_IDispatch) {
            *ppv = static_cast<IDispatch*>(this);
        } else if (m_frameworkSite) {
            // Everything else is the framework site's to answer.
            return m_frameworkSite->QueryInterface(riid, ppv);
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }

    // IOleClientSite. There is no storage behind a dialog's controls and no
    // document to enumerate; the control is always shown in place.
    STDMETHODIMP SaveObject() override { return E_NOTIMPL; }
    STDMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** ppmk) override
    {
        if (ppmk) *ppmk = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP GetContainer(IOleContainer** ppContainer) override
    {
        if (ppContainer) *ppContainer = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP ShowObject() override { return S_OK; }
    STDMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
    STDMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IOleWindow (of the in-place site and of the frame): the container's
    // window.
    STDMETHODIMP GetWindow(HWND* phwnd) override
    {
        if (!phwnd) return E_POINTER;
        *phwnd = m_parent;
        return m_parent ? S_OK : E_FAIL;
    }
    STDMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

    // IOleInPlaceSite
    STDMETHODIMP CanInPlaceActivate() override { return m_parent ? S_OK : S_FALSE; }
    STDMETHODIMP OnInPlaceActivate() override { return S_OK; }
    STDMETHODIMP OnUIActivate() override { return S_OK; }
    STDMETHODIMP GetWindowContext(IOleInPlaceFrame** ppFrame, IOleInPlaceUIWindow** ppDoc, LPRECT lprcPosRect,
                                  LPRECT lprcClipRect, LPOLEINPLACEFRAMEINFO lpFrameInfo) override
    {
        if (!ppFrame || !ppDoc || !lprcPosRect || !lprcClipRect) return E_POINTER;
        *ppFrame = static_cast<IOleInPlaceFrame*>(this);
        AddRef();
        // The dialog is the frame; there is no document window between.
        *ppDoc = nullptr;
        *lprcPosRect = m_rect;
        *lprcClipRect = m_rect;
        if (lpFrameInfo) {
            lpFrameInfo->fMDIApp = FALSE;
            lpFrameInfo->hwndFrame = m_parent ? ::GetAncestor(m_parent, GA_ROOT) : nullptr;
            lpFrameInfo->haccel = nullptr;
            lpFrameInfo->cAccelEntries = 0;
        }
        return S_OK;
    }
    STDMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
    STDMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
    STDMETHODIMP OnInPlaceDeactivate() override
    {
        ReleaseAndClear(m_activeObject);
        return S_OK;
    }
    STDMETHODIMP DiscardUndoState() override { return E_NOTIMPL; }
    STDMETHODIMP DeactivateAndUndo() override { return E_NOTIMPL; }
    STDMETHODIMP OnPosRectChange(LPCRECT lprcPosRect) override
    {
        if (!lprcPosRect) return E_POINTER;
        m_rect = *lprcPosRect;
        if (m_inPlaceObject) m_inPlaceObject->SetObjectRects(&m_rect, &m_rect);
        return S_OK;
    }

    // IOleInPlaceUIWindow: no tool space; the active object is kept for
    // the keys the framework offers it.
    STDMETHODIMP GetBorder(LPRECT) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return INPLACE_E_NOTOOLSPACE; }
    STDMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
    STDMETHODIMP SetActiveObject(IOleInPlaceActiveObject* pActiveObject, LPCOLESTR) override
    {
        if (pActiveObject) pActiveObject->AddRef();
        ReleaseAndClear(m_activeObject);
        m_activeObject = pActiveObject;
        return S_OK;
    }

    // IOleInPlaceFrame: no menus, no status line, no accelerators of its own.
    STDMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
    STDMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return S_OK; }
    STDMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
    STDMETHODIMP SetStatusText(LPCOLESTR) override { return S_OK; }
    STDMETHODIMP EnableModeless(BOOL) override { return S_OK; }
    STDMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return S_FALSE; }

    // IOleControlSite
    STDMETHODIMP OnControlInfoChanged() override { return S_OK; }
    STDMETHODIMP LockInPlaceActive(BOOL) override { return S_OK; }
    STDMETHODIMP GetExtendedControl(IDispatch** ppDisp) override
    {
        if (ppDisp) *ppDisp = nullptr;
        return E_NOTIMPL;
    }
    STDMETHODIMP TransformCoords(POINTL* pPtlHimetric, POINTF* pPtfContainer, DWORD dwFlags) override
    {
        if (!pPtlHimetric || !pPtfContainer) return E_POINTER;
        int dpiX = 96, dpiY = 96;
        ScreenDpi(dpiX, dpiY);
        if (dwFlags & XFORMCOORDS_HIMETRICTOCONTAINER) {
            pPtfContainer->x = static_cast<float>(HimetricToPixels(pPtlHimetric->x, dpiX));
            pPtfContainer->y = static_cast<float>(HimetricToPixels(pPtlHimetric->y, dpiY));
            return S_OK;
        }
        if (dwFlags & XFORMCOORDS_CONTAINERTOHIMETRIC) {
            pPtlHimetric->x = PixelsToHimetric(static_cast<LONG>(pPtfContainer->x), dpiX);
            pPtlHimetric->y = PixelsToHimetric(static_cast<LONG>(pPtfContainer->y), dpiY);
            return S_OK;
        }
        return E_INVALIDARG;
    }
    STDMETHODIMP TranslateAccelerator(MSG*, DWORD) override { return S_FALSE; }
    STDMETHODIMP OnFocus(BOOL) override { return S_OK; }
    STDMETHODIMP ShowPropertyFrame() override { return E_NOTIMPL; }

    // IDispatch: the ambient properties a control reads from its container.
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID, LCID, WORD wFlags, DISPPARAMS*, VARIANT* pVarResult,
                        EXCEPINFO*, UINT*) override
    {
        if (!(wFlags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
        if (!pVarResult) return E_POINTER;
        ::VariantInit(pVarResult);
        switch (dispIdMember) {
        case DISPID_AMBIENT_USERMODE:
            // The control runs for its user, not in a form designer.
            pVarResult->vt = VT_BOOL;
            pVarResult->boolVal = VARIANT_TRUE;
            return S_OK;
        case DISPID_AMBIENT_UIDEAD:
        case DISPID_AMBIENT_SHOWGRABHANDLES:
        case DISPID_AMBIENT_SHOWHATCHING:
        case DISPID_AMBIENT_MESSAGEREFLECT:
            pVarResult->vt = VT_BOOL;
            pVarResult->boolVal = VARIANT_FALSE;
            return S_OK;
        case DISPID_AMBIENT_LOCALEID:
            pVarResult->vt = VT_I4;
            pVarResult->lVal = static_cast<LONG>(::GetUserDefaultLCID());
            return S_OK;
        default:
            // Any other ambient property: the control's own default.
            return DISP_E_MEMBERNOTFOUND;
        }
    }

private:
    ~ControlSite() = default;

    ULONG m_refs = 1;
    HWND m_parent;
    RECT m_rect;
    IUnknown* m_frameworkSite;  // not counted: the framework keeps its site alive until close()
    IOleInPlaceActiveObject* m_activeObject = nullptr;
    IOleInPlaceObject* m_inPlaceObject = nullptr;
};

// Receives the control's events from its connection point and hands them
// to the framework's event sink.
class EventSink final : public DispatchByIdOnly {
public:
    EventSink(REFIID events, IDispatch* target) : m_events(events), m_target(target) {}

    void Detach() { m_target = nullptr; }

    STDMETHODIMP QueryInterface(REFIID riid, void** ppv) override
    {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        // A connection point asks its sink for the events' own interface.
        if (riid == IID_IUnknown || riid == IID_IDispatch || riid == m_events) {
            *ppv = static_cast<IDispatch*>(this);
            AddRef();
            return S_OK;
        }
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return ++m_refs; }
    STDMETHODIMP_(ULONG) Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0) delete this;
        return left;
    }
    STDMETHODIMP Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override
    {
        if (!m_target) return S_OK;
        return m_target->Invoke(dispIdMember, riid, lcid, wFlags, pDispParams, pVarResult, pExcepInfo, puArgErr);
    }

private:
    ~EventSink() = default;

    ULONG m_refs = 1;
    IID m_events;
    IDispatch* m_target;  // not counted: the framework keeps its sink alive until close()
};

// The events' interface: the control's default source, which the WebBrowser
// control names as DWebBrowserEvents2.
IID DefaultSourceInterface(IUnknown* control)
{
    IID events = DIID_DWebBrowserEvents2;
    IProvideClassInfo2* info = nullptr;
    if (SUCCEEDED(control->QueryInterface(IID_IProvideClassInfo2, reinterpret_cast<void**>(&info))) && info) {
        IID source{};
        if (SUCCEEDED(info->GetGUID(GUIDKIND_DEFAULT_SOURCE_DISP_IID, &source))) events = source;
        info->Release();
    }
    return events;
}

// Hands the control its persisted state, or tells it to start afresh when
// there is none or it does not take this one.
void LoadState(IUnknown* control, const BYTE* persisted, size_t size)
{
    IPersistStreamInit* persist = nullptr;
    if (FAILED(control->QueryInterface(IID_IPersistStreamInit, reinterpret_cast<void**>(&persist))) || !persist) {
        return;
    }
    HRESULT hr = E_FAIL;
    if (persisted && size > 0) {
        HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
        void* bytes = block ? ::GlobalLock(block) : nullptr;
        if (bytes) {
            std::memcpy(bytes, persisted, size);
            ::GlobalUnlock(block);
            IStream* stream = nullptr;
            if (SUCCEEDED(::CreateStreamOnHGlobal(block, TRUE, &stream)) && stream) {
                block = nullptr;
                hr = persist->Load(stream);
                stream->Release();
            }
        }
        if (block) ::GlobalFree(block);
    }
    if (FAILED(hr)) persist->InitNew();
    persist->Release();
}

class ComHostedControl final : public HostedControl {
public:
    ComHostedControl() = default;
    ~ComHostedControl() override { close(); }
    ComHostedControl(const ComHostedControl&) = delete;
    ComHostedControl& operator=(const ComHostedControl&) = delete;

    HRESULT create(REFCLSID clsid, const HostedControlParams& params)
    {
        if (!EnsureOleStarted()) return CO_E_NOTINITIALIZED;
        HRESULT hr = ::CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IOleObject,
                                        reinterpret_cast<void**>(&m_object));
        if (FAILED(hr) || !m_object) return FAILED(hr) ? hr : E_FAIL;

        m_site = new ControlSite(params.parent, params.rect, params.clientSite);
        hr = m_object->SetClientSite(static_cast<IOleClientSite*>(m_site));
        if (FAILED(hr)) return hr;
        LoadState(m_object, params.persisted, params.persistedSize);

        int dpiX = 96, dpiY = 96;
        ScreenDpi(dpiX, dpiY);
        SIZEL extent{PixelsToHimetric(params.rect.right - params.rect.left, dpiX),
                     PixelsToHimetric(params.rect.bottom - params.rect.top, dpiY)};
        m_object->SetExtent(DVASPECT_CONTENT, &extent);

        // The events are connected before activation, so that nothing the
        // control raises while it starts is lost.
        if (params.eventSink) {
            IConnectionPointContainer* points = nullptr;
            if (SUCCEEDED(m_object->QueryInterface(IID_IConnectionPointContainer, reinterpret_cast<void**>(&points))) &&
                points) {
                const IID events = DefaultSourceInterface(m_object);
                if (SUCCEEDED(points->FindConnectionPoint(events, &m_point)) && m_point) {
                    m_sink = new EventSink(events, params.eventSink);
                    if (FAILED(m_point->Advise(m_sink, &m_cookie))) m_cookie = 0;
                }
                points->Release();
            }
            if (m_cookie == 0) {
                std::fprintf(stderr, "quarrow: control %u raises no events to its container\n", params.id);
            }
        }

        RECT rect = params.rect;
        hr = m_object->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, static_cast<IOleClientSite*>(m_site), 0,
                              params.parent, &rect);
        if (FAILED(hr)) return hr;

        if (SUCCEEDED(m_object->QueryInterface(IID_IOleInPlaceObject, reinterpret_cast<void**>(&m_inPlace))) &&
            m_inPlace) {
            m_site->SetInPlaceObject(m_inPlace);
            m_inPlace->GetWindow(&m_window);
        }
        if (!m_window) return E_FAIL;
        m_object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&m_dispatch));
        if (!m_dispatch) return E_NOINTERFACE;

        // The window is the dialog's control: it carries the template's id
        // (GetDlgItem finds it) and its tab stop.
        ::SetWindowLongPtrW(m_window, GWLP_ID, static_cast<LONG_PTR>(params.id));
        if (params.style & WS_TABSTOP) {
            const LONG_PTR style = ::GetWindowLongPtrW(m_window, GWL_STYLE);
            ::SetWindowLongPtrW(m_window, GWL_STYLE, style | WS_TABSTOP);
        }
        return S_OK;
    }

    HWND window() const override { return m_window; }
    IDispatch* dispatch() override { return m_dispatch; }

    bool translateAccelerator(const MSG& msg) override
    {
        IOleInPlaceActiveObject* active = m_site ? m_site->ActiveObject() : nullptr;
        bool queried = false;
        if (!active && m_object &&
            SUCCEEDED(m_object->QueryInterface(IID_IOleInPlaceActiveObject, reinterpret_cast<void**>(&active))) &&
            active) {
            queried = true;
        }
        if (!active) return false;
        MSG copy = msg;
        const bool used = active->TranslateAccelerator(&copy) == S_OK;
        if (queried) active->Release();
        return used;
    }

    bool setRect(const RECT& rect) override
    {
        if (!m_inPlace || !m_site) return false;
        m_site->SetRect(rect);
        int dpiX = 96, dpiY = 96;
        ScreenDpi(dpiX, dpiY);
        SIZEL extent{PixelsToHimetric(rect.right - rect.left, dpiX), PixelsToHimetric(rect.bottom - rect.top, dpiY)};
        if (m_object) m_object->SetExtent(DVASPECT_CONTENT, &extent);
        return SUCCEEDED(m_inPlace->SetObjectRects(&rect, &rect));
    }

    void close() override
    {
        if (m_closed) return;
        m_closed = true;
        if (m_point) {
            if (m_cookie) m_point->Unadvise(m_cookie);
            m_cookie = 0;
        }
        ReleaseAndClear(m_point);
        if (m_sink) {
            m_sink->Detach();
            ReleaseAndClear(m_sink);
        }
        ReleaseAndClear(m_dispatch);
        if (m_inPlace) m_inPlace->InPlaceDeactivate();
        ReleaseAndClear(m_inPlace);
        if (m_object) {
            m_object->Close(OLECLOSE_NOSAVE);
            m_object->SetClientSite(nullptr);
        }
        ReleaseAndClear(m_object);
        if (m_site) {
            m_site->Detach();
            ReleaseAndClear(m_site);
        }
        // A control that leaves its window behind loses it here.
        if (m_window && ::IsWindow(m_window)) ::DestroyWindow(m_window);
        m_window = nullptr;
    }

private:
    IOleObject* m_object = nullptr;
    IOleInPlaceObject* m_inPlace = nullptr;
    IDispatch* m_dispatch = nullptr;
    IConnectionPoint* m_point = nullptr;
    DWORD m_cookie = 0;
    ControlSite* m_site = nullptr;
    EventSink* m_sink = nullptr;
    HWND m_window = nullptr;
    bool m_closed = false;
};

} // namespace

std::unique_ptr<HostedControl> CreateHostedControl(REFCLSID clsid, const HostedControlParams& params, HRESULT* phr)
{
    auto control = std::make_unique<ComHostedControl>();
    const HRESULT hr = control->create(clsid, params);
    if (phr) *phr = hr;
    if (FAILED(hr)) {
        control->close();
        return nullptr;
    }
    return control;
}

} // namespace quarrow
