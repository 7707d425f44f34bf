#include "host/browser/WebBrowserControl.h"

#include "host/ControlClasses.h"
#include "host/Host.h"
#include "host/browser/FrameDispatch.h"
#include "host/browser/scripted/ScriptedEngine.h"
#include "win32/WinNls.h"

namespace quarrow {

namespace {

// DISP_E_NONAMEDARGS: the member takes no named arguments.
constexpr HRESULT kNoNamedArgs = static_cast<HRESULT>(0x80020007L);

// What leads the window procedure from the control's window to the control.
struct ControlLink : WindowExtension {
    WebBrowserControl* control = nullptr;
};

ControlLink* linkOf(Host& host, HWND hwnd)
{
    Window* w = host.window(hwnd);
    return w ? dynamic_cast<ControlLink*>(w->control.get()) : nullptr;
}

bool sameName(LPCOLESTR name, LPCWSTR known)
{
    return name && CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, name, -1, known, -1) == CSTR_EQUAL;
}

// The optional VARIANT* arguments of Navigate: a reference to a variant
// (possibly null), or left out (VT_EMPTY, or VT_ERROR as a caller marks a
// missing argument).
bool optionalVariant(const VARIANTARG& v)
{
    return v.vt == (VT_BYREF | VT_VARIANT) || v.vt == VT_EMPTY || v.vt == VT_ERROR;
}

// The text of a string argument, also when passed by reference.
bool stringArgument(const VARIANTARG& v, std::u16string& out)
{
    BSTR text = nullptr;
    if (v.vt == VT_BSTR) {
        text = v.bstrVal;
    } else if (v.vt == (VT_BYREF | VT_BSTR) && v.pbstrVal) {
        text = *v.pbstrVal;
    } else if (v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal && v.pvarVal->vt == VT_BSTR) {
        text = v.pvarVal->bstrVal;
    } else {
        return false;
    }
    out = text ? std::u16string(text, SysStringLen(text)) : std::u16string();
    return true;
}

VARIANT byRef(VARIANT* target)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BYREF | VT_VARIANT;
    v.pvarVal = target;
    return v;
}

VARIANT dispatchArg(IDispatch* object)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_DISPATCH;
    v.pdispVal = object;
    return v;
}

VARIANT bstrValue(const std::u16string& text)
{
    VARIANT v;
    VariantInit(&v);
    v.vt = VT_BSTR;
    v.bstrVal = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return v;
}

} // namespace

// The HostedControl that a container owns: one reference on the control.
class WebBrowserControl::Handle final : public HostedControl {
public:
    explicit Handle(WebBrowserControl* control) : m_control(control) {}
    ~Handle() override
    {
        m_control->close();
        m_control->Release();
    }
    HWND window() const override { return m_control->m_window; }
    IDispatch* dispatch() override { return m_control; }
    void close() override { m_control->close(); }

private:
    WebBrowserControl* m_control;
};

// Keeps the control alive while one of its calls runs. When the call ends
// holding the last reference, the control is freed once the window system
// next looks for a message: the engine that raised the event is still
// running, and its engine must outlive that.
class WebBrowserControl::Hold {
public:
    explicit Hold(WebBrowserControl& control) : m_control(control) { ++m_control.m_refs; }
    ~Hold()
    {
        if (--m_control.m_refs == 0) {
            WebBrowserControl* control = &m_control;
            control->m_host.later([control] { delete control; });
        }
    }
    Hold(const Hold&) = delete;
    Hold& operator=(const Hold&) = delete;

private:
    WebBrowserControl& m_control;
};

void WebBrowserControl::registerClasses(Host& host)
{
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &WebBrowserControl::windowProc;
    wc.lpszClassName = kWindowClass;
    host.registerClass(wc, true);
    host.controlClasses().registerClass(CLSID_WebBrowser, &WebBrowserControl::create);
}

std::unique_ptr<HostedControl> WebBrowserControl::create(const HostedControlParams& params)
{
    auto* control = new WebBrowserControl(Host::current(), params);
    if (!control->m_window || !control->m_engine) {
        control->close();
        control->Release();
        return nullptr;
    }
    return std::make_unique<Handle>(control);
}

