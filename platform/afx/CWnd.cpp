#include "afx/CWnd.h"

#include <algorithm>
#include <cassert>
#include <vector>

#include "afx/COleControlSite.h"
#include "afx/CWinApp.h"
#include "win32/ErrHandlingApi.h"
#include "win32/LibLoaderApi.h"

IMPLEMENT_DYNAMIC(CWnd, CCmdTarget)

// CWnd's own map makes the reflection of owner drawing and control colours
// to the control objects, and the end of the binding, the defaults for every
// window class.
BEGIN_MESSAGE_MAP(CWnd, CCmdTarget)
    ON_WM_DRAWITEM()
    ON_WM_CTLCOLOR()
    ON_WM_NCDESTROY()
END_MESSAGE_MAP()

const CWnd CWnd::wndTop(HWND_TOP);
const CWnd CWnd::wndBottom(HWND_BOTTOM);
const CWnd CWnd::wndTopMost(HWND_TOPMOST);
const CWnd CWnd::wndNoTopMost(HWND_NOTOPMOST);

namespace {

constexpr LPCWSTR kFrameworkClassName = _T("AfxWnd");

// The framework's own window class, registered with the window system the
// first time a window of it is made (each window system has its own class
// table, so the check is made every time).
bool ensureFrameworkClass(HINSTANCE instance)
{
    WNDCLASSW existing{};
    if (::GetClassInfoW(instance, kFrameworkClassName, &existing)) return true;
    WNDCLASSW wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &::DefWindowProcW;
    wc.hInstance = instance;
    wc.lpszClassName = kFrameworkClassName;
    return ::RegisterClassW(&wc) != 0;
}

} // namespace

CWnd::CWnd() = default;

CWnd::CWnd(HWND hWnd) : m_hWnd(hWnd) {}

CWnd::~CWnd()
{
    // The site of a control this object was bound to outlives it.
    if (m_pCtrlSite && m_pCtrlSite->m_pWndCtrl == this) m_pCtrlSite->m_pWndCtrl = nullptr;
    m_pCtrlSite = nullptr;
    // A window still bound to the object dies with it. Objects that only
    // refer to a window (temporary objects, the insert-after constants) are
    // not in the permanent map and leave it alone.
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) DestroyWindow();
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) Detach();
    // A window that was only attached never showed the framework its
    // WM_DESTROY.
    DestroyControlContainer();
}

// ---------------------------------------------------------------------------
// Creation and destruction

BOOL CWnd::PreCreateWindow(CREATESTRUCT&) { return TRUE; }

BOOL CWnd::Create(LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                  UINT nID, void*)
{
    return CreateEx(0, lpszClassName, lpszWindowName, dwStyle | WS_CHILD, rect, pParentWnd, nID, nullptr);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, const RECT& rect,
                    CWnd* pParentWnd, UINT nID, LPVOID lpParam)
{
    return CreateEx(dwExStyle, lpszClassName, lpszWindowName, dwStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, pParentWnd ? pParentWnd->m_hWnd : nullptr,
                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(nID)), lpParam);
}

BOOL CWnd::CreateEx(DWORD dwExStyle, LPCWSTR lpszClassName, LPCWSTR lpszWindowName, DWORD dwStyle, int x, int y,
                    int nWidth, int nHeight, HWND hWndParent, HMENU nIDorHMenu, LPVOID lpParam)
{
    assert(!m_hWnd && "CWnd::CreateEx on an object that already has a window");
    CREATESTRUCT cs{};
    cs.dwExStyle = dwExStyle;
    cs.lpszClass = lpszClassName;
    cs.lpszName = lpszWindowName;
    cs.style = static_cast<LONG>(dwStyle);
    cs.x = x;
    cs.y = y;
    cs.cx = nWidth;
    cs.cy = nHeight;
    cs.hwndParent = hWndParent;
    cs.hMenu = nIDorHMenu;
    cs.hInstance = AfxGetInstanceHandle();
    cs.lpCreateParams = lpParam;
    if (!PreCreateWindow(cs)) return FALSE;
    if (!cs.lpszClass) {
        if (!ensureFrameworkClass(cs.hInstance)) return FALSE;
        cs.lpszClass = kFrameworkClassName;
    }

    AfxHookWindowCreate(this);
    HWND hWnd = ::CreateWindowExW(cs.dwExStyle, cs.lpszClass, cs.lpszName, static_cast<DWORD>(cs.style), cs.x, cs.y,
                                  cs.cx, cs.cy, cs.hwndParent, cs.hMenu, cs.hInstance, cs.lpCreateParams);
    AfxUnhookWindowCreate();
    if (!hWnd) {
        // Creation failed after the window was bound (its WM_NCDESTROY
        // normally unbinds it already); make sure nothing stays behind.
        const DWORD error = ::GetLastError();
        if (m_hWnd && !::IsWindow(m_hWnd)) Detach();
        ::SetLastError(error);
        return FALSE;
    }
    assert(m_hWnd == hWnd && "the creation hook bound another window");
    return TRUE;
}

