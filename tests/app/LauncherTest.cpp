// The whole launcher from start to exit on a memory screen: the one
// application object runs its start-up, the window pair, the browser on the
// scripted engine and its teardown exactly as the shipped program does, and
// each test drives it with synthetic input from idle actions until one of
// the three endings (the close button's confirmation, a close request to
// the background window, a completed login).
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "afx/COccManager.h"
#include "afx/CWnd.h"
#include "app/CQRB_LancherApp.h"
#include "browser/CImpIDispatch.h"
#include "host/DialogManager.h"
#include "host/Host.h"
#include "host/browser/scripted/ScriptedEngine.h"
#include "host/browser/scripted/ScriptedWeb.h"
#include "host/memory/MemoryBackend.h"
#include "launcher/AddressTable.h"
#include "res/resource.h"
#include "support/LoaderRecord.h"
#include "win32/MsHtmHst.h"
#include "win32/Windows.h"

namespace {

namespace fs = std::filesystem;
using quarrow::DialogManager;
using quarrow::MemoryBackend;
using quarrow::ScriptedPage;

const std::u16string kStartUrl = _T("http://") QUARROW_WEB_HOST_TEXT _T("/games/vadmo/dlq/");
const std::u16string kLoginUrl = _T("http://") QUARROW_WEB_HOST_TEXT _T("/games/vadmo/login");

RECT WindowRect(HWND hwnd)
{
    RECT r{};
    ::GetWindowRect(hwnd, &r);
    return r;
}

std::u16string WindowText(HWND hwnd)
{
    WCHAR buffer[64] = {};
    ::GetWindowTextW(hwnd, buffer, 64);
    return buffer;
}

class Launcher : public ::testing::Test {
protected:
    void SetUp() override
    {
        host.setBrowserEngineFactory(web.factory());
        ScriptedPage start;
        start.title = _T("Quarrow 登录");
        start.text = _T("账号 密码");
        start.scripts = true;
        start.forms.push_back({kLoginUrl, {{_T("userid"), _T("")}}});
        web.add(kStartUrl, start);
        ScriptedPage login;
        login.title = _T("登录成功");
        login.scripts = true;
        web.add(kLoginUrl, login);

        dir = fs::temp_directory_path() /
              ("quarrow-app-" + std::to_string(::getpid()) + "-" +
               ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::create_directories(dir);
        record = dir / "record";
        ::setenv("QUARROW_RECORD_FILE", record.c_str(), 1);
    }

    void TearDown() override
    {
        ::unsetenv("QUARROW_RECORD_FILE");
        fs::remove_all(dir);
        // What the application's destructor does at process exit, so that
        // the next run starts as a fresh process would.
        delete theApp.m_pExternal;
        theApp.m_pExternal = nullptr;
    }

    // Runs the program; `script` runs once the launcher is up and idle, and
    // must lead to one of its endings. Returns the program's exit code.
    int RunProgram(std::function<void()> script)
    {
        screen.whenIdle([this, script] {
            back = theApp.m_pMainWnd ? theApp.m_pMainWnd->GetSafeHwnd() : nullptr;
            ASSERT_NE(nullptr, back);
            fore = ::GetWindow(back, GW_ENABLEDPOPUP);
            ASSERT_NE(nullptr, fore);
            browser = ::GetDlgItem(fore, IDC_BROWSER);
            ASSERT_NE(nullptr, browser);
            script();
        });
        return AfxWinMain();
    }

    // Answers the message box that opens next with `answer`, keeping what
    // it said.
    void AnswerNextMessageBox(int answer, std::function<void()> then = {})
    {
        screen.whenIdle([this, answer, then] {
            const auto& boxes = host.dialogs().openMessageBoxes();
            ASSERT_EQ(1u, boxes.size());
            shown.push_back(boxes.back());
            screen.clickControl(boxes.back().window, answer);
            if (then) screen.whenIdle(then);
        });
    }

    POINT ClientPoint(HWND hwnd, int x, int y)
    {
        POINT p{x, y};
        ::ClientToScreen(hwnd, &p);
        return p;
    }

    // The loader's arguments, once its record is complete; empty when no
    // loader ran within a few seconds.
    std::vector<std::string> LoaderArguments(int seconds = 20)
    {
        return quarrow::test::WaitForLoaderArguments(record, std::chrono::seconds(seconds));
    }

    static bool AnyWindowLeft()
    {
        bool any = false;
        ::EnumWindows([](HWND, LPARAM p) -> BOOL { *reinterpret_cast<bool*>(p) = true; return FALSE; },
                      reinterpret_cast<LPARAM>(&any));
        return any;
    }

    MemoryBackend screen;
    quarrow::Host host{screen};
    quarrow::ScriptedWeb web;
    HWND back = nullptr;
    HWND fore = nullptr;
    HWND browser = nullptr;
    std::vector<DialogManager::MessageBoxInfo> shown;
    fs::path dir;
    fs::path record;
};

TEST_F(Launcher, StartUpBuildsTheWindowPairWithTheBrowserOnTheStartPage)
{
    int code = RunProgram([this] {
        // The pair: the artwork's size, centred in the work area, the overlay on it.
        const RECT r = WindowRect(back);
        EXPECT_EQ(1044, r.right - r.left);
        EXPECT_EQ(616, r.bottom - r.top);
        const RECT work = host.backend().workArea();
        EXPECT_EQ((work.right - work.left - 1044) / 2, r.left - work.left);
        EXPECT_EQ((work.bottom - work.top - 616) / 2, r.top - work.top);
        const RECT f = WindowRect(fore);
        EXPECT_TRUE(r.left == f.left && r.top == f.top && r.right == f.right && r.bottom == f.bottom);

        // Buttons and browser, in the overlay's client coordinates.
        struct Place {
            int id, x, y, cx, cy;
        };
        const Place places[] = {
            {IDC_BTN_HOME, 380, 162, 148, 44},  {IDC_BTN_GUIDE, 540, 162, 148, 44},
            {IDC_BTN_FORUM, 699, 162, 148, 44}, {IDC_BTN_SERVICE, 856, 162, 148, 44},
            {IDC_BTN_MIN, 950, 22, 33, 33},     {IDC_BTN_CLOSE, 990, 22, 33, 33},
            {IDC_BROWSER, 353, 209, 650, 360},
        };
        for (const Place& p : places) {
            const RECT c = WindowRect(::GetDlgItem(fore, p.id));
            EXPECT_EQ(p.x, c.left - f.left) << p.id;
            EXPECT_EQ(p.y, c.top - f.top) << p.id;
            EXPECT_EQ(p.cx, c.right - c.left) << p.id;
            EXPECT_EQ(p.cy, c.bottom - c.top) << p.id;
        }

        // One taskbar entry: the background, "Quarrow" with icon 128.
        EXPECT_EQ(_T("Quarrow"), WindowText(back));
        HICON icon = ::LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME));
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), ::SendMessageW(back, WM_GETICON, ICON_BIG, 0));
        EXPECT_EQ(reinterpret_cast<LRESULT>(icon), ::SendMessageW(back, WM_GETICON, ICON_SMALL, 0));
        EXPECT_EQ(back, ::GetWindow(fore, GW_OWNER));
        EXPECT_EQ(0u, ::GetWindowLongW(fore, GWL_EXSTYLE) & WS_EX_APPWINDOW);

