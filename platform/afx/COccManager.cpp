#include "afx/COccManager.h"

#include "afx/COleControlContainer.h"
#include "afx/COleControlSite.h"

namespace {

// One GUI thread runs the framework, so the installed manager is plain
// data, like the framework's handle maps.
COccManager* g_installed = nullptr;

COccManager& defaultManager()
{
    static COccManager manager;
    return manager;
}

} // namespace

COccManager::~COccManager()
{
    if (g_installed == this) g_installed = nullptr;
}

COleControlContainer* COccManager::CreateContainer(CWnd* pWnd) { return new COleControlContainer(pWnd); }

COleControlSite* COccManager::CreateSite(COleControlContainer* pCtrlCont) { return new COleControlSite(pCtrlCont); }

void AfxEnableControlContainer(COccManager* pOccManager)
{
    g_installed = pOccManager ? pOccManager : &defaultManager();
}

COccManager* AfxGetOccManager() { return g_installed; }
