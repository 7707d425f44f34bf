// Shared pieces of the browser hosting tests: a client site whose document
// host answers as the launcher's does (and can be told otherwise), an
// external object that knows "xxyyzz", an event sink that records the
// browser's events and checks their argument lists, and a fixture with a
// memory screen, a scripted web and a parent window for the control.
#pragma once

#include "host/Host.h"
#include "host/browser/WebBrowserControl.h"
#include "host/browser/scripted/ScriptedEngine.h"
#include "host/browser/scripted/ScriptedWeb.h"
#include "host/memory/MemoryBackend.h"
#include "win32/ControlHosting.h"
#include "win32/MsHtmHst.h"
#include "win32/OleIdl.h"
#include "win32/Windows.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace quarrow::test {

// A stack object with a reference count that only counts, so a test can
// check that every reference taken was given back.
template <typename Base>
struct Counted : Base {
    long refs = 0;
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
};

// window.external as the launcher's: "xxyyzz" is DISPID 12345, reading it
// gives "Wibble".
struct FakeExternal : Counted<IDispatch> {
    std::vector<LCID> lookupLocales;
    std::vector<WORD> invokeFlags;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override
    {
        lookupLocales.push_back(lcid);
        HRESULT hr = S_OK;
        for (UINT i = 0; i < count; ++i) {
            ids[i] = std::u16string(names[i]) == _T("xxyyzz") ? 12345 : DISPID_UNKNOWN;
            if (ids[i] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
        }
        return hr;
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS*, VARIANT* result, EXCEPINFO*,
                                     UINT*) override
    {
        invokeFlags.push_back(flags);
        if (id == 12345 && (flags & DISPATCH_PROPERTYGET) && result) {
            VariantInit(result);
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(_T("Wibble"));
        }
        return S_OK;
    }
};

// The control's site. Its document host answers like the launcher's
// (flags NO3DBORDER | SCROLL_NO, the context menu claimed, no key consumed,
// the external object) unless a test says otherwise.
struct FakeSite : IOleClientSite, IDocHostUIHandler {
    long refs = 0;
    bool hasDocHost = true;
    DWORD flags = DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO;
    HRESULT menuAnswer = S_OK;
    std::function<bool(const MSG&)> consumes = [](const MSG&) { return false; };
    IDispatch* external = nullptr;

    // What the control asked and how.
    std::vector<DOCHOSTUIINFO> hostInfoAsked; // as it arrived, before the answer
    std::vector<POINT> menusAsked;
    std::vector<MSG> keysOffered;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppv) override
    {
        *ppv = nullptr;
        if (riid == IID_IUnknown || riid == IID_IOleClientSite) {
            *ppv = static_cast<IOleClientSite*>(this);
        } else if (riid == IID_IDocHostUIHandler && hasDocHost) {
            *ppv = static_cast<IDocHostUIHandler*>(this);
        } else {
            return E_NOINTERFACE;
        }
        ++refs;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
    ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }

    // IOleClientSite
    HRESULT STDMETHODCALLTYPE SaveObject() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMoniker(DWORD, DWORD, IMoniker**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetContainer(IOleContainer**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ShowObject() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnShowWindow(BOOL) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE RequestNewObjectLayout() override { return E_NOTIMPL; }

    // IDocHostUIHandler
    HRESULT STDMETHODCALLTYPE ShowContextMenu(DWORD, POINT* ppt, IUnknown*, IDispatch*) override
    {
        menusAsked.push_back(*ppt);
        return menuAnswer;
    }
    HRESULT STDMETHODCALLTYPE GetHostInfo(DOCHOSTUIINFO* info) override
    {
        hostInfoAsked.push_back(*info);
        info->dwFlags = flags;
        info->dwDoubleClick = DOCHOSTUIDBLCLK_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE ShowUI(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*,
                                     IOleInPlaceUIWindow*) override
    {
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE HideUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE UpdateUI() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE EnableModeless(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnDocWindowActivate(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE OnFrameWindowActivate(BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE ResizeBorder(LPCRECT, IOleInPlaceUIWindow*, BOOL) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE TranslateAccelerator(LPMSG msg, const GUID*, DWORD) override
    {
        keysOffered.push_back(*msg);
        return consumes(*msg) ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE GetOptionKeyPath(LPOLESTR*, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetDropTarget(IDropTarget*, IDropTarget**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetExternal(IDispatch** ppDispatch) override
    {
        *ppDispatch = external;
        if (external) external->AddRef();
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE TranslateUrl(DWORD, LPWSTR, LPWSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE FilterDataObject(IDataObject*, IDataObject**) override { return E_NOTIMPL; }

    bool offered(UINT message, UINT virtualKey) const
    {
        for (const MSG& m : keysOffered) {
            if (m.message == message && m.wParam == virtualKey) return true;
        }
        return false;
    }
};

// One event as the sink saw it.
struct SeenEvent {
    DISPID id = 0;
    std::u16string url;
    std::u16string frame;
    IDispatch* source = nullptr;
    bool wellFormed = false; // the argument list had the event's types

    // "BeforeNavigate2 <frame> <url>" and so on, for readable comparisons.
    std::string text() const
    {
        std::string name = id == 250 ? "BeforeNavigate2" : id == 259 ? "DocumentComplete" : "BeforeScriptExecute";
        if (id != 290) {
            name += " " + (frame.empty() ? std::string("top") : std::string(frame.begin(), frame.end()));
            name += " " + std::string(url.begin(), url.end());
        }
        return name;
    }
};

// Records DWebBrowserEvents2 as a connection point delivers them.
struct FakeSink : Counted<IDispatch> {
    std::vector<SeenEvent> events;
    HRESULT answer = S_OK;
    std::u16string cancelUrl;
    std::function<void(const SeenEvent&)> onEvent;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* p, VARIANT*, EXCEPINFO*,
                                     UINT*) override
    {
        SeenEvent e;
        e.id = id;
        const VARIANTARG* a = p->rgvarg;
        auto byRefBstr = [](const VARIANTARG& v) {
            return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal && v.pvarVal->vt == VT_BSTR;
        };
        auto byRefVariant = [](const VARIANTARG& v) { return v.vt == (VT_BYREF | VT_VARIANT) && v.pvarVal; };
        bool ok = riid == IID_NULL && flags == DISPATCH_METHOD && p->cNamedArgs == 0;
        if (id == 250) {
            ok = ok && p->cArgs == 7 && a[6].vt == VT_DISPATCH && byRefBstr(a[5]) && byRefVariant(a[4]) &&
                 byRefBstr(a[3]) && byRefVariant(a[2]) && byRefVariant(a[1]) && a[0].vt == (VT_BYREF | VT_BOOL);
            if (ok) {
                e.source = a[6].pdispVal;
                e.url = a[5].pvarVal->bstrVal;
                e.frame = a[3].pvarVal->bstrVal;
                if (e.url == cancelUrl) *a[0].pboolVal = VARIANT_TRUE;
            }
        } else if (id == 259) {
            ok = ok && p->cArgs == 2 && a[1].vt == VT_DISPATCH && byRefBstr(a[0]);
            if (ok) {
                e.source = a[1].pdispVal;
                e.url = a[0].pvarVal->bstrVal;
            }
        } else if (id == 290) {
            ok = ok && p->cArgs == 1 && a[0].vt == VT_DISPATCH;
            if (ok) e.source = a[0].pdispVal;
        } else {
            ok = false;
        }
        e.wellFormed = ok;
        // A DocumentComplete names its frame through its source object.
        if (id == 259 && ok && frameOf) e.frame = frameOf(e.source);
        events.push_back(e);
        if (onEvent) onEvent(e);
        return answer;
    }

    // Which frame a source object stands for (the fixture fills this in).
    std::function<std::u16string(IDispatch*)> frameOf;

    std::vector<std::string> texts() const
    {
        std::vector<std::string> out;
        for (const SeenEvent& e : events) out.push_back(e.text());
        return out;
    }
};

class BrowserHostTest : public ::testing::Test {
protected:
    static constexpr int kParentX = 100;
    static constexpr int kParentY = 100;
    static constexpr RECT kControlRect{10, 10, 310, 210};

    BrowserHostTest() : host(screen)
    {
        host.setBrowserEngineFactory(web.factory());
        WNDCLASSEXW wc{};
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = DefWindowProcW;
        wc.lpszClassName = _T("BrowserHostParent");
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        RegisterClassExW(&wc);
        parent = CreateWindowExW(0, _T("BrowserHostParent"), _T(""), WS_POPUP | WS_VISIBLE, kParentX, kParentY, 400, 300,
                                 nullptr, nullptr, nullptr, nullptr);
        site.external = &external;
        // A frame's source object answers LocationURL; the top frame's is
        // the control itself.
        sink.frameOf = [this](IDispatch* source) -> std::u16string {
            if (control && source == control->dispatch()) return _T("");
            for (const SeenEvent& e : sink.events) {
                if (e.id == 250 && e.source == source) return e.frame;
            }
            return _T("?");
        };
    }
    ~BrowserHostTest() override
    {
        if (control) control->close();
        control.reset();
    }

    std::unique_ptr<HostedControl> makeControl(DWORD style = WS_VISIBLE | WS_TABSTOP, HRESULT* phr = nullptr)
    {
        HostedControlParams params;
        params.parent = parent;
        params.rect = kControlRect;
        params.id = 1006;
        params.style = style;
        params.clientSite = static_cast<IOleClientSite*>(&site);
        params.eventSink = &sink;
        return CreateHostedControl(CLSID_WebBrowser, params, phr);
    }
    // Makes `control` and returns its engine.
    ScriptedEngine& open()
    {
        HRESULT hr = E_FAIL;
        control = makeControl(WS_VISIBLE | WS_TABSTOP, &hr);
        EXPECT_EQ(hr, S_OK);
        return web.engine();
    }
    IDispatch* browser() { return control->dispatch(); }

    // The framework's InvokeHelper calls, as the launcher makes them.
    HRESULT navigate(const std::u16string& url)
    {
        VARIANT args[5];
        for (VARIANT& v : args) {
            VariantInit(&v);
            v.vt = VT_BYREF | VT_VARIANT;
            v.pvarVal = nullptr;
        }
        args[4].vt = VT_BSTR;
        args[4].bstrVal = SysAllocString(url.c_str());
        DISPPARAMS params{args, nullptr, 5, 0};
        const HRESULT hr = browser()->Invoke(WebBrowserControl::kNavigate, IID_NULL, 0, DISPATCH_METHOD, &params,
                                             nullptr, nullptr, nullptr);
        SysFreeString(args[4].bstrVal);
        return hr;
    }
    HRESULT putSilent(bool silent)
    {
        VARIANT value;
        VariantInit(&value);
        value.vt = VT_BOOL;
        value.boolVal = silent ? VARIANT_TRUE : VARIANT_FALSE;
        DISPID named = DISPID_PROPERTYPUT;
        DISPPARAMS params{&value, &named, 1, 1};
        return browser()->Invoke(WebBrowserControl::kSilent, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                                 nullptr, nullptr);
    }
    std::u16string locationUrl()
    {
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        EXPECT_EQ(S_OK, browser()->Invoke(WebBrowserControl::kLocationUrl, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                          &result, nullptr, nullptr));
        EXPECT_EQ(result.vt, VT_BSTR);
        std::u16string text = result.bstrVal ? result.bstrVal : _T("");
        VariantClear(&result);
        return text;
    }
    // The screen point of a point in the control's client area.
    POINT onScreen(int x, int y) const { return POINT{kParentX + kControlRect.left + x, kParentY + kControlRect.top + y}; }

    MemoryBackend screen;
    ScriptedWeb web; // outlives the window system, whose last actions may free engines
    Host host;
    FakeExternal external;
    FakeSite site;
    FakeSink sink;
    HWND parent = nullptr;
    std::unique_ptr<HostedControl> control;
};

} // namespace quarrow::test
