#include "layered/CForeDialogBase.h"

#include "win32/Windows.h"

IMPLEMENT_DYNAMIC(CForeDialogBase, CDialog)

BEGIN_MESSAGE_MAP(CForeDialogBase, CDialog)
    ON_WM_CTLCOLOR()
END_MESSAGE_MAP()

CForeDialogBase::CForeDialogBase(UINT nIDTemplate, CWnd* pParent)
    : CDialog(nIDTemplate, pParent), m_clrKey(RGB(0, 0, 0)), m_nTemplateId(nIDTemplate)
{
}

CForeDialogBase::~CForeDialogBase()
{
    if (m_hKeyBrush) {
        DeleteObject(m_hKeyBrush);
        m_hKeyBrush = nullptr;
    }
}

void CForeDialogBase::CreateOnParent()
{
    Create(m_nTemplateId, m_pParentWnd);
    RECT rc{};
    if (m_pParentWnd) m_pParentWnd->GetWindowRect(&rc);
    SetWindowPos(&CWnd::wndTop, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_SHOWWINDOW);
}

BOOL CForeDialogBase::OnInitDialog()
{
    CDialog::OnInitDialog();
    ModifyStyle(WS_CAPTION | WS_THICKFRAME | DS_MODALFRAME, WS_POPUP);
    ModifyStyleEx(WS_EX_APPWINDOW | WS_EX_DLGMODALFRAME, WS_EX_LAYERED);
    SetLayeredWindowAttributes(GetSafeHwnd(), m_clrKey, 0, LWA_COLORKEY);
    return TRUE;
}

void CForeDialogBase::CloseParent()
{
    HWND parent = ::GetParent(GetSafeHwnd());
    if (parent) ::SendMessageW(parent, WM_CLOSE, 0, 0);
}

void CForeDialogBase::OnOK()
{
    CloseParent();
    CDialog::OnOK();
}

void CForeDialogBase::OnCancel()
{
    CloseParent();
    CDialog::OnCancel();
}

HBRUSH CForeDialogBase::OnCtlColor(CDC* pDC, CWnd* pWnd, UINT nCtlColor)
{
    if (nCtlColor == CTLCOLOR_DLG) {
        if (!m_hKeyBrush) m_hKeyBrush = CreateSolidBrush(m_clrKey);
        return m_hKeyBrush;
    }
    return CDialog::OnCtlColor(pDC, pWnd, nCtlColor);
}