WebBrowserControl::WebBrowserControl(Host& host, const HostedControlParams& params)
    : m_host(host), m_clientSite(params.clientSite), m_eventSink(params.eventSink)
{
    CREATESTRUCTW cs{};
    cs.hwndParent = params.parent;
    cs.hMenu = reinterpret_cast<HMENU>(static_cast<UINT_PTR>(params.id));
    cs.x = params.rect.left;
    cs.y = params.rect.top;
    cs.cx = params.rect.right - params.rect.left;
    cs.cy = params.rect.bottom - params.rect.top;
    cs.style = static_cast<LONG>((params.style & ~static_cast<DWORD>(WS_POPUP)) | WS_CHILD | WS_CLIPSIBLINGS);
    cs.dwExStyle = params.exStyle;
    cs.lpszName = u"";
    cs.lpszClass = kWindowClass;
    m_window = host.createWindow(cs, [this](Window& w) {
        auto link = std::make_unique<ControlLink>();
        link->control = this;
        w.control = std::move(link);
    });
    if (!m_window) return;
    const BrowserEngineFactory& factory = host.browserEngineFactory();
    m_engine = factory ? factory(*this) : std::make_unique<ScriptedEngine>(*this, nullptr);
    if (m_engine && !m_closed) m_engine->windowChanged();
}

WebBrowserControl::~WebBrowserControl() { close(); }

void WebBrowserControl::close()
{
    if (m_closed) return;
    m_closed = true;
    m_clientSite = nullptr;
    m_eventSink = nullptr;
    if (m_engine) m_engine->close();
    for (FrameDispatch* frame : m_frames) frame->Release();
    m_frames.clear();
    if (HWND window = m_window) {
        m_window = nullptr;
        if (ControlLink* link = linkOf(m_host, window)) link->control = nullptr;
        m_host.destroyWindow(window);
    }
}

// ---------------------------------------------------------------------------
// IUnknown and IDispatch

HRESULT WebBrowserControl::QueryInterface(REFIID riid, void** ppvObject)
{
    if (!ppvObject) return E_POINTER;
    *ppvObject = nullptr;
    if (riid != IID_IUnknown && riid != IID_IDispatch) return E_NOINTERFACE;
    *ppvObject = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
}

ULONG WebBrowserControl::AddRef() { return ++m_refs; }

ULONG WebBrowserControl::Release()
{
    // A running call holds a reference, so the count reaches zero here only
    // outside the control's calls.
    const ULONG left = --m_refs;
    if (left == 0) delete this;
    return left;
}

HRESULT WebBrowserControl::GetTypeInfoCount(UINT* pctinfo)
{
    if (!pctinfo) return E_POINTER;
    *pctinfo = 0;
    return S_OK;
}

HRESULT WebBrowserControl::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

