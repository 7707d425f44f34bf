// The WebKitGTK engine over a real control window on a real X server:
// the events of a page with a frame (from an address on loopback, and
// from an ordinary address reached through a proxy, as the portal is),
// window.external in the top frame and in a frame, the document host's
// answers (scroll bars, frame borders, context menu), keys that reach the
// page only through key(), the view following its window, silent mode,
// and no WebKit process left once the session has gone.
#include "WebKitFixture.h"

#include <gtk/gtk.h>
#include <webkit2/webkit2.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

namespace quarrow::test {
namespace {

using Kind = EngineEvent::Kind;

// ---------------------------------------------------------------------------
// Events

enum class Origin { Loopback, Proxied };

class WebKitEventsTest : public WebKitTest, public ::testing::WithParamInterface<Origin> {
protected:
    std::string root()
    {
        if (GetParam() == Origin::Loopback) return portal.loopbackRoot();
        useProxy();
        return "http://portal.test/";
    }
};

TEST_P(WebKitEventsTest, FramesNavigateAndCompleteBeforeTheTopDocumentCompletes)
{
    const std::string base = root();
    const std::u16string top = wide(base + "index.html"), inner = wide(base + "inner.html");
    ASSERT_TRUE(load(base + "index.html"));
    ASSERT_TRUE(runUntil([&] { return site.has(Kind::DocumentComplete, top, _T("")); }));

    const long navigateTop = site.indexOf(Kind::BeforeNavigate, top, _T(""));
    const long navigateFrame = site.indexOf(Kind::BeforeNavigate, inner, _T("side"));
    const long completeFrame = site.indexOf(Kind::DocumentComplete, inner, _T("side"));
    const long completeTop = site.indexOf(Kind::DocumentComplete, top, _T(""));
    ASSERT_GE(navigateTop, 0);
    ASSERT_GE(navigateFrame, 0) << "the frame's navigation is not named";
    ASSERT_GE(completeFrame, 0);
    EXPECT_LT(navigateTop, navigateFrame);
    EXPECT_LT(navigateFrame, completeFrame);
    EXPECT_LT(completeFrame, completeTop);
    // No frame's navigation passes for the top frame's.
    for (const EngineEvent& e : site.events) {
        if (e.kind == Kind::BeforeNavigate && e.frame.empty()) {
            EXPECT_EQ(e.url, top);
        }
    }
    // One document's scripts start in each frame, before its load ends.
    int scripts = 0;
    for (long i = navigateTop; i < completeTop; ++i) scripts += site.events[size_t(i)].kind == Kind::BeforeScriptExecute;
    EXPECT_EQ(scripts, 2);
    EXPECT_EQ(engine->location(), top);
}

TEST_P(WebKitEventsTest, ARedirectOfTheTopFrameIsATopFrameNavigationToo)
{
    const std::string base = root();
    portal.addRedirect("login", base + "inner.html?userid=7");
    ASSERT_TRUE(load(base + "login"));
    const std::u16string target = wide(base + "inner.html?userid=7");
    EXPECT_TRUE(site.has(Kind::BeforeNavigate, wide(base + "login"), _T("")));
    EXPECT_TRUE(site.has(Kind::BeforeNavigate, target, _T("")));
    EXPECT_TRUE(site.has(Kind::DocumentComplete, target, _T("")));
}

TEST_P(WebKitEventsTest, LeavingAPageWithFramesIsTheTopFramesNavigation)
{
    // Leaving the page, its frames are left too (and hear beforeunload):
    // none of them is the one that navigates.
    const std::string base = root();
    ASSERT_TRUE(load(base + "index.html"));
    const std::u16string next = wide(base + "inner.html?next");
    js("location.href = 'inner.html?next'");
    ASSERT_TRUE(runUntil([&] { return site.has(Kind::DocumentComplete, next, _T("")); }));
    EXPECT_TRUE(site.has(Kind::BeforeNavigate, next, _T("")));
    EXPECT_FALSE(site.has(Kind::BeforeNavigate, next, _T("side")));
}

TEST_P(WebKitEventsTest, AFrameThatNavigatesOnItsOwnIsNamed)
{
    const std::string base = root();
    ASSERT_TRUE(load(base + "index.html"));
    const std::u16string again = wide(base + "inner.html?again");
    js("frames.side.location.href = 'inner.html?again'");
    ASSERT_TRUE(runUntil([&] { return site.has(Kind::DocumentComplete, again, _T("side")); }));
    EXPECT_TRUE(site.has(Kind::BeforeNavigate, again, _T("side")));
    EXPECT_FALSE(site.has(Kind::BeforeNavigate, again, _T("")));
}

INSTANTIATE_TEST_SUITE_P(Origins, WebKitEventsTest, ::testing::Values(Origin::Loopback, Origin::Proxied),
                         [](const auto& info) { return info.param == Origin::Loopback ? "Loopback" : "Proxied"; });

using WebKitEngineTest = WebKitTest;

TEST_F(WebKitEngineTest, NavigatingFromInsideAnEventStartsTheNextLoadAndClosingStopsAllEvents)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "index.html"));
    const std::u16string next = wide(portal.loopbackRoot() + "inner.html");
    ASSERT_TRUE(load(portal.loopbackRoot() + "inner.html"));
    EXPECT_TRUE(site.has(Kind::BeforeNavigate, next, _T("")));
    EXPECT_EQ(engine->location(), next);

    engine->close();
    EXPECT_EQ(engine->view(), nullptr);
    const size_t seen = site.events.size();
    engine->navigate(wide(portal.loopbackRoot() + "index.html"));
    // Whatever was still on its way from the web process is done once the
    // session has no page left to give it to.
    runUntil([] { return false; }, 500);
    EXPECT_EQ(site.events.size(), seen);
    EXPECT_EQ(engine->location(), _T(""));
}

