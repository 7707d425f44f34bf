#include "WebKitFixture.h"

#include <webkit2/webkit2.h>

#include <dirent.h>
#include <fcntl.h>
#include <sstream>
#include <unistd.h>

namespace quarrow::test {

// ---------------------------------------------------------------------------
// The external object and the recording host

HRESULT FakeExternal::QueryInterface(REFIID riid, void** out)
{
    *out = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *out = this;
    AddRef();
    return S_OK;
}

HRESULT FakeExternal::GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids)
{
    HRESULT hr = S_OK;
    for (UINT i = 0; i < count; ++i) {
        const std::u16string name = names[i];
        asked.push_back(name);
        if (name.rfind(_T("xxy"), 0) == 0) {
            ids[i] = kWibble;
        } else if (name == _T("count")) {
            ids[i] = kCount;
        } else {
            ids[i] = DISPID_UNKNOWN;
            hr = DISP_E_UNKNOWNNAME;
        }
    }
    return hr;
}

HRESULT FakeExternal::Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*, UINT*)
{
    if (!result || !(flags & DISPATCH_PROPERTYGET)) return S_OK;
    if (id == kWibble) {
        VariantInit(result);
        result->vt = VT_BSTR;
        result->bstrVal = SysAllocString(_T("Wibble"));
    } else if (id == kCount) {
        VariantInit(result);
        result->vt = VT_I4;
        result->lVal = 42;
    }
    return S_OK;
}

long RecordingHost::indexOf(EngineEvent::Kind kind, const std::u16string& url, const std::u16string& frame) const
{
    for (size_t i = 0; i < events.size(); ++i) {
        if (events[i].kind == kind && events[i].url == url && events[i].frame == frame) return static_cast<long>(i);
    }
    return -1;
}

bool RecordingHost::has(EngineEvent::Kind kind, const std::u16string& url, const std::u16string& frame) const
{
    return indexOf(kind, url, frame) >= 0;
}

int RecordingHost::count(EngineEvent::Kind kind) const
{
    int n = 0;
    for (const EngineEvent& e : events) n += e.kind == kind;
    return n;
}

// ---------------------------------------------------------------------------
// The fixture

void WebKitTest::addPages()
{
    portal.addPage("index.html", R"(<!DOCTYPE html>
<html><head><title>top</title></head>
<body><p id="text">top</p>
<iframe name="side" src="inner.html" width="200" height="100"></iframe>
<div style="width: 3000px; height: 3000px"></div>
</body></html>)");
    portal.addPage("inner.html", R"(<!DOCTYPE html>
<html><body><p>inner</p></body></html>)");
}

void WebKitTest::SetUp()
{
    GtkTest::SetUp();
    if (HasFatalFailure()) return;
    addPages();
    std::string error;
    ASSERT_TRUE(portal.start(error)) << error;

    frame = popup(kFrame);
    ASSERT_TRUE(frame);
    site.control = CreateWindowExW(0, _T("Recording"), _T(""), WS_CHILD | WS_VISIBLE, kControl.left, kControl.top,
                                   kControl.right - kControl.left, kControl.bottom - kControl.top, frame, nullptr,
                                   nullptr, nullptr);
    ASSERT_TRUE(site.control);
    // The control hands the keys that reach its window to the engine.
    recorder.handler = [this](HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, LRESULT&) {
        const bool key = message == WM_KEYDOWN || message == WM_KEYUP || message == WM_CHAR ||
                         message == WM_SYSKEYDOWN || message == WM_SYSKEYUP;
        if (key && hwnd == site.control && forwardKeys && engine) {
            MSG msg{hwnd, message, wParam, lParam, 0, {0, 0}};
            engine->key(msg);
        }
        return false;
    };
    session = std::make_unique<WebKitSession>(*backend);
    makeEngine();
    ASSERT_TRUE(waitPresented(frame));
}

void WebKitTest::makeEngine() { engine = std::make_unique<WebKitEngine>(site, *session); }

