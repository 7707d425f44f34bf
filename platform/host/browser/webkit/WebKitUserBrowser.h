// What a WebKit view of the launcher does not show itself goes to the
// user's own browser, and only when the user asked for it:
//   - a new window (a link with target="_blank", window.open) that a
//     user's action asks for opens its address in the user's default
//     browser, through the shell open the link buttons use; a script's
//     pop-up without a user gesture opens nothing; the launcher never
//     makes a window of its own for it (WebKit's "create" gets none);
//   - a download (a response WebKit would save rather than show: an
//     attachment, or a type it cannot show) is never written by the
//     launcher. When it comes from a navigation the user started (a click
//     on a link), its address goes to the user's browser once; any other
//     (a frame's attachment, a script's navigation) is cancelled. Either
//     way one line goes to standard error.
// Only web addresses (http, https) are handed to the browser: a page must
// not make the desktop open a local file or run a handler of another
// scheme.
//
// Ownership: the engine owns one for its view and drops it before the
// view goes; it holds no reference of its own to the view or the context.
#pragma once

#include <set>
#include <string>

typedef struct _WebKitWebView WebKitWebView;
typedef struct _WebKitWebContext WebKitWebContext;

namespace quarrow {

class WebKitUserBrowser {
public:
    // Must be made before any other "decide-policy" handler of the view,
    // so that it sees every navigation's decision (it never makes one).
    WebKitUserBrowser(WebKitWebView* view, WebKitWebContext* context);
    ~WebKitUserBrowser();
    WebKitUserBrowser(const WebKitUserBrowser&) = delete;
    WebKitUserBrowser& operator=(const WebKitUserBrowser&) = delete;

    // Whether an address may go to the user's browser (http or https).
    static bool isWebAddress(const char* uri);

private:
    static void* onCreate(WebKitWebView* view, void* action, void* self);
    static int onDecidePolicy(WebKitWebView* view, void* decision, int type, void* self);
    static void onDownloadStarted(WebKitWebContext* context, void* download, void* self);
    static int onDecideDestination(void* download, const char* name, void* self);

    // Hands a download's address to the user's browser when the user
    // started its navigation, and says on standard error what became of it.
    void divertDownload(const std::string& uri);
    // Runs the shell open on a web address; false when it could not.
    static bool openInUserBrowser(const std::string& uri);

    WebKitWebView* m_view;
    WebKitWebContext* m_context;
    // The addresses of navigations a user's gesture started, not yet
    // answered: a download among them is the user's.
    std::set<std::string> m_userNavigations;
};

} // namespace quarrow
