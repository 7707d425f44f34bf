// Engines whose making waits (host/browser/DeferredEngines.h): what a
// control is asked before its real engine exists reaches that engine, in
// order, once it is made; nothing is raised before; a control closed before
// then never gets one.
#include "BrowserHostFixture.h"

#include "host/browser/DeferredEngines.h"

namespace quarrow::test {
namespace {

constexpr const char16_t* kLogin = _T("http://portal.example/login");
constexpr const char16_t* kOther = _T("http://portal.example/other");

// A real engine that writes down every call it gets.
class RecordingEngine final : public BrowserEngine {
public:
    RecordingEngine(BrowserEngineHost& host, std::vector<std::string>& calls) : BrowserEngine(host), m_calls(calls)
    {
        m_calls.push_back("made");
    }

protected:
    void navigateImpl(const std::u16string& url) override
    {
        m_calls.push_back("navigate " + std::string(url.begin(), url.end()));
        m_location = url;
    }
    std::u16string locationImpl() const override { return m_location; }
    void silentChangedImpl() override { m_calls.push_back(silent() ? "silent on" : "silent off"); }
    void windowChangedImpl() override { m_calls.push_back("window"); }
    void closeImpl() override { m_calls.push_back("close"); }

private:
    std::vector<std::string>& m_calls;
    std::u16string m_location;
};

class DeferredEngineTest : public BrowserHostTest {
protected:
    DeferredEngineTest()
    {
        host.setBrowserEngineFactory(engines.factory());
        ScriptedPage& page = web.add(kLogin);
        page.title = _T("Login");
        page.scripts = true;
    }
    // The control's engine writes into `calls` when it closes, so the
    // control closes here, while `calls` still exists.
    ~DeferredEngineTest() override
    {
        if (control) control->close();
        control.reset();
    }

    BrowserEngineFactory recording()
    {
        return [this](BrowserEngineHost& h) -> std::unique_ptr<BrowserEngine> {
            return std::make_unique<RecordingEngine>(h, calls);
        };
    }

    DeferredEngines engines;
    std::vector<std::string> calls;
};

TEST_F(DeferredEngineTest, WhatTheControlWasAskedReachesTheRealEngineInOrderOnceItIsMade)
{
    control = makeControl();
    ASSERT_TRUE(control);
    ASSERT_EQ(putSilent(true), S_OK);
    ASSERT_EQ(navigate(kLogin), S_OK);
    ASSERT_EQ(navigate(kOther), S_OK);
    host.pump();
    EXPECT_EQ(engines.waiting(), 1u);
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(sink.events.empty());
    // The address asked for last, as a browser shows it while it loads.
    EXPECT_EQ(locationUrl(), kOther);

    engines.start(recording());
    EXPECT_EQ(engines.waiting(), 0u);
    EXPECT_EQ(calls, (std::vector<std::string>{"made", "silent on", "window", "navigate http://portal.example/login",
                                               "navigate http://portal.example/other"}));

    // From now on every call goes straight through.
    calls.clear();
    ASSERT_EQ(putSilent(false), S_OK);
    ASSERT_EQ(navigate(kLogin), S_OK);
    EXPECT_EQ(calls, (std::vector<std::string>{"silent off", "navigate http://portal.example/login"}));
    EXPECT_EQ(locationUrl(), kLogin);
    control->close();
    EXPECT_EQ(calls.back(), "close");
}

TEST_F(DeferredEngineTest, TheEventsComeInTheRealEnginesOrderAfterTheProgramsNavigate)
{
    control = makeControl();
    ASSERT_TRUE(control);
    ASSERT_EQ(navigate(kLogin), S_OK);
    host.pump();
    EXPECT_TRUE(sink.events.empty()) << "no event before the real engine exists";

    engines.start(web.factory());
    EXPECT_TRUE(sink.events.empty()) << "no event from inside start";
    host.pump();
    EXPECT_EQ(sink.texts(), (std::vector<std::string>{"BeforeNavigate2 top http://portal.example/login",
                                                      "BeforeScriptExecute",
                                                      "DocumentComplete top http://portal.example/login"}));
    EXPECT_EQ(web.engine().page()->title, _T("Login"));
}

TEST_F(DeferredEngineTest, AControlClosedBeforeTheStartNeverGetsARealEngine)
{
    control = makeControl();
    ASSERT_TRUE(control);
    ASSERT_EQ(navigate(kLogin), S_OK);
    control->close();
    control.reset();
    EXPECT_EQ(engines.waiting(), 0u);

    engines.start(recording());
    host.pump();
    EXPECT_TRUE(calls.empty());
    EXPECT_TRUE(sink.events.empty());
}

TEST_F(DeferredEngineTest, AControlMadeAfterTheStartGetsItsRealEngineAtOnce)
{
    engines.start(recording());
    control = makeControl();
    ASSERT_TRUE(control);
    EXPECT_EQ(engines.waiting(), 0u);
    ASSERT_EQ(navigate(kLogin), S_OK);
    EXPECT_EQ(calls, (std::vector<std::string>{"made", "window", "navigate http://portal.example/login"}));
}

TEST_F(DeferredEngineTest, WithoutARealEngineTheControlStaysInertAndLoadsNothing)
{
    control = makeControl();
    ASSERT_TRUE(control);
    ASSERT_EQ(navigate(kLogin), S_OK);
    engines.start(nullptr);
    host.pump();
    EXPECT_TRUE(sink.events.empty());
    EXPECT_EQ(navigate(kOther), S_OK);
    host.pump();
    EXPECT_TRUE(sink.events.empty());
    // A later start changes nothing: only the first counts.
    engines.start(recording());
    EXPECT_TRUE(calls.empty());
}

} // namespace
} // namespace quarrow::test
