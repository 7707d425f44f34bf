// CDialog on the memory window system: the modal loop (result, owner
// disabled while it runs, the walk of PreTranslateMessage, Enter and Escape
// through the dialog manager), modeless dialogs, control binding with
// DDX_Control, the command route to the application, and the dialog
// background through OnCtlColor. A test answers a modal dialog from the
// screen's idle actions, which run when the loop waits for input.
#include "AfxFixture.h"

#include "afx/CButton.h"
#include "afx/CDialog.h"
#include "afx/CWinApp.h"

#include <functional>
#include <string>
#include <vector>

namespace afxtest {
namespace {

std::vector<std::string> g_events;

// A button that reports its binding and every PreTranslateMessage and
// WM_KEYDOWN that reaches it.
class CRecordingButton : public CButton {
public:
    explicit CRecordingButton(std::string name = "button") : m_name(std::move(name)) {}
    int preSubclassCount = 0;
    HWND boundAtPreSubclass = nullptr;
    bool permanentAtPreSubclass = false;

    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_KEYDOWN) g_events.push_back("pre " + m_name);
        return FALSE;
    }

protected:
    void PreSubclassWindow() override
    {
        ++preSubclassCount;
        boundAtPreSubclass = m_hWnd;
        permanentAtPreSubclass = CWnd::FromHandlePermanent(m_hWnd) == this;
        CButton::PreSubclassWindow();
    }
    afx_msg LRESULT OnKeyDown(WPARAM wParam, LPARAM lParam)
    {
        g_events.push_back("key " + m_name + " " + static_cast<char>(wParam));
        return DefWindowProc(WM_KEYDOWN, wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()

    std::string m_name;
};

BEGIN_MESSAGE_MAP(CRecordingButton, CButton)
    ON_MESSAGE(WM_KEYDOWN, &CRecordingButton::OnKeyDown)
END_MESSAGE_MAP()

// A plain framework window that reports PreTranslateMessage and can
// consume one key.
class CRecordingWnd : public CWnd {
public:
    explicit CRecordingWnd(std::string name) : m_name(std::move(name)) {}
    WPARAM consumes = 0;
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message != WM_KEYDOWN) return FALSE;
        g_events.push_back("pre " + m_name);
        return pMsg->wParam == consumes;
    }

private:
    std::string m_name;
};

class CTestDialog : public CDialog {
public:
    CTestDialog() = default;
    explicit CTestDialog(UINT id, CWnd* parent = nullptr) : CDialog(id, parent) {}

    std::function<void(CTestDialog&)> onInit;
    std::function<void(CDataExchange*)> exchange;
    std::function<BOOL(MSG*)> preTranslate;
    CRecordingButton m_button{"C"};
    HWND hwndAtInit = nullptr;

    BOOL OnInitDialog() override
    {
        g_events.push_back("OnInitDialog");
        hwndAtInit = m_hWnd;
        const BOOL result = CDialog::OnInitDialog();
        if (onInit) onInit(*this);
        return result;
    }
    BOOL PreTranslateMessage(MSG* pMsg) override
    {
        if (pMsg->message == WM_KEYDOWN) g_events.push_back("pre D");
        if (preTranslate) return preTranslate(pMsg);
        return CDialog::PreTranslateMessage(pMsg);
    }

protected:
    void DoDataExchange(CDataExchange* pDX) override
    {
        g_events.push_back(pDX->m_bSaveAndValidate ? "exchange save" : "exchange load");
        if (exchange) exchange(pDX);
    }
    void OnOK() override
    {
        g_events.push_back("OnOK");
        CDialog::OnOK();
    }
    void OnCancel() override
    {
        g_events.push_back("OnCancel");
        CDialog::OnCancel();
    }
};

class DialogTest : public AfxTest {
protected:
    DialogTest() { g_events.clear(); }

    // A popup dialog of 200 x 100 units with an OK (default), a Cancel and
    // two more push buttons.
    static TemplateBuilder buttons()
    {
        TemplateBuilder t(WS_POPUP | WS_VISIBLE | WS_CAPTION, 10, 10, 200, 100, _T("Test"));
        t.control(_T("Button"), _T("OK"), IDOK, BS_DEFPUSHBUTTON | WS_TABSTOP, 10, 70, 50, 14);
        t.control(_T("Button"), _T("Cancel"), IDCANCEL, BS_PUSHBUTTON | WS_TABSTOP, 70, 70, 50, 14);
        t.control(_T("Button"), _T("One"), 1001, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 50, 14);
        t.control(_T("Button"), _T("Two"), 1002, BS_PUSHBUTTON | WS_TABSTOP, 70, 10, 50, 14);
        return t;
    }

