// Message maps and CWnd on the memory window system: dispatch through a
// class's own map and then its base maps, the values each handler
// signature receives, Default() reaching the window's original procedure,
// the permanent and temporary handle maps, the end of a binding, and
// handler exceptions stopping at the window procedure.
#include "AfxFixture.h"
#include "support/Wine.h"

#include "afx/CException.h"
#include "afx/CWnd.h"

#include <string>
#include <vector>

namespace afxtest {
namespace {

// A window whose handlers write what they were given into a shared log.
struct Calls {
    std::vector<std::string> names;
    int x = 0, y = 0;
    int cx = 0, cy = 0;
    UINT type = 0;
    UINT flags = 0;
    CPoint point;
    UINT nCtlColor = 99;
    HDC dc = nullptr;
    HWND ctlWnd = nullptr;
    LPVOID createParams = nullptr;
    int createCx = 0;
    UINT sysId = 0;
    LPARAM sysParam = 0;
};

class CBaseWnd : public CWnd {
public:
    explicit CBaseWnd(Calls& calls) : m_calls(calls) {}
    int createResult = 0;
    bool throwOnCreate = false;

protected:
    afx_msg int OnCreate(LPCREATESTRUCT cs)
    {
        m_calls.names.push_back("Base::OnCreate");
        m_calls.createParams = cs->lpCreateParams;
        m_calls.createCx = cs->cx;
        if (throwOnCreate) AfxThrowInvalidArgException();
        if (CWnd::OnCreate(cs) == -1) return -1;
        return createResult;
    }
    afx_msg void OnMove(int x, int y)
    {
        m_calls.names.push_back("Base::OnMove");
        m_calls.x = x;
        m_calls.y = y;
        CWnd::OnMove(x, y);
    }
    afx_msg void OnLButtonDown(UINT nFlags, CPoint point)
    {
        m_calls.names.push_back("Base::OnLButtonDown");
        m_calls.flags = nFlags;
        m_calls.point = point;
    }
    afx_msg LRESULT OnNcHitTest(CPoint point)
    {
        m_calls.point = point;
        m_calls.names.push_back("Base::OnNcHitTest");
        if (point.x < 0) return HTCAPTION;
        return CWnd::OnNcHitTest(point);
    }
    afx_msg HBRUSH OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
    {
        m_calls.nCtlColor = nCtlColor;
        m_calls.dc = pDC ? pDC->GetSafeHdc() : nullptr;
        m_calls.ctlWnd = pWnd ? pWnd->GetSafeHwnd() : nullptr;
        return reinterpret_cast<HBRUSH>(static_cast<ULONG_PTR>(0x5000 + nCtlColor));
    }
    afx_msg HCURSOR OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(static_cast<ULONG_PTR>(0x7777)); }
    afx_msg void OnSysCommand(UINT nID, LPARAM lParam)
    {
        m_calls.sysId = nID;
        m_calls.sysParam = lParam;
    }
    afx_msg LRESULT OnAppMessage(WPARAM wParam, LPARAM lParam) { return static_cast<LRESULT>(wParam * 10 + lParam); }
    afx_msg void OnHome() { m_calls.names.push_back("Base::OnHome"); }
    afx_msg void OnClose() { m_calls.names.push_back("Base::OnClose"); }
    DECLARE_MESSAGE_MAP()

