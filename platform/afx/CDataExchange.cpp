#include "afx/CDataExchange.h"

#include <cassert>
#include <cstdio>

#include "afx/CException.h"
#include "afx/CWnd.h"

CDataExchange::CDataExchange(CWnd* pDlgWnd, BOOL bSaveAndValidate)
    : m_bSaveAndValidate(bSaveAndValidate), m_pDlgWnd(pDlgWnd)
{
    assert(pDlgWnd && "a data exchange needs its dialog");
}

HWND CDataExchange::PrepareCtrl(int nIDC)
{
    HWND hWndCtrl = ::GetDlgItem(m_pDlgWnd->GetSafeHwnd(), nIDC);
    if (!hWndCtrl) {
        std::fprintf(stderr, "quarrow: the dialog has no control with id %d to exchange data with\n", nIDC);
        Fail();
    }
    m_idLastControl = hWndCtrl;
    return hWndCtrl;
}

void CDataExchange::Fail() { AfxThrowNotSupportedException(); }

void DDX_Control(CDataExchange* pDX, int nIDC, CWnd& rControl)
{
    if (rControl.GetSafeHwnd()) return;
    HWND hWndCtrl = pDX->PrepareCtrl(nIDC);
    if (!rControl.SubclassWindow(hWndCtrl)) {
        std::fprintf(stderr, "quarrow: control %d of the dialog is bound to another object already\n", nIDC);
        pDX->Fail();
    }
}