    CWnd& makeOwner()
    {
        EXPECT_TRUE(owner.CreateEx(0, nullptr, _T("owner"), WS_POPUP | WS_VISIBLE, 50, 50, 600, 400, nullptr, nullptr));
        return owner;
    }

    CRecordingWnd owner{"O"};
};

TEST_F(DialogTest, ModalResultAndOwnerDisabledOnlyWhileItRuns)
{
    makeOwner();
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    ASSERT_TRUE(dlg.InitModalIndirect(t.get(), &owner));

    bool ownerEnabledInside = true;
    HWND ownerOfDialog = nullptr;
    HWND dialog = nullptr;
    bool visibleInside = false;
    whenIdle([&] {
        dialog = dlg.m_hWnd;
        ownerEnabledInside = IsWindowEnabled(owner.m_hWnd);
        ownerOfDialog = GetWindow(dlg.m_hWnd, GW_OWNER);
        visibleInside = IsWindowVisible(dlg.m_hWnd);
        dlg.EndDialog(42);
    });
    EXPECT_EQ(42, dlg.DoModal());

    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_EQ(owner.m_hWnd, ownerOfDialog);
    EXPECT_TRUE(visibleInside);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(nullptr, dlg.m_hWnd);
    EXPECT_EQ(dialog, dlg.hwndAtInit);
    EXPECT_EQ((std::vector<std::string>{"OnInitDialog", "exchange load"}), g_events);

    // The same object runs again.
    whenIdle([&] { dlg.EndDialog(7); });
    EXPECT_EQ(7, dlg.DoModal());
}

TEST_F(DialogTest, AnOwnerThatWasDisabledStaysDisabled)
{
    makeOwner();
    owner.EnableWindow(FALSE);
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get(), &owner);
    whenIdle([&] { dlg.EndDialog(IDOK); });
    EXPECT_EQ(IDOK, dlg.DoModal());
    EXPECT_FALSE(IsWindowEnabled(owner.m_hWnd));
}

TEST_F(DialogTest, WithoutParentTheMainWindowOwnsTheDialog)
{
    CWinApp app(_T("test"));
    makeOwner();
    app.m_pMainWnd = &owner;
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get());
    HWND ownerOfDialog = nullptr;
    bool ownerEnabledInside = true;
    whenIdle([&] {
        ownerOfDialog = GetWindow(dlg.m_hWnd, GW_OWNER);
        ownerEnabledInside = IsWindowEnabled(owner.m_hWnd);
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ(owner.m_hWnd, ownerOfDialog);
    EXPECT_FALSE(ownerEnabledInside);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
}

TEST_F(DialogTest, EndDialogDuringInitialisationSkipsTheLoop)
{
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get());
    dlg.onInit = [](CTestDialog& d) { d.EndDialog(5); };
    bool idleRan = false;
    whenIdle([&] { idleRan = true; });
    EXPECT_EQ(5, dlg.DoModal());
    EXPECT_FALSE(idleRan);
}

TEST_F(DialogTest, CreationFailureGivesMinusOneAndLeavesTheOwnerEnabled)
{
    makeOwner();
    CTestDialog missing(9999, &owner);
    EXPECT_EQ(-1, missing.DoModal());
    EXPECT_EQ(static_cast<DWORD>(ERROR_RESOURCE_NAME_NOT_FOUND), GetLastError());

    // A control of a class that does not exist makes the template fail.
    TemplateBuilder t(WS_POPUP | WS_VISIBLE, 0, 0, 100, 50);
    t.control(_T("NoSuchClass"), _T(""), 1001, 0, 0, 0, 10, 10);
    CTestDialog broken;
    broken.InitModalIndirect(t.get(), &owner);
    EXPECT_EQ(-1, broken.DoModal());
    EXPECT_EQ(nullptr, broken.m_hWnd);
    EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
    EXPECT_TRUE(g_events.empty());
}

TEST_F(DialogTest, ModalFromTheModulesTemplate)
{
    // Template 104: the launcher's background window, a visible popup with
    // no controls.
    CTestDialog dlg(104);
    DWORD style = 0;
    DWORD exStyle = 0;
    whenIdle([&] {
        style = dlg.GetStyle();
        exStyle = dlg.GetExStyle();
        dlg.EndDialog(IDCANCEL);
    });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_TRUE(style & WS_POPUP);
    EXPECT_TRUE(style & WS_VISIBLE);
    EXPECT_TRUE(exStyle & WS_EX_APPWINDOW);
    EXPECT_EQ((std::vector<std::string>{"OnInitDialog", "exchange load"}), g_events);
}