    Calls& m_calls;
};

BEGIN_MESSAGE_MAP(CBaseWnd, CWnd)
    ON_WM_CREATE()
    ON_WM_MOVE()
    ON_WM_LBUTTONDOWN()
    ON_WM_NCHITTEST()
    ON_WM_CTLCOLOR()
    ON_WM_QUERYDRAGICON()
    ON_WM_SYSCOMMAND()
    ON_WM_CLOSE()
    ON_MESSAGE(WM_APP + 1, &CBaseWnd::OnAppMessage)
    ON_BN_CLICKED(1000, &CBaseWnd::OnHome)
END_MESSAGE_MAP()

// Adds WM_SIZE, replaces WM_CLOSE and adds a command; everything else comes
// from the base map.
class CDerivedWnd : public CBaseWnd {
public:
    using CBaseWnd::CBaseWnd;

protected:
    afx_msg void OnSize(UINT nType, int cx, int cy)
    {
        m_calls.names.push_back("Derived::OnSize");
        m_calls.type = nType;
        m_calls.cx = cx;
        m_calls.cy = cy;
    }
    afx_msg void OnClose() { m_calls.names.push_back("Derived::OnClose"); }
    afx_msg void OnMin() { m_calls.names.push_back("Derived::OnMin"); }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CDerivedWnd, CBaseWnd)
    ON_WM_SIZE()
    ON_WM_CLOSE()
    ON_COMMAND(1007, &CDerivedWnd::OnMin)
END_MESSAGE_MAP()

class MessageMapTest : public AfxTest {
protected:
    void create(CWnd& wnd, RECT r = {100, 100, 300, 250}, DWORD style = WS_POPUP | WS_VISIBLE, LPVOID param = nullptr)
    {
        ASSERT_TRUE(wnd.CreateEx(0, nullptr, _T("test"), style, r.left, r.top, r.right - r.left, r.bottom - r.top,
                                 nullptr, nullptr, param));
    }
    Calls calls;
};

TEST_F(MessageMapTest, OwnMapFirstThenBaseMaps)
{
    CDerivedWnd wnd(calls);
    create(wnd);
    calls.names.clear();

    // WM_MOVE is only in the base map, WM_SIZE only in the derived one.
    wnd.SetWindowPos(nullptr, -30, -40, 120, 90, SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ((std::vector<std::string>{"Base::OnMove", "Derived::OnSize"}), calls.names);
    EXPECT_EQ(-30, calls.x); // a popup without frame: the client origin is the window's
    EXPECT_EQ(-40, calls.y);
    EXPECT_EQ(static_cast<UINT>(SIZE_RESTORED), calls.type);
    EXPECT_EQ(120, calls.cx);
    EXPECT_EQ(90, calls.cy);

    calls.names.clear();
    wnd.SetWindowPos(nullptr, 0, 0, 321, 123, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    EXPECT_EQ((std::vector<std::string>{"Derived::OnSize"}), calls.names);
    EXPECT_EQ(321, calls.cx);
    EXPECT_EQ(123, calls.cy);

    // Both maps handle WM_CLOSE: the derived class's handler wins, the base
    // one does not run, and the window is not destroyed by the default.
    calls.names.clear();
    wnd.SendMessage(WM_CLOSE);
    EXPECT_EQ((std::vector<std::string>{"Derived::OnClose"}), calls.names);
    EXPECT_TRUE(IsWindow(wnd.m_hWnd));

    // Commands: the derived map's id (a menu command, no control) and the
    // base map's BN_CLICKED of control 1000.
    const LPARAM control = reinterpret_cast<LPARAM>(plainChild(wnd.m_hWnd, {0, 0, 10, 10}, 1000));
    calls.names.clear();
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1007, 0), 0);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1000, BN_CLICKED), control);
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1000, BN_SETFOCUS), control); // another notification of the same id
    wnd.SendMessage(WM_COMMAND, MAKEWPARAM(1001, BN_CLICKED), control);  // an id nobody maps
    EXPECT_EQ((std::vector<std::string>{"Derived::OnMin", "Base::OnHome"}), calls.names);
}

