// The control-class registry and the WebBrowser control's automation
// members as a container reaches them through IDispatch::Invoke.
#include "BrowserHostFixture.h"

#include "host/ControlClasses.h"
#include "host/DialogManager.h"
#include "host/HostFixture.h"

namespace quarrow::test {
namespace {

constexpr CLSID kOtherClass = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};

// A control of a test class: just a window.
class PlainControl : public HostedControl {
public:
    explicit PlainControl(HWND window) : m_window(window) {}
    HWND window() const override { return m_window; }
    IDispatch* dispatch() override { return nullptr; }
    void close() override
    {
        DestroyWindow(m_window);
        m_window = nullptr;
    }

private:
    HWND m_window;
};

using ControlRegistryTest = BrowserHostTest;

TEST_F(ControlRegistryTest, UnknownClassesAreNotRegisteredAndFactoriesCanFailOrBeReplaced)
{
    HostedControlParams params;
    params.parent = parent;
    HRESULT hr = S_OK;
    EXPECT_EQ(CreateHostedControl(kOtherClass, params, &hr), nullptr);
    EXPECT_EQ(hr, REGDB_E_CLASSNOTREG);

    RegisterHostedControlClass(kOtherClass, [](const HostedControlParams&) { return nullptr; });
    EXPECT_EQ(CreateHostedControl(kOtherClass, params, &hr), nullptr);
    EXPECT_EQ(hr, E_FAIL);

    RegisterHostedControlClass(kOtherClass, [](const HostedControlParams& p) {
        HWND w = CreateWindowExW(0, _T("Static"), _T(""), WS_CHILD, 0, 0, 5, 5, p.parent, nullptr, nullptr, nullptr);
        return std::make_unique<PlainControl>(w);
    });
    auto made = CreateHostedControl(kOtherClass, params, &hr);
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(hr, S_OK);
    EXPECT_EQ(GetParent(made->window()), parent);
    made->close();
}

TEST_F(ControlRegistryTest, EachWindowSystemHasItsOwnRegistryWithTheWebBrowserInIt)
{
    RegisterHostedControlClass(kOtherClass, [](const HostedControlParams&) { return nullptr; });
    {
        MemoryBackend otherScreen;
        Host other(otherScreen);
        EXPECT_FALSE(other.controlClasses().isRegistered(kOtherClass));
        EXPECT_TRUE(other.controlClasses().isRegistered(CLSID_WebBrowser));
    }
    host.activate();
    EXPECT_TRUE(host.controlClasses().isRegistered(kOtherClass));
}

TEST_F(ControlRegistryTest, TheWebBrowserIsAChildWindowAtItsRectangle)
{
    HRESULT hr = E_FAIL;
    control = makeControl(WS_VISIBLE | WS_TABSTOP, &hr);
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(hr, S_OK);
    HWND w = control->window();
    EXPECT_EQ(GetParent(w), parent);
    EXPECT_EQ(GetDlgCtrlID(w), 1006);
    WCHAR name[64] = {};
    GetClassNameW(w, name, 64);
    EXPECT_EQ(std::u16string(name), _T("Shell Embedding"));
    EXPECT_TRUE(IsWindowVisible(w));
    EXPECT_EQ(GetWindowLongW(w, GWL_STYLE) & (WS_CHILD | WS_TABSTOP), WS_CHILD | WS_TABSTOP);
    RECT r{};
    GetWindowRect(w, &r);
    EXPECT_EQ(r.left, kParentX + 10);
    EXPECT_EQ(r.top, kParentY + 10);
    EXPECT_EQ(r.right - r.left, 300);
    EXPECT_EQ(r.bottom - r.top, 200);

    control->close();
    EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(control->window(), nullptr);
    EXPECT_EQ(site.refs, 0);
    EXPECT_EQ(sink.refs, 0);
}

TEST_F(ControlRegistryTest, WithoutAnEngineFactoryEveryAddressShowsNotFound)
{
    host.setBrowserEngineFactory({});
    control = makeControl();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(navigate(_T("http://nowhere.example/")), S_OK);
    host.pump();
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{"BeforeNavigate2 top http://nowhere.example/",
                                                      "DocumentComplete top http://nowhere.example/"}));
    EXPECT_EQ(locationUrl(), _T("http://nowhere.example/"));
    EXPECT_TRUE(web.engines().empty());
}

