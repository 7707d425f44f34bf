// The framework's ActiveX control container on the memory window system:
// interface maps and the site's reference count, controls made from dialog
// templates with their dialog init data, the site a program's manager
// makes, InvokeHelper's marshalling, event-sink dispatch, and teardown with
// the dialog. The controls are a fake class registered by class id; each
// records what its site handed it and answers calls as a test tells it.
#include "AfxFixture.h"

#include "afx/CDialog.h"
#include "afx/COccManager.h"
#include "afx/COleControlContainer.h"
#include "afx/COleControlSite.h"
#include "afx/COleDispatchException.h"
#include "afx/COleException.h"
#include "afx/DispatchTypes.h"
#include "win32/ControlHosting.h"
#include "win32/MsHtmHst.h"

#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace afxtest {
namespace {

// {5C1E9A40-7B2D-4F63-9E11-2A3B4C5D6E7F}
constexpr CLSID CLSID_Fake = {0x5C1E9A40, 0x7B2D, 0x4F63, {0x9E, 0x11, 0x2A, 0x3B, 0x4C, 0x5D, 0x6E, 0x7F}};
constexpr const char16_t* kFakeClass = _T("{5C1E9A40-7B2D-4F63-9E11-2A3B4C5D6E7F}");
// The launcher's browser control, as its dialog template names it.
constexpr CLSID CLSID_Browser = {0x8856F961, 0x340A, 0x11D0, {0xA9, 0x6B, 0x00, 0xC0, 0x4F, 0xD7, 0x05, 0xA2}};
constexpr UINT kControlId = 1006;
// A class id that no control class is registered under.
constexpr CLSID CLSID_Unregistered = {0x5C1E9A41, 0x7B2D, 0x4F63, {0x9E, 0x11, 0x2A, 0x3B, 0x4C, 0x5D, 0x6E, 0x7F}};

std::string narrow(const WCHAR* text)
{
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(*text);
    return out;
}

// What the fake control saw of one call into its IDispatch.
struct SeenArg {
    VARTYPE vt = VT_EMPTY;
    std::string text;  // a BSTR's text
    LONG number = 0;
    VARIANT_BOOL flag = 0;
    const void* pointer = nullptr;
};
struct SeenCall {
    DISPID dispid = 0;
    WORD flags = 0;
    std::vector<SeenArg> args;  // as delivered: last parameter first
    std::vector<DISPID> named;
};

class FakeDispatch : public IDispatch {
public:
    std::vector<SeenCall> calls;
    // Answers a call; the default succeeds with no result.
    std::function<HRESULT(DISPPARAMS*, VARIANT*, EXCEPINFO*)> answer;

    STDMETHODIMP QueryInterface(REFIID, void** ppv) override
    {
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    STDMETHODIMP_(ULONG) AddRef() override { return 1; }
    STDMETHODIMP_(ULONG) Release() override { return 1; }
    STDMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
    STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
    STDMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
    STDMETHODIMP Invoke(DISPID dispid, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* info, UINT*) override
    {
        SeenCall call{dispid, flags, {}, {}};
        for (UINT i = 0; i < params->cArgs; ++i) {
            const VARIANT& v = params->rgvarg[i];
            SeenArg a;
            a.vt = v.vt;
            if (v.vt == VT_BSTR) a.text = narrow(v.bstrVal);
            if (v.vt == VT_I4) a.number = v.lVal;
            if (v.vt == VT_BOOL) a.flag = v.boolVal;
            if (v.vt & VT_BYREF) a.pointer = v.byref;
            call.args.push_back(a);
        }
        for (UINT i = 0; i < params->cNamedArgs; ++i) call.named.push_back(params->rgdispidNamedArgs[i]);
        calls.push_back(call);
        return answer ? answer(params, result, info) : S_OK;
    }
};

// Every fake control made in a test, with what it was given.
struct ControlLog;

class FakeControl : public quarrow::HostedControl {
public:
    FakeControl(const quarrow::HostedControlParams& p, ControlLog& log);
    ~FakeControl() override;
    HWND window() const override { return m_hwnd; }
    IDispatch* dispatch() override { return &m_dispatch; }
    void close() override;
    // An in-place control that uses the keys it is offered and wants its
    // moves told when `inPlace` is set.
    bool translateAccelerator(const MSG& msg) override
    {
        keys.push_back(static_cast<UINT>(msg.wParam));
        return inPlace;
    }
    bool setRect(const RECT& rect) override
    {
        rects.push_back(rect);
        return inPlace;
    }