TEST_F(MessageMapTest, HandlerSignaturesReceiveTheMessageValues)
{
    CBaseWnd wnd(calls);
    create(wnd);

    wnd.SendMessage(WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, MAKELPARAM(-5, 17));
    EXPECT_EQ(static_cast<UINT>(MK_LBUTTON | MK_SHIFT), calls.flags);
    EXPECT_EQ(CPoint(-5, 17), calls.point);

    // WM_NCHITTEST: the screen point, signed; the handler's answer is the result.
    EXPECT_EQ(HTCAPTION, wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(-2, 300)));
    EXPECT_EQ(CPoint(-2, 300), calls.point);
    // Default() gives the window system's own answer for a point in the client area.
    EXPECT_EQ(HTCLIENT, wnd.SendMessage(WM_NCHITTEST, 0, MAKELPARAM(150, 150)));

    // Every control-colour message reaches the one WM_CTLCOLOR entry.
    HDC fakeDc = reinterpret_cast<HDC>(static_cast<ULONG_PTR>(0x1234));
    struct {
        UINT message;
        UINT nCtlColor;
    } const colours[] = {
        {WM_CTLCOLORMSGBOX, CTLCOLOR_MSGBOX}, {WM_CTLCOLOREDIT, CTLCOLOR_EDIT},
        {WM_CTLCOLORLISTBOX, CTLCOLOR_LISTBOX}, {WM_CTLCOLORBTN, CTLCOLOR_BTN},
        {WM_CTLCOLORDLG, CTLCOLOR_DLG},       {WM_CTLCOLORSCROLLBAR, CTLCOLOR_SCROLLBAR},
        {WM_CTLCOLORSTATIC, CTLCOLOR_STATIC},
    };
    for (const auto& c : colours) {
        SCOPED_TRACE(c.message);
        const LRESULT brush =
            wnd.SendMessage(c.message, reinterpret_cast<WPARAM>(fakeDc), reinterpret_cast<LPARAM>(wnd.m_hWnd));
        EXPECT_EQ(static_cast<LRESULT>(0x5000 + c.nCtlColor), brush);
        EXPECT_EQ(c.nCtlColor, calls.nCtlColor);
        EXPECT_EQ(fakeDc, calls.dc);
        EXPECT_EQ(wnd.m_hWnd, calls.ctlWnd);
    }

    EXPECT_EQ(0x7777, wnd.SendMessage(WM_QUERYDRAGICON));
    wnd.SendMessage(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 77);
    EXPECT_EQ(static_cast<UINT>(SC_MOVE | HTCAPTION), calls.sysId);
    EXPECT_EQ(77, calls.sysParam);
    EXPECT_EQ(3 * 10 + 4, wnd.SendMessage(WM_APP + 1, 3, 4));
}