BOOL CWnd::DestroyWindow()
{
    if (!m_hWnd) return FALSE;
    HWND hWnd = m_hWnd;
    const bool bound = FromHandlePermanent(hWnd) == this;
    const BOOL result = ::DestroyWindow(hWnd);
    // A window that was only attached (not subclassed) never shows its
    // WM_NCDESTROY to the framework; unbind it here. A temporary object
    // just forgets the handle.
    if (!bound) {
        if (m_hWnd == hWnd) m_hWnd = nullptr;
    } else if (FromHandlePermanent(hWnd) == this && !::IsWindow(hWnd)) {
        Detach();
    }
    return result;
}

void CWnd::PreSubclassWindow() {}
void CWnd::PostNcDestroy() {}

// ---------------------------------------------------------------------------
// Messages

LRESULT CWnd::SendMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::SendMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::PostMessage(UINT message, WPARAM wParam, LPARAM lParam) const
{
    return ::PostMessageW(m_hWnd, message, wParam, lParam);
}

BOOL CWnd::IsDialogMessage(LPMSG lpMsg) { return ::IsDialogMessageW(m_hWnd, lpMsg); }

// ---------------------------------------------------------------------------
// Relations

CWnd* CWnd::GetParent() const { return FromHandle(::GetParent(m_hWnd)); }

CWnd* CWnd::GetParentOwner() const
{
    HWND hWnd = m_hWnd;
    while (hWnd && (static_cast<DWORD>(::GetWindowLongW(hWnd, GWL_STYLE)) & WS_CHILD)) {
        HWND parent = ::GetParent(hWnd);
        if (!parent) break;
        hWnd = parent;
    }
    return FromHandle(hWnd);
}

CWnd* CWnd::GetTopLevelParent() const
{
    if (!m_hWnd) return nullptr;
    HWND hWnd = GetParentOwner()->GetSafeHwnd();
    for (HWND up = hWnd ? ::GetParent(hWnd) : nullptr; up; up = ::GetParent(up)) hWnd = up;
    return FromHandle(hWnd);
}

CWnd* CWnd::GetOwner() const { return m_hWndOwner ? FromHandle(m_hWndOwner) : GetParent(); }

void CWnd::SetOwner(CWnd* pOwnerWnd) { m_hWndOwner = pOwnerWnd ? pOwnerWnd->m_hWnd : nullptr; }

CWnd* CWnd::GetDlgItem(int nID) const { return FromHandle(::GetDlgItem(m_hWnd, nID)); }

int CWnd::GetDlgCtrlID() const { return ::GetDlgCtrlID(m_hWnd); }

// ---------------------------------------------------------------------------
// Geometry

BOOL CWnd::SetWindowPos(const CWnd* pWndInsertAfter, int x, int y, int cx, int cy, UINT nFlags)
{
    return ::SetWindowPos(m_hWnd, pWndInsertAfter ? pWndInsertAfter->m_hWnd : nullptr, x, y, cx, cy, nFlags);
}

void CWnd::MoveWindow(int x, int y, int nWidth, int nHeight, BOOL bRepaint)
{
    // An ActiveX control is moved through its site when it wants to be
    // told (its in-place rectangles), else like any window.
    if (m_pCtrlSite && m_pCtrlSite->SetControlRect(RECT{x, y, x + nWidth, y + nHeight})) return;
    ::MoveWindow(m_hWnd, x, y, nWidth, nHeight, bRepaint);
}

void CWnd::MoveWindow(LPCRECT lpRect, BOOL bRepaint)
{
    MoveWindow(lpRect->left, lpRect->top, lpRect->right - lpRect->left, lpRect->bottom - lpRect->top, bRepaint);
}

void CWnd::GetWindowRect(LPRECT lpRect) const { ::GetWindowRect(m_hWnd, lpRect); }

void CWnd::GetClientRect(LPRECT lpRect) const { ::GetClientRect(m_hWnd, lpRect); }

void CWnd::ClientToScreen(LPPOINT lpPoint) const { ::ClientToScreen(m_hWnd, lpPoint); }

