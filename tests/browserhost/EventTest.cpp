// The browser's events: their order and argument lists, that they come from
// the window system's queue, cancelling, and sinks that close the control
// from inside an event.
#include "BrowserHostFixture.h"

#include "host/DialogManager.h"

namespace quarrow::test {
namespace {

constexpr const char16_t* kLogin = _T("http://portal.example/login");

class EventTest : public BrowserHostTest {
protected:
    EventTest()
    {
        ScriptedPage& page = web.add(kLogin);
        page.title = _T("Login");
        page.scripts = true;
        page.frames = {{_T("news"), _T("http://portal.example/news")}, {_T("ads"), _T("http://ads.example/banner")}};
    }

    const std::vector<std::string> kFullLoad = {
        "BeforeNavigate2 top http://portal.example/login",
        "BeforeScriptExecute",
        "BeforeNavigate2 news http://portal.example/news",
        "DocumentComplete news http://portal.example/news",
        "BeforeNavigate2 ads http://ads.example/banner",
        "DocumentComplete ads http://ads.example/banner",
        "DocumentComplete top http://portal.example/login",
    };
};

class EventOrder : public EventTest, public ::testing::WithParamInterface<HRESULT> {};

TEST_P(EventOrder, IsABrowsersForAPageWithTwoFramesAndScriptsWhateverTheSinkAnswers)
{
    sink.answer = GetParam();
    ScriptedEngine& engine = open();
    std::vector<std::u16string> locationAt;
    sink.onEvent = [&](const SeenEvent&) { locationAt.push_back(locationUrl()); };

    ASSERT_EQ(navigate(kLogin), S_OK);
    EXPECT_TRUE(sink.events.empty()) << "no event may come from inside Navigate";
    host.pump();

    EXPECT_EQ(sink.texts(), kFullLoad);
    for (const SeenEvent& e : sink.events) EXPECT_TRUE(e.wellFormed) << e.text();
    // The top frame's source is the control itself; each frame has its own.
    EXPECT_EQ(sink.events[0].source, browser());
    EXPECT_EQ(sink.events[1].source, browser());
    EXPECT_EQ(sink.events[6].source, browser());
    EXPECT_NE(sink.events[2].source, browser());
    EXPECT_NE(sink.events[2].source, sink.events[4].source);
    // The address commits after the top BeforeNavigate2.
    ASSERT_EQ(locationAt.size(), 7u);
    EXPECT_EQ(locationAt[0], _T(""));
    EXPECT_EQ(locationAt[1], kLogin);
    EXPECT_EQ(engine.page()->title, _T("Login"));
}

INSTANTIATE_TEST_SUITE_P(SinkAnswers, EventOrder, ::testing::Values(S_OK, E_FAIL, DISP_E_EXCEPTION));

TEST_F(EventTest, ALoadRunsInWhateverLoopDispatchesTheQueue)
{
    open();
    ASSERT_EQ(navigate(kLogin), S_OK);
    size_t boxesDuringLoad = 0;
    sink.onEvent = [&](const SeenEvent&) { boxesDuringLoad = host.dialogs().openMessageBoxes().size(); };
    screen.whenIdle([&] { screen.clickControl(host.dialogs().openMessageBoxes().back().window, IDOK); });
    MessageBoxW(parent, _T("Wait"), _T("Quarrow"), MB_OK);
    EXPECT_EQ(sink.texts(), kFullLoad);
    EXPECT_EQ(boxesDuringLoad, 1u);
}

TEST_F(EventTest, ACancelledNavigationLoadsNothingAndACancelledFrameIsSkipped)
{
    ScriptedEngine& engine = open();
    sink.cancelUrl = kLogin;
    navigate(kLogin);
    host.pump();
    EXPECT_EQ(sink.texts(), std::vector<std::string>{"BeforeNavigate2 top http://portal.example/login"});
    EXPECT_EQ(locationUrl(), _T(""));
    EXPECT_EQ(engine.page(), nullptr);

    sink.events.clear();
    sink.cancelUrl = _T("http://ads.example/banner");
    navigate(kLogin);
    host.pump();
    std::vector<std::string> expected = kFullLoad;
    expected.erase(expected.begin() + 5);
    EXPECT_EQ(sink.texts(), expected);
}

TEST_F(EventTest, ANavigationFromInsideAnEventStopsTheLoadItInterrupts)
{
    open();
    web.add(_T("http://portal.example/home"));
    sink.onEvent = [&](const SeenEvent& e) {
        if (e.id == 290) navigate(_T("http://portal.example/home"));
    };
    navigate(kLogin);
    host.pump();
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{"BeforeNavigate2 top http://portal.example/login",
                                                      "BeforeScriptExecute",
                                                      "BeforeNavigate2 top http://portal.example/home",
                                                      "DocumentComplete top http://portal.example/home"}));
}

// A sink that closes the control from inside the n-th event, as the
// launcher does on a completed login: the dialog goes, the container closes
// and drops its control.
class CloseInsideEvent : public EventTest, public ::testing::WithParamInterface<size_t> {};

TEST_P(CloseInsideEvent, EndsTheEventsWithoutHarm)
{
    open();
    const size_t at = GetParam();
    HWND window = control->window();
    sink.onEvent = [&](const SeenEvent&) {
        if (sink.events.size() != at + 1) return;
        DestroyWindow(parent);
        control->close();
        control.reset();
    };
    navigate(kLogin);
    host.pump();
    EXPECT_EQ(sink.events.size(), at + 1);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_TRUE(web.engines().empty()) << "the engine is freed once the window system looks at its queue again";
    EXPECT_EQ(site.refs, 0);
}

INSTANTIATE_TEST_SUITE_P(AtEachEvent, CloseInsideEvent, ::testing::Range<size_t>(0, 7));

TEST_F(EventTest, AControlWhoseWindowWentWithItsDialogRaisesNothing)
{
    open();
    navigate(kLogin);
    DestroyWindow(parent);
    host.pump();
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(control->window(), nullptr);
    EXPECT_EQ(site.refs, 0);
}

} // namespace
} // namespace quarrow::test