        // The browser: not silent, on the start page, told to hide its
        // border and scroll bars.
        quarrow::ScriptedEngine& engine = web.engine();
        EXPECT_FALSE(engine.silent());
        EXPECT_EQ(kStartUrl, engine.location());
        ASSERT_NE(nullptr, engine.page());
        EXPECT_EQ(_T("Quarrow 登录"), engine.page()->title);
        ASSERT_FALSE(engine.hostInfoFlagsSeen().empty());
        EXPECT_EQ(static_cast<DWORD>(DOCHOSTUIFLAG_NO3DBORDER | DOCHOSTUIFLAG_SCROLL_NO),
                  engine.hostInfoFlagsSeen().back());

        // On screen: the desktop through the transparent corner, the page
        // (white) inside the panel.
        EXPECT_EQ(screen.desktopColour(), screen.pixel(r.left + 2, r.top + 2));
        EXPECT_EQ(RGB(255, 255, 255), screen.pixel(r.left + 353 + 640, r.top + 209 + 350));
        std::string error;
        EXPECT_TRUE(screen.savePng(QUARROW_TEST_OUTPUT_DIR "/launcher-startup.png", &error, &r)) << error;

        // A close request straight to the background window ends the
        // program without asking.
        ::PostMessageW(back, WM_CLOSE, 0, 0);
    });
    EXPECT_EQ(0, code);
    EXPECT_TRUE(host.dialogs().openMessageBoxes().empty());
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(AnyWindowLeft());
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    EXPECT_TRUE(web.engines().empty());
    // The external object lives on until the application object goes.
    EXPECT_NE(nullptr, theApp.m_pExternal);
    EXPECT_TRUE(LoaderArguments(0).empty());
}