void CWnd::ClientToScreen(LPRECT lpRect) const
{
    POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
    ::ClientToScreen(m_hWnd, &corners[0]);
    ::ClientToScreen(m_hWnd, &corners[1]);
    *lpRect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    if (GetExStyle() & WS_EX_LAYOUTRTL) CRect::SwapLeftRight(lpRect);
}

void CWnd::ScreenToClient(LPPOINT lpPoint) const { ::ScreenToClient(m_hWnd, lpPoint); }

void CWnd::ScreenToClient(LPRECT lpRect) const
{
    POINT corners[2] = {{lpRect->left, lpRect->top}, {lpRect->right, lpRect->bottom}};
    ::ScreenToClient(m_hWnd, &corners[0]);
    ::ScreenToClient(m_hWnd, &corners[1]);
    *lpRect = RECT{corners[0].x, corners[0].y, corners[1].x, corners[1].y};
    if (GetExStyle() & WS_EX_LAYOUTRTL) CRect::SwapLeftRight(lpRect);
}

void CWnd::CenterWindow(CWnd* pAlternateOwner)
{
    assert(m_hWnd && "CenterWindow needs a window");
    const DWORD style = GetStyle();
    CRect window;
    GetWindowRect(&window);

    CRect area;   // what to centre on, in the coordinates the window is placed in
    CRect bounds; // what the window must stay inside
    if (style & WS_CHILD) {
        HWND parent = ::GetParent(m_hWnd);
        ::GetClientRect(parent, &area);
        bounds = area;
        // The window rectangle is on the screen; placement is in the
        // parent's client coordinates.
        POINT origin{0, 0};
        ::ClientToScreen(parent, &origin);
        window.OffsetRect(-origin.x, -origin.y);
    } else {
        ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &bounds, 0);
        HWND center = pAlternateOwner ? pAlternateOwner->m_hWnd : ::GetWindow(m_hWnd, GW_OWNER);
        if (center && ::IsWindowVisible(center) && !::IsIconic(center)) {
            ::GetWindowRect(center, &area);
        } else {
            area = bounds;
        }
    }

    // Midpoint of the area less half the window, then kept inside the
    // bounds (the top-left corner wins when the window is larger).
    int left = (area.left + area.right) / 2 - window.Width() / 2;
    int top = (area.top + area.bottom) / 2 - window.Height() / 2;
    left = std::max<int>(std::min<int>(left, bounds.right - window.Width()), bounds.left);
    top = std::max<int>(std::min<int>(top, bounds.bottom - window.Height()), bounds.top);
    SetWindowPos(nullptr, left, top, -1, -1, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------
// Visibility and state

BOOL CWnd::ShowWindow(int nCmdShow) { return ::ShowWindow(m_hWnd, nCmdShow); }
BOOL CWnd::IsWindowVisible() const { return ::IsWindowVisible(m_hWnd); }
BOOL CWnd::IsIconic() const { return ::IsIconic(m_hWnd); }
BOOL CWnd::IsZoomed() const { return ::IsZoomed(m_hWnd); }
BOOL CWnd::CloseWindow() { return ::CloseWindow(m_hWnd); }
BOOL CWnd::EnableWindow(BOOL bEnable) { return ::EnableWindow(m_hWnd, bEnable); }
BOOL CWnd::IsWindowEnabled() const { return ::IsWindowEnabled(m_hWnd); }

// ---------------------------------------------------------------------------
// Text, styles, icons

void CWnd::SetWindowText(LPCWSTR lpszString) { ::SetWindowTextW(m_hWnd, lpszString); }

int CWnd::GetWindowText(LPWSTR lpszStringBuf, int nMaxCount) const
{
    return ::GetWindowTextW(m_hWnd, lpszStringBuf, nMaxCount);
}

void CWnd::GetWindowText(CString& rString) const
{
    const int length = ::GetWindowTextLengthW(m_hWnd);
    if (length <= 0) {
        rString.Empty();
        return;
    }
    WCHAR* buffer = rString.GetBuffer(length);
    const int copied = ::GetWindowTextW(m_hWnd, buffer, length + 1);
    rString.ReleaseBuffer(copied > 0 ? copied : 0);
}

int CWnd::GetWindowTextLength() const { return ::GetWindowTextLengthW(m_hWnd); }

DWORD CWnd::GetStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_STYLE)); }

DWORD CWnd::GetExStyle() const { return static_cast<DWORD>(::GetWindowLongW(m_hWnd, GWL_EXSTYLE)); }

