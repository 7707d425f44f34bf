#include "browser/CCustomControlSite.h"

#include "app/CQRB_LancherApp.h"
#include "browser/CImpIDispatch.h"

BEGIN_INTERFACE_MAP(CCustomControlSite, COleControlSite)
    INTERFACE_PART(CCustomControlSite, IID_IDocHostUIHandler, DocHostUIHandler)
END_INTERFACE_MAP()

CCustomControlSite::~CCustomControlSite() = default;

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::QueryInterface(REFIID riid, void** ppvObj)
{
    METHOD_PROLOGUE(CCustomControlSite, DocHostUIHandler)
    return static_cast<HRESULT>(pThis->ExternalQueryInterface(&riid, ppvObj));
}

STDMETHODIMP_(ULONG) CCustomControlSite::XDocHostUIHandler::AddRef()
{
    METHOD_PROLOGUE(CCustomControlSite, DocHostUIHandler)
    return pThis->ExternalAddRef();
}

STDMETHODIMP_(ULONG) CCustomControlSite::XDocHostUIHandler::Release()
{
    METHOD_PROLOGUE(CCustomControlSite, DocHostUIHandler)
    return pThis->ExternalRelease();
}

// The host claims every context menu and shows nothing, so the browser
// shows none.
STDMETHODIMP CCustomControlSite::XDocHostUIHandler::ShowContextMenu(DWORD, POINT*, IUnknown*, IDispatch*)
{
    return S_OK;
}

// Pages sit in the artwork's panel: no sunken border, no scroll bars.
STDMETHODIMP CCustomControlSite::XDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* pInfo)
{
    pInfo->dwFlags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    pInfo->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
    return S_OK;
}

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*,
                                                          IOleInPlaceFrame*, IOleInPlaceUIWindow*)
{
    return S_OK;
}

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::HideUI() { return S_OK; }

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::UpdateUI() { return S_OK; }

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::EnableModeless(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::OnDocWindowActivate(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::OnFrameWindowActivate(BOOL) { return E_NOTIMPL; }

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL)
{
    return E_NOTIMPL;
}

// Every key goes on to the browser's own handling.
STDMETHODIMP CCustomControlSite::XDocHostUIHandler::TranslateAccelerator(LPMSG, const GUID*, DWORD)
{
    return S_FALSE;
}

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::GetOptionKeyPath(LPOLESTR*, DWORD) { return E_NOTIMPL; }

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::GetDropTarget(IDropTarget*, IDropTarget**)
{
    return E_NOTIMPL;
}

// Page script reaches the application's one external object; it exists
// before any control site does and outlives them all.
STDMETHODIMP CCustomControlSite::XDocHostUIHandler::GetExternal(IDispatch** ppDispatch)
{
    theApp.m_pExternal->AddRef();
    *ppDispatch = theApp.m_pExternal;
    return S_OK;
}

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::TranslateUrl(DWORD, LPWSTR, LPWSTR*) { return E_NOTIMPL; }

STDMETHODIMP CCustomControlSite::XDocHostUIHandler::FilterDataObject(IDataObject*, IDataObject**)
{
    return E_NOTIMPL;
}