struct KeyCase {
    UINT key;
    INT_PTR result;
    const char* handler;
};

#if !defined(_WIN32)
// Keys come from the memory screen's keyboard.
class DialogKeyTest : public DialogTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DialogKeyTest, EnterAndEscapeReachOnOKAndOnCancelThroughTheDialogManager)
{
    const KeyCase c = GetParam();
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get());
    screen.whenIdle([&] { screen.pressKey(c.key); });
    EXPECT_EQ(c.result, dlg.DoModal());
    ASSERT_GE(g_events.size(), 3u);
    EXPECT_EQ("pre D", g_events[2]);
    EXPECT_EQ(c.handler, g_events[3]);
    if (c.result == IDOK) {
        EXPECT_EQ("exchange save", g_events.at(4)); // OnOK saves before it ends
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, DialogKeyTest,
                         ::testing::Values(KeyCase{VK_RETURN, IDOK, "OnOK"}, KeyCase{VK_ESCAPE, IDCANCEL, "OnCancel"}));
#endif

TEST_F(DialogTest, CloseRequestEndsTheDialogWithCancel)
{
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get());
    whenIdle([&] { dlg.PostMessage(WM_CLOSE); });
    EXPECT_EQ(IDCANCEL, dlg.DoModal());
    EXPECT_EQ("OnCancel", g_events.back());
}

TEST_F(DialogTest, OkStaysOpenWhenSavingFails)
{
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get());
    dlg.exchange = [](CDataExchange* pDX) {
        if (pDX->m_bSaveAndValidate) pDX->Fail();
    };
    bool openAfterOk = false;
    whenIdle([&] { dlg.SendMessage(WM_COMMAND, IDOK); });
    whenIdle([&] {
        openAfterOk = IsWindowVisible(dlg.m_hWnd);
        dlg.EndDialog(3);
    });
    EXPECT_EQ(3, dlg.DoModal());
    EXPECT_TRUE(openAfterOk);
}

TEST_F(DialogTest, DataExchangeBindsControlsOnce)
{
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get());
    dlg.exchange = [&](CDataExchange* pDX) { DDX_Control(pDX, 1001, dlg.m_button); };
    HWND control = nullptr;
    LONG_PTR procInside = 0;
    BOOL again = FALSE;
    whenIdle([&] {
        control = GetDlgItem(dlg.m_hWnd, 1001);
        procInside = GetWindowLongPtrW(control, GWLP_WNDPROC);
        again = dlg.UpdateData(FALSE);
        dlg.EndDialog(IDOK);
    });
    EXPECT_EQ(IDOK, dlg.DoModal());

    EXPECT_TRUE(again);
    EXPECT_EQ(1, dlg.m_button.preSubclassCount);
    EXPECT_EQ(control, dlg.m_button.boundAtPreSubclass);
    EXPECT_TRUE(dlg.m_button.permanentAtPreSubclass);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&AfxWndProc), procInside);
    // The control went with the dialog, and the binding with it.
    EXPECT_EQ(nullptr, dlg.m_button.m_hWnd);
}

TEST_F(DialogTest, DataExchangeWithAMissingControlEndsTheDialog)
{
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get());
    CButton stray;
    dlg.exchange = [&](CDataExchange* pDX) { DDX_Control(pDX, 1999, stray); };
    EXPECT_EQ(-1, dlg.DoModal());
    EXPECT_EQ(nullptr, stray.m_hWnd);

    // A control already bound to another object cannot be bound again.
    CTestDialog second;
    second.InitModalIndirect(t.get());
    CButton other;
    second.exchange = [&](CDataExchange* pDX) {
        DDX_Control(pDX, 1001, second.m_button);
        DDX_Control(pDX, 1001, other);
    };
    EXPECT_EQ(-1, second.DoModal());
    EXPECT_EQ(nullptr, other.m_hWnd);
}