TEST_F(WebKitEngineTest, ANavigationToAnotherSiteKeepsItsEventsAndItsExternalObject)
{
    // WebKit may give another site a web process of its own; the page is
    // still the engine's.
    ASSERT_TRUE(load(portal.loopbackRoot() + "index.html"));
    const std::string other = "http://localhost:" + std::to_string(portal.port()) + "/inner.html";
    ASSERT_TRUE(load(other));
    EXPECT_TRUE(site.has(Kind::BeforeNavigate, wide(other), _T("")));
    EXPECT_EQ(js("window.external.xxyyzz"), "Wibble");
}

TEST_F(WebKitEngineTest, ACookieAPageSetsGoesWithTheFormItSubmitsForTheRestOfTheSession)
{
    // What a login page does: set a cookie from script, then submit a form;
    // the next page of the same session sees the cookie.
    portal.addPage("form.html", R"(<!DOCTYPE html>
<html><body><form id="login" action="inner.html" method="get"><input name="userid" value="7"></form>
<script>document.cookie = "session=abc; path=/";</script></body></html>)");
    ASSERT_TRUE(load(portal.loopbackRoot() + "form.html"));
    EXPECT_EQ(js("document.cookie"), "session=abc");
    js("document.getElementById('login').submit(), 'sent'");
    EXPECT_EQ(waitForJs("location.search", "?userid=7"), "?userid=7");
    EXPECT_EQ(js("document.cookie"), "session=abc");
    EXPECT_TRUE(site.has(Kind::BeforeNavigate, wide(portal.loopbackRoot() + "inner.html?userid=7"), _T("")));
}

// ---------------------------------------------------------------------------
// window.external

TEST_F(WebKitEngineTest, PageScriptReadsTheExternalObjectInTheTopFrameAndInAFrame)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "index.html"));
    const struct {
        const char* script;
        const char* value;
    } cases[] = {
        {"window.external.xxyyzz", "Wibble"},
        {"window.external.xxyq", "Wibble"},
        {"typeof window.external.nothing", "undefined"},
        // a name the object knows whose value is no string
        {"typeof window.external.count", "undefined"},
        {"frames.side.external.xxyyzz", "Wibble"},
        {"frames.side.external.xxyq", "Wibble"},
        {"typeof frames.side.external.nothing", "undefined"},
        // the object's own JS members stay
        {"String(window.external)", "[object External]"},
    };
    for (const auto& c : cases) EXPECT_EQ(js(c.script), c.value) << c.script;
    EXPECT_EQ(std::count(site.external.asked.begin(), site.external.asked.end(), _T("xxyyzz")), 2);
    // Every reference the engine took was given back.
    EXPECT_EQ(site.external.refs, 0u);
}