TEST_F(ControlRegistryTest, TheDialogControlMakerMakesTemplateControlsOfNoWindowClass)
{
    std::vector<DWORD> made;
    SetDialogControlMaker([&](HWND dialog, const DialogTemplate::Item& item, const RECT& rect, HFONT) {
        made.push_back(item.id);
        return CreateWindowExW(0, _T("Static"), _T(""), WS_CHILD, rect.left, rect.top, rect.right - rect.left,
                               rect.bottom - rect.top, dialog, reinterpret_cast<HMENU>(UINT_PTR{item.id}), nullptr,
                               nullptr);
    });
    TemplateBuilder t(WS_POPUP, 0, 0, 200, 100);
    t.control(_T("{8856F961-340A-11D0-A96B-00C04FD705A2}"), _T(""), 1006, 0, 5, 5, 100, 50);
    HWND dialog = CreateDialogIndirectParamW(nullptr, t.get(), nullptr, nullptr, 0);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(made, std::vector<DWORD>{1006});
    EXPECT_NE(GetDlgItem(dialog, 1006), nullptr);
    DestroyWindow(dialog);
}

// ---------------------------------------------------------------------------
// Automation

using AutomationTest = BrowserHostTest;

TEST_F(AutomationTest, NavigateLoadsFromTheQueueAndLocationUrlShowsTheWholeAddress)
{
    ScriptedEngine& engine = open();
    EXPECT_EQ(locationUrl(), _T(""));
    EXPECT_EQ(navigate(_T("http://portal.example/login?from=launcher&x=1")), S_OK);
    EXPECT_TRUE(engine.loading());
    EXPECT_EQ(locationUrl(), _T(""));
    host.pump();
    EXPECT_EQ(locationUrl(), _T("http://portal.example/login?from=launcher&x=1"));
}

TEST_F(AutomationTest, SilentIsFalseUntilPutAndReadsBack)
{
    ScriptedEngine& engine = open();
    auto getSilent = [&] {
        VARIANT result;
        VariantInit(&result);
        DISPPARAMS none{nullptr, nullptr, 0, 0};
        EXPECT_EQ(S_OK, browser()->Invoke(WebBrowserControl::kSilent, IID_NULL, 0, DISPATCH_PROPERTYGET, &none,
                                          &result, nullptr, nullptr));
        EXPECT_EQ(result.vt, VT_BOOL);
        return result.boolVal;
    };
    EXPECT_EQ(getSilent(), VARIANT_FALSE);
    EXPECT_EQ(putSilent(true), S_OK);
    EXPECT_TRUE(engine.silent());
    EXPECT_EQ(getSilent(), VARIANT_TRUE);
    EXPECT_EQ(putSilent(false), S_OK);
    EXPECT_FALSE(engine.silent());
}