TEST_F(DialogTest, PreTranslateWalksFromTheTargetUpToTheDialog)
{
    makeOwner();
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    dlg.InitModalIndirect(t.get(), &owner);
    dlg.exchange = [&](CDataExchange* pDX) { DDX_Control(pDX, 1001, dlg.m_button); };

    // A framework popup owned by the dialog, with a child of its own: its
    // messages go through the popup and then the dialog (its owner).
    CRecordingWnd popup("P");
    popup.consumes = 'Z';
    CRecordingButton popupChild("PC");
    dlg.onInit = [&](CTestDialog& d) {
        ASSERT_TRUE(popup.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, 100, 100, d.m_hWnd, nullptr));
        ASSERT_TRUE(popupChild.Create(_T("x"), BS_PUSHBUTTON | WS_VISIBLE, CRect(0, 0, 20, 20), &popup, 2001));
    };
    whenIdle([&] {
        g_events.clear();
        popupChild.PostMessage(WM_KEYDOWN, 'A');
        popupChild.PostMessage(WM_KEYDOWN, 'Z');
        dlg.m_button.PostMessage(WM_KEYDOWN, 'B');
    });
    whenIdle([&] { dlg.EndDialog(IDOK); });
    EXPECT_EQ(IDOK, dlg.DoModal());

    EXPECT_EQ((std::vector<std::string>{
                  // 'A': child, popup, dialog; nobody handles it, so the loop dispatches it.
                  "pre PC", "pre P", "pre D", "key PC A",
                  // 'Z': the popup consumes it; the dialog never sees it and it is not dispatched.
                  "pre PC", "pre P",
                  // 'B': the dialog's own control; the dialog manager dispatches it.
                  "pre C", "pre D", "key C B"}),
              g_events);
}

TEST_F(DialogTest, ModelessWithAPopupTemplateIsOwnedByItsParent)
{
    makeOwner();
    TemplateBuilder t = buttons();
    HWND dialog = nullptr;
    {
        CTestDialog dlg;
        ASSERT_TRUE(dlg.CreateIndirect(t.get(), &owner));
        dialog = dlg.m_hWnd;
        EXPECT_EQ(&owner, dlg.m_pParentWnd);
        EXPECT_EQ(owner.m_hWnd, GetWindow(dialog, GW_OWNER));
        EXPECT_EQ(&owner, dlg.GetParent());
        EXPECT_TRUE(IsWindowVisible(dialog));
        EXPECT_TRUE(IsWindowEnabled(owner.m_hWnd));
        EXPECT_EQ((std::vector<std::string>{"OnInitDialog", "exchange load"}), g_events);

        // Ending a modeless dialog hides it; the object still owns the window.
        dlg.EndDialog(IDCANCEL);
        EXPECT_TRUE(IsWindow(dialog));
        EXPECT_FALSE(IsWindowVisible(dialog));
    }
    EXPECT_FALSE(IsWindow(dialog));

    CTestDialog fromResource;
    EXPECT_TRUE(fromResource.Create(104, &owner));
    EXPECT_EQ(owner.m_hWnd, GetWindow(fromResource.m_hWnd, GW_OWNER));
    CTestDialog missing;
    EXPECT_FALSE(missing.Create(9999, &owner));
    EXPECT_EQ(nullptr, missing.m_hWnd);
}