// ---------------------------------------------------------------------------
// The document host's answers

class WebKitHostFlagsTest : public WebKitTest, public ::testing::WithParamInterface<DWORD> {};

TEST_P(WebKitHostFlagsTest, ScrollBarsAndFrameBordersFollowTheHostFlags)
{
    site.flags = GetParam();
    ASSERT_TRUE(load(portal.loopbackRoot() + "index.html"));
    ASSERT_EQ(js("document.documentElement.scrollHeight > window.innerHeight"), "true");
    const bool scrollBar = !(GetParam() & 0x8);
    EXPECT_EQ(js("window.innerWidth == document.documentElement.clientWidth"), scrollBar ? "false" : "true");
    const bool border = !(GetParam() & 0x4);
    EXPECT_EQ(js("getComputedStyle(document.querySelector('iframe')).borderTopStyle"), border ? "inset" : "none");
}

INSTANTIATE_TEST_SUITE_P(Flags, WebKitHostFlagsTest, ::testing::Values(DWORD(0x0C), DWORD(0x08), DWORD(0x04), DWORD(0)));

// The popup windows (menus) mapped on the screen now.
int mappedPopups(ScreenProbe& probe)
{
    probe.sync();
    ::Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    int popups = 0;
    if (!XQueryTree(probe.display(), probe.root(), &root, &parent, &children, &count)) return 0;
    for (unsigned i = 0; i < count; ++i) {
        XWindowAttributes a;
        if (XGetWindowAttributes(probe.display(), children[i], &a) && a.override_redirect &&
            a.map_state == IsViewable) {
            ++popups;
        }
    }
    if (children) XFree(children);
    return popups;
}

class WebKitContextMenuTest : public WebKitTest, public ::testing::WithParamInterface<bool> {};

TEST_P(WebKitContextMenuTest, ARightClickOpensAMenuOnlyWhenTheHostDoesNotClaimIt)
{
    site.claimMenu = GetParam();
    ASSERT_TRUE(load(portal.loopbackRoot() + "index.html"));
    ASSERT_EQ(mappedPopups(*probe), 0);
    const POINT at{kFrame.left + kControl.left + 300, kFrame.top + kControl.top + 250};
    probe->click(at.x, at.y, 3);
    ASSERT_TRUE(runUntil([&] { return !site.menus.empty(); }));
    EXPECT_EQ(site.menus[0].id, 0u); // over the page's plain content
    EXPECT_EQ(site.menus[0].screen.x, at.x);
    EXPECT_EQ(site.menus[0].screen.y, at.y);
    if (site.claimMenu) {
        // A menu WebKit shows maps as soon as the signal has returned.
        gdk_display_sync(backend->display());
        host->pump();
        EXPECT_EQ(mappedPopups(*probe), 0);
    } else {
        EXPECT_TRUE(runUntil([&] { return mappedPopups(*probe) > 0; }));
        probe->tap(XK_Escape);
    }
}