TEST_F(Launcher, EachLinkButtonOpensItsAddressMaximisedEveryTime)
{
    struct Link {
        int id;
        std::u16string address;
    };
    const std::vector<Link> links = {
        {IDC_BTN_HOME, _T("http://") QUARROW_GAME_HOST_TEXT _T("/games/vadmo/")},
        {IDC_BTN_GUIDE, _T("http://") QUARROW_GAME_HOST_TEXT _T("/games/vadmo/raid/")},
        {IDC_BTN_FORUM, _T("https://") QUARROW_CHAT_HOST_TEXT _T("/?_wv=") QUARROW_CHAT_WV_TEXT _T("&k=") QUARROW_CHAT_K_TEXT},
        {IDC_BTN_SERVICE, _T("http://") QUARROW_WEB_HOST_TEXT _T("/kf/")},
    };
    RunProgram([this, &links] {
        for (int round = 0; round < 2; ++round) {
            for (const Link& link : links) screen.clickControl(fore, link.id);
        }
        screen.whenIdle([this] {
            EXPECT_TRUE(::IsWindowVisible(back));
            EXPECT_TRUE(::IsWindowVisible(fore));
            ::PostMessageW(back, WM_CLOSE, 0, 0);
        });
    });
    ASSERT_EQ(8u, screen.shellRequests().size());
    for (size_t i = 0; i < 8; ++i) {
        const quarrow::ShellRequest& request = screen.shellRequests()[i];
        EXPECT_EQ(links[i % 4].address, request.file);
        EXPECT_EQ(_T("open"), request.verb);
        EXPECT_EQ(SW_SHOWMAXIMIZED, request.show);
        EXPECT_TRUE(request.parameters.empty() && request.directory.empty());
    }
}

TEST_F(Launcher, MinimiseTakesTheWholeLauncherAndRestoreBringsItBackAligned)
{
    RunProgram([this] {
        const RECT before = WindowRect(back);
        screen.clickControl(fore, IDC_BTN_MIN);
        screen.whenIdle([this, before] {
            EXPECT_TRUE(::IsIconic(back));
            // Nothing of the launcher is left on screen: not the artwork,
            // not a button, not the page.
            EXPECT_EQ(screen.desktopColour(), screen.pixel(before.left + 600, before.top + 100));
            EXPECT_EQ(screen.desktopColour(), screen.pixel(before.left + 400, before.top + 180));
            EXPECT_EQ(screen.desktopColour(), screen.pixel(before.left + 600, before.top + 300));
            ::SendMessageW(back, WM_SYSCOMMAND, SC_RESTORE, 0);
            EXPECT_FALSE(::IsIconic(back));
            EXPECT_TRUE(::IsWindowVisible(fore));
            const RECT r = WindowRect(back);
            const RECT f = WindowRect(fore);
            EXPECT_TRUE(r.left == before.left && r.top == before.top);
            EXPECT_TRUE(r.left == f.left && r.top == f.top && r.right == f.right && r.bottom == f.bottom);
            screen.whenIdle([this, before] {
                EXPECT_EQ(RGB(255, 255, 255), screen.pixel(before.left + 600, before.top + 300));
                ::PostMessageW(back, WM_CLOSE, 0, 0);
            });
        });
    });
    EXPECT_FALSE(AnyWindowLeft());
}

