#include "afx/CButton.h"

#include <cassert>

IMPLEMENT_DYNAMIC(CButton, CWnd)

CButton::~CButton()
{
    if (m_hWnd && FromHandlePermanent(m_hWnd) == this) DestroyWindow();
}

BOOL CButton::Create(LPCWSTR lpszCaption, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd, UINT nID)
{
    return CreateEx(0, _T("Button"), lpszCaption, dwStyle | WS_CHILD, rect, pParentWnd, nID);
}

UINT CButton::GetState() const { return static_cast<UINT>(SendMessage(BM_GETSTATE)); }
void CButton::SetState(BOOL bHighlight) { SendMessage(BM_SETSTATE, static_cast<WPARAM>(bHighlight)); }
int CButton::GetCheck() const { return static_cast<int>(SendMessage(BM_GETCHECK)); }
void CButton::SetCheck(int nCheck) { SendMessage(BM_SETCHECK, static_cast<WPARAM>(nCheck)); }
UINT CButton::GetButtonStyle() const { return GetStyle() & 0xFFFF; }

void CButton::SetButtonStyle(UINT nStyle, BOOL bRedraw)
{
    SendMessage(BM_SETSTYLE, nStyle, static_cast<LPARAM>(bRedraw));
}

void CButton::DrawItem(LPDRAWITEMSTRUCT)
{
    assert(false && "an owner-drawn button class must override CButton::DrawItem");
}

BOOL CButton::OnChildNotify(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* pResult)
{
    if (message != WM_DRAWITEM) return CWnd::OnChildNotify(message, wParam, lParam, pResult);
    DrawItem(reinterpret_cast<LPDRAWITEMSTRUCT>(lParam));
    if (pResult) *pResult = TRUE;
    return TRUE;
}
