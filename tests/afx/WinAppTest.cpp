// CWinApp and the framework's start-up services: the run sequence of
// AfxWinMain (no pump when InitInstance returns FALSE), the main-window
// pointers and their clearing, the exit code, the module handles, and the
// housekeeping classes that do nothing but must behave.
#include "AfxFixture.h"

#if !defined(_WIN32)
#include "host/DialogManager.h"
#endif

#include "afx/CButton.h"
#include "afx/CDialog.h"
#include "afx/CMFCVisualManagerWindows.h"
#include "afx/CShellManager.h"
#include "afx/CWinApp.h"
#include "win32/CommCtrl.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace afxtest {
namespace {

class CSequenceApp : public CWinApp {
public:
    CSequenceApp() : CWinApp(_T("sequence")) {}
    std::vector<std::string> calls;
    std::function<BOOL(CSequenceApp&)> init;
    std::vector<UINT> preTranslated;

    BOOL InitInstance() override
    {
        calls.push_back("InitInstance");
        CWinApp::InitInstance();
        return init ? init(*this) : TRUE;
    }
    int Run() override
    {
        calls.push_back("Run");
        return CWinApp::Run();
    }
    int ExitInstance() override
    {
        calls.push_back("ExitInstance");
        return CWinApp::ExitInstance();
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        preTranslated.push_back(pMsg->message);
        return CWinApp::PreTranslateMessage(pMsg);
    }
};

class WinAppTest : public AfxTest {
protected:
    bool quitQueued()
    {
        MSG msg;
        return PeekMessageW(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE) != FALSE;
    }
};

TEST_F(WinAppTest, TheMainWindowIsTheActiveWindowWhenOneIsSet)
{
    EXPECT_EQ(nullptr, AfxGetApp());
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    CWinApp app(_T("test"));
    EXPECT_EQ(&app, AfxGetApp());
    EXPECT_EQ(nullptr, AfxGetMainWnd());
    CWnd mainWnd, activeWnd;
    app.m_pMainWnd = &mainWnd;
    EXPECT_EQ(&mainWnd, AfxGetMainWnd());
    app.m_pActiveWnd = &activeWnd;
    EXPECT_EQ(&activeWnd, AfxGetMainWnd());
    app.m_pActiveWnd = nullptr;
    EXPECT_EQ(&mainWnd, AfxGetMainWnd());
}

TEST_F(WinAppTest, DestroyingTheMainWindowClearsThePointersWithoutPostingAQuitOutsideThePump)
{
    CWinApp app(_T("test"));
    CWnd mainWnd, activeWnd;
    ASSERT_TRUE(mainWnd.CreateEx(0, nullptr, _T(""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    ASSERT_TRUE(activeWnd.CreateEx(0, nullptr, _T(""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    app.m_pMainWnd = &mainWnd;
    app.m_pActiveWnd = &activeWnd;
    activeWnd.DestroyWindow();
    EXPECT_EQ(nullptr, app.m_pActiveWnd);
    EXPECT_EQ(&mainWnd, app.m_pMainWnd);
    mainWnd.DestroyWindow();
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_FALSE(quitQueued());
}

TEST_F(WinAppTest, InitInstanceFalseGoesStraightToExitInstance)
{
    CSequenceApp app;
    app.init = [&](CSequenceApp&) {
        // Something waiting in the queue would be handled by a pump.
        PostMessageW(nullptr, WM_APP, 0, 0);
        return FALSE;
    };
    EXPECT_EQ(0, AfxWinMain());
    EXPECT_EQ((std::vector<std::string>{"InitInstance", "ExitInstance"}), app.calls);
    EXPECT_TRUE(app.preTranslated.empty());
    MSG msg;
    EXPECT_TRUE(PeekMessageW(&msg, nullptr, WM_APP, WM_APP, PM_NOREMOVE));
}

// The launcher's life: a dialog is the main window, run modally inside
// InitInstance, and closed by a close request straight to it.
TEST_F(WinAppTest, AModalMainDialogInsideInitInstance)
{
    CSequenceApp app;
    INT_PTR result = 0;
    CWnd* mainDuringLoop = nullptr;
    app.init = [&](CSequenceApp& self) {
        CDialog dlg(104);
        self.m_pMainWnd = &dlg;
        whenIdle([&] {
            mainDuringLoop = AfxGetMainWnd();
            dlg.PostMessage(WM_CLOSE);
        });
        result = dlg.DoModal();
        EXPECT_EQ(nullptr, self.m_pMainWnd);
        return FALSE;
    };
    EXPECT_EQ(0, AfxWinMain());
    EXPECT_EQ(IDCANCEL, result);
    EXPECT_NE(nullptr, mainDuringLoop);
    EXPECT_EQ((std::vector<std::string>{"InitInstance", "ExitInstance"}), app.calls);
    EXPECT_FALSE(quitQueued());
}

TEST_F(WinAppTest, TheRunPumpEndsWhenTheMainWindowIsDestroyed)
{
    CSequenceApp app;
    CWnd mainWnd;
    app.init = [&](CSequenceApp& self) {
        EXPECT_TRUE(mainWnd.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr, nullptr));
        self.m_pMainWnd = &mainWnd;
        // The default close processing destroys the window.
        mainWnd.PostMessage(WM_CLOSE);
        return TRUE;
    };
    EXPECT_EQ(0, AfxWinMain());
    EXPECT_EQ((std::vector<std::string>{"InitInstance", "Run", "ExitInstance"}), app.calls);
    EXPECT_EQ(nullptr, app.m_pMainWnd);
    EXPECT_EQ(nullptr, mainWnd.m_hWnd);
    EXPECT_NE(app.preTranslated.end(), std::find(app.preTranslated.begin(), app.preTranslated.end(), WM_CLOSE));
}

TEST_F(WinAppTest, TheExitCodeIsTheQuitCode)
{
    CSequenceApp app;
    CWnd mainWnd;
    app.init = [&](CSequenceApp& self) {
        EXPECT_TRUE(mainWnd.CreateEx(0, nullptr, _T(""), WS_POPUP, 0, 0, 50, 50, nullptr, nullptr));
        self.m_pMainWnd = &mainWnd;
        PostQuitMessage(7);
        return TRUE;
    };
    EXPECT_EQ(7, AfxWinMain());

    // Without a main window nothing could end the pump: it ends at once.
    app.m_pMainWnd = nullptr;
    app.calls.clear();
    EXPECT_EQ(0, app.Run());
    EXPECT_EQ((std::vector<std::string>{"Run", "ExitInstance"}), app.calls);
}

TEST_F(WinAppTest, WithoutApplicationObjectTheEntryPointFails) { EXPECT_EQ(-1, AfxWinMain()); }

TEST_F(WinAppTest, NamesHandlesAndSettings)
{
    {
        CWinApp named(_T("Quarrow"));
        named.SetCurrentHandles();
        EXPECT_EQ(CString(_T("Quarrow")), CString(AfxGetAppName()));
    }
    CWinApp app;
    EXPECT_EQ(nullptr, app.m_pszAppName);
    app.SetCurrentHandles();
    ASSERT_NE(nullptr, app.m_pszAppName);
    // Derived from the executable when the resources do not name the program.
    EXPECT_EQ(CString(_T("afx_tests")), CString(app.m_pszAppName));
    EXPECT_EQ(GetModuleHandleW(nullptr), app.m_hInstance);
    EXPECT_EQ(GetModuleHandleW(nullptr), AfxGetInstanceHandle());
    EXPECT_EQ(AfxGetInstanceHandle(), AfxGetResourceHandle());
    EXPECT_EQ(AfxGetResourceHandle(), AfxFindResourceHandle(MAKEINTRESOURCEW(104), RT_DIALOG));

    app.m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
    EXPECT_TRUE(app.InitInstance());
    app.SetRegistryKey(_T("应用程序向导生成的本地应用程序"));
    EXPECT_EQ(CString(_T("应用程序向导生成的本地应用程序")), CString(app.m_pszRegistryKey));
}

#if !defined(_WIN32)
// The memory screen's dialog manager tells what the box showed.
TEST_F(WinAppTest, MessageBoxesAreOwnedByTheMainWindowAndCaptionedWithTheName)
{
    CWinApp app(_T("Quarrow"));
    app.SetCurrentHandles();
    CWnd mainWnd;
    ASSERT_TRUE(mainWnd.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, 300, 200, nullptr, nullptr));
    app.m_pMainWnd = &mainWnd;
    quarrow::DialogManager::MessageBoxInfo seen;
    screen.whenIdle([&] {
        ASSERT_EQ(1u, host.dialogs().openMessageBoxes().size());
        seen = host.dialogs().openMessageBoxes().back();
        screen.clickControl(seen.window, IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, AfxMessageBox(_T("您确定要退出游戏么？"), MB_OKCANCEL));
    EXPECT_EQ(mainWnd.m_hWnd, seen.owner);
    EXPECT_EQ(_T("Quarrow"), seen.caption);
    EXPECT_EQ(_T("您确定要退出游戏么？"), seen.text);
    EXPECT_EQ(static_cast<UINT>(MB_OKCANCEL), seen.type);
}
#endif

TEST_F(WinAppTest, VisualManagerSelection)
{
    EXPECT_EQ(nullptr, CMFCVisualManager::GetInstance());
    CMFCVisualManager::SetDefaultManager(RUNTIME_CLASS(CMFCVisualManagerWindows));
    CMFCVisualManager* chosen = CMFCVisualManager::GetInstance();
    ASSERT_NE(nullptr, chosen);
    EXPECT_TRUE(chosen->IsKindOf(RUNTIME_CLASS(CMFCVisualManagerWindows)));

    // Not a visual manager: the framework's invalid-argument error, and the
    // choice stays.
    bool raised = false;
    try {
        CMFCVisualManager::SetDefaultManager(RUNTIME_CLASS(CShellManager));
    } catch (CException* e) {
        raised = e->IsKindOf(RUNTIME_CLASS(CInvalidArgException));
        e->Delete();
    }
    EXPECT_TRUE(raised);
    EXPECT_EQ(chosen, CMFCVisualManager::GetInstance());
    CMFCVisualManager::DestroyInstance();
    EXPECT_EQ(nullptr, CMFCVisualManager::GetInstance());

    auto* shell = new CShellManager;
    EXPECT_STREQ("CShellManager", shell->GetRuntimeClass()->m_lpszClassName);
    delete shell;
}

TEST_F(WinAppTest, CommonControlsInitialisation)
{
    INITCOMMONCONTROLSEX icc{sizeof(INITCOMMONCONTROLSEX), ICC_WIN95_CLASSES};
    EXPECT_EQ(8u, icc.dwSize);
    EXPECT_EQ(0xFFu, icc.dwICC);
    EXPECT_TRUE(InitCommonControlsEx(&icc));

    struct {
        DWORD size;
        DWORD classes;
    } const badSizes[] = {{7, ICC_WIN95_CLASSES}, {16, ICC_WIN95_CLASSES}};
    for (const auto& b : badSizes) {
        INITCOMMONCONTROLSEX wrong{b.size, b.classes};
        SetLastError(0);
        EXPECT_FALSE(InitCommonControlsEx(&wrong));
#if !defined(_WIN32)
        // Our layer says why; Wine's comctl32 sets no last error.
        EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
#endif
    }
#if !defined(_WIN32)
    // Our layer refuses classes it does not know; Wine's comctl32 takes them.
    INITCOMMONCONTROLSEX unknown{sizeof(INITCOMMONCONTROLSEX), 0x00010000};
    SetLastError(0);
    EXPECT_FALSE(InitCommonControlsEx(&unknown));
    EXPECT_EQ(static_cast<DWORD>(ERROR_INVALID_PARAMETER), GetLastError());
#endif
    EXPECT_FALSE(InitCommonControlsEx(nullptr));
}

TEST(RuntimeClassTest, TheFrameworkClassesCarryTheirNames)
{
    struct {
        const CRuntimeClass* cls;
        const char* name;
        const CRuntimeClass* base;
    } const classes[] = {
        {RUNTIME_CLASS(CCmdTarget), "CCmdTarget", RUNTIME_CLASS(CObject)},
        {RUNTIME_CLASS(CWnd), "CWnd", RUNTIME_CLASS(CCmdTarget)},
        {RUNTIME_CLASS(CDialog), "CDialog", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CButton), "CButton", RUNTIME_CLASS(CWnd)},
        {RUNTIME_CLASS(CWinApp), "CWinApp", RUNTIME_CLASS(CCmdTarget)},
        {RUNTIME_CLASS(CMFCVisualManagerWindows), "CMFCVisualManagerWindows", RUNTIME_CLASS(CMFCVisualManager)},
    };
    for (const auto& c : classes) {
        EXPECT_STREQ(c.name, c.cls->m_lpszClassName);
        EXPECT_EQ(c.base, c.cls->m_pBaseClass);
    }
    CDialog dlg;
    EXPECT_TRUE(dlg.IsKindOf(RUNTIME_CLASS(CWnd)));
    EXPECT_FALSE(dlg.IsKindOf(RUNTIME_CLASS(CButton)));
}

} // namespace
} // namespace afxtest
