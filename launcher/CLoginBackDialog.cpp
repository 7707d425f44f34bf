#include "launcher/CLoginBackDialog.h"

#include "launcher/CLoginForeDialog.h"
#include "res/resource.h"
#include "win32/Windows.h"

IMPLEMENT_DYNAMIC(CLoginBackDialog, CBackDialogBase)

BEGIN_MESSAGE_MAP(CLoginBackDialog, CBackDialogBase)
END_MESSAGE_MAP()

CLoginBackDialog::CLoginBackDialog()
    : m_hIcon(LoadIconW(AfxGetResourceHandle(), MAKEINTRESOURCEW(IDR_MAINFRAME)))
{
}

CForeDialogBase* CLoginBackDialog::CreateForeDialog() { return new CLoginForeDialog(this); }

BOOL CLoginBackDialog::OnInitDialog()
{
    CBackDialogBase::OnInitDialog();

    SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_hIcon));
    SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_hIcon));
    // No caption bar: the text is what the taskbar and the task switcher show.
    SetWindowText(_T("Quarrow"));
    return TRUE;
}

BOOL CLoginBackDialog::PreTranslateMessage(MSG* pMsg)
{
    // Escape never cancels the launcher.
    if (pMsg->message == WM_KEYDOWN && pMsg->wParam == VK_ESCAPE) return TRUE;
    return CDialog::PreTranslateMessage(pMsg);
}

void CLoginBackDialog::OnOK() {}
