#include "afx/CMFCVisualManager.h"

#include <memory>

#include "afx/CException.h"

IMPLEMENT_DYNCREATE(CMFCVisualManager, CObject)

namespace {

std::unique_ptr<CMFCVisualManager>& activeManager()
{
    static std::unique_ptr<CMFCVisualManager> manager;
    return manager;
}

} // namespace

void CMFCVisualManager::SetDefaultManager(CRuntimeClass* pRTI)
{
    if (!pRTI || !pRTI->IsDerivedFrom(RUNTIME_CLASS(CMFCVisualManager))) AfxThrowInvalidArgException();
    CObject* created = pRTI->CreateObject();
    auto* manager = dynamic_cast<CMFCVisualManager*>(created);
    if (!manager) {
        delete created;
        AfxThrowInvalidArgException();
    }
    activeManager().reset(manager);
}

CMFCVisualManager* CMFCVisualManager::GetInstance() { return activeManager().get(); }

void CMFCVisualManager::DestroyInstance() { activeManager().reset(); }