    quarrow::HostedControlParams params;
    std::vector<BYTE> persisted;
    FakeDispatch m_dispatch;
    bool inPlace = false;
    std::vector<UINT> keys;
    std::vector<RECT> rects;

private:
    ControlLog& m_log;
    HWND m_hwnd = nullptr;
};

struct ControlLog {
    std::vector<FakeControl*> made;
    int closes = 0;
    int deleted = 0;
    bool failNext = false;
};

FakeControl::FakeControl(const quarrow::HostedControlParams& p, ControlLog& log) : params(p), m_log(log)
{
    if (p.persisted) persisted.assign(p.persisted, p.persisted + p.persistedSize);
    m_hwnd = CreateWindowExW(p.exStyle, _T("Plain"), _T(""), p.style | WS_CHILD, p.rect.left, p.rect.top,
                             p.rect.right - p.rect.left, p.rect.bottom - p.rect.top, p.parent,
                             reinterpret_cast<HMENU>(static_cast<UINT_PTR>(p.id)), nullptr, nullptr);
}

FakeControl::~FakeControl() { ++m_log.deleted; }

void FakeControl::close()
{
    ++m_log.closes;
    if (m_hwnd) DestroyWindow(m_hwnd);
    m_hwnd = nullptr;
}

// A site like the program's: a document host handler as a nested interface
// part, found through the site's interface map before the base entries.
int g_sitesDeleted = 0;

class CTestSite : public COleControlSite {
public:
    explicit CTestSite(COleControlContainer* pCnt) : COleControlSite(pCnt) {}
    ~CTestSite() override { ++g_sitesDeleted; }

protected:
    DECLARE_INTERFACE_MAP()

    BEGIN_INTERFACE_PART(DocHostUIHandler, IDocHostUIHandler)
        STDMETHOD(ShowContextMenu)(DWORD, POINT*, IUnknown*, IDispatch*) { return S_OK; }
        STDMETHOD(GetHostInfo)(DOCHOSTUIINFO* pInfo);
        STDMETHOD(ShowUI)(DWORD, IOleInPlaceActiveObject*, IOleCommandTarget*, IOleInPlaceFrame*, IOleInPlaceUIWindow*)
        {
            return S_OK;
        }
        STDMETHOD(HideUI)() { return S_OK; }
        STDMETHOD(UpdateUI)() { return S_OK; }
        STDMETHOD(EnableModeless)(BOOL) { return E_NOTIMPL; }
        STDMETHOD(OnDocWindowActivate)(BOOL) { return E_NOTIMPL; }
        STDMETHOD(OnFrameWindowActivate)(BOOL) { return E_NOTIMPL; }
        STDMETHOD(ResizeBorder)(LPCRECT, IOleInPlaceUIWindow*, BOOL) { return E_NOTIMPL; }
        STDMETHOD(TranslateAccelerator)(LPMSG, const GUID*, DWORD) { return S_FALSE; }
        STDMETHOD(GetOptionKeyPath)(LPOLESTR*, DWORD) { return E_NOTIMPL; }
        STDMETHOD(GetDropTarget)(IDropTarget*, IDropTarget**) { return E_NOTIMPL; }
        STDMETHOD(GetExternal)(IDispatch**) { return E_NOTIMPL; }
        STDMETHOD(TranslateUrl)(DWORD, LPWSTR, LPWSTR*) { return E_NOTIMPL; }
        STDMETHOD(FilterDataObject)(IDataObject*, IDataObject**) { return E_NOTIMPL; }
    END_INTERFACE_PART(DocHostUIHandler)
};

BEGIN_INTERFACE_MAP(CTestSite, COleControlSite)
    INTERFACE_PART(CTestSite, IID_IDocHostUIHandler, DocHostUIHandler)
END_INTERFACE_MAP()

STDMETHODIMP_(ULONG) CTestSite::XDocHostUIHandler::AddRef()
{
    METHOD_PROLOGUE(CTestSite, DocHostUIHandler)
    return pThis->ExternalAddRef();
}
STDMETHODIMP_(ULONG) CTestSite::XDocHostUIHandler::Release()
{
    METHOD_PROLOGUE(CTestSite, DocHostUIHandler)
    return pThis->ExternalRelease();
}
STDMETHODIMP CTestSite::XDocHostUIHandler::QueryInterface(REFIID iid, void** ppvObj)
{
    METHOD_PROLOGUE(CTestSite, DocHostUIHandler)
    return pThis->ExternalQueryInterface(&iid, ppvObj);
}
// Reads the outer site, so a wrong offset in METHOD_PROLOGUE shows.
STDMETHODIMP CTestSite::XDocHostUIHandler::GetHostInfo(DOCHOSTUIINFO* pInfo)
{
    METHOD_PROLOGUE(CTestSite, DocHostUIHandler)
    pInfo->dwFlags = pThis->m_nID;
    return S_OK;
}

// A further derived site that answers IID_IDispatch itself, in place of
// the base site's event sink.
class CShadowingSite : public CTestSite {
public:
    explicit CShadowingSite(COleControlContainer* pCnt) : CTestSite(pCnt) {}
    ~CShadowingSite() override = default;
    void* shadow() { return static_cast<IDispatch*>(&m_xShadow); }

protected:
    DECLARE_INTERFACE_MAP()

