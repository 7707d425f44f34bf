#include "browser/CCustomOccManager.h"

#include "browser/CCustomControlSite.h"

COleControlSite* CCustomOccManager::CreateSite(COleControlContainer* pCtrlCont)
{
    // Every control gets the custom site, whatever its class.
    return new CCustomControlSite(pCtrlCont);
}