HRESULT WebBrowserControl::GetIDsOfNames(REFIID, LPOLESTR* rgszNames, UINT cNames, LCID, DISPID* rgDispId)
{
    if (cNames && (!rgszNames || !rgDispId)) return E_POINTER;
    HRESULT hr = S_OK;
    for (UINT i = 0; i < cNames; ++i) {
        DISPID id = DISPID_UNKNOWN;
        if (sameName(rgszNames[i], u"Navigate")) id = kNavigate;
        if (sameName(rgszNames[i], u"Silent")) id = kSilent;
        if (sameName(rgszNames[i], u"LocationURL")) id = kLocationUrl;
        rgDispId[i] = id;
        if (id == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT WebBrowserControl::Invoke(DISPID dispIdMember, REFIID riid, LCID, WORD wFlags, DISPPARAMS* pDispParams,
                                  VARIANT* pVarResult, EXCEPINFO*, UINT* puArgErr)
{
    if (riid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (m_closed) return E_UNEXPECTED;
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    DISPPARAMS& params = pDispParams ? *pDispParams : none;
    if ((params.cArgs && !params.rgvarg) || (params.cNamedArgs && !params.rgdispidNamedArgs)) return E_INVALIDARG;
    Hold hold(*this);
    switch (dispIdMember) {
    case kNavigate:
        if (!(wFlags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
        if (pVarResult) VariantInit(pVarResult);
        return navigate(params, puArgErr);
    case kSilent:
        return silent(wFlags, params, pVarResult, puArgErr);
    case kLocationUrl:
        return locationUrl(wFlags, params, pVarResult);
    default:
        return DISP_E_MEMBERNOTFOUND;
    }
}

HRESULT WebBrowserControl::navigate(DISPPARAMS& params, UINT* puArgErr)
{
    if (params.cNamedArgs) return kNoNamedArgs;
    if (params.cArgs < 1 || params.cArgs > 5) return DISP_E_BADPARAMCOUNT;
    // Arguments arrive last first: the address is the highest index.
    const UINT urlIndex = params.cArgs - 1;
    std::u16string url;
    if (!stringArgument(params.rgvarg[urlIndex], url)) {
        if (puArgErr) *puArgErr = urlIndex;
        return DISP_E_TYPEMISMATCH;
    }
    for (UINT i = 0; i < urlIndex; ++i) {
        if (!optionalVariant(params.rgvarg[i])) {
            if (puArgErr) *puArgErr = i;
            return DISP_E_TYPEMISMATCH;
        }
    }
    if (url.empty()) return E_INVALIDARG;
    m_engine->navigate(url);
    return S_OK;
}

HRESULT WebBrowserControl::silent(WORD flags, DISPPARAMS& params, VARIANT* result, UINT* puArgErr)
{
    if (flags & DISPATCH_PROPERTYPUT) {
        if (params.cNamedArgs != 1 || params.rgdispidNamedArgs[0] != DISPID_PROPERTYPUT) return DISP_E_PARAMNOTFOUND;
        if (params.cArgs != 1) return DISP_E_BADPARAMCOUNT;
        const VARIANTARG& value = params.rgvarg[0];
        bool on = false;
        if (value.vt == VT_BOOL) {
            on = value.boolVal != VARIANT_FALSE;
        } else if (value.vt == (VT_BYREF | VT_BOOL) && value.pboolVal) {
            on = *value.pboolVal != VARIANT_FALSE;
        } else {
            if (puArgErr) *puArgErr = 0;
            return DISP_E_TYPEMISMATCH;
        }
        m_engine->setSilent(on);
        return S_OK;
    }
    if (flags & DISPATCH_PROPERTYGET) {
        if (params.cNamedArgs) return kNoNamedArgs;
        if (params.cArgs) return DISP_E_BADPARAMCOUNT;
        if (!result) return E_INVALIDARG;
        VariantInit(result);
        result->vt = VT_BOOL;
        result->boolVal = m_engine->silent() ? VARIANT_TRUE : VARIANT_FALSE;
        return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
}

HRESULT WebBrowserControl::locationUrl(WORD flags, DISPPARAMS& params, VARIANT* result)
{
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params.cNamedArgs) return kNoNamedArgs;
    if (params.cArgs) return DISP_E_BADPARAMCOUNT;
    if (!result) return E_INVALIDARG;
    *result = bstrValue(m_engine->location());
    return S_OK;
}

// ---------------------------------------------------------------------------
// Events

void WebBrowserControl::raise(DISPID id, VARIANTARG* args, UINT count)
{
    if (m_closed || !m_eventSink) return;
    DISPPARAMS params{args, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    // A failing handler changes nothing: the browser goes on either way.
    m_eventSink->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, nullptr);
    VariantClear(&result);
}

IDispatch* WebBrowserControl::frameObject(const std::u16string& frame, const std::u16string& url)
{
    if (frame.empty()) return this;
    for (FrameDispatch* known : m_frames) {
        if (known->name() == frame) {
            known->setUrl(url);
            return known;
        }
    }
    m_frames.push_back(new FrameDispatch(frame, url));
    return m_frames.back();
}

void WebBrowserControl::beforeNavigate(const std::u16string& url, const std::u16string& frame)
{
    beforeNavigateAllowed(url, frame);
}

bool WebBrowserControl::beforeNavigateAllowed(const std::u16string& url, const std::u16string& frame)
{
    if (m_closed) return false;
    if (!m_eventSink) return true;
    Hold hold(*this);
    // The source object stays alive for the whole call, even if the sink
    // closes the control meanwhile.
    IDispatch* source = frameObject(frame, url);
    source->AddRef();
    VARIANT address = bstrValue(url);
    VARIANT flags;
    VariantInit(&flags);
    flags.vt = VT_I4;
    flags.lVal = 0;
    VARIANT target = bstrValue(frame);
    VARIANT postData;
    VariantInit(&postData);
    VARIANT headers;
    VariantInit(&headers);
    VARIANT_BOOL cancel = VARIANT_FALSE;
    VARIANTARG args[7];
    args[6] = dispatchArg(source);
    args[5] = byRef(&address);
    args[4] = byRef(&flags);
    args[3] = byRef(&target);
    args[2] = byRef(&postData);
    args[1] = byRef(&headers);
    VariantInit(&args[0]);
    args[0].vt = VT_BYREF | VT_BOOL;
    args[0].pboolVal = &cancel;
    raise(kBeforeNavigate2, args, 7);
    VariantClear(&address);
    VariantClear(&flags);
    VariantClear(&target);
    VariantClear(&postData);
    VariantClear(&headers);
    source->Release();
    return cancel == VARIANT_FALSE && !m_closed;
}

void WebBrowserControl::documentComplete(const std::u16string& url, const std::u16string& frame)
{
    if (m_closed || !m_eventSink) return;
    Hold hold(*this);
    IDispatch* source = frameObject(frame, url);
    source->AddRef();
    VARIANT address = bstrValue(url);
    VARIANTARG args[2];
    args[1] = dispatchArg(source);
    args[0] = byRef(&address);
    raise(kDocumentComplete, args, 2);
    VariantClear(&address);
    source->Release();
}

void WebBrowserControl::beforeScriptExecute()
{
    if (m_closed || !m_eventSink) return;
    Hold hold(*this);
    // The page's window object is represented by the control itself.
    VARIANTARG args[1] = {dispatchArg(this)};
    raise(kBeforeScriptExecute, args, 1);
}

// ---------------------------------------------------------------------------
// The document host

IDocHostUIHandler* WebBrowserControl::docHost()
{
    if (m_closed || !m_clientSite) return nullptr;
    void* handler = nullptr;
    if (FAILED(m_clientSite->QueryInterface(IID_IDocHostUIHandler, &handler))) return nullptr;
    return static_cast<IDocHostUIHandler*>(handler);
}

DWORD WebBrowserControl::hostInfoFlags()
{
    Hold hold(*this);
    IDocHostUIHandler* handler = docHost();
    if (!handler) return 0;
    DOCHOSTUIINFO info{};
    info.cbSize = sizeof info;
    const HRESULT hr = handler->GetHostInfo(&info);
    handler->Release();
    return SUCCEEDED(hr) ? info.dwFlags : 0;
}

bool WebBrowserControl::hostClaimsContextMenu(DWORD menuId, POINT screen)
{
    Hold hold(*this);
    IDocHostUIHandler* handler = docHost();
    if (!handler) return false;
    POINT point = screen;
    const HRESULT hr = handler->ShowContextMenu(menuId, &point, nullptr, nullptr);
    handler->Release();
    return hr == S_OK;
}

bool WebBrowserControl::hostTranslatesAccelerator(const MSG& msg)
{
    Hold hold(*this);
    IDocHostUIHandler* handler = docHost();
    if (!handler) return false;
    MSG copy = msg;
    const HRESULT hr = handler->TranslateAccelerator(&copy, nullptr, 0);
    handler->Release();
    return hr == S_OK;
}

IDispatch* WebBrowserControl::hostExternal()
{
    Hold hold(*this);
    IDocHostUIHandler* handler = docHost();
    if (!handler) return nullptr;
    IDispatch* external = nullptr;
    const HRESULT hr = handler->GetExternal(&external);
    handler->Release();
    // A failing host may have left anything in the out argument; it gave
    // no reference, so there is nothing to release.
    return SUCCEEDED(hr) ? external : nullptr;
}

// ---------------------------------------------------------------------------
// The control's window

LRESULT CALLBACK WebBrowserControl::windowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ControlLink* link = linkOf(Host::current(), hwnd);
    if (!link || !link->control) return DefWindowProcW(hwnd, message, wParam, lParam);
    return link->control->onMessage(hwnd, message, wParam, lParam);
}

LRESULT WebBrowserControl::onMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    const bool live = m_engine && !m_closed;
    switch (message) {
    case WM_ERASEBKGND:
        return 1; // the engine paints the whole page
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        if (live) {
            RECT client{};
            GetClientRect(hwnd, &client);
            m_engine->paint(dc, client);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_WINDOWPOSCHANGED:
    case WM_SHOWWINDOW: {
        const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        if (m_engine && !m_closed) m_engine->windowChanged();
        return result;
    }
    case WM_GETDLGCODE:
        // The page takes every key, Enter and Escape included; what the
        // dialog keeps for itself its PreTranslateMessage decides first.
        return DLGC_WANTALLKEYS | DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_NCDESTROY: {
        // Destroyed with its dialog before the container closed it: nothing
        // may reach the site any more.
        const LRESULT result = DefWindowProcW(hwnd, message, wParam, lParam);
        m_window = nullptr;
        close();
        return result;
    }
    default:
        break;
    }
    if (message >= WM_KEYFIRST && message <= WM_KEYLAST) {
        if (!live) return 0;
        Hold hold(*this);
        const MSG msg{hwnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()), POINT{0, 0}};
        if (!hostTranslatesAccelerator(msg) && m_engine && !m_closed) m_engine->key(msg);
        return 0;
    }
    if (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) {
        if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN || message == WM_MBUTTONDOWN) SetFocus(hwnd);
        if (live) {
            Hold hold(*this);
            const DWORD pos = GetMessagePos();
            const MSG msg{hwnd, message, wParam, lParam, static_cast<DWORD>(GetMessageTime()),
                          POINT{static_cast<SHORT>(LOWORD(pos)), static_cast<SHORT>(HIWORD(pos))}};
            m_engine->mouse(msg);
        }
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

} // namespace quarrow