    BEGIN_INTERFACE_PART(Shadow, IDispatch)
        STDMETHOD(GetTypeInfoCount)(UINT*) { return E_NOTIMPL; }
        STDMETHOD(GetTypeInfo)(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }
        STDMETHOD(GetIDsOfNames)(REFIID, LPOLESTR*, UINT, LCID, DISPID*) { return E_NOTIMPL; }
        STDMETHOD(Invoke)(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) { return S_FALSE; }
    END_INTERFACE_PART(Shadow)
};

BEGIN_INTERFACE_MAP(CShadowingSite, CTestSite)
    INTERFACE_PART(CShadowingSite, IID_IDispatch, Shadow)
END_INTERFACE_MAP()

STDMETHODIMP_(ULONG) CShadowingSite::XShadow::AddRef()
{
    METHOD_PROLOGUE(CShadowingSite, Shadow)
    return pThis->ExternalAddRef();
}
STDMETHODIMP_(ULONG) CShadowingSite::XShadow::Release()
{
    METHOD_PROLOGUE(CShadowingSite, Shadow)
    return pThis->ExternalRelease();
}
STDMETHODIMP CShadowingSite::XShadow::QueryInterface(REFIID iid, void** ppvObj)
{
    METHOD_PROLOGUE(CShadowingSite, Shadow)
    return pThis->ExternalQueryInterface(&iid, ppvObj);
}

class CTestManager : public COccManager {
public:
    COleControlSite* CreateSite(COleControlContainer* pCtrlCont) override { return new CTestSite(pCtrlCont); }
};

// ---------------------------------------------------------------------------
// Dialogs with event-sink maps

class CBaseEventDialog : public CDialog {
public:
    std::vector<std::string> calls;
    void OnDocumentComplete(LPDISPATCH, VARIANT* URL) { calls.push_back("base complete " + narrow(URL->bstrVal)); }

protected:
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CBaseEventDialog, CDialog)
    ON_EVENT(CBaseEventDialog, kControlId, 259, &CBaseEventDialog::OnDocumentComplete, VTS_DISPATCH VTS_PVARIANT)
END_EVENTSINK_MAP()

class CEventDialog : public CBaseEventDialog {
public:
    CWnd m_browser;

