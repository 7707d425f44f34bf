// The WebKitGTK 4.1 browser engine: a WebKitWebView over the client area
// of its WebBrowser control's window, in the GTK backend's container of
// that window's top-level window (host/gtk/GtkBackend.h, attachView).
//
// Implements:
//   - navigate (webkit_web_view_load_uri) and location (the view's address);
//   - before-navigate for every frame, raised by the web-process extension
//     when a document's request is about to be sent (WebKit's navigation
//     policy requests do not say which frame navigates), always allowed;
//     the frame is named by its element's name (found by its address among
//     the page's frame elements), or, for a frame that navigates on its
//     own, by the frame whose document is being left (its beforeunload);
//   - document-complete for the top frame when its load has finished, and
//     for each frame when its window's load event fires (from the
//     extension), frames first;
//   - before-script-execute for each document of each frame, before its
//     scripts run (the extension's window-object-cleared);
//   - window.external in every frame: its properties read through the
//     host's external object (GetIDsOfNames, then Invoke with
//     DISPATCH_PROPERTYGET | DISPATCH_METHOD); string results become JS
//     strings, other results undefined, unknown names fall through to the
//     object's own JS members;
//   - the document host's answers: no context menu when the host claims
//     it; no scroll bars (top frame) with DOCHOSTUIFLAG_SCROLL_NO and no
//     frame borders with DOCHOSTUIFLAG_NO3DBORDER, as user style sheets;
//   - keys only through key(): the window system routes every key, and the
//     view gets the real key event when the control hands it over; a click
//     into the page gives the control's window the window system's focus;
//   - Silent: TRUE suppresses WebKit's script dialogs (alerts dismissed,
//     confirms answered no, leave-page questions answered yes).
// Does not implement:
//   - cancelling a navigation (the launcher never cancels);
//   - new windows and downloads of its own: a user's new window or
//     download goes to the user's browser, anything else nowhere
//     (host/browser/webkit/WebKitUserBrowser.h);
//   - paint(): the native view draws itself.
//
// Ownership: the control owns the engine; the engine owns its view until
// close(), then hands it to the session to destroy. The session outlives
// every engine.
#pragma once

#include "host/browser/BrowserEngine.h"

#include <memory>
#include <optional>
#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitUserContentManager WebKitUserContentManager;

namespace quarrow {

class WebKitSession;
class WebKitUserBrowser;

class WebKitEngine final : public BrowserEngine {
public:
    WebKitEngine(BrowserEngineHost& host, WebKitSession& session);
    ~WebKitEngine() override;

    // Null after close().
    WebKitWebView* view() const { return m_view; }
    // The page the extension speaks for (0 after close()).
    uint64_t page() const;

    // ---- from the extension, through the session
    void frameNavigating(const std::u16string& url, const std::u16string& frame);
    void frameScriptsStarting();
    void frameLoaded(const std::u16string& url, const std::u16string& frame);
    // The string that page script reads as window.external[name]; nothing
    // when the external object does not know the name or gives no string.
    struct ExternalValue {
        bool known = false;          // the name resolved (GetIDsOfNames)
        std::optional<std::u16string> text; // the string it read
    };
    ExternalValue externalProperty(const std::u16string& name);

protected:
    void navigateImpl(const std::u16string& url) override;
    std::u16string locationImpl() const override;
    void windowChangedImpl() override;
    void keyImpl(const MSG& msg) override;
    void closeImpl() override;

private:
    void applyHostInfo();
    void dropView();

    static int onDecidePolicy(WebKitWebView* view, void* decision, int type, void* self);
    static void onLoadChanged(WebKitWebView* view, int event, void* self);
    static int onContextMenu(WebKitWebView* view, void* menu, void* event, void* hit, void* self);
    static int onScriptDialog(WebKitWebView* view, void* dialog, void* self);
    static int onButtonPress(WebKitWebView* view, void* event, void* self);

    WebKitSession& m_session;
    WebKitWebView* m_view = nullptr;
    std::unique_ptr<WebKitUserBrowser> m_userBrowser; // while there is a view
    WebKitUserContentManager* m_content = nullptr;
    DWORD m_appliedFlags = ~DWORD(0);
    unsigned m_focusSource = 0; // gives the control's window the focus after a press
    // Lets a signal handler find out whether the engine outlived the event
    // it raised (the launcher may close its windows from inside one).
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
};

} // namespace quarrow