namespace {

BOOL modifyStyle(HWND hWnd, int index, DWORD remove, DWORD add, UINT flags)
{
    const DWORD old = static_cast<DWORD>(::GetWindowLongW(hWnd, index));
    const DWORD changed = (old & ~remove) | add;
    if (changed == old) return FALSE;
    ::SetWindowLongW(hWnd, index, static_cast<LONG>(changed));
    if (flags != 0) {
        ::SetWindowPos(hWnd, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | flags);
    }
    return TRUE;
}

} // namespace

BOOL CWnd::ModifyStyle(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return modifyStyle(m_hWnd, GWL_STYLE, dwRemove, dwAdd, nFlags);
}

BOOL CWnd::ModifyStyleEx(DWORD dwRemove, DWORD dwAdd, UINT nFlags)
{
    return modifyStyle(m_hWnd, GWL_EXSTYLE, dwRemove, dwAdd, nFlags);
}

HICON CWnd::SetIcon(HICON hIcon, BOOL bBigIcon)
{
    return reinterpret_cast<HICON>(
        SendMessage(WM_SETICON, bBigIcon ? ICON_BIG : ICON_SMALL, reinterpret_cast<LPARAM>(hIcon)));
}

HICON CWnd::GetIcon(BOOL bBigIcon) const
{
    return reinterpret_cast<HICON>(SendMessage(WM_GETICON, bBigIcon ? ICON_BIG : ICON_SMALL, 0));
}

// ---------------------------------------------------------------------------
// Painting

void CWnd::Invalidate(BOOL bErase) { ::InvalidateRect(m_hWnd, nullptr, bErase); }
void CWnd::InvalidateRect(LPCRECT lpRect, BOOL bErase) { ::InvalidateRect(m_hWnd, lpRect, bErase); }
void CWnd::UpdateWindow() { ::UpdateWindow(m_hWnd); }
CDC* CWnd::GetDC() { return CDC::FromHandle(::GetDC(m_hWnd)); }
int CWnd::ReleaseDC(CDC* pDC) { return pDC ? ::ReleaseDC(m_hWnd, pDC->m_hDC) : 0; }

// ---------------------------------------------------------------------------
// Focus and capture

CWnd* CWnd::SetFocus() { return FromHandle(::SetFocus(m_hWnd)); }
CWnd* CWnd::GetFocus() { return FromHandle(::GetFocus()); }
CWnd* CWnd::SetCapture() { return FromHandle(::SetCapture(m_hWnd)); }
CWnd* CWnd::GetCapture() { return FromHandle(::GetCapture()); }
BOOL CWnd::ReleaseCapture() { return ::ReleaseCapture(); }

// ---------------------------------------------------------------------------
// Default handlers

int CWnd::OnCreate(LPCREATESTRUCT) { return static_cast<int>(Default()); }
void CWnd::OnDestroy() { Default(); }
void CWnd::OnNcDestroy() { Default(); }
void CWnd::OnClose() { Default(); }
void CWnd::OnPaint() { Default(); }
BOOL CWnd::OnEraseBkgnd(CDC*) { return static_cast<BOOL>(Default()); }
void CWnd::OnMove(int, int) { Default(); }
void CWnd::OnSize(UINT, int, int) { Default(); }
void CWnd::OnLButtonDown(UINT, CPoint) { Default(); }
void CWnd::OnLButtonUp(UINT, CPoint) { Default(); }
void CWnd::OnMouseMove(UINT, CPoint) { Default(); }
LRESULT CWnd::OnNcHitTest(CPoint) { return Default(); }
HCURSOR CWnd::OnQueryDragIcon() { return reinterpret_cast<HCURSOR>(Default()); }
void CWnd::OnSysCommand(UINT, LPARAM) { Default(); }

HBRUSH CWnd::OnCtlColor(CDC*, CWnd* pWnd, UINT)
{
    LRESULT result = 0;
    if (pWnd && pWnd != this && pWnd->m_hWnd != m_hWnd && ReflectLastMsg(pWnd->m_hWnd, &result)) {
        return reinterpret_cast<HBRUSH>(result);
    }
    return reinterpret_cast<HBRUSH>(Default());
}

void CWnd::OnDrawItem(int, LPDRAWITEMSTRUCT lpDrawItemStruct)
{
    if (lpDrawItemStruct && lpDrawItemStruct->CtlType != ODT_MENU && ReflectLastMsg(lpDrawItemStruct->hwndItem)) {
        return;
    }
    Default();
}