void WebKitTest::TearDown()
{
    recorder.handler = nullptr;
    engine.reset();
    session.reset();
    GtkTest::TearDown();
}

void WebKitTest::useProxy()
{
    WebKitWebsiteDataManager* data = webkit_web_context_get_website_data_manager(session->context());
    const std::string proxy = "http://127.0.0.1:" + std::to_string(portal.port());
    WebKitNetworkProxySettings* settings = webkit_network_proxy_settings_new(proxy.c_str(), nullptr);
    webkit_website_data_manager_set_network_proxy_settings(data, WEBKIT_NETWORK_PROXY_MODE_CUSTOM, settings);
    webkit_network_proxy_settings_free(settings);
}

std::u16string WebKitTest::wide(const std::string& text) const { return std::u16string(text.begin(), text.end()); }

bool WebKitTest::load(const std::string& url)
{
    const size_t before = site.events.size();
    engine->navigate(wide(url));
    return runUntil(
        [&] {
            for (size_t i = before; i < site.events.size(); ++i) {
                const EngineEvent& e = site.events[i];
                if (e.kind == EngineEvent::DocumentComplete && e.frame.empty()) return true;
            }
            return false;
        },
        20000);
}

std::string WebKitTest::js(const std::string& script)
{
    struct Result {
        bool done = false;
        std::string text;
    };
    // The callback may come after a test has given up waiting, so the
    // result belongs to both.
    auto result = std::make_shared<Result>();
    webkit_web_view_evaluate_javascript(
        engine->view(), script.c_str(), -1, nullptr, nullptr, nullptr,
        [](GObject* view, GAsyncResult* async, gpointer data) {
            auto* held = static_cast<std::shared_ptr<Result>*>(data);
            Result& r = **held;
            GError* error = nullptr;
            JSCValue* value = webkit_web_view_evaluate_javascript_finish(WEBKIT_WEB_VIEW(view), async, &error);
            if (value) {
                gchar* s = jsc_value_to_string(value);
                r.text = s ? s : "";
                g_free(s);
                g_object_unref(value);
            } else {
                r.text = std::string("error: ") + (error ? error->message : "?");
                if (error) g_error_free(error);
            }
            r.done = true;
            delete held;
        },
        new std::shared_ptr<Result>(result));
    // The answer comes from the loop (and page script may call back into
    // the launcher meanwhile, answered from the same loop).
    if (!runUntil([&] { return result->done; }, 20000)) return "error: no answer from the page";
    return result->text;
}

std::string WebKitTest::waitForJs(const std::string& script, const std::string& expected)
{
    std::string last;
    runUntil([&] { return (last = js(script)) == expected; }, 10000);
    return last;
}

std::vector<int> webkitChildren()
{
    std::vector<int> children;
    DIR* proc = opendir("/proc");
    if (!proc) return children;
    const int self = getpid();
    while (dirent* d = readdir(proc)) {
        const int pid = std::atoi(d->d_name);
        if (pid <= 0) continue;
        // Read directly: a process that vanishes meanwhile makes the read
        // fail, which a stream would throw for.
        const int fd = open((std::string("/proc/") + d->d_name + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) continue;
        char buffer[1024];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        close(fd);
        if (n <= 0) continue;
        const std::string stat(buffer, static_cast<size_t>(n));
        // "pid (name) state ppid ...": the name may hold spaces, so it is
        // what lies between the first '(' and the last ')'.
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos) continue;
        const std::string name = stat.substr(open + 1, close - open - 1);
        std::istringstream rest(stat.substr(close + 1));
        std::string state;
        int parent = 0;
        rest >> state >> parent;
        // A zombie has ended; reaping it is GLib's business.
        if (parent == self && state != "Z" && name.rfind("WebKit", 0) == 0) children.push_back(pid);
    }
    closedir(proc);
    return children;
}

} // namespace quarrow::test