INSTANTIATE_TEST_SUITE_P(Claimed, WebKitContextMenuTest, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Claimed" : "NotClaimed"; });

// ---------------------------------------------------------------------------
// Keys and focus

class WebKitKeysTest : public WebKitTest {
protected:
    void addPages() override
    {
        portal.addPage("keys.html", R"(<!DOCTYPE html>
<html><body style="margin: 0">
<input id="field" style="position: absolute; left: 0; top: 0; width: 200px; height: 30px">
<script>
window.keys = [];
document.addEventListener('keydown', function (e) { keys.push(e.key); });
</script></body></html>)");
    }

    // Taps a key and runs until the control's window has seen it go up.
    void tap(unsigned long keysym, UINT virtualKey)
    {
        const int ups = upsOf(virtualKey);
        probe->tap(keysym);
        ASSERT_TRUE(runUntil([&] { return upsOf(virtualKey) > ups; }));
    }
    int upsOf(UINT virtualKey) const
    {
        int n = 0;
        for (const Received& m : recorder.log) n += m.hwnd == site.control && m.message == WM_KEYUP && m.wParam == virtualKey;
        return n;
    }
};

TEST_F(WebKitKeysTest, KeysReachThePageOnlyThroughTheControlAndUnwantedOnesComeBackNever)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "keys.html"));
    ASSERT_TRUE(runUntil([&] { return probe->inputFocus() == xid(frame); }));
    ASSERT_NE(GetFocus(), site.control);
    // A click into the page gives the control's window the focus.
    probe->click(kFrame.left + kControl.left + 50, kFrame.top + kControl.top + 15);
    ASSERT_TRUE(runUntil([&] { return GetFocus() == site.control; }));
    EXPECT_EQ(waitForJs("document.activeElement.id", "field"), "field");

    forwardKeys = false;
    tap(XK_b, 'B');
    forwardKeys = true;
    tap(XK_a, 'A');
    tap(XK_Return, VK_RETURN);
    // The page takes one key at a time, in order: once Enter is there, b
    // would have been before it.
    EXPECT_EQ(waitForJs("keys.join(',')", "a,Enter"), "a,Enter");
    EXPECT_EQ(js("document.getElementById('field').value"), "a");

    // The page does not want F2; WebKit hands it back to GTK, and it must
    // not come round to the window system a second time.
    recorder.log.clear();
    tap(XK_F2, VK_F2);
    EXPECT_EQ(waitForJs("keys.join(',')", "a,Enter,F2"), "a,Enter,F2");
    host->pump();
    EXPECT_EQ(recorder.count(site.control, WM_KEYDOWN), 1);
}

// ---------------------------------------------------------------------------
// The view and its window

class WebKitPlacementTest : public WebKitTest {
protected:
    void addPages() override { portal.addPage("green.html", "<html><body style='background: #00c800'></body></html>"); }
    static constexpr COLORREF kGreen = RGB(0, 200, 0);
    static constexpr COLORREF kWhite = RGB(255, 255, 255); // the windows' own background
};

TEST_F(WebKitPlacementTest, TheViewFollowsItsWindowAndWaitsForItsTopLevelWindowToShow)
{
    // A control whose top-level window is not shown yet, as the launcher's
    // browser is while its dialog initialises.
    engine.reset();
    const HWND hidden = popup({1000, 100, 1500, 500}, 0, nullptr, 0);
    site.control = CreateWindowExW(0, _T("Recording"), _T(""), WS_CHILD | WS_VISIBLE, 10, 10, 200, 150, hidden, nullptr,
                                   nullptr, nullptr);
    makeEngine();
    engine->windowChanged();
    ASSERT_TRUE(load(portal.loopbackRoot() + "green.html"));

    ShowWindow(hidden, SW_SHOW);
    EXPECT_EQ(waitForPixel(1000 + 10 + 100, 100 + 10 + 75, kGreen), kGreen);

    MoveWindow(site.control, 250, 200, 200, 150, TRUE);
    engine->windowChanged();
    EXPECT_EQ(waitForPixel(1000 + 250 + 100, 100 + 200 + 75, kGreen), kGreen);
    EXPECT_EQ(waitForPixel(1000 + 10 + 20, 100 + 10 + 20, kWhite), kWhite);

    ShowWindow(site.control, SW_HIDE);
    engine->windowChanged();
    EXPECT_EQ(waitForPixel(1000 + 250 + 100, 100 + 200 + 75, kWhite), kWhite);
}

TEST_F(WebKitEngineTest, SilentSuppressesTheScriptDialogs)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "inner.html"));
    engine->setSilent(true);
    EXPECT_EQ(js("alert('hello'); confirm('sure?') ? 'confirmed' : 'declined'"), "declined");
}

TEST_F(WebKitEngineTest, NoWebKitProcessOutlivesTheSession)
{
    ASSERT_TRUE(load(portal.loopbackRoot() + "index.html"));
    EXPECT_FALSE(webkitChildren().empty());
    EXPECT_GE(session->extensionConnections(), 1u);
    engine.reset();
    session.reset();
    EXPECT_TRUE(webkitChildren().empty()) << webkitChildren().size() << " WebKit processes still run";
}

} // namespace
} // namespace quarrow::test
