// The WebBrowser control (class id CLSID_WebBrowser): the COM side of the
// embedded browser. It answers the automation members that containers call
// (Navigate, Silent, LocationURL) through a hand-written IDispatch, raises
// the DWebBrowserEvents2 events into its site's event sink, asks the site's
// document host (IDocHostUIHandler) for its answers whenever the engine
// needs one, and owns a child window ("Shell Embedding") whose client area
// is the page. The web side (loading, drawing, script) is its engine
// (host/browser/BrowserEngine.h), made by the window system's engine
// factory, or the scripted engine over an empty web when none is set.
//
// Ownership. The control is reference counted as a COM object. The
// container owns a HostedControl handle that holds one reference; other
// holders of the control's IDispatch hold theirs. While an event or an
// automation call runs, the control holds itself, so a sink that closes the
// dialog (and the control) from inside an event returns into a live
// control; the last reference given up inside such a call frees the control
// (and its engine) only once the window system next looks for a message,
// after the engine's own call has returned. The control keeps the site's
// client site and event sink without AddRef and uses neither after close().
#pragma once

#include "host/browser/BrowserEngine.h"
#include "win32/ControlHosting.h"
#include "win32/MsHtmHst.h"

#include <memory>
#include <string>
#include <vector>

namespace quarrow {

class FrameDispatch;
class Host;

// {8856F961-340A-11D0-A96B-00C04FD705A2}
inline constexpr CLSID CLSID_WebBrowser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};

class WebBrowserControl final : public IDispatch, public BrowserEngineHost {
public:
    // The automation members' dispatch ids, as the control's type library
    // on the platform numbers them.
    static constexpr DISPID kNavigate = 104;
    static constexpr DISPID kLocationUrl = 211;
    static constexpr DISPID kSilent = 551;
    // The DWebBrowserEvents2 events it raises.
    static constexpr DISPID kBeforeNavigate2 = 250;
    static constexpr DISPID kDocumentComplete = 259;
    static constexpr DISPID kBeforeScriptExecute = 290;

    // The window class of the control's window.
    static constexpr const WCHAR* kWindowClass = u"Shell Embedding";

    // Registers the window class and the control class in a window system
    // (its constructor does this).
    static void registerClasses(Host& host);
    // The control class's factory: null when the window or the engine could
    // not be made.
    static std::unique_ptr<HostedControl> create(const HostedControlParams& params);

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: no type information; the names "Navigate", "Silent" and
    // "LocationURL" (any case) have their dispatch ids.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* pctinfo) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT iTInfo, LCID lcid, ITypeInfo** ppTInfo) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                            DISPID* rgDispId) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                                     DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                     UINT* puArgErr) override;

    // BrowserEngineHost
    void beforeNavigate(const std::u16string& url, const std::u16string& frame) override;
    bool beforeNavigateAllowed(const std::u16string& url, const std::u16string& frame) override;
    void documentComplete(const std::u16string& url, const std::u16string& frame) override;
    void beforeScriptExecute() override;
    DWORD hostInfoFlags() override;
    bool hostClaimsContextMenu(DWORD menuId, POINT screen) override;
    bool hostTranslatesAccelerator(const MSG& msg) override;
    IDispatch* hostExternal() override;
    HWND window() const override { return m_window; }

private:
    class Handle;
    class Hold;

    // Lets go of the site, closes the engine and destroys the window; later
    // events are dropped and automation calls fail with E_UNEXPECTED.
    void close();
    WebBrowserControl(Host& host, const HostedControlParams& params);
    ~WebBrowserControl();

    static LRESULT CALLBACK windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT onMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

    HRESULT navigate(DISPPARAMS& params, UINT* puArgErr);
    HRESULT silent(WORD flags, DISPPARAMS& params, VARIANT* result, UINT* puArgErr);
    HRESULT locationUrl(WORD flags, DISPPARAMS& params, VARIANT* result);

    // Raises an event into the sink (nothing once closed).
    void raise(DISPID id, VARIANTARG* args, UINT count);
    // The source object of a frame's events: the control itself for the
    // top frame, a frame object of its own for each named frame.
    IDispatch* frameObject(const std::u16string& frame, const std::u16string& url);
    // The site's document host, AddRef'd, or null.
    IDocHostUIHandler* docHost();

    Host& m_host;
    ULONG m_refs = 1;
    bool m_closed = false;
    HWND m_window = nullptr;
    IUnknown* m_clientSite = nullptr;
    IDispatch* m_eventSink = nullptr;
    std::unique_ptr<BrowserEngine> m_engine;
    std::vector<FrameDispatch*> m_frames;
};

} // namespace quarrow
