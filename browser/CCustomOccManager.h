// The program's control-container manager: the framework asks it for a
// site for every ActiveX control created in a dialog, and it answers with
// the program's own site, whose document host hides the page's border,
// scroll bars and context menu and hands out the script external object.
//
// One instance in the program; the application object creates it, installs
// it with AfxEnableControlContainer and deletes it once the launcher window
// has gone.
#pragma once

#include "afx/COccManager.h"

class CCustomOccManager : public COccManager {
public:
    CCustomOccManager() = default;
    ~CCustomOccManager() override = default;

    COleControlSite* CreateSite(COleControlContainer* pCtrlCont) override;
};