TEST_F(MessageMapTest, CreateSeesTheCreationDataAndCanRefuse)
{
    int marker = 0;
    {
        CBaseWnd wnd(calls);
        create(wnd, {10, 10, 90, 60}, WS_POPUP, &marker);
        EXPECT_EQ(&marker, calls.createParams);
        EXPECT_EQ(80, calls.createCx);
        EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(wnd.m_hWnd));
    }

    CBaseWnd refusing(calls);
    refusing.createResult = -1;
    EXPECT_FALSE(refusing.CreateEx(0, nullptr, _T(""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(nullptr, refusing.m_hWnd);

    // A framework exception in a handler stops at the window procedure; for
    // WM_CREATE it means the window is not created.
    CBaseWnd throwing(calls);
    throwing.throwOnCreate = true;
    EXPECT_FALSE(throwing.CreateEx(0, nullptr, _T(""), WS_POPUP, 0, 0, 10, 10, nullptr, nullptr));
    EXPECT_EQ(nullptr, throwing.m_hWnd);
}

// Binds an existing window of the Plain class; the Plain procedure logs
// what the framework passes on.
class CSubclassed : public CWnd {
public:
    std::vector<HWND> preSubclassed;
    HWND other = nullptr;
    int postNcDestroy = 0;

protected:
    void PreSubclassWindow() override { preSubclassed.push_back(m_hWnd); }
    void PostNcDestroy() override { ++postNcDestroy; }
    afx_msg void OnMove(int, int)
    {
        // A message sent from inside a handler must not change what
        // Default() passes on afterwards.
        ::SendMessageW(other, WM_APP + 5, 1, 2);
        Default();
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CSubclassed, CWnd)
    ON_WM_MOVE()
END_MESSAGE_MAP()

TEST_F(MessageMapTest, SubclassedWindowsPassWhatTheyDoNotHandleToTheirOwnProcedure)
{
    HWND hwnd = plainPopup({0, 0, 50, 50});
    HWND other = plainPopup({60, 0, 90, 30});
    CSubclassed wnd;
    wnd.other = other;
    ASSERT_TRUE(wnd.SubclassWindow(hwnd));
    EXPECT_EQ((std::vector<HWND>{hwnd}), wnd.preSubclassed);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&AfxWndProc), GetWindowLongPtrW(hwnd, GWLP_WNDPROC));

    // Unhandled: straight to the original procedure.
    plain.received.clear();
    ::SendMessageW(hwnd, WM_APP + 9, 5, 6);
    ASSERT_EQ(1, plain.count(WM_APP + 9));
    EXPECT_EQ(hwnd, plain.last(WM_APP + 9)->hwnd);

    // Handled with Default(): the original message, after the nested one.
    plain.received.clear();
    ::SetWindowPos(hwnd, nullptr, 7, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_EQ(1, plain.count(WM_MOVE));
    EXPECT_EQ(hwnd, plain.last(WM_MOVE)->hwnd);
    EXPECT_EQ(MAKELPARAM(7, 8), plain.last(WM_MOVE)->lParam);
    ASSERT_EQ(1, plain.count(WM_APP + 5));
    EXPECT_EQ(other, plain.last(WM_APP + 5)->hwnd);

    // A bound window cannot be bound twice.
    CSubclassed second;
    EXPECT_FALSE(second.SubclassWindow(hwnd));
    EXPECT_FALSE(second.Attach(hwnd));
    EXPECT_EQ(&wnd, CWnd::FromHandlePermanent(hwnd));

    // Its last message ends the binding and restores the procedure.
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
    EXPECT_EQ(1, wnd.postNcDestroy);
    EXPECT_EQ(1, plain.count(WM_NCDESTROY));
    DestroyWindow(other);
}

TEST_F(MessageMapTest, UnsubclassingGivesTheWindowBack)
{
    HWND hwnd = plainPopup({0, 0, 50, 50});
    CSubclassed wnd;
    ASSERT_TRUE(wnd.SubclassWindow(hwnd));
    EXPECT_EQ(hwnd, wnd.UnsubclassWindow());
    EXPECT_EQ(nullptr, wnd.m_hWnd);
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&plainProc), GetWindowLongPtrW(hwnd, GWLP_WNDPROC));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
    EXPECT_TRUE(IsWindow(hwnd)); // the object no longer owns it
    DestroyWindow(hwnd);
}

TEST_F(MessageMapTest, DestroyingTheObjectDestroysItsWindow)
{
    HWND hwnd = nullptr;
    HWND attachedOnly = plainPopup({0, 0, 20, 20});
    {
        CBaseWnd wnd(calls);
        create(wnd);
        hwnd = wnd.m_hWnd;
        CWnd attached;
        ASSERT_TRUE(attached.Attach(attachedOnly));
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_FALSE(IsWindow(attachedOnly));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(attachedOnly));
}

TEST_F(MessageMapTest, TemporaryObjectsForWindowsWithoutOne)
{
    HWND hwnd = plainPopup({0, 0, 20, 20});
    CWnd* temporary = CWnd::FromHandle(hwnd);
    ASSERT_NE(nullptr, temporary);
    EXPECT_EQ(hwnd, temporary->m_hWnd);
    EXPECT_EQ(temporary, CWnd::FromHandle(hwnd));
    EXPECT_EQ(nullptr, CWnd::FromHandlePermanent(hwnd));
    EXPECT_EQ(nullptr, CWnd::FromHandle(nullptr));

    // Idle cleanup keeps the object while its window lives.
    CWnd::DeleteTempMap();
    EXPECT_EQ(temporary, CWnd::FromHandle(hwnd));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&plainProc), GetWindowLongPtrW(hwnd, GWLP_WNDPROC));

    DestroyWindow(hwnd);
    CWnd::DeleteTempMap();
    // A bound object is always preferred to a temporary one.
    HWND again = plainPopup({0, 0, 20, 20});
    CWnd* t = CWnd::FromHandle(again);
    CWnd bound;
    ASSERT_TRUE(bound.Attach(again));
    EXPECT_NE(t, CWnd::FromHandle(again));
    EXPECT_EQ(&bound, CWnd::FromHandle(again));
}