    void OnBeforeNavigate2(LPDISPATCH pDisp, VARIANT* URL, VARIANT*, VARIANT*, VARIANT*, VARIANT*, BOOL* Cancel)
    {
        calls.push_back("navigate " + narrow(URL->bstrVal) + (pDisp ? " from object" : "") +
                        (*Cancel ? " cancelled" : ""));
        *Cancel = narrow(URL->bstrVal) == "block";
    }
    void OnScript(LPDISPATCH) { calls.push_back("script"); }
    void OnScriptAgain(LPDISPATCH) { calls.push_back("script again"); }
    void OnValues(LONG number, BOOL flag, LPCWSTR text)
    {
        calls.push_back("values " + std::to_string(number) + (flag ? " true " : " false ") + narrow(text));
    }
    void OnFrameworkThrow() { AfxThrowInvalidArgException(); }
    void OnStdThrow() { throw std::runtime_error("out of range"); }
    void OnCloseWindow()
    {
        calls.push_back("closing");
        DestroyWindow();
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, kControlId, m_browser); }
    DECLARE_EVENTSINK_MAP()
};

BEGIN_EVENTSINK_MAP(CEventDialog, CBaseEventDialog)
    ON_EVENT(CEventDialog, kControlId, 250, &CEventDialog::OnBeforeNavigate2,
             VTS_DISPATCH VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PVARIANT VTS_PBOOL)
    ON_EVENT(CEventDialog, kControlId, 290, &CEventDialog::OnScript, VTS_DISPATCH)
    ON_EVENT(CEventDialog, kControlId, 290, &CEventDialog::OnScriptAgain, VTS_DISPATCH)
    ON_EVENT(CEventDialog, kControlId, 300, &CEventDialog::OnValues, VTS_I4 VTS_BOOL VTS_BSTR)
    ON_EVENT(CEventDialog, kControlId, 401, &CEventDialog::OnFrameworkThrow, VTS_NONE)
    ON_EVENT(CEventDialog, kControlId, 402, &CEventDialog::OnStdThrow, VTS_NONE)
    ON_EVENT(CEventDialog, kControlId, 403, &CEventDialog::OnCloseWindow, VTS_NONE)
END_EVENTSINK_MAP()

// Dialog init data in memory: entries of (id, message, bytes), then the end.
std::vector<BYTE> dialogInit(const std::vector<std::pair<WORD, std::vector<BYTE>>>& entries, WORD message = 0x0376)
{
    std::vector<BYTE> out;
    auto word = [&](WORD w) {
        out.push_back(static_cast<BYTE>(w & 0xFF));
        out.push_back(static_cast<BYTE>(w >> 8));
    };
    for (const auto& [id, bytes] : entries) {
        word(id);
        word(message);
        word(static_cast<WORD>(bytes.size()));
        word(0);
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
    word(0);
    return out;
}

// Arguments for an event, in parameter order.
struct EventArgs {
    std::vector<VARIANT> values;
    EventArgs& bstr(BSTR text)
    {
        VARIANT v{};
        v.vt = VT_BSTR;
        v.bstrVal = text;
        values.push_back(v);
        return *this;
    }
    EventArgs& i4(LONG n)
    {
        VARIANT v{};
        v.vt = VT_I4;
        v.lVal = n;
        values.push_back(v);
        return *this;
    }
    EventArgs& boolean(VARIANT_BOOL b)
    {
        VARIANT v{};
        v.vt = VT_BOOL;
        v.boolVal = b;
        values.push_back(v);
        return *this;
    }
    EventArgs& dispatch(IDispatch* p)
    {
        VARIANT v{};
        v.vt = VT_DISPATCH;
        v.pdispVal = p;
        values.push_back(v);
        return *this;
    }
    EventArgs& variantRef(VARIANT* p)
    {
        VARIANT v{};
        v.vt = VT_VARIANT | VT_BYREF;
        v.pvarVal = p;
        values.push_back(v);
        return *this;
    }
    EventArgs& boolRef(VARIANT_BOOL* p)
    {
        VARIANT v{};
        v.vt = VT_BOOL | VT_BYREF;
        v.pboolVal = p;
        values.push_back(v);
        return *this;
    }
};

class OccTest : public AfxTest {
protected:
    OccTest()
    {
        g_sitesDeleted = 0;
        for (const CLSID& clsid : {CLSID_Fake, CLSID_Browser}) {
            quarrow::RegisterHostedControlClass(clsid, [this](const quarrow::HostedControlParams& p) {
                if (log.failNext) {
                    log.failNext = false;
                    return std::unique_ptr<quarrow::HostedControl>();
                }
                auto control = std::make_unique<FakeControl>(p, log);
                log.made.push_back(control.get());
                return std::unique_ptr<quarrow::HostedControl>(std::move(control));
            });
        }
        AfxEnableControlContainer(&manager);
    }

    // A popup dialog with a button and the fake control 1006.
    static TemplateBuilder withControl()
    {
        TemplateBuilder t(WS_POPUP, 0, 0, 200, 120);
        t.control(_T("Button"), _T("OK"), IDOK, BS_PUSHBUTTON, 10, 10, 40, 14);
        t.control(kFakeClass, _T(""), kControlId, WS_TABSTOP, 10, 30, 150, 80);
        return t;
    }

    // Raises an event on a control's sink, arguments in parameter order.
    static HRESULT fire(FakeControl* control, DISPID dispid, EventArgs args = {}, UINT* argError = nullptr)
    {
        std::vector<VARIANT> reversed(args.values.rbegin(), args.values.rend());
        DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr, static_cast<UINT>(reversed.size()),
                          0};
        EXCEPINFO info{};
        UINT ignored = 0;
        return control->params.eventSink->Invoke(dispid, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, &info,
                                                 argError ? argError : &ignored);
    }

    CTestManager manager;
    ControlLog log;
};

// ---------------------------------------------------------------------------
// Interface maps and the reference count

TEST_F(OccTest, InterfaceMapsAnswerDerivedEntriesFirstWithOneIdentity)
{
    CShadowingSite site(nullptr);
    auto* clientSite = static_cast<IOleClientSite*>(site.GetInterface(&IID_IOleClientSite));
    ASSERT_NE(nullptr, clientSite);

    // The handler of the middle class is reached from the base class's part.
    void* handler = nullptr;
    ASSERT_EQ(S_OK, clientSite->QueryInterface(IID_IDocHostUIHandler, &handler));
    EXPECT_EQ(site.GetInterface(&IID_IDocHostUIHandler), handler);
    DOCHOSTUIINFO info{};
    site.m_nID = 77;
    EXPECT_EQ(S_OK, static_cast<IDocHostUIHandler*>(handler)->GetHostInfo(&info));
    EXPECT_EQ(77u, info.dwFlags);

    // The most-derived class's IID_IDispatch hides the base site's sink.
    EXPECT_EQ(site.shadow(), site.GetInterface(&IID_IDispatch));

    // Every part gives the same IUnknown, and the others back.
    void* unknownFromSite = nullptr;
    void* unknownFromHandler = nullptr;
    void* siteFromHandler = nullptr;
    EXPECT_EQ(S_OK, clientSite->QueryInterface(IID_IUnknown, &unknownFromSite));
    EXPECT_EQ(S_OK, static_cast<IUnknown*>(handler)->QueryInterface(IID_IUnknown, &unknownFromHandler));
    EXPECT_EQ(S_OK, static_cast<IUnknown*>(handler)->QueryInterface(IID_IOleClientSite, &siteFromHandler));
    EXPECT_EQ(unknownFromSite, unknownFromHandler);
    EXPECT_EQ(static_cast<IUnknown*>(clientSite), unknownFromSite);
    EXPECT_EQ(clientSite, siteFromHandler);

    void* none = &site;
    EXPECT_EQ(E_NOINTERFACE, clientSite->QueryInterface(CLSID_Unregistered, &none));
    EXPECT_EQ(nullptr, none);
    EXPECT_EQ(E_POINTER, clientSite->QueryInterface(IID_IOleClientSite, nullptr));
    // Four successful queries, each with a reference.
    EXPECT_EQ(5u, site.m_dwRef);
}

TEST_F(OccTest, ASiteCountNeverDeletesItButAPlainObjectsDoes)
{
    auto* site = new CTestSite(nullptr);
    auto* clientSite = static_cast<IOleClientSite*>(site->GetInterface(&IID_IOleClientSite));
    EXPECT_EQ(2u, clientSite->AddRef());
    EXPECT_EQ(1u, clientSite->Release());
    EXPECT_EQ(0u, clientSite->Release());
    EXPECT_EQ(0, g_sitesDeleted);
    EXPECT_EQ(1u, clientSite->AddRef());  // still a live object
    delete site;
    EXPECT_EQ(1, g_sitesDeleted);

    // Any other CCmdTarget goes with its last reference.
    struct Counted : CCmdTarget {
        bool* gone;
        explicit Counted(bool* g) : gone(g) {}
        ~Counted() override { *gone = true; }
    };
    bool gone = false;
    auto* counted = new Counted(&gone);
    counted->ExternalAddRef();
    EXPECT_EQ(1u, counted->ExternalRelease());
    EXPECT_FALSE(gone);
    EXPECT_EQ(0u, counted->ExternalRelease());
    EXPECT_TRUE(gone);
}

// ---------------------------------------------------------------------------
// Controls from dialog templates

TEST_F(OccTest, ATemplateControlGetsItsInitDataAndTheProgramsSite)
{
    TemplateBuilder t = withControl();
    const std::vector<BYTE> init = dialogInit({{999, {9, 9}}, {kControlId, {1, 2, 3, 4, 5}}});
    CEventDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.get(), nullptr, init.data(), init.size()));

    ASSERT_EQ(1u, log.made.size());
    FakeControl* control = log.made[0];
    EXPECT_EQ((std::vector<BYTE>{1, 2, 3, 4, 5}), control->persisted);
    EXPECT_EQ(dlg.m_hWnd, control->params.parent);
    EXPECT_EQ(kControlId, control->params.id);
    EXPECT_TRUE(control->params.style & WS_TABSTOP);

    COleControlSite* site = dlg.m_pCtrlCont ? dlg.m_pCtrlCont->FindItem(kControlId) : nullptr;
    ASSERT_NE(nullptr, dynamic_cast<CTestSite*>(site));
    EXPECT_EQ(GetDlgItem(dlg.m_hWnd, kControlId), site->m_hWnd);
    EXPECT_EQ(site->GetInterface(&IID_IOleClientSite), control->params.clientSite);
    // The control asks its client site for the document host handler.
    void* handler = nullptr;
    EXPECT_EQ(S_OK, control->params.clientSite->QueryInterface(IID_IDocHostUIHandler, &handler));
    EXPECT_EQ(site->GetInterface(&IID_IDocHostUIHandler), handler);
    static_cast<IUnknown*>(handler)->Release();

    // DDX_Control attached the member to the site.
    EXPECT_EQ(site, dlg.m_browser.m_pCtrlSite);
    EXPECT_EQ(&dlg.m_browser, site->m_pWndCtrl);
    EXPECT_EQ(&dlg.m_browser, CWnd::FromHandlePermanent(site->m_hWnd));
}

