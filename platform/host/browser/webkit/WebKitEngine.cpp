#include "host/browser/webkit/WebKitEngine.h"

#include "host/browser/webkit/WebKitSession.h"
#include "host/browser/webkit/WebKitUserBrowser.h"
#include "host/gtk/GtkBackend.h"
#include "win32/MsHtmHst.h"
#include "win32/OleAuto.h"
#include "win32/Utf8.h"
#include "win32/WinNls.h"

#include <webkit2/webkit2.h>

namespace quarrow {

namespace {

// A URI WebKit reports, which is null before the first load.
std::u16string utf16(const char* text) { return text ? Utf8ToUtf16(text) : std::u16string(); }

// The document host's menu kinds (CONTEXT_MENU_*), from what lies under
// the pointer.
DWORD menuKind(WebKitHitTestResult* hit)
{
    if (!hit) return 0;
    if (webkit_hit_test_result_context_is_link(hit)) return 5;     // anchor
    if (webkit_hit_test_result_context_is_image(hit)) return 1;    // image
    if (webkit_hit_test_result_context_is_editable(hit)) return 2; // control
    if (webkit_hit_test_result_context_is_selection(hit)) return 4; // selected text
    return 0;                                                       // default
}

// No scroll bars on the top document: nothing the page's own style says
// brings them back (user style sheets' !important rules win the cascade).
constexpr const char* kNoScrollBars = "html, body { overflow: hidden !important; }";
// No 3-D frame borders: the browser's default inset border of frames goes,
// while a border the page itself gives a frame stays (a user rule without
// !important yields to the page's).
constexpr const char* kNoFrameBorders = "iframe, frame, frameset { border-style: none; }";

} // namespace

WebKitEngine::WebKitEngine(BrowserEngineHost& host, WebKitSession& session) : BrowserEngine(host), m_session(session)
{
    m_content = webkit_user_content_manager_new();
    m_view = WEBKIT_WEB_VIEW(g_object_new(WEBKIT_TYPE_WEB_VIEW, "web-context", session.context(), "settings",
                                          session.settings(), "user-content-manager", m_content, nullptr));
    g_object_ref_sink(m_view);
    // First, so that it sees every decision before the engine makes one.
    m_userBrowser = std::make_unique<WebKitUserBrowser>(m_view, session.context());
    g_signal_connect(m_view, "decide-policy", G_CALLBACK(onDecidePolicy), this);
    g_signal_connect(m_view, "load-changed", G_CALLBACK(onLoadChanged), this);
    g_signal_connect(m_view, "context-menu", G_CALLBACK(onContextMenu), this);
    g_signal_connect(m_view, "script-dialog", G_CALLBACK(onScriptDialog), this);
    g_signal_connect(m_view, "button-press-event", G_CALLBACK(onButtonPress), this);
    session.add(*this);
    session.backend().attachView(host.window(), GTK_WIDGET(m_view));
}

WebKitEngine::~WebKitEngine()
{
    *m_alive = false;
    dropView();
    if (m_content) g_object_unref(m_content);
}

uint64_t WebKitEngine::page() const { return m_view ? webkit_web_view_get_page_id(m_view) : 0; }

void WebKitEngine::dropView()
{
    if (!m_view) return;
    m_session.remove(*this);
    if (m_focusSource) g_source_remove(m_focusSource);
    m_focusSource = 0;
    m_session.backend().detachView(host().window());
    g_signal_handlers_disconnect_by_data(m_view, this);
    m_userBrowser.reset();
    webkit_web_view_stop_loading(m_view);
    // A signal of the view may be running (the launcher closes its windows
    // from inside an event): the session destroys the view once it is over.
    m_session.retire(GTK_WIDGET(m_view));
    m_view = nullptr;
}

void WebKitEngine::closeImpl() { dropView(); }

void WebKitEngine::applyHostInfo()
{
    const DWORD flags = host().hostInfoFlags() & (DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO);
    if (flags == m_appliedFlags) return;
    m_appliedFlags = flags;
    webkit_user_content_manager_remove_all_style_sheets(m_content);
    if (flags & DOCHOSTUIFLAG_SCROLL_NO) {
        WebKitUserStyleSheet* sheet =
            webkit_user_style_sheet_new(kNoScrollBars, WEBKIT_USER_CONTENT_INJECT_TOP_FRAME,
                                        WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
        webkit_user_content_manager_add_style_sheet(m_content, sheet);
        webkit_user_style_sheet_unref(sheet);
    }
    if (flags & DOCHOSTUIFLAG_NO3DBORDER) {
        WebKitUserStyleSheet* sheet =
            webkit_user_style_sheet_new(kNoFrameBorders, WEBKIT_USER_CONTENT_INJECT_ALL_FRAMES,
                                        WEBKIT_USER_STYLE_LEVEL_USER, nullptr, nullptr);
        webkit_user_content_manager_add_style_sheet(m_content, sheet);
        webkit_user_style_sheet_unref(sheet);
    }
}

void WebKitEngine::navigateImpl(const std::u16string& url)
{
    if (!m_view) return;
    applyHostInfo();
    webkit_web_view_load_uri(m_view, Utf16ToUtf8(url).c_str());
}

std::u16string WebKitEngine::locationImpl() const { return m_view ? utf16(webkit_web_view_get_uri(m_view)) : u""; }

void WebKitEngine::windowChangedImpl()
{
    if (m_view) m_session.backend().placeViews();
}

void WebKitEngine::keyImpl(const MSG& msg)
{
    if (!m_view) return;
    bool down;
    switch (msg.message) {
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
        down = true;
        break;
    case WM_KEYUP:
    case WM_SYSKEYUP:
        down = false;
        break;
    default:
        // WebKit makes a key's characters from the key event itself.
        return;
    }
    m_session.backend().deliverKeyToView(GTK_WIDGET(m_view), static_cast<UINT>(msg.wParam), down);
}

// ---------------------------------------------------------------------------
// Events from the extension

void WebKitEngine::frameNavigating(const std::u16string& url, const std::u16string& frame)
{
    if (frame.empty()) applyHostInfo();
    host().beforeNavigate(url, frame);
}

void WebKitEngine::frameScriptsStarting() { host().beforeScriptExecute(); }

void WebKitEngine::frameLoaded(const std::u16string& url, const std::u16string& frame)
{
    host().documentComplete(url, frame);
}

WebKitEngine::ExternalValue WebKitEngine::externalProperty(const std::u16string& name)
{
    ExternalValue value;
    IDispatch* external = host().hostExternal();
    if (!external) return value;
    std::u16string copy = name;
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    if (SUCCEEDED(external->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        value.known = true;
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        VARIANT result;
        VariantInit(&result);
        const HRESULT hr = external->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_PROPERTYGET | DISPATCH_METHOD,
                                            &none, &result, nullptr, nullptr);
        if (SUCCEEDED(hr) && result.vt == VT_BSTR) {
            value.text = result.bstrVal ? std::u16string(result.bstrVal, SysStringLen(result.bstrVal)) : u"";
        }
        VariantClear(&result);
    }
    external->Release();
    return value;
}

// ---------------------------------------------------------------------------
// Signals of the view

int WebKitEngine::onDecidePolicy(WebKitWebView*, void* decision, int type, void*)
{
    // Every navigation goes on (its before-navigate comes from the web
    // process, which knows the frame); responses that are shown and new
    // windows keep WebKit's own decisions (downloads have been decided
    // already, host/browser/webkit/WebKitUserBrowser.h).
    if (type != WEBKIT_POLICY_DECISION_TYPE_NAVIGATION_ACTION) return FALSE;
    webkit_policy_decision_use(WEBKIT_POLICY_DECISION(decision));
    return TRUE;
}

void WebKitEngine::onLoadChanged(WebKitWebView* view, int event, void* data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    if (event == WEBKIT_LOAD_STARTED) self->applyHostInfo();
    if (event != WEBKIT_LOAD_FINISHED) return;
    const std::u16string url = utf16(webkit_web_view_get_uri(view));
    self->host().documentComplete(url, u"");
}

int WebKitEngine::onContextMenu(WebKitWebView*, void*, void* event, void* hit, void* data)
{
    auto* self = static_cast<WebKitEngine*>(data);
    POINT screen{0, 0};
    gdouble x = 0, y = 0;
    if (event && gdk_event_get_root_coords(static_cast<GdkEvent*>(event), &x, &y)) {
        screen = POINT{static_cast<LONG>(x), static_cast<LONG>(y)};
    } else {
        GetCursorPos(&screen);
    }
    const std::weak_ptr<bool> alive = self->m_alive;
    const bool claimed = self->host().hostClaimsContextMenu(menuKind(static_cast<WebKitHitTestResult*>(hit)), screen);
    // A host that closed the control meanwhile shows no menu either.
    return claimed || alive.expired() ? TRUE : FALSE;
}

int WebKitEngine::onScriptDialog(WebKitWebView*, void* data, void* engine)
{
    auto* self = static_cast<WebKitEngine*>(engine);
    if (!self->silent()) return FALSE; // WebKit's own dialog
    auto* dialog = static_cast<WebKitScriptDialog*>(data);
    switch (webkit_script_dialog_get_dialog_type(dialog)) {
    case WEBKIT_SCRIPT_DIALOG_CONFIRM:
        webkit_script_dialog_confirm_set_confirmed(dialog, FALSE);
        break;
    case WEBKIT_SCRIPT_DIALOG_BEFORE_UNLOAD_CONFIRM:
        webkit_script_dialog_confirm_set_confirmed(dialog, TRUE);
        break;
    default:
        break; // an alert is dismissed, a prompt answers null
    }
    return TRUE;
}

int WebKitEngine::onButtonPress(WebKitWebView*, void*, void* data)
{
    // The press itself belongs to the page; the window system learns that
    // the control's window now has the focus, so that keys come to it.
    // Not from inside the press: moving the focus there (which may
    // activate and focus the top-level window) makes WebKit lose the
    // press, so it happens first thing after it.
    auto* self = static_cast<WebKitEngine*>(data);
    if (!self->m_focusSource) {
        self->m_focusSource = g_idle_add_full(
            G_PRIORITY_HIGH,
            [](gpointer engine) -> gboolean {
                auto* me = static_cast<WebKitEngine*>(engine);
                me->m_focusSource = 0;
                const HWND window = me->host().window();
                if (IsWindow(window) && GetFocus() != window) SetFocus(window);
                return G_SOURCE_REMOVE;
            },
            self, nullptr);
    }
    return FALSE;
}

} // namespace quarrow
