// CWnd's side of the ActiveX control container: creating controls, the
// window's container, and calls into the control a window object is bound
// to.
#include <cstdarg>
#include <cstdio>

#include "afx/COccManager.h"
#include "afx/COleControlContainer.h"
#include "afx/COleControlSite.h"
#include "afx/COleException.h"
#include "afx/CWnd.h"

BOOL CWnd::InitControlContainer()
{
    if (m_pCtrlCont) return TRUE;
    COccManager* manager = AfxGetOccManager();
    if (!manager) {
        std::fprintf(stderr, "quarrow: a window cannot hold ActiveX controls: no control container is enabled\n");
        return FALSE;
    }
    m_pCtrlCont = manager->CreateContainer(this);
    return m_pCtrlCont != nullptr;
}

BOOL CWnd::CreateControl(REFCLSID clsid, LPCWSTR pszWindowName, DWORD dwStyle, const RECT& rect, CWnd* pParentWnd,
                         UINT nID)
{
    if (m_hWnd || !pParentWnd || !pParentWnd->m_hWnd) {
        std::fprintf(stderr, "quarrow: CreateControl needs an unbound object and a parent window\n");
        return FALSE;
    }
    if (!pParentWnd->InitControlContainer()) return FALSE;
    COleControlSite* site = nullptr;
    return pParentWnd->m_pCtrlCont->CreateControl(this, clsid, pszWindowName, dwStyle, rect, nID, nullptr, 0, 0,
                                                  &site);
}

void CWnd::DestroyControlContainer()
{
    COleControlContainer* container = m_pCtrlCont;
    if (!container) return;
    m_pCtrlCont = nullptr;
    container->DestroyWithWindow();
}

void CWnd::InvokeHelper(DISPID dwDispID, WORD wFlags, VARTYPE vtRet, void* pvRet, const BYTE* pbParamInfo, ...)
{
    if (!m_pCtrlSite) AfxThrowOleException(E_UNEXPECTED);
    va_list args;
    va_start(args, pbParamInfo);
    try {
        m_pCtrlSite->InvokeHelperV(dwDispID, wFlags, vtRet, pvRet, pbParamInfo, args);
    } catch (...) {
        va_end(args);
        throw;
    }
    va_end(args);
}