// The framework takes the control out of the template (the dialog manager
// cannot make a "{CLSID}" class) and makes it itself before OnInitDialog,
// at its template place among the other controls' windows.
TEST_F(OccTest, ATemplateControlIsMadeBeforeOnInitDialogAtItsTemplatePlace)
{
    TemplateBuilder t(WS_POPUP, 0, 0, 200, 120);
    t.control(_T("Button"), _T("OK"), IDOK, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 40, 14);
    t.control(kFakeClass, _T(""), kControlId, WS_TABSTOP, 10, 30, 150, 80);
    t.control(_T("Button"), _T("Cancel"), IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 60, 10, 40, 14);
    CEventDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.get()));
    ASSERT_EQ(1u, log.made.size());
    // OnInitDialog's data exchange found it.
    EXPECT_EQ(log.made[0]->window(), dlg.m_browser.m_hWnd);

    std::vector<HWND> children;
    for (HWND c = GetWindow(dlg.m_hWnd, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    const std::vector<HWND> expected = {GetDlgItem(dlg.m_hWnd, IDOK), log.made[0]->window(),
                                        GetDlgItem(dlg.m_hWnd, IDCANCEL)};
    EXPECT_EQ(expected, children);
    EXPECT_EQ(GetNextDlgTabItem(dlg.m_hWnd, GetDlgItem(dlg.m_hWnd, IDOK), FALSE), log.made[0]->window());

    RECT rect{10, 30, 160, 110};
    MapDialogRect(dlg.m_hWnd, &rect);
    EXPECT_EQ(rect.left, log.made[0]->params.rect.left);
    EXPECT_EQ(rect.bottom, log.made[0]->params.rect.bottom);
}

// MoveWindow on the member bound to a control, and keys aimed at it, go to
// the control first; a control that does not take them leaves them to the
// window and the dialog manager.
TEST_F(OccTest, MovesAndKeysOfAControlGoThroughItsSite)
{
    TemplateBuilder t = withControl();
    CEventDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.get()));
    ASSERT_EQ(1u, log.made.size());
    FakeControl* control = log.made[0];
    const HWND hwnd = control->window();

    dlg.m_browser.MoveWindow(20, 25, 100, 50);
    ASSERT_EQ(1u, control->rects.size());
    EXPECT_EQ(20, control->rects[0].left);
    EXPECT_EQ(75, control->rects[0].bottom);
    RECT placed{};
    GetWindowRect(hwnd, &placed);
    MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(20, placed.left) << "a control that leaves moves to its window is moved as a window";

    control->inPlace = true;
    dlg.m_browser.MoveWindow(30, 35, 100, 50);
    GetWindowRect(hwnd, &placed);
    MapWindowPoints(nullptr, dlg.m_hWnd, reinterpret_cast<POINT*>(&placed), 2);
    EXPECT_EQ(20, placed.left) << "an in-place control moves itself";
    EXPECT_EQ(30, control->rects.back().left);

    MSG key{hwnd, WM_KEYDOWN, VK_TAB, 0, 0, {0, 0}};
    EXPECT_TRUE(dlg.PreTranslateMessage(&key));
    MSG elsewhere{GetDlgItem(dlg.m_hWnd, IDOK), WM_KEYDOWN, 'A', 0, 0, {0, 0}};
    dlg.PreTranslateMessage(&elsewhere);
    EXPECT_EQ((std::vector<UINT>{VK_TAB}), control->keys) << "keys for other controls are not offered";
}