TEST_F(MessageMapTest, RelationsFocusAndCapture)
{
    CBaseWnd owner(calls);
    create(owner, {0, 0, 400, 300});
    CWnd popup;
    ASSERT_TRUE(popup.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 10, 10, 50, 50, owner.m_hWnd, nullptr));
    CWnd child;
    ASSERT_TRUE(child.Create(nullptr, _T(""), WS_VISIBLE, CRect(5, 5, 30, 30), &popup, 42));
    HWND grandchildHandle = plainChild(child.m_hWnd, {1, 1, 5, 5}, 7);

    // GetParent is the platform's: the owner for a popup.
    EXPECT_EQ(&owner, popup.GetParent());
    EXPECT_EQ(&popup, child.GetParent());
    EXPECT_EQ(42, child.GetDlgCtrlID());
    EXPECT_EQ(&child, popup.GetDlgItem(42));
    EXPECT_EQ(nullptr, popup.GetDlgItem(43));
    CWnd* grandchild = CWnd::FromHandle(grandchildHandle);
    EXPECT_EQ(&popup, grandchild->GetParentOwner());
    EXPECT_EQ(&owner, grandchild->GetTopLevelParent());
    EXPECT_EQ(&popup, child.GetOwner());
    child.SetOwner(&owner);
    EXPECT_EQ(&owner, child.GetOwner());

    popup.SetFocus();
    EXPECT_EQ(&popup, child.SetFocus());
    EXPECT_EQ(&child, CWnd::GetFocus());
    EXPECT_EQ(nullptr, child.SetCapture());
    EXPECT_EQ(&child, CWnd::GetCapture());
    EXPECT_EQ(&child, popup.SetCapture());
    EXPECT_TRUE(CWnd::ReleaseCapture());
    EXPECT_EQ(nullptr, CWnd::GetCapture());

    popup.SetWindowText(_T("Quarrow 微端"));
    CString text;
    popup.GetWindowText(text);
    EXPECT_EQ(CString(_T("Quarrow 微端")), text);
    popup.SetWindowText(_T(""));
    popup.GetWindowText(text);
    EXPECT_TRUE(text.IsEmpty());

    HICON icon = reinterpret_cast<HICON>(static_cast<ULONG_PTR>(0x4321));
    EXPECT_EQ(nullptr, popup.SetIcon(icon, TRUE));
    EXPECT_EQ(icon, popup.GetIcon(TRUE));
    EXPECT_EQ(icon, popup.SetIcon(nullptr, TRUE));
}

// Counts the frame changes that reach a window.
class CStyled : public CWnd {
public:
    int positionChanges = 0;

protected:
    afx_msg LRESULT OnPosChanged(WPARAM wParam, LPARAM lParam)
    {
        ++positionChanges;
        return DefWindowProc(WM_WINDOWPOSCHANGED, wParam, lParam);
    }
    DECLARE_MESSAGE_MAP()
};

BEGIN_MESSAGE_MAP(CStyled, CWnd)
    ON_MESSAGE(WM_WINDOWPOSCHANGED, &CStyled::OnPosChanged)
END_MESSAGE_MAP()

