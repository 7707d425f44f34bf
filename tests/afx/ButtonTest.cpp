// CButton on the memory window system: an owner-drawn button bound to a
// dialog's push button draws itself through the reflected WM_DRAWITEM, sees
// ODS_SELECTED exactly while the platform's button shows it pushed, and its
// click reaches the dialog's ON_BN_CLICKED only on release over it. Driven
// by synthetic mouse input; the drawing is checked on the screen too.
#include "AfxFixture.h"

#include "afx/CButton.h"
#include "afx/CDialog.h"

#include <vector>

namespace afxtest {
namespace {

constexpr COLORREF kPushed = RGB(220, 30, 30);
constexpr COLORREF kNormal = RGB(30, 160, 40);
constexpr COLORREF kDisabled = RGB(90, 90, 90);

// Made owner-drawn when it is bound, the way an image button does it.
class COwnerDrawButton : public CButton {
public:
    std::vector<UINT> states;
    HWND drawnWindow = nullptr;

protected:
    void PreSubclassWindow() override
    {
        ModifyStyle(0, BS_OWNERDRAW);
        CButton::PreSubclassWindow();
    }
    void DrawItem(LPDRAWITEMSTRUCT dis) override
    {
        states.push_back(dis->itemState);
        drawnWindow = dis->hwndItem;
        const COLORREF colour = (dis->itemState & ODS_DISABLED) ? kDisabled
                                : (dis->itemState & ODS_SELECTED) ? kPushed
                                                                  : kNormal;
        HBRUSH brush = CreateSolidBrush(colour);
        FillRect(dis->hDC, &dis->rcItem, brush);
        DeleteObject(brush);
    }
};

class CButtonDialog : public CDialog {
public:
    COwnerDrawButton m_button;
    int clicks = 0;

protected:
    void DoDataExchange(CDataExchange* pDX) override { DDX_Control(pDX, 1001, m_button); }
    afx_msg void OnClickedOne() { ++clicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CButtonDialog, CDialog)
    ON_BN_CLICKED(1001, &CButtonDialog::OnClickedOne)
END_MESSAGE_MAP()

class ButtonTest : public AfxTest {
protected:
    void SetUp() override
    {
        TemplateBuilder t(WS_POPUP | WS_VISIBLE, 0, 0, 150, 80, _T(""), true);
        t.control(_T("Button"), _T(""), 1001, BS_PUSHBUTTON | WS_TABSTOP, 10, 10, 40, 14);
        tmpl = std::make_unique<TemplateBuilder>(t);
        ASSERT_TRUE(dlg.CreateIndirect(tmpl->get()));
        dlg.SetWindowPos(nullptr, 200, 100, 300, 200, SWP_NOZORDER);
        dlg.m_button.MoveWindow(20, 30, 80, 40);
        host.pump();
        centre = {200 + 60, 100 + 50};
        dlg.m_button.states.clear();
    }

    UINT lastState() const { return dlg.m_button.states.empty() ? 0xFFFF : dlg.m_button.states.back(); }

