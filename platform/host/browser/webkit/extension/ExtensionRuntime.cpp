#include "host/browser/webkit/extension/ExtensionRuntime.h"

#include "host/browser/webkit/extension/ExternalObject.h"

#include <webkit2/webkit-web-extension.h>

namespace quarrow {

namespace {

// Finds the frame element (iframe or frame, at any depth of same-origin
// documents) whose address is the argument and gives its name; '' when
// there is none. Runs in the extension's own world.
constexpr const char* kFrameSearch = R"js(
(function (url) {
    function search(doc) {
        var frames = doc.querySelectorAll('iframe, frame');
        var i;
        for (i = 0; i < frames.length; ++i) {
            if (frames[i].src === url) return frames[i].name;
        }
        for (i = 0; i < frames.length; ++i) {
            var inner = null;
            try { inner = frames[i].contentDocument; } catch (e) {}
            if (inner) {
                var found = search(inner);
                if (found !== null) return found;
            }
        }
        return null;
    }
    var name = search(document);
    return name === null ? '' : name;
})
)js";

std::string text(JSCValue* value)
{
    if (!value) return {};
    std::string result;
    if (jsc_value_is_string(value)) {
        gchar* s = jsc_value_to_string(value);
        result = s ? s : "";
        g_free(s);
    }
    g_object_unref(value);
    return result;
}

std::string evaluate(JSCContext* context, const char* script) { return text(jsc_context_evaluate(context, script, -1)); }

} // namespace

struct ExtensionRuntime::FrameLoad {
    ExtensionRuntime* runtime;
    uint64_t page;
    std::string name; // the frame's name when its document began
};

struct ExtensionRuntime::FrameLeaving {
    ExtensionRuntime* runtime;
    uint64_t page;
    std::string name;
};

ExtensionRuntime::ExtensionRuntime(WebKitWebExtension* extension, std::unique_ptr<LauncherChannel> channel)
    : m_channel(std::move(channel)), m_world(webkit_script_world_new_with_name("quarrow-launcher"))
{
    g_signal_connect(extension, "page-created", G_CALLBACK(onPageCreated), this);
    g_signal_connect(webkit_script_world_get_default(), "window-object-cleared", G_CALLBACK(onWindowObjectCleared),
                     this);
}

void ExtensionRuntime::tell(int kind, uint64_t page, const std::string& first, const std::string& second)
{
    ExtensionMessage m;
    m.kind = static_cast<ExtensionMessage::Kind>(kind);
    m.page = page;
    m.first = first;
    m.second = second;
    // The answer is only an acknowledgement: the launcher has seen it.
    m_channel->ask(m);
}

void ExtensionRuntime::onPageCreated(WebKitWebExtension*, WebKitWebPage* page, void* self)
{
    g_signal_connect(page, "send-request", G_CALLBACK(onSendRequest), self);
}

int ExtensionRuntime::onSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse* redirect,
                                    void* data)
{
    auto* self = static_cast<ExtensionRuntime*>(data);
    if (!self->m_channel->connected()) return FALSE;
    SoupMessageHeaders* headers = webkit_uri_request_get_http_headers(request);
    if (!headers) return FALSE;
    // WebKit marks the request of every document it navigates to (top
    // frame or frame) with Upgrade-Insecure-Requests; on trustworthy
    // origins the fetch metadata says so too, and which kind of frame.
    const char* mode = soup_message_headers_get_one(headers, "Sec-Fetch-Mode");
    const char* dest = soup_message_headers_get_one(headers, "Sec-Fetch-Dest");
    const bool navigation = soup_message_headers_get_one(headers, "Upgrade-Insecure-Requests") ||
                            (mode && (g_str_equal(mode, "navigate") || g_str_equal(mode, "nested-navigate")));
    if (!navigation) return FALSE;

    const char* uri = webkit_uri_request_get_uri(request);
    if (!uri) return FALSE;
    bool top;
    if (dest) {
        top = g_str_equal(dest, "document");
    } else {
        // The page's address is the top frame's provisional one as soon as
        // the top frame starts loading (before a redirect: the address
        // redirected from).
        const char* pageUri = webkit_web_page_get_uri(page);
        const char* from = redirect ? webkit_uri_response_get_uri(redirect) : nullptr;
        top = pageUri && (g_str_equal(pageUri, uri) || (from && g_str_equal(pageUri, from)));
    }
    const uint64_t id = webkit_web_page_get_id(page);
    std::string frame;
    if (!top) {
        frame = self->frameNamed(page, uri);
        if (frame.empty() && self->m_leaving && self->m_leavingPage == id) frame = self->m_leavingName;
    }
    // Whichever frame it was, its leaving has been accounted for.
    self->m_leaving = false;
    self->tell(static_cast<int>(ExtensionMessage::Kind::BeforeNavigate), id, uri, frame);
    return FALSE; // the request goes on as it is
}