TEST_F(Launcher, TheCloseButtonAsksAndOnlyOkEndsTheProgram)
{
    int code = RunProgram([this] {
        screen.clickControl(fore, IDC_BTN_CLOSE);
        AnswerNextMessageBox(IDCANCEL, [this] {
            // Cancel changes nothing.
            EXPECT_TRUE(::IsWindowVisible(back));
            EXPECT_TRUE(::IsWindowVisible(fore));
            EXPECT_TRUE(::IsWindowEnabled(back));
            screen.clickControl(fore, IDC_BTN_CLOSE);
            AnswerNextMessageBox(IDOK);
        });
    });
    EXPECT_EQ(0, code);
    ASSERT_EQ(2u, shown.size());
    for (const auto& box : shown) {
        EXPECT_EQ(_T("您确定要退出游戏么？"), box.text);
        EXPECT_EQ(_T("Quarrow 微端"), box.caption);
        EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), box.type);
        EXPECT_EQ(fore, box.owner);
        EXPECT_EQ(std::vector<int>({IDOK, IDCANCEL}), box.buttons);
        EXPECT_EQ(IDOK, box.defaultButton);
    }
    // Torn down in order: the windows gone, the control-container manager
    // deleted (and so uninstalled), the external object still there.
    EXPECT_FALSE(AnyWindowLeft());
    EXPECT_EQ(nullptr, theApp.m_pMainWnd);
    EXPECT_EQ(nullptr, AfxGetOccManager());
    EXPECT_NE(nullptr, theApp.m_pExternal);
    EXPECT_TRUE(LoaderArguments(0).empty());
}

TEST_F(Launcher, EscapeDoesNothingAnywhereAndEnterReachesThePage)
{
    RunProgram([this] {
        quarrow::ScriptedEngine& engine = web.engine();
        // The user clicks into the page, then presses Escape and Enter.
        const POINT inPage = ClientPoint(browser, 100, 100);
        screen.click(inPage.x, inPage.y);
        screen.pressKey(VK_ESCAPE);
        screen.pressKey(VK_RETURN, _T('\r'));
        screen.whenIdle([this, &engine] {
            EXPECT_EQ(browser, ::GetFocus());
            EXPECT_FALSE(engine.received(VK_ESCAPE));
            EXPECT_TRUE(engine.received(VK_RETURN));
            EXPECT_TRUE(::IsWindowVisible(back));
            EXPECT_TRUE(::IsWindowVisible(fore));
            // Escape with the focus on the background window, then on a button.
            ::SetFocus(back);
            screen.pressKey(VK_ESCAPE);
            ::SetFocus(::GetDlgItem(fore, IDC_BTN_HOME));
            screen.pressKey(VK_ESCAPE);
            screen.pressKey(VK_RETURN, _T('\r'));
            screen.whenIdle([this] {
                EXPECT_TRUE(::IsWindowVisible(back));
                EXPECT_TRUE(::IsWindowVisible(fore));
                EXPECT_TRUE(screen.shellRequests().empty()) << "Enter is no click on the default button";
                ::PostMessageW(back, WM_CLOSE, 0, 0);
            });
        });
    });
    EXPECT_TRUE(shown.empty());
}

