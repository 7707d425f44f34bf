// The document host interface of the browser control: a container that
// answers IDocHostUIHandler on its client site decides the page's border,
// scroll bars, context menu, key handling and the object that page script
// reaches as window.external.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <ole2.h>, <mshtmhst.h>.
#include "win32/TChar.h"
#include <ole2.h>
#include <mshtmhst.h>
#else

#include "win32/OAIdl.h"
#include "win32/Unknwn.h"
#include "win32/WinUser.h"

struct IOleInPlaceActiveObject;
struct IOleCommandTarget;
struct IOleInPlaceFrame;
struct IOleInPlaceUIWindow;
struct IDropTarget;
struct IDataObject;

// DOCHOSTUIINFO.dwFlags
#define DOCHOSTUIFLAG_DIALOG 0x00000001
#define DOCHOSTUIFLAG_DISABLE_HELP_MENU 0x00000002
#define DOCHOSTUIFLAG_NO3DBORDER 0x00000004
#define DOCHOSTUIFLAG_SCROLL_NO 0x00000008
#define DOCHOSTUIFLAG_DISABLE_SCRIPT_INACTIVE 0x00000010
#define DOCHOSTUIFLAG_OPENNEWWIN 0x00000020
#define DOCHOSTUIFLAG_DISABLE_OFFSCREEN 0x00000040
#define DOCHOSTUIFLAG_FLAT_SCROLLBAR 0x00000080
#define DOCHOSTUIFLAG_DIV_BLOCKDEFAULT 0x00000100
#define DOCHOSTUIFLAG_ACTIVATE_CLIENTHIT_ONLY 0x00000200

// DOCHOSTUIINFO.dwDoubleClick
#define DOCHOSTUIDBLCLK_DEFAULT 0
#define DOCHOSTUIDBLCLK_SHOWPROPERTIES 1
#define DOCHOSTUIDBLCLK_SHOWCODE 2

// The menu a ShowContextMenu call is about.
#define CONTEXT_MENU_DEFAULT 0
#define CONTEXT_MENU_IMAGE 1
#define CONTEXT_MENU_CONTROL 2
#define CONTEXT_MENU_TABLE 3
#define CONTEXT_MENU_TEXTSELECT 4
#define CONTEXT_MENU_ANCHOR 5
#define CONTEXT_MENU_UNKNOWN 6

struct DOCHOSTUIINFO {
    ULONG cbSize;
    DWORD dwFlags;
    DWORD dwDoubleClick;
    OLECHAR* pchHostCss;
    OLECHAR* pchHostNS;
};

// {BD3F23C0-D43E-11CF-893B-00AA00BDCE1A}
inline constexpr IID IID_IDocHostUIHandler = {0xBD3F23C0, 0xD43E, 0x11CF,
                                              {0x89, 0x3B, 0x00, 0xAA, 0x00, 0xBD, 0xCE, 0x1A}};

struct IDocHostUIHandler : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD dwID, POINT* ppt, IUnknown* pcmdtReserved,
                                                      IDispatch* pdispReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* pInfo) = 0;
    virtual HRESULT STDMETHODCALLTYPE ShowUI(DWORD dwID, IOleInPlaceActiveObject* pActiveObject,
                                             IOleCommandTarget* pCommandTarget, IOleInPlaceFrame* pFrame,
                                             IOleInPlaceUIWindow* pDoc) = 0;
    virtual HRESULT STDMETHODCALLTYPE HideUI() = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdateUI() = 0;
    virtual HRESULT STDMETHODCALLTYPE EnableModeless(BOOL fEnable) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL fActivate) = 0;
    virtual HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL fActivate) = 0;
    virtual HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT prcBorder, IOleInPlaceUIWindow* pUIWindow,
                                                   BOOL fRameWindow) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG lpMsg, const GUID* pguidCmdGroup,
                                                           DWORD nCmdID) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR* pchKey, DWORD dw) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget* pDropTarget, IDropTarget** ppDropTarget) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** ppDispatch) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD dwTranslate, LPWSTR pchURLIn, LPWSTR* ppchURLOut) = 0;
    virtual HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject* pDO, IDataObject** ppDORet) = 0;

protected:
    ~IDocHostUIHandler() = default;
};

#endif // _WIN32