TEST_F(AutomationTest, NamesMapToTheirDispatchIds)
{
    open();
    LPOLESTR names[] = {const_cast<LPOLESTR>(_T("navigate")), const_cast<LPOLESTR>(_T("LocationURL")),
                        const_cast<LPOLESTR>(_T("Silent")), const_cast<LPOLESTR>(_T("GoHome"))};
    DISPID ids[4] = {};
    EXPECT_EQ(browser()->GetIDsOfNames(IID_NULL, names, 4, 0, ids), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(ids[0], 104);
    EXPECT_EQ(ids[1], 211);
    EXPECT_EQ(ids[2], 551);
    EXPECT_EQ(ids[3], DISPID_UNKNOWN);
}

// A call that must fail, and leave nothing loading.
struct BadCall {
    const char* name;
    DISPID id;
    WORD flags;
    std::vector<VARTYPE> args; // in DISPPARAMS order (last argument first)
    bool putNamed;
    HRESULT expected;
    UINT argErr; // checked when the result is DISP_E_TYPEMISMATCH
    bool otherInterface = false;
};

class AutomationFailures : public BrowserHostTest, public ::testing::WithParamInterface<BadCall> {};

TEST_P(AutomationFailures, AreReportedAndChangeNothing)
{
    const BadCall& c = GetParam();
    ScriptedEngine& engine = open();
    std::vector<VARIANT> args(c.args.size());
    for (size_t i = 0; i < args.size(); ++i) {
        VariantInit(&args[i]);
        args[i].vt = c.args[i];
        if (c.args[i] == VT_BSTR) args[i].bstrVal = SysAllocString(i + 1 == args.size() ? _T("http://a.example/") : _T(""));
        if (c.args[i] == (VT_BYREF | VT_VARIANT)) args[i].pvarVal = nullptr;
    }
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{args.data(), c.putNamed ? &named : nullptr, static_cast<UINT>(args.size()),
                      c.putNamed ? 1u : 0u};
    VARIANT result;
    VariantInit(&result);
    UINT argErr = 99;
    const HRESULT hr = browser()->Invoke(c.id, c.otherInterface ? IID_IDispatch : IID_NULL, 0, c.flags, &params,
                                         &result, nullptr, &argErr);
    EXPECT_EQ(hr, c.expected);
    if (c.expected == DISP_E_TYPEMISMATCH) {
        EXPECT_EQ(argErr, c.argErr);
    }
    EXPECT_EQ(result.vt, VT_EMPTY);
    EXPECT_FALSE(engine.loading());
    EXPECT_FALSE(engine.silent());
    for (VARIANT& v : args) VariantClear(&v);
}

constexpr VARTYPE kRef = VT_BYREF | VT_VARIANT;

INSTANTIATE_TEST_SUITE_P(
    WrongArguments, AutomationFailures,
    ::testing::Values(
        BadCall{"NavigateWithoutArguments", 104, DISPATCH_METHOD, {}, false, DISP_E_BADPARAMCOUNT, 0},
        BadCall{"NavigateWithSixArguments", 104, DISPATCH_METHOD, {kRef, kRef, kRef, kRef, kRef, VT_BSTR}, false,
                DISP_E_BADPARAMCOUNT, 0},
        BadCall{"NavigateToANumber", 104, DISPATCH_METHOD, {kRef, kRef, kRef, kRef, VT_I4}, false,
                DISP_E_TYPEMISMATCH, 4},
        BadCall{"NavigateWithANumberForFlags", 104, DISPATCH_METHOD, {kRef, kRef, kRef, VT_I4, VT_BSTR}, false,
                DISP_E_TYPEMISMATCH, 3},
        BadCall{"NavigateAsAProperty", 104, DISPATCH_PROPERTYGET, {VT_BSTR}, false, DISP_E_MEMBERNOTFOUND, 0},
        BadCall{"NavigateWithANamedArgument", 104, DISPATCH_METHOD, {VT_BSTR}, true, HRESULT(0x80020007L), 0},
        BadCall{"SilentPutWithoutItsNamedArgument", 551, DISPATCH_PROPERTYPUT, {VT_BOOL}, false,
                DISP_E_PARAMNOTFOUND, 0},
        BadCall{"SilentPutAString", 551, DISPATCH_PROPERTYPUT, {VT_BSTR}, true, DISP_E_TYPEMISMATCH, 0},
        BadCall{"SilentCalledAsAMethod", 551, DISPATCH_METHOD, {}, false, DISP_E_MEMBERNOTFOUND, 0},
        BadCall{"LocationUrlPut", 211, DISPATCH_PROPERTYPUT, {VT_BSTR}, true, DISP_E_MEMBERNOTFOUND, 0},
        BadCall{"LocationUrlWithAnArgument", 211, DISPATCH_PROPERTYGET, {VT_I4}, false, DISP_E_BADPARAMCOUNT, 0},
        BadCall{"UnknownMember", 300, DISPATCH_METHOD, {}, false, DISP_E_MEMBERNOTFOUND, 0},
        BadCall{"AnInterfaceOtherThanNull", 104, DISPATCH_METHOD, {VT_BSTR}, false, DISP_E_UNKNOWNINTERFACE, 0,
                true}),
    [](const ::testing::TestParamInfo<BadCall>& info) { return std::string(info.param.name); });

TEST_F(AutomationTest, NavigateTakesTheAddressAloneOrWithMissingOptionalArguments)
{
    ScriptedEngine& engine = open();
    VARIANT args[5];
    for (VARIANT& v : args) {
        VariantInit(&v);
        v.vt = VT_ERROR;
        v.scode = DISP_E_PARAMNOTFOUND;
    }
    args[0].vt = VT_EMPTY;
    args[4].vt = VT_BSTR;
    args[4].bstrVal = SysAllocString(_T("http://a.example/"));
    DISPPARAMS all{args, nullptr, 5, 0};
    EXPECT_EQ(browser()->Invoke(104, IID_NULL, 0, DISPATCH_METHOD, &all, nullptr, nullptr, nullptr), S_OK);
    DISPPARAMS alone{&args[4], nullptr, 1, 0};
    EXPECT_EQ(browser()->Invoke(104, IID_NULL, 0, DISPATCH_METHOD, &alone, nullptr, nullptr, nullptr), S_OK);
    EXPECT_TRUE(engine.loading());
    SysFreeString(args[4].bstrVal);
    // An empty address is refused rather than loaded.
    EXPECT_EQ(navigate(_T("")), E_INVALIDARG);
}

TEST_F(AutomationTest, AReferenceKeptPastCloseGetsUnexpected)
{
    open();
    IDispatch* kept = browser();
    kept->AddRef();
    control->close();
    control.reset();
    DISPPARAMS none{nullptr, nullptr, 0, 0};
    VARIANT result;
    VariantInit(&result);
    EXPECT_EQ(kept->Invoke(211, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, &result, nullptr, nullptr), E_UNEXPECTED);
    kept->Release();
}

} // namespace
} // namespace quarrow::test