// The shape of the launcher's window pair: a modal dialog that creates a
// modeless popup dialog, owned by it, while it handles its own WM_CREATE.
class COuterDialog : public CTestDialog {
public:
    CTestDialog inner;
    const DLGTEMPLATE* innerTemplate = nullptr;
    bool innerCreated = false;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs)
    {
        if (CDialog::OnCreate(cs) == -1) return -1;
        g_events.push_back("outer OnCreate");
        innerCreated = inner.CreateIndirect(innerTemplate, this);
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(COuterDialog, CTestDialog)
    ON_WM_CREATE()
END_MESSAGE_MAP()

TEST_F(DialogTest, ADialogCreatedWhileItsOwnerIsBeingCreated)
{
    TemplateBuilder outerTemplate = buttons();
    TemplateBuilder innerTemplate(WS_POPUP | WS_VISIBLE, 0, 0, 80, 40);
    COuterDialog outer;
    outer.InitModalIndirect(outerTemplate.get());
    outer.innerTemplate = innerTemplate.get();
    HWND innerWindow = nullptr;
    HWND innerOwner = nullptr;
    bool innerBound = false;
    whenIdle([&] {
        innerWindow = outer.inner.m_hWnd;
        innerOwner = GetWindow(innerWindow, GW_OWNER);
        innerBound = CWnd::FromHandlePermanent(innerWindow) == &outer.inner;
        outer.EndDialog(IDOK);
    });
    EXPECT_EQ(IDOK, outer.DoModal());
    EXPECT_TRUE(outer.innerCreated);
    EXPECT_EQ(outer.hwndAtInit, innerOwner);
    EXPECT_TRUE(innerBound);
    EXPECT_EQ(innerWindow, outer.inner.hwndAtInit);
    // The inner dialog initialises inside the outer one's creation, before
    // the outer one does.
    EXPECT_EQ((std::vector<std::string>{"outer OnCreate", "OnInitDialog", "exchange load", "OnInitDialog",
                                        "exchange load"}),
              g_events);
    // Destroying the owner destroyed the owned dialog, and unbound it.
    EXPECT_FALSE(IsWindow(innerWindow));
    EXPECT_EQ(nullptr, outer.inner.m_hWnd);
}

// Runs a modal dialog from inside one of its handlers, holding a temporary
// window object across it.
class CNestingWnd : public CWnd {
public:
    std::function<void()> inside;

protected:
    afx_msg LRESULT OnRun(WPARAM, LPARAM)
    {
        inside();
        return 0;
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CNestingWnd, CWnd)
    ON_MESSAGE(WM_APP, &CNestingWnd::OnRun)
END_MESSAGE_MAP()

TEST_F(DialogTest, TemporaryObjectsSurviveALoopNestedInAHandler)
{
    CNestingWnd wnd;
    ASSERT_TRUE(wnd.CreateEx(0, nullptr, _T(""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    TemplateBuilder t = buttons();
    HWND gone = nullptr;
    CWnd* held = nullptr;
    wnd.inside = [&] {
        gone = plainPopup({0, 0, 5, 5});
        held = CWnd::FromHandle(gone);
        DestroyWindow(gone);
        CTestDialog dlg;
        dlg.InitModalIndirect(t.get());
        whenIdle([&] { dlg.EndDialog(IDOK); });
        EXPECT_EQ(IDOK, dlg.DoModal());
        // The nested loop went idle, but a handler is running: the object
        // this handler holds is still there.
        EXPECT_EQ(gone, held->m_hWnd);
        EXPECT_EQ(held, CWnd::FromHandle(gone));
    };
    wnd.SendMessage(WM_APP);
}

class CHelpApp : public CWinApp {
public:
    CHelpApp() : CWinApp(_T("help")) {}
    int helpCalls = 0;

protected:
    afx_msg void OnHelpCommand() { ++helpCalls; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CHelpApp, CWinApp)
    ON_COMMAND(ID_HELP, &CHelpApp::OnHelpCommand)
END_MESSAGE_MAP()

// The program's own application map names the framework's handler.
class CProgramApp : public CWinApp {
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CProgramApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

TEST_F(DialogTest, CommandsTheDialogDoesNotHandleGoToTheApplication)
{
    EXPECT_EQ(57670, ID_HELP);
    CHelpApp app;
    TemplateBuilder t = buttons();
    CTestDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.get()));
    dlg.SendMessage(WM_COMMAND, ID_HELP);
    EXPECT_EQ(1, app.helpCalls);
    // System commands and notifications other than clicks stay with the dialog.
    dlg.SendMessage(WM_COMMAND, MAKEWPARAM(ID_HELP, BN_SETFOCUS), reinterpret_cast<LPARAM>(dlg.GetDlgItem(1001)->m_hWnd));
    EXPECT_EQ(1, app.helpCalls);
}

TEST_F(DialogTest, TheProgramsHelpEntryRunsTheFrameworksHandler)
{
    CProgramApp app;
    EXPECT_TRUE(app.OnCmdMsg(ID_HELP, CN_COMMAND, nullptr, nullptr));
    EXPECT_FALSE(app.OnCmdMsg(ID_HELP + 1, CN_COMMAND, nullptr, nullptr));
}

// Paints its own background through the control-colour message.
class CColouredDialog : public CDialog {
public:
    HBRUSH brush = CreateSolidBrush(RGB(200, 10, 20));
    std::vector<UINT> kinds;
    ~CColouredDialog() override
    {
        DestroyWindow();
        DeleteObject(brush);
    }

protected:
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
    {
        kinds.push_back(nCtlColor);
        if (nCtlColor == CTLCOLOR_DLG) return brush;
        return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CColouredDialog, CDialog)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

#if !defined(_WIN32)
// The memory screen's pixels show the background.
TEST_F(DialogTest, TheDialogBackgroundComesFromOnCtlColor)
{
    TemplateBuilder t(WS_POPUP | WS_VISIBLE, 0, 0, 100, 60);
    CColouredDialog dlg;
    ASSERT_TRUE(dlg.CreateIndirect(t.get()));
    dlg.SetWindowPos(nullptr, 300, 200, 150, 90, SWP_NOZORDER);
    host.pump();
    ASSERT_FALSE(dlg.kinds.empty());
    EXPECT_EQ(static_cast<UINT>(CTLCOLOR_DLG), dlg.kinds.front());
    EXPECT_EQ(RGB(200, 10, 20), screen.pixel(310, 210));
    EXPECT_EQ(RGB(200, 10, 20), screen.pixel(449, 289));
    EXPECT_EQ(screen.desktopColour(), screen.pixel(450, 290));
}
#endif

} // namespace
} // namespace afxtest