TEST_F(OccTest, TheLaunchersOverlayTemplateHandsTheBrowserItsStateRecord)
{
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(102));
    ASSERT_EQ(1u, log.made.size());
    const std::vector<BYTE>& state = log.made[0]->persisted;
    ASSERT_EQ(160u, state.size());
    // The record starts with its own length, then its layout version.
    EXPECT_EQ((std::vector<BYTE>{160, 0, 0, 0, 1, 0}), std::vector<BYTE>(state.begin(), state.begin() + 6));
    EXPECT_EQ(1006u, log.made[0]->params.id);
}

TEST_F(OccTest, DialogInitDataThatEndsEarlyIsReportedOnceAndIgnored)
{
    struct Case {
        const char* name;
        size_t keep;  // bytes of the data kept
        size_t expectedState;
    };
    std::vector<BYTE> init = dialogInit({{kControlId, {1, 2, 3, 4}}, {2000, {5, 6}}});
    const Case cases[] = {
        {"inside the second header", 14, 4},
        {"inside the first entry's bytes", 10, 0},
        {"inside the first header", 5, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TemplateBuilder t = withControl();
        CDialog dlg;
        testing::internal::CaptureStderr();
        ASSERT_TRUE(dlg.CreateIndirect(t.get(), nullptr, init.data(), c.keep));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(c.expectedState, log.made.back()->persisted.size());
        EXPECT_NE(std::string::npos, err.find("ends inside")) << err;
        EXPECT_EQ(err.find("ends inside"), err.rfind("ends inside")) << err;
    }
}

TEST_F(OccTest, AControlThatCannotBeMadeFailsTheDialog)
{
    TemplateBuilder t = withControl();
    log.failNext = true;
    CEventDialog dlg;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dlg.CreateIndirect(t.get()));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("could not be created"));
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(nullptr, dlg.m_pCtrlCont);
    EXPECT_EQ(1, g_sitesDeleted);
}

TEST_F(OccTest, CreateControlBindsTheObjectToANewControl)
{
    TemplateBuilder t(WS_POPUP, 0, 0, 200, 120);
    t.control(_T("Button"), _T("OK"), IDOK, BS_PUSHBUTTON, 10, 10, 40, 14);
    CDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.get()));
    EXPECT_EQ(nullptr, dlg.m_pCtrlCont);

    CWnd control;
    ASSERT_TRUE(control.CreateControl(CLSID_Fake, nullptr, WS_VISIBLE, CRect(5, 6, 105, 56), &dlg, 2000));
    ASSERT_NE(nullptr, dlg.m_pCtrlCont);
    EXPECT_EQ(dlg.m_pCtrlCont->FindItem(2000), control.m_pCtrlSite);
    EXPECT_NE(nullptr, dynamic_cast<CTestSite*>(control.m_pCtrlSite));
    EXPECT_EQ(&control, CWnd::FromHandlePermanent(control.m_hWnd));
    EXPECT_EQ(log.made[0]->window(), control.m_hWnd);
    EXPECT_EQ(nullptr, log.made[0]->params.persisted);

    CWnd unknown;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(unknown.CreateControl(CLSID_Unregistered, nullptr, WS_VISIBLE, CRect(0, 0, 1, 1), &dlg, 2001));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("0x80040154"));
    EXPECT_EQ(nullptr, unknown.m_hWnd);
    EXPECT_EQ(nullptr, unknown.m_pCtrlSite);
}

// ---------------------------------------------------------------------------
// InvokeHelper

class InvokeTest : public OccTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dlg.CreateIndirect(tmpl.get()));
        ASSERT_EQ(1u, log.made.size());
        control = log.made[0];
    }
    TemplateBuilder tmpl = withControl();
    CEventDialog dlg;
    FakeControl* control = nullptr;
};