TEST_F(Launcher, PageScriptReadsTheExternalObjectAndGetsNoContextMenu)
{
    RunProgram([this] {
        quarrow::ScriptedEngine& engine = web.engine();
        for (const char16_t* name : {_T("xxyyzz"), _T("xxyq")}) {
            VARIANT value;
            EXPECT_EQ(S_OK, engine.readExternal(name, &value)) << std::string(name, name + 4);
            ASSERT_EQ(VT_BSTR, value.vt);
            EXPECT_EQ(_T("Wibble"), std::u16string(value.bstrVal));
            VariantClear(&value);
        }
        VARIANT value;
        EXPECT_EQ(DISP_E_UNKNOWNNAME, engine.readExternal(_T("abc"), &value));
        VariantClear(&value);
        // Every page sees the one object the application owns.
        EXPECT_GE(theApp.m_pExternal->RefCount(), 0u);

        EXPECT_FALSE(engine.contextMenu(POINT{50, 50}));
        EXPECT_FALSE(engine.contextMenu(POINT{600, 300}));
        EXPECT_EQ(0u, engine.menusShown());
        ASSERT_EQ(2u, engine.menuRequests().size());
        EXPECT_TRUE(engine.menuRequests()[0].claimed);
        EXPECT_TRUE(engine.typeKey('A')) << "the host consumes no key";
        ::PostMessageW(back, WM_CLOSE, 0, 0);
    });
}

TEST_F(Launcher, ACompletedLoginStartsTheLoaderOnceWithTheExactBytes)
{
    int code = RunProgram([this] {
        quarrow::ScriptedEngine& engine = web.engine();
        ASSERT_TRUE(engine.fillField(0, _T("userid"), _T("u1")));
        // The login page has scripts, so BeforeScriptExecute follows the
        // BeforeNavigate2 of the same address: a second matching event.
        engine.navigateTo(kLoginUrl + _T("?userid=u1&time=1&sign=ab"));
    });
    EXPECT_EQ(0, code);
    auto args = LoaderArguments();
    ASSERT_EQ(2u, args.size());
    EXPECT_EQ("quilbyLoader.exe", fs::path(args[0]).filename().string());
    EXPECT_EQ("ID=u1,Key=userid-u1&time-1&sign-ab,PID=ZUVO_,PROCPARA=66666", args[1]);
    // One loader only: its record is written once and never again.
    fs::remove(record);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(record));
    EXPECT_TRUE(shown.empty()) << "a login ends the launcher without asking";
    EXPECT_FALSE(AnyWindowLeft());
}

// Through the browser's real event route (BeforeNavigate2, then the login
// page's BeforeScriptExecute with the same address, both through the
// event sink map): a failed hand-off says so on one line of standard error
// and in one box, and the launcher ends.
class FailedHandOff : public Launcher, public ::testing::WithParamInterface<const char16_t*> {};

TEST_P(FailedHandOff, IsToldOnceAndTheLauncherEnds)
{
    const char16_t* query = GetParam();
    ::testing::internal::CaptureStderr();
    int code = RunProgram([this, query] {
        web.engine().navigateTo(kLoginUrl + query);
        AnswerNextMessageBox(IDOK);
    });
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(0, code);
    EXPECT_EQ(1, std::count(err.begin(), err.end(), '\n')) << err;
    EXPECT_THAT(err, ::testing::StartsWith("quarrow-launcher: the game was not started: ")) << err;
    ASSERT_EQ(1u, shown.size());
    EXPECT_EQ(_T("Quarrow 微端"), shown[0].caption);
    EXPECT_EQ(_T("无法启动游戏：登录信息不完整，请重新登录。"), shown[0].text);
    EXPECT_FALSE(AnyWindowLeft());
    EXPECT_TRUE(LoaderArguments(0).empty());
}

// No user id; a query item without '=' in the middle and at the end.
INSTANTIATE_TEST_SUITE_P(Queries, FailedHandOff,
                         ::testing::Values(_T("?time=1&sign=ab"), _T("?userid=u1&flag"), _T("?userid=u1&")));

} // namespace
