// The context of one data exchange between a dialog's controls and its
// member variables (CDialog::UpdateData runs DoDataExchange with it), and
// the exchange routines that use it. Made on the stack by UpdateData; it
// refers to the dialog and owns nothing.
#pragma once

#include "win32/WinUser.h"

class CWnd;

class CDataExchange {
public:
    CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate);

    // The window of control `nIDC` in the dialog. A missing control is a
    // fault of the dialog's template or code: the framework's
    // not-supported exception is thrown.
    HWND PrepareCtrl(int nIDC);
    // Ends the exchange: the framework's not-supported exception, which
    // UpdateData reports and turns into FALSE.
    [[noreturn]] void Fail();

    BOOL m_bSaveAndValidate; // TRUE: controls to variables; FALSE: variables to controls
    CWnd* m_pDlgWnd;
    HWND m_idLastControl = nullptr;
};

// Binds `rControl` to the dialog's control `nIDC` the first time it runs
// (SubclassWindow, so rControl's PreSubclassWindow runs and its message map
// sees the control's messages); later exchanges find it bound and do
// nothing. A control that cannot be bound (missing, or bound to another
// object) makes the exchange fail.
void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl);