std::string ExtensionRuntime::frameNamed(WebKitWebPage* page, const std::string& url)
{
    // The top frame of the page, which the search starts from; WebKit
    // deprecates the call for pages whose frames live in several
    // processes, which the launcher's pages do not.
    G_GNUC_BEGIN_IGNORE_DEPRECATIONS
    WebKitFrame* top = webkit_web_page_get_main_frame(page);
    G_GNUC_END_IGNORE_DEPRECATIONS
    if (!top) return {};
    JSCContext* context = webkit_frame_get_js_context_for_script_world(top, m_world);
    if (!context) return {};
    std::string name;
    if (JSCValue* search = jsc_context_evaluate(context, kFrameSearch, -1)) {
        if (jsc_value_is_function(search)) {
            name = text(jsc_value_function_call(search, G_TYPE_STRING, url.c_str(), G_TYPE_NONE));
        }
        g_object_unref(search);
    }
    g_object_unref(context);
    return name;
}

void ExtensionRuntime::onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                                             void* data)
{
    auto* self = static_cast<ExtensionRuntime*>(data);
    const uint64_t id = webkit_web_page_get_id(page);
    JSCContext* context = webkit_frame_get_js_context_for_script_world(frame, world);
    if (!context) return;
    ExternalObject::install(context, *self->m_channel, id);
    const bool top = webkit_frame_is_main_frame(frame);
    const std::string name = top ? std::string() : evaluate(context, "window.name");
    g_object_unref(context);
    const char* uri = webkit_frame_get_uri(frame);
    self->tell(static_cast<int>(ExtensionMessage::Kind::ScriptStart), id, uri ? uri : "", name);

    // The top frame's document-complete comes from the UI process (its
    // load has finished); a frame's from its window's load event.
    if (top || !self->m_channel->connected()) return;
    self->listen(frame, "load", onFrameLoad, new FrameLoad{self, id, name},
                 [](void* p) { delete static_cast<FrameLoad*>(p); });
    self->listen(frame, "beforeunload", onFrameLeaving, new FrameLeaving{self, id, name},
                 [](void* p) { delete static_cast<FrameLeaving*>(p); });
}

void ExtensionRuntime::listen(WebKitFrame* frame, const char* event, void (*callback)(void*), void* data,
                              void (*destroy)(void*))
{
    // In the extension's own world: page script neither sees nor removes
    // the listener.
    JSCContext* own = webkit_frame_get_js_context_for_script_world(frame, m_world);
    if (!own) {
        destroy(data);
        return;
    }
    JSCValue* listener = jsc_value_new_function(own, nullptr, G_CALLBACK(callback), data, destroy, G_TYPE_NONE, 0);
    JSCValue* window = jsc_context_get_global_object(own);
    JSCValue* result = jsc_value_object_invoke_method(window, "addEventListener", G_TYPE_STRING, event,
                                                      JSC_TYPE_VALUE, listener, G_TYPE_NONE);
    if (result) g_object_unref(result);
    g_object_unref(window);
    g_object_unref(listener);
    g_object_unref(own);
}

void ExtensionRuntime::onFrameLeaving(void* data)
{
    auto* leaving = static_cast<FrameLeaving*>(data);
    ExtensionRuntime* self = leaving->runtime;
    // The frame that navigates hears it first, then the frames inside it.
    if (self->m_leaving) return;
    self->m_leaving = true;
    self->m_leavingPage = leaving->page;
    self->m_leavingName = leaving->name;
}

void ExtensionRuntime::onFrameLoad(void* data)
{
    auto* load = static_cast<FrameLoad*>(data);
    JSCContext* context = jsc_context_get_current();
    const std::string url = context ? evaluate(context, "location.href") : std::string();
    load->runtime->tell(static_cast<int>(ExtensionMessage::Kind::DocumentComplete), load->page, url, load->name);
}

} // namespace quarrow