TEST_F(MessageMapTest, ModifyStyleChangesBitsAndTheFrameOnlyWhenAsked)
{
    CStyled wnd;
    ASSERT_TRUE(wnd.CreateEx(WS_EX_APPWINDOW, nullptr, _T(""), WS_POPUP | WS_CAPTION | WS_VISIBLE, 0, 0, 100, 80, nullptr,
                             nullptr));
    wnd.positionChanges = 0;

    EXPECT_TRUE(wnd.ModifyStyle(WS_CHILD | WS_CAPTION, WS_POPUP));
    EXPECT_EQ(static_cast<DWORD>(WS_POPUP | WS_VISIBLE), wnd.GetStyle() & ~WS_CLIPSIBLINGS);
    EXPECT_FALSE(wnd.ModifyStyle(WS_CAPTION, 0)); // nothing left to change
    EXPECT_TRUE(wnd.ModifyStyleEx(WS_EX_APPWINDOW, WS_EX_LAYERED));
    EXPECT_EQ(static_cast<DWORD>(WS_EX_LAYERED), wnd.GetExStyle() & (WS_EX_LAYERED | WS_EX_APPWINDOW));
    EXPECT_EQ(0, wnd.positionChanges);

    EXPECT_TRUE(wnd.ModifyStyle(0, WS_BORDER, SWP_FRAMECHANGED));
    if (quarrow::test::RunningUnderWine()) {
        // Wine's X11 driver reports the frame change a second time, when the
        // X server has applied it.
        EXPECT_GE(wnd.positionChanges, 1);
    } else {
        EXPECT_EQ(1, wnd.positionChanges);
    }
}

TEST_F(MessageMapTest, CenterWindowOnOwnerOrWorkArea)
{
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0));

    CWnd lone;
    ASSERT_TRUE(lone.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, 1044, 616, nullptr, nullptr));
    lone.CenterWindow();
    CRect r;
    lone.GetWindowRect(&r);
    EXPECT_EQ((work.left + work.right) / 2 - 1044 / 2, r.left);
    EXPECT_EQ((work.top + work.bottom) / 2 - 616 / 2, r.top);
    EXPECT_EQ(CSize(1044, 616), r.Size());

    // Owned and the owner visible: centred on the owner.
    CWnd owner;
    ASSERT_TRUE(owner.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 100, 200, 400, 300, nullptr, nullptr));
    CWnd owned;
    ASSERT_TRUE(owned.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 0, 0, 101, 51, owner.m_hWnd, nullptr));
    owned.CenterWindow();
    owned.GetWindowRect(&r);
    EXPECT_EQ(CRect(300 - 50, 350 - 25, 300 - 50 + 101, 350 - 25 + 51), r);

    // A hidden owner does not count: the work area does.
    owner.ShowWindow(SW_HIDE);
    owned.CenterWindow();
    owned.GetWindowRect(&r);
    EXPECT_EQ((work.left + work.right) / 2 - 50, r.left);

    // Never outside the work area, even against an owner at its edge.
    owner.SetWindowPos(nullptr, work.right - 100, work.bottom - 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
    owned.CenterWindow();
    owned.GetWindowRect(&r);
    EXPECT_EQ(work.right, r.right);
    EXPECT_EQ(work.bottom, r.bottom);

    // A child: on its parent's client area, in the parent's coordinates.
    CWnd child;
    ASSERT_TRUE(child.Create(nullptr, _T(""), WS_VISIBLE, CRect(0, 0, 40, 20), &lone, 5));
    child.CenterWindow();
    child.GetWindowRect(&r);
    lone.ScreenToClient(&r);
    EXPECT_EQ(CRect(522 - 20, 308 - 10, 522 + 20, 308 + 10), r);
}

TEST_F(MessageMapTest, RectanglesToTheScreenStayOrderedInRightToLeftLayout)
{
    CWnd ltr;
    ASSERT_TRUE(ltr.CreateEx(0, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 100, 50, 200, 100, nullptr, nullptr));
    CWnd rtl;
    ASSERT_TRUE(rtl.CreateEx(WS_EX_LAYOUTRTL, nullptr, _T(""), WS_POPUP | WS_VISIBLE, 100, 50, 200, 100, nullptr, nullptr));
    for (CWnd* wnd : {&ltr, &rtl}) {
        CRect r;
        wnd->GetClientRect(&r);
        wnd->ClientToScreen(&r);
        EXPECT_EQ(CRect(100, 50, 300, 150), r);
        wnd->ScreenToClient(&r);
        EXPECT_EQ(CRect(0, 0, 200, 100), r);
    }
    // The points themselves are mirrored.
    CPoint origin(0, 0);
    rtl.ClientToScreen(&origin);
    EXPECT_EQ(CPoint(300, 50), origin);
}

} // namespace
} // namespace afxtest