TEST_F(InvokeTest, AMethodGetsABstrAndVariantPointersInReverseOrder)
{
    static const BYTE params[] = VTS_BSTR VTS_PVARIANT VTS_PVARIANT;
    VARIANT flags{};
    dlg.m_browser.InvokeHelper(104, DISPATCH_METHOD, VT_EMPTY, nullptr, params, _T("http://portal/"), &flags,
                               static_cast<VARIANT*>(nullptr));
    ASSERT_EQ(1u, control->m_dispatch.calls.size());
    const SeenCall& call = control->m_dispatch.calls[0];
    EXPECT_EQ(104, call.dispid);
    EXPECT_EQ(DISPATCH_METHOD, call.flags);
    EXPECT_TRUE(call.named.empty());
    ASSERT_EQ(3u, call.args.size());
    EXPECT_EQ(VT_BSTR, call.args[2].vt);
    EXPECT_EQ("http://portal/", call.args[2].text);
    EXPECT_EQ(VT_VARIANT | VT_BYREF, call.args[1].vt);
    EXPECT_EQ(&flags, call.args[1].pointer);
    EXPECT_EQ(VT_VARIANT | VT_BYREF, call.args[0].vt);
    EXPECT_EQ(nullptr, call.args[0].pointer);
}

TEST_F(InvokeTest, APutPassesItsValueAsThePropertyPutArgument)
{
    static const BYTE params[] = VTS_BOOL;
    dlg.m_browser.InvokeHelper(551, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, TRUE);
    dlg.m_browser.InvokeHelper(551, DISPATCH_PROPERTYPUT, VT_EMPTY, nullptr, params, FALSE);
    ASSERT_EQ(2u, control->m_dispatch.calls.size());
    for (const SeenCall& call : control->m_dispatch.calls) {
        EXPECT_EQ(DISPATCH_PROPERTYPUT, call.flags);
        EXPECT_EQ(std::vector<DISPID>{DISPID_PROPERTYPUT}, call.named);
        ASSERT_EQ(1u, call.args.size());
        EXPECT_EQ(VT_BOOL, call.args[0].vt);
    }
    EXPECT_EQ(VARIANT_TRUE, control->m_dispatch.calls[0].args[0].flag);
    EXPECT_EQ(VARIANT_FALSE, control->m_dispatch.calls[1].args[0].flag);
}

TEST_F(InvokeTest, AGetReturnsAStringAndBoolPointersComeBack)
{
    control->m_dispatch.answer = [](DISPPARAMS* params, VARIANT* result, EXCEPINFO*) {
        if (params->cArgs == 1) *params->rgvarg[0].pboolVal = VARIANT_TRUE;
        if (result) {
            result->vt = VT_BSTR;
            result->bstrVal = SysAllocString(_T("http://portal/vadmo/login?userid=7"));
        }
        return S_OK;
    };
    CString url;
    dlg.m_browser.InvokeHelper(211, DISPATCH_PROPERTYGET, VT_BSTR, &url, nullptr);
    EXPECT_EQ("http://portal/vadmo/login?userid=7", narrow(url.GetString()));

    static const BYTE params[] = VTS_PBOOL;
    BOOL answer = FALSE;
    dlg.m_browser.InvokeHelper(600, DISPATCH_METHOD, VT_EMPTY, nullptr, params, &answer);
    EXPECT_TRUE(answer);
}

