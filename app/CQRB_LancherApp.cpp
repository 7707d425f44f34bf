#include "app/CQRB_LancherApp.h"

#include "afx/CMFCVisualManager.h"
#include "afx/CMFCVisualManagerWindows.h"
#include "afx/COccManager.h"
#include "afx/CShellManager.h"
#include "browser/CCustomOccManager.h"
#include "browser/CImpIDispatch.h"
#include "launcher/CLoginBackDialog.h"
#include "win32/CommCtrl.h"
#include "win32/GdiPlus.h"

BEGIN_MESSAGE_MAP(CQRB_LancherApp, CWinApp)
    ON_COMMAND(ID_HELP, &CWinApp::OnHelp)
END_MESSAGE_MAP()

// Both members are zero through static storage before this constructor
// runs; it leaves them alone.
CQRB_LancherApp::CQRB_LancherApp() : CWinApp(nullptr)
{
    m_dwRestartManagerSupportFlags = AFX_RESTART_MANAGER_SUPPORT_RESTART;
}

CQRB_LancherApp::~CQRB_LancherApp()
{
    // The object's Release never deletes it; its owner does, whatever a
    // page still holds.
    if (m_pExternal) {
        delete m_pExternal;
        m_pExternal = nullptr;
    }
}

// The one application object.
CQRB_LancherApp theApp;

BOOL CQRB_LancherApp::InitInstance()
{
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof(controls);
    controls.dwICC = ICC_WIN95_CLASSES;
    InitCommonControlsEx(&controls);

    Gdiplus::GdiplusStartupInput startup;
    Gdiplus::GdiplusStartup(&m_gdiplusToken, &startup, nullptr);

    CWinApp::InitInstance();

    // The manager must be installed before the launcher's dialogs exist:
    // the overlay's browser comes from its template.
    CCustomOccManager* pManager = new CCustomOccManager;
    m_pExternal = new CImpIDispatch;
    AfxEnableControlContainer(pManager);

    CShellManager* pShellManager = new CShellManager;
    CMFCVisualManager::SetDefaultManager(RUNTIME_CLASS(CMFCVisualManagerWindows));
    SetRegistryKey(_T("应用程序向导生成的本地应用程序"));

    {
        CLoginBackDialog dlg;
        m_pMainWnd = &dlg;
        dlg.DoModal();

        delete pManager;
        delete pShellManager;
        // The framework clears the pointer when the window is destroyed; a
        // window that was never created leaves it set, and it must not
        // outlive the object.
        if (m_pMainWnd == &dlg) m_pMainWnd = nullptr;
    }
    return FALSE;
}

int CQRB_LancherApp::ExitInstance()
{
    Gdiplus::GdiplusShutdown(m_gdiplusToken);
    return CWinApp::ExitInstance();
}
