// The document host's answers obeyed: host-info flags in the painting,
// the context menu, accelerators and keys, window.external, and script
// alerts with Silent off and on.
#include "BrowserHostFixture.h"

#include "host/DialogManager.h"

namespace quarrow::test {
namespace {

constexpr const char16_t* kTall = _T("http://portal.example/tall");

class DocumentHostTest : public BrowserHostTest {
protected:
    DocumentHostTest()
    {
        ScriptedPage& page = web.add(kTall);
        page.height = 1000; // taller than the 200-pixel control
    }
    ScriptedEngine& load(const std::u16string& url = kTall)
    {
        ScriptedEngine& engine = open();
        navigate(url);
        host.pump();
        return engine;
    }
    COLORREF at(int x, int y) const
    {
        const POINT p = onScreen(x, y);
        return screen.pixel(p.x, p.y);
    }
};

struct PaintCase {
    const char* name;
    DWORD flags;
    bool border;
    bool scrollBar;
};

class PaintedFlags : public DocumentHostTest, public ::testing::WithParamInterface<PaintCase> {};

TEST_P(PaintedFlags, DecideTheBorderAndTheScrollBar)
{
    const PaintCase& c = GetParam();
    site.flags = c.flags;
    ScriptedEngine& engine = load();
    EXPECT_EQ(engine.hostInfoFlagsSeen(), std::vector<DWORD>{c.flags});
    const COLORREF white = RGB(255, 255, 255);
    const int w = 300, h = 200, middle = 150;
    // The sunken edge: shadows at the top left, highlight along the bottom.
    EXPECT_EQ(at(0, 0), c.border ? GetSysColor(COLOR_BTNSHADOW) : white);
    EXPECT_EQ(at(1, 1), c.border ? GetSysColor(COLOR_3DDKSHADOW) : white);
    EXPECT_EQ(at(w / 2, h - 1), c.border ? GetSysColor(COLOR_BTNHIGHLIGHT) : white);
    // The scroll bar strip runs down the right side, inside the border.
    const int inset = c.border ? 2 : 0;
    const int strip = GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(at(w - inset - strip / 2, middle), c.scrollBar ? GetSysColor(COLOR_SCROLLBAR) : white);
    EXPECT_EQ(at(w - inset - strip - 1, middle), white);
    // Outside the control the parent shows.
    EXPECT_EQ(at(-1, middle), GetSysColor(COLOR_BTNFACE));
}

INSTANTIATE_TEST_SUITE_P(
    HostInfo, PaintedFlags,
    ::testing::Values(PaintCase{"Defaults", 0, true, true},
                      PaintCase{"NoBorder", DOCHOSTUIFLAG_NO3DBORDER, false, true},
                      PaintCase{"NoScrollBars", DOCHOSTUIFLAG_SCROLL_NO, true, false},
                      PaintCase{"AsTheLauncherAsks", DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO, false, false}),
    [](const ::testing::TestParamInfo<PaintCase>& info) { return std::string(info.param.name); });

TEST_F(DocumentHostTest, HostInfoIsAskedWithItsSizeSetAndNoFlagsAtEachLoad)
{
    ScriptedEngine& engine = load();
    navigate(kTall);
    host.pump();
    EXPECT_EQ(engine.hostInfoFlagsSeen().size(), 2u);
    ASSERT_FALSE(site.hostInfoAsked.empty());
    for (const DOCHOSTUIINFO& info : site.hostInfoAsked) {
        EXPECT_EQ(info.cbSize, sizeof(DOCHOSTUIINFO));
        EXPECT_EQ(info.dwFlags, 0u);
    }
}

TEST_F(DocumentHostTest, AShortPageHasNoScrollBarEvenByDefault)
{
    site.flags = 0;
    web.add(_T("http://portal.example/short")).height = 100;
    load(_T("http://portal.example/short"));
    EXPECT_EQ(at(300 - 2 - 8, 150), RGB(255, 255, 255));
}

struct MenuCase {
    const char* name;
    bool docHost;
    HRESULT answer;
    bool shown;
};

class ContextMenu : public DocumentHostTest, public ::testing::WithParamInterface<MenuCase> {};

TEST_P(ContextMenu, IsShownOnlyWhenTheHostDoesNotClaimIt)
{
    const MenuCase& c = GetParam();
    site.hasDocHost = c.docHost;
    site.menuAnswer = c.answer;
    ScriptedEngine& engine = load();
    EXPECT_EQ(engine.contextMenu(POINT{20, 30}), c.shown);
    // A real right click reaches the page too.
    const POINT p = onScreen(50, 60);
    screen.click(p.x, p.y, InputEvent::Right);
    host.pump();
    ASSERT_EQ(engine.menuRequests().size(), 2u);
    EXPECT_EQ(engine.menusShown(), c.shown ? 2u : 0u);
    EXPECT_EQ(engine.menuRequests()[0].screen.x, onScreen(20, 30).x);
    EXPECT_EQ(engine.menuRequests()[1].screen.y, p.y);
    if (c.docHost) {
        ASSERT_EQ(site.menusAsked.size(), 2u);
        EXPECT_EQ(site.menusAsked[0].y, onScreen(20, 30).y);
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, ContextMenu,
                         ::testing::Values(MenuCase{"Claimed", true, S_OK, false},
                                           MenuCase{"NotClaimed", true, S_FALSE, true},
                                           MenuCase{"Failed", true, E_NOTIMPL, true},
                                           MenuCase{"NoDocumentHost", false, S_OK, true}),
                         [](const ::testing::TestParamInfo<MenuCase>& info) { return std::string(info.param.name); });

TEST_F(DocumentHostTest, KeysGoToTheHostFirstAndToThePageUnlessConsumed)
{
    site.consumes = [](const MSG& m) { return m.message == WM_KEYDOWN && m.wParam == VK_ESCAPE; };
    ScriptedEngine& engine = load();
    // A click in the page gives it the focus; keys then reach its window.
    const POINT p = onScreen(100, 100);
    screen.click(p.x, p.y);
    host.pump();
    EXPECT_EQ(GetFocus(), control->window());
    screen.pressKey(VK_RETURN, _T('\r'));
    screen.pressKey(VK_ESCAPE);
    host.pump();
    EXPECT_TRUE(site.offered(WM_KEYDOWN, VK_RETURN));
    EXPECT_TRUE(site.offered(WM_KEYDOWN, VK_ESCAPE));
    EXPECT_TRUE(engine.received(VK_RETURN));
    EXPECT_FALSE(engine.received(VK_ESCAPE));

    // The same through the engine's own view of a key.
    EXPECT_TRUE(engine.typeKey('A'));
    EXPECT_FALSE(engine.typeKey(VK_ESCAPE));
    ASSERT_EQ(engine.acceleratorOffers().size(), 2u);
    EXPECT_FALSE(engine.acceleratorOffers()[0].consumed);
    EXPECT_TRUE(engine.acceleratorOffers()[1].consumed);
    EXPECT_TRUE(engine.received('A'));
}

TEST_F(DocumentHostTest, ScriptReadsWindowExternalThroughNameLookupAndAPropertyRead)
{
    ScriptedEngine& engine = load();
    VARIANT value;
    EXPECT_EQ(engine.readExternal(_T("xxyyzz"), &value), S_OK);
    ASSERT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(std::u16string(value.bstrVal), _T("Wibble"));
    VariantClear(&value);
    EXPECT_EQ(external.lookupLocales, std::vector<LCID>{LOCALE_USER_DEFAULT});
    EXPECT_EQ(external.invokeFlags, std::vector<WORD>{DISPATCH_PROPERTYGET | DISPATCH_METHOD});

    EXPECT_EQ(engine.readExternal(_T("other"), &value), DISP_E_UNKNOWNNAME);
    EXPECT_EQ(value.vt, VT_EMPTY);
    EXPECT_EQ(external.refs, 0) << "every reference GetExternal gave is released";

    site.external = nullptr;
    EXPECT_EQ(engine.readExternal(_T("xxyyzz"), &value), DISP_E_UNKNOWNNAME);
}

TEST_F(DocumentHostTest, AnAlertShowsABoxOwnedByTheTopLevelWindowUnlessSilent)
{
    ScriptedEngine& engine = load();
    ASSERT_EQ(putSilent(false), S_OK);
    DialogManager::MessageBoxInfo seen;
    screen.whenIdle([&] {
        ASSERT_EQ(host.dialogs().openMessageBoxes().size(), 1u);
        seen = host.dialogs().openMessageBoxes().back();
        screen.clickControl(seen.window, IDOK);
    });
    EXPECT_TRUE(engine.alert(_T("Session expired")));
    EXPECT_EQ(seen.owner, parent);
    EXPECT_EQ(seen.text, _T("Session expired"));

    ASSERT_EQ(putSilent(true), S_OK);
    EXPECT_FALSE(engine.alert(_T("Session expired")));
    EXPECT_TRUE(host.dialogs().openMessageBoxes().empty());
    EXPECT_EQ(screen.pendingIdleActions(), 0u);
}

// ---------------------------------------------------------------------------
// Page actions

TEST_F(DocumentHostTest, LinksAndFormsNavigateThroughTheQueue)
{
    ScriptedPage& page = web.add(kTall);
    page.links = {_T("http://portal.example/guide")};
    page.forms = {{_T("http://portal.example/vadmo/login?old=1#top"), {{_T("user"), _T("")}, {_T("note"), _T("")}}}};
    ScriptedEngine& engine = load();

    EXPECT_TRUE(engine.clickLink(0));
    EXPECT_FALSE(engine.clickLink(1));
    EXPECT_EQ(locationUrl(), kTall);
    host.pump();
    EXPECT_EQ(locationUrl(), _T("http://portal.example/guide"));
    EXPECT_EQ(engine.page()->title, ScriptedEngine::kNotFoundTitle);

    navigate(kTall);
    host.pump();
    EXPECT_TRUE(engine.fillField(0, _T("user"), _T("李 a+b")));
    EXPECT_TRUE(engine.fillField(0, _T("note"), _T("x&y=z~\U0001F600")));
    EXPECT_FALSE(engine.fillField(0, _T("missing"), _T("v")));
    EXPECT_TRUE(engine.submitForm(0));
    host.pump();
    EXPECT_EQ(locationUrl(),
              _T("http://portal.example/vadmo/login?user=%E6%9D%8E+a%2Bb&note=x%26y%3Dz%7E%F0%9F%98%80#top"));
    EXPECT_EQ(sink.events[sink.events.size() - 2].url, locationUrl());
}

} // namespace
} // namespace quarrow::test