TEST_F(InvokeTest, FailuresThrowFrameworkExceptions)
{
    control->m_dispatch.answer = [](DISPPARAMS*, VARIANT*, EXCEPINFO* info) {
        info->bstrDescription = SysAllocString(_T("no such page"));
        return DISP_E_EXCEPTION;
    };
    try {
        dlg.m_browser.InvokeHelper(104, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (COleDispatchException* e) {
        EXPECT_EQ("no such page", narrow(e->m_strDescription.GetString()));
        e->Delete();
    }

    control->m_dispatch.answer = [](DISPPARAMS*, VARIANT*, EXCEPINFO*) { return DISP_E_MEMBERNOTFOUND; };
    try {
        dlg.m_browser.InvokeHelper(999, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (COleException* e) {
        EXPECT_EQ(DISP_E_MEMBERNOTFOUND, e->m_sc);
        e->Delete();
    }

    // A result of another type than asked for.
    control->m_dispatch.answer = [](DISPPARAMS*, VARIANT* result, EXCEPINFO*) {
        result->vt = VT_I4;
        result->lVal = 3;
        return S_OK;
    };
    CString text;
    try {
        dlg.m_browser.InvokeHelper(211, DISPATCH_PROPERTYGET, VT_BSTR, &text, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (COleException* e) {
        EXPECT_EQ(DISP_E_TYPEMISMATCH, e->m_sc);
        e->Delete();
    }

    // A window object bound to no control.
    CWnd plainWnd;
    try {
        plainWnd.InvokeHelper(104, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
        ADD_FAILURE() << "no exception";
    } catch (COleException* e) {
        EXPECT_EQ(E_UNEXPECTED, e->m_sc);
        e->Delete();
    }
}

// ---------------------------------------------------------------------------
// Events

TEST_F(InvokeTest, EventsReachTheFirstMatchingHandlerWithTheirArguments)
{
    BSTR url = SysAllocString(_T("http://portal/start"));
    VARIANT urlValue{};
    urlValue.vt = VT_BSTR;
    urlValue.bstrVal = url;
    VARIANT empty{};
    VARIANT_BOOL cancel = VARIANT_FALSE;
    FakeDispatch frame;
    auto navigate = [&] {
        return EventArgs()
            .dispatch(&frame)
            .variantRef(&urlValue)
            .variantRef(&empty)
            .variantRef(&empty)
            .variantRef(&empty)
            .variantRef(&empty)
            .boolRef(&cancel);
    };
    EXPECT_EQ(S_OK, fire(control, 250, navigate()));
    EXPECT_EQ(VARIANT_FALSE, cancel);
    SysFreeString(url);
    urlValue.bstrVal = url = SysAllocString(_T("block"));
    EXPECT_EQ(S_OK, fire(control, 250, navigate()));
    EXPECT_EQ(VARIANT_TRUE, cancel);  // written back through the BOOL*

    EXPECT_EQ(S_OK, fire(control, 290, EventArgs().dispatch(nullptr)));
    EXPECT_EQ(S_OK, fire(control, 259, EventArgs().dispatch(nullptr).variantRef(&urlValue)));
    BSTR word = SysAllocString(_T("word"));
    EXPECT_EQ(S_OK, fire(control, 300, EventArgs().i4(-12).boolean(VARIANT_TRUE).bstr(word)));
    // No entry: nothing runs and the control is not told of a failure.
    EXPECT_EQ(S_OK, fire(control, 251));

    EXPECT_EQ((std::vector<std::string>{"navigate http://portal/start from object", "navigate block from object",
                                        "script", "base complete block", "values -12 true word"}),
              dlg.calls);
    SysFreeString(url);
    SysFreeString(word);
}

TEST_F(InvokeTest, EventsWithOtherArgumentsThanTheEntryDoNotRunIt)
{
    BSTR word = SysAllocString(_T("word"));
    UINT argError = 99;
    EXPECT_EQ(DISP_E_BADPARAMCOUNT, fire(control, 300, EventArgs().i4(1).boolean(VARIANT_TRUE)));
    // The BOOL (parameter 2 of 3) arrives as a number: index 1 in DISPPARAMS.
    EXPECT_EQ(DISP_E_TYPEMISMATCH, fire(control, 300, EventArgs().i4(1).i4(1).bstr(word), &argError));
    EXPECT_EQ(1u, argError);
    EXPECT_TRUE(dlg.calls.empty());
    SysFreeString(word);
}

TEST_F(InvokeTest, AThrowingHandlerFailsOnlyItsEvent)
{
    for (DISPID dispid : {401, 402}) {
        SCOPED_TRACE(dispid);
        testing::internal::CaptureStderr();
        EXPECT_EQ(DISP_E_EXCEPTION, fire(control, dispid));
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_NE(std::string::npos, err.find("event " + std::to_string(dispid))) << err;
    }
    // The dialog and its control carry on.
    EXPECT_EQ(S_OK, fire(control, 290, EventArgs().dispatch(nullptr)));
    EXPECT_EQ(std::vector<std::string>{"script"}, dlg.calls);
    EXPECT_TRUE(IsWindow(dlg.m_hWnd));
}

// ---------------------------------------------------------------------------
// Teardown

TEST_F(InvokeTest, DestroyingTheDialogClosesEachControlOnceAndUnbindsTheMember)
{
    ASSERT_NE(nullptr, dlg.m_browser.m_pCtrlSite);
    dlg.DestroyWindow();
    EXPECT_EQ(1, log.closes);
    EXPECT_EQ(1, log.deleted);
    EXPECT_EQ(1, g_sitesDeleted);
    EXPECT_EQ(nullptr, dlg.m_pCtrlCont);
    EXPECT_EQ(nullptr, dlg.m_browser.m_pCtrlSite);
    EXPECT_EQ(nullptr, dlg.m_browser.m_hWnd);
}

TEST_F(InvokeTest, AHandlerThatDestroysTheDialogOutlivesTheSiteItRunsIn)
{
    EXPECT_EQ(S_OK, fire(control, 403));
    EXPECT_EQ(std::vector<std::string>{"closing"}, dlg.calls);
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(1, log.closes);
    // The site and the control went once the event had returned.
    EXPECT_EQ(1, g_sitesDeleted);
    EXPECT_EQ(1, log.deleted);
}

TEST_F(OccTest, ADeletedManagerIsNoLongerInstalled)
{
    {
        CTestManager other;
        AfxEnableControlContainer(&other);
        EXPECT_EQ(&other, AfxGetOccManager());
    }
    EXPECT_EQ(nullptr, AfxGetOccManager());
    TemplateBuilder t = withControl();
    CDialog dlg;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(dlg.CreateIndirect(t.get()));
    EXPECT_NE(std::string::npos, testing::internal::GetCapturedStderr().find("no control container"));
    EXPECT_TRUE(log.made.empty());

    // Deleting a manager that is not installed leaves the installed one.
    AfxEnableControlContainer();
    COccManager* installed = AfxGetOccManager();
    ASSERT_NE(nullptr, installed);
    { CTestManager unused; }
    EXPECT_EQ(installed, AfxGetOccManager());
    // The framework's own manager makes the framework's own sites.
    CDialog second;
    ASSERT_TRUE(second.CreateIndirect(t.get()));
    COleControlSite* site = second.m_pCtrlCont->FindItem(kControlId);
    ASSERT_NE(nullptr, site);
    EXPECT_EQ(nullptr, dynamic_cast<CTestSite*>(site));
}

} // namespace
} // namespace afxtest
