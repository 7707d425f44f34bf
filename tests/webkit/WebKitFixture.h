// Shared pieces of the WebKit engine tests: the GTK screen and window
// system of the GTK tests (GtkFixture.h), a top-level window with a child
// window that plays the WebBrowser control, a host that records what the
// engine raises and answers as the launcher's document host does (flags
// 0x0C, context menu claimed, an external object that knows names
// beginning with "xxy"), a web session with the extension beside the test
// program, an engine over the child window, and the test pages' server.
#pragma once

#include "GtkFixture.h"
#include "TestPortal.h"

#include "host/browser/webkit/WebKitEngine.h"
#include "host/browser/webkit/WebKitSession.h"
#include "win32/OAIdl.h"

#include <memory>
#include <string>
#include <vector>

namespace quarrow::test {

// The launcher's external object as page script sees it: names beginning
// with "xxy" are DISPID 12345 and read "Wibble"; "count" is a property
// whose value is a number, not a string.
class FakeExternal final : public IDispatch {
public:
    static constexpr DISPID kWibble = 12345;
    static constexpr DISPID kCount = 7;

    STDMETHOD(QueryInterface)(REFIID riid, void** out) override;
    STDMETHOD_(ULONG, AddRef)() override { return ++refs; }
    STDMETHOD_(ULONG, Release)() override { return --refs; }
    STDMETHOD(GetTypeInfoCount)(UINT*) override { return E_NOTIMPL; }
    STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override;
    STDMETHOD(Invoke)(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                      UINT*) override;

    ULONG refs = 0;
    std::vector<std::u16string> asked; // names, in the order looked up
};

struct EngineEvent {
    enum Kind { BeforeNavigate, DocumentComplete, BeforeScriptExecute } kind;
    std::u16string url;
    std::u16string frame;
};

class RecordingHost final : public BrowserEngineHost {
public:
    void beforeNavigate(const std::u16string& url, const std::u16string& frame) override
    {
        events.push_back({EngineEvent::BeforeNavigate, url, frame});
    }
    void documentComplete(const std::u16string& url, const std::u16string& frame) override
    {
        events.push_back({EngineEvent::DocumentComplete, url, frame});
    }
    void beforeScriptExecute() override { events.push_back({EngineEvent::BeforeScriptExecute, {}, {}}); }
    DWORD hostInfoFlags() override { return flags; }
    bool hostClaimsContextMenu(DWORD menuId, POINT screen) override
    {
        menus.push_back({menuId, screen});
        return claimMenu;
    }
    bool hostTranslatesAccelerator(const MSG&) override { return false; }
    IDispatch* hostExternal() override
    {
        external.AddRef();
        return &external;
    }
    HWND window() const override { return control; }

    bool has(EngineEvent::Kind kind, const std::u16string& url, const std::u16string& frame) const;
    long indexOf(EngineEvent::Kind kind, const std::u16string& url, const std::u16string& frame) const;
    int count(EngineEvent::Kind kind) const;

    struct Menu {
        DWORD id;
        POINT screen;
    };
    DWORD flags = 0x0C;
    bool claimMenu = true;
    HWND control = nullptr;
    FakeExternal external;
    std::vector<EngineEvent> events;
    std::vector<Menu> menus;
};

class WebKitTest : public GtkTest {
protected:
    // Where the control's child window lies in its top-level window.
    static constexpr RECT kFrame{100, 100, 900, 700};
    static constexpr RECT kControl{20, 30, 420, 330};

    void SetUp() override;
    void TearDown() override;

    // Pages every test can load: index.html (a frame named "side" showing
    // inner.html, and more content than the view shows), inner.html.
    virtual void addPages();
    void makeEngine();
    // Routes the session's requests through the test server as a proxy,
    // so that addresses of any host reach it.
    void useProxy();
    // Navigates the top frame and runs until its document is complete.
    bool load(const std::string& url);
    // The result of page script in the top frame as text ("undefined" for
    // undefined); "error: ..." when it throws or cannot run.
    std::string js(const std::string& script);
    // Runs `script` until it gives `expected` (the page handles what it is
    // sent in its own time); what it gave last.
    std::string waitForJs(const std::string& script, const std::string& expected);
    std::u16string wide(const std::string& text) const;

    TestPortal portal;
    std::unique_ptr<WebKitSession> session;
    std::unique_ptr<WebKitEngine> engine;
    RecordingHost site;
    HWND frame = nullptr;
    bool forwardKeys = true;
};

// The WebKit processes that are children of this test program and run.
std::vector<int> webkitChildren();

} // namespace quarrow::test
