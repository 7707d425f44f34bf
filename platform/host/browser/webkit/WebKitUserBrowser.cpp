#include "host/browser/webkit/WebKitUserBrowser.h"

#include "win32/ShellApi.h"
#include "win32/Utf8.h"
#include "win32/WinUser.h"

#include <webkit2/webkit2.h>

#include <cstdio>

namespace quarrow {

namespace {

// How many unanswered user navigations are remembered: a handful is all
// one page has in flight; the oldest are forgotten first.
constexpr size_t kRememberedNavigations = 16;

const char* requestUri(WebKitURIRequest* request) { return request ? webkit_uri_request_get_uri(request) : nullptr; }

// Whether WebKit would save the response rather than show it: it says it is
// an attachment, or it is of a type the view cannot show (WebKit's own rule
// for a response without a decision).
bool isDownload(WebKitResponsePolicyDecision* decision)
{
    if (!webkit_response_policy_decision_is_mime_type_supported(decision)) return true;
    WebKitURIResponse* response = webkit_response_policy_decision_get_response(decision);
    SoupMessageHeaders* headers = response ? webkit_uri_response_get_http_headers(response) : nullptr;
    if (!headers) return false;
    char* disposition = nullptr;
    bool attachment = false;
    if (soup_message_headers_get_content_disposition(headers, &disposition, nullptr)) {
        attachment = disposition && g_ascii_strcasecmp(disposition, "attachment") == 0;
    }
    g_free(disposition);
    return attachment;
}

} // namespace

WebKitUserBrowser::WebKitUserBrowser(WebKitWebView* view, WebKitWebContext* context) : m_view(view), m_context(context)
{
    g_signal_connect(m_view, "create", G_CALLBACK(onCreate), this);
    g_signal_connect(m_view, "decide-policy", G_CALLBACK(onDecidePolicy), this);
    g_signal_connect(m_context, "download-started", G_CALLBACK(onDownloadStarted), this);
}

WebKitUserBrowser::~WebKitUserBrowser()
{
    g_signal_handlers_disconnect_by_data(m_view, this);
    g_signal_handlers_disconnect_by_data(m_context, this);
}

bool WebKitUserBrowser::isWebAddress(const char* uri)
{
    // The scheme comes lower-cased and interned: nothing to free.
    const char* scheme = uri ? g_uri_peek_scheme(uri) : nullptr;
    return scheme && (g_str_equal(scheme, "http") || g_str_equal(scheme, "https"));
}

bool WebKitUserBrowser::openInUserBrowser(const std::string& uri)
{
    const std::u16string address = Utf8ToUtf16(uri);
    const INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(nullptr, u"open", address.c_str(), nullptr, nullptr, SW_SHOWNORMAL));
    return result > 32;
}

void* WebKitUserBrowser::onCreate(WebKitWebView*, void* data, void*)
{
    auto* action = static_cast<WebKitNavigationAction*>(data);
    const char* uri = requestUri(webkit_navigation_action_get_request(action));
    if (!webkit_navigation_action_is_user_gesture(action)) {
        // A pop-up the page's script opens on its own: nothing opens.
        std::fprintf(stderr, "quarrow: a page's pop-up of %s was not opened: no user asked for it\n",
                     uri && *uri ? uri : "(no address)");
    } else if (!isWebAddress(uri)) {
        // about:blank (a window the page would write itself), a local file,
        // another scheme's handler: nothing the user's browser should get
        // from a page.
        std::fprintf(stderr, "quarrow: a new window of %s was not opened: not a web address\n",
                     uri && *uri ? uri : "(no address)");
    } else if (!openInUserBrowser(uri)) {
        std::fprintf(stderr, "quarrow: a new window of %s could not be opened in the user's browser\n", uri);
    }
    std::fflush(stderr);
    // The launcher never makes a window of its own for it.
    return nullptr;
}

int WebKitUserBrowser::onDecidePolicy(WebKitWebView*, void* data, int type, void* self)
{
    auto* me = static_cast<WebKitUserBrowser*>(self);
    if (type == WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) {
        // Only noted: the engine makes the decision.
        WebKitNavigationAction* action =
            webkit_navigation_policy_decision_get_navigation_action(WEBKIT_NAVIGATION_POLICY_DECISION(data));
        const char* uri = requestUri(webkit_navigation_action_get_request(action));
        if (uri && webkit_navigation_action_is_user_gesture(action)) {
            if (me->m_userNavigations.size() >= kRememberedNavigations) me->m_userNavigations.clear();
            me->m_userNavigations.insert(uri);
        }
        return FALSE;
    }
    if (type != WEBKIT_POLICY_DECISION_TYPE_RESPONSE) return FALSE;
    auto* decision = WEBKIT_RESPONSE_POLICY_DECISION(data);
    const char* uri = requestUri(webkit_response_policy_decision_get_request(decision));
    if (!isDownload(decision)) {
        if (uri) me->m_userNavigations.erase(uri);
        return FALSE; // WebKit shows it
    }
    // Nothing is saved: the response is dropped before a byte of it is
    // written, however long it would run.
    webkit_policy_decision_ignore(WEBKIT_POLICY_DECISION(decision));
    me->divertDownload(uri ? uri : "");
    return TRUE;
}

void WebKitUserBrowser::divertDownload(const std::string& uri)
{
    const bool byUser = !uri.empty() && m_userNavigations.erase(uri) > 0;
    if (!byUser) {
        std::fprintf(stderr, "quarrow: the download of %s was cancelled: no user asked for it\n",
                     uri.empty() ? "(no address)" : uri.c_str());
    } else if (!isWebAddress(uri.c_str())) {
        std::fprintf(stderr, "quarrow: the download of %s was cancelled: not a web address\n", uri.c_str());
    } else if (openInUserBrowser(uri)) {
        std::fprintf(stderr, "quarrow: the download of %s was handed to the user's browser\n", uri.c_str());
    } else {
        std::fprintf(stderr, "quarrow: the download of %s was cancelled: the user's browser could not be opened\n",
                     uri.c_str());
    }
    std::fflush(stderr);
}

void WebKitUserBrowser::onDownloadStarted(WebKitWebContext*, void* data, void* self)
{
    // A download that did not come through a response decision (a link
    // with the download attribute, say): the same rule, and it never gets
    // a destination.
    auto* me = static_cast<WebKitUserBrowser*>(self);
    auto* download = static_cast<WebKitDownload*>(data);
    if (webkit_download_get_web_view(download) != me->m_view) return;
    g_signal_connect(download, "decide-destination", G_CALLBACK(onDecideDestination), nullptr);
    const char* uri = requestUri(webkit_download_get_request(download));
    webkit_download_cancel(download);
    me->divertDownload(uri ? uri : "");
}

int WebKitUserBrowser::onDecideDestination(void* download, const char*, void*)
{
    // A download that is cancelled already still must not be given a file.
    webkit_download_cancel(static_cast<WebKitDownload*>(download));
    return TRUE;
}

} // namespace quarrow