    std::unique_ptr<TemplateBuilder> tmpl;
    CButtonDialog dlg;
    POINT centre{};
};

TEST_F(ButtonTest, BindingMakesTheButtonOwnerDrawn)
{
    EXPECT_EQ(static_cast<DWORD>(BS_OWNERDRAW), dlg.m_button.GetStyle() & BS_TYPEMASK);
    dlg.m_button.Invalidate();
    host.pump();
    ASSERT_FALSE(dlg.m_button.states.empty());
    EXPECT_EQ(dlg.m_button.m_hWnd, dlg.m_button.drawnWindow);
    EXPECT_EQ(kNormal, screen.pixel(centre.x, centre.y));
}

TEST_F(ButtonTest, PushedWhileHeldOverItClickedOnlyOnReleaseOverIt)
{
    screen.pressMouse(centre.x, centre.y);
    host.pump();
    EXPECT_TRUE(lastState() & ODS_SELECTED);
    EXPECT_EQ(kPushed, screen.pixel(centre.x, centre.y));
    EXPECT_EQ(0, dlg.clicks);

    // Out with the button held: no longer pushed; back in: pushed again.
    screen.moveMouse(centre.x + 100, centre.y + 60);
    host.pump();
    EXPECT_FALSE(lastState() & ODS_SELECTED);
    EXPECT_EQ(kNormal, screen.pixel(centre.x, centre.y));
    screen.moveMouse(centre.x + 5, centre.y);
    host.pump();
    EXPECT_TRUE(lastState() & ODS_SELECTED);

    // Let go outside: no click.
    screen.moveMouse(centre.x + 100, centre.y + 60);
    screen.releaseMouse(centre.x + 100, centre.y + 60);
    host.pump();
    EXPECT_EQ(0, dlg.clicks);
    EXPECT_FALSE(lastState() & ODS_SELECTED);

    // Press and let go over it: one click, drawn released.
    screen.click(centre.x, centre.y);
    host.pump();
    EXPECT_EQ(1, dlg.clicks);
    EXPECT_FALSE(lastState() & ODS_SELECTED);
    EXPECT_EQ(kNormal, screen.pixel(centre.x, centre.y));
}

TEST_F(ButtonTest, DisabledButtonsDrawDisabledAndDoNotClick)
{
    dlg.m_button.EnableWindow(FALSE);
    host.pump();
    EXPECT_TRUE(lastState() & ODS_DISABLED);
    EXPECT_EQ(kDisabled, screen.pixel(centre.x, centre.y));
    screen.click(centre.x, centre.y);
    host.pump();
    EXPECT_EQ(0, dlg.clicks);
}

// A framework window with a button made by CButton::Create.
class CButtonParent : public CWnd {
public:
    int clicks = 0;

protected:
    afx_msg void OnClicked() { ++clicks; }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CButtonParent, CWnd)
    ON_BN_CLICKED(7, &CButtonParent::OnClicked)
END_MESSAGE_MAP()

TEST(ButtonCreateTest, CreatedButtonsAreThePlatformsButtons)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    CButtonParent parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    CButton button;
    ASSERT_TRUE(button.Create(_T("Go"), BS_PUSHBUTTON | WS_VISIBLE, CRect(10, 10, 60, 30), &parent, 7));
    EXPECT_EQ(7, button.GetDlgCtrlID());
    CString caption;
    button.GetWindowText(caption);
    EXPECT_EQ(CString(_T("Go")), caption);
    EXPECT_EQ(&button, CWnd::FromHandlePermanent(button.m_hWnd));

    button.SetState(TRUE);
    EXPECT_TRUE(button.GetState() & BST_PUSHED);
    button.SetState(FALSE);
    EXPECT_FALSE(button.GetState() & BST_PUSHED);

    button.SendMessage(BM_CLICK);
    host.pump();
    EXPECT_EQ(1, parent.clicks);
    EXPECT_EQ(RUNTIME_CLASS(CWnd), RUNTIME_CLASS(CButton)->m_pBaseClass);
}

// Handles its own click notification, before its parent's map sees it.
class CSelfHandlingButton : public CButton {
public:
    int ownClicks = 0;

protected:
    BOOL OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult) override
    {
        if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
            ++ownClicks;
            return TRUE;
        }
        return CButton::OnChildNotify(message, wParam, lParam, pResult);
    }
};

TEST(ButtonCreateTest, AControlMayHandleItsOwnNotificationFirst)
{
    quarrow::MemoryBackend screen;
    quarrow::Host host(screen);
    CButtonParent parent;
    ASSERT_TRUE(parent.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, 200, 100, nullptr, nullptr));
    CSelfHandlingButton button;
    ASSERT_TRUE(button.Create(_T("Go"), BS_PUSHBUTTON | WS_VISIBLE, CRect(10, 10, 60, 30), &parent, 7));
    button.SendMessage(BM_CLICK);
    EXPECT_EQ(1, button.ownClicks);
    EXPECT_EQ(0, parent.clicks);
}

} // namespace
} // namespace afxtest
