#include "afx/CDataExchange.h"

#include <cassert>
#include <cstdio>

#include "afx/CException.h"
#include "afx/COleControlContainer.h"
#include "afx/COleControlSite.h"
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
    // An ActiveX control: the object is attached to the control's site as
    // well, so that its InvokeHelper reaches the control.
    COleControlContainer* container = pDX->m_pDlgWnd->m_pCtrlCont;
    COleControlSite* site = container ? container->FindItem(static_cast<UINT>(nIDC)) : nullptr;
    if (site && site->m_hWnd == hWndCtrl) {
        rControl.m_pCtrlSite = site;
        site->m_pWndCtrl = &rControl;
    }
}
