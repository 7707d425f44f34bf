// The interface between the WebBrowser control (host/browser/WebBrowserControl)
// and the engine that loads, shows and scripts its pages. The control is the
// COM side: it answers Navigate, Silent and LocationURL, raises the
// DWebBrowserEvents2 events through its site and asks the site's document
// host (IDocHostUIHandler) for its answers. An engine is the web side:
// scripted/ (canned pages driven by tests) and webkit/ (WebKitGTK 4.1).
//
// Rules live here, once: the public operations are non-virtual and the
// *Impl virtuals only load, show or report. Everything runs on the GUI
// thread; an engine raises every event synchronously from inside the
// window system's wait (a GLib callback, or a test's call) and never from
// another thread.
//
// Ownership. The control owns its engine (made by the window system's
// engine factory, host.setBrowserEngineFactory) and outlives it; the engine
// keeps a reference to the control's BrowserEngineHost and to nothing else
// of the control.
#pragma once

#include "win32/OAIdl.h"
#include "win32/WinUser.h"

#include <functional>
#include <memory>
#include <string>

namespace quarrow {

// What an engine asks of the control that owns it. Each event returns once
// the control's site has handled it (the launcher may have closed its
// windows meanwhile; the engine must not touch the control's window after
// an event without checking IsWindow).
class BrowserEngineHost {
public:
    // Before any navigation of any frame, the top frame's included (the
    // engine always goes on: the launcher never cancels). `frame` is empty
    // for the top frame, else the frame's name.
    virtual void beforeNavigate(const std::u16string& url, const std::u16string& frame) = 0;
    // The same event for an engine that can stop a navigation: false when
    // the site cancelled it (BeforeNavigate2's Cancel), and the engine then
    // loads nothing. The launcher never cancels, but a browser honours it.
    virtual bool beforeNavigateAllowed(const std::u16string& url, const std::u16string& frame)
    {
        beforeNavigate(url, frame);
        return true;
    }
    // A document (of the top frame or of a frame) has finished loading.
    virtual void documentComplete(const std::u16string& url, const std::u16string& frame) = 0;
    // A document's scripts are about to run.
    virtual void beforeScriptExecute() = 0;

    // The document host's answers, asked of the site's IDocHostUIHandler
    // each time (a site without one gets the browser's defaults: flags 0,
    // menu shown, keys not consumed, no external object).
    virtual DWORD hostInfoFlags() = 0;
    // True when the host claimed the context menu (ShowContextMenu gave
    // S_OK): the engine shows none.
    virtual bool hostClaimsContextMenu(DWORD menuId, POINT screen) = 0;
    // True when the host consumed the key (TranslateAccelerator gave S_OK).
    virtual bool hostTranslatesAccelerator(const MSG& msg) = 0;
    // The object that page script reaches as window.external, AddRef'd for
    // the caller (who releases it), or null.
    virtual IDispatch* hostExternal() = 0;

    // The control's window: a child window whose client area is the page.
    virtual HWND window() const = 0;

protected:
    ~BrowserEngineHost() = default;
};

class BrowserEngine {
public:
    explicit BrowserEngine(BrowserEngineHost& host) : m_host(host) {}
    virtual ~BrowserEngine() = default;
    BrowserEngine(const BrowserEngine&) = delete;
    BrowserEngine& operator=(const BrowserEngine&) = delete;

    // Starts loading `url` in the top frame; returns at once. The events
    // follow from the window system's wait, never from inside this call.
    void navigate(const std::u16string& url) { navigateImpl(url); }
    // The top frame's address as shown, query included; empty before the
    // first navigation.
    std::u16string location() const { return locationImpl(); }
    // Silent TRUE: the engine shows no dialog boxes of its own (script
    // alerts, certificate questions); FALSE (the default) shows them.
    void setSilent(bool silent)
    {
        m_silent = silent;
        silentChangedImpl();
    }
    bool silent() const { return m_silent; }

    // The control's window moved, resized, was shown or hidden: the engine
    // puts its view over the window's client area (or hides it).
    void windowChanged() { windowChangedImpl(); }
    // Paints what the engine shows into the control's client area (only
    // for backends that compose pixels themselves; a native view draws on
    // its own). `dc` is the control window's paint DC.
    void paint(HDC dc, const RECT& client) { paintImpl(dc, client); }
    // A key message for the page (the control's window has the focus),
    // after the launcher's PreTranslateMessage let it through.
    void key(const MSG& msg) { keyImpl(msg); }
    // A mouse message over the control's window, for an engine whose page
    // has no native view of its own to receive it (a native view gets its
    // input directly and ignores this).
    void mouse(const MSG& msg) { mouseImpl(msg); }
    // The control is closing: drop the view; no event may follow.
    void close() { closeImpl(); }

protected:
    BrowserEngineHost& host() const { return m_host; }

    virtual void navigateImpl(const std::u16string& url) = 0;
    virtual std::u16string locationImpl() const = 0;
    virtual void silentChangedImpl() {}
    virtual void windowChangedImpl() {}
    virtual void paintImpl(HDC, const RECT&) {}
    virtual void keyImpl(const MSG&) {}
    virtual void mouseImpl(const MSG&) {}
    virtual void closeImpl() {}

private:
    BrowserEngineHost& m_host;
    bool m_silent = false;
};

// Makes the engine of a new WebBrowser control.
using BrowserEngineFactory = std::function<std::unique_ptr<BrowserEngine>(BrowserEngineHost&)>;

} // namespace quarrow
