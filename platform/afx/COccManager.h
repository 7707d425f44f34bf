// The control-container manager: the object the framework asks for a
// control container when a window gets its first ActiveX control, and for
// a site for every control. A program changes how its controls are hosted
// by installing a manager of its own that overrides CreateSite or
// CreateContainer.
//
// Ownership. AfxEnableControlContainer installs a manager without taking
// it: the program owns what it installs and deletes it when no more
// controls are made; a manager being deleted uninstalls itself, so no
// pointer to it is left behind. The default manager (installed when null
// is given) belongs to the framework. Containers and sites that a manager
// made belong to their windows and containers, not to the manager, and
// outlive it.
#pragma once

#include "afx/CNoTrackObject.h"

class CWnd;
class COleControlContainer;
class COleControlSite;

class COccManager : public CNoTrackObject {
public:
    COccManager() = default;
    ~COccManager() override;

    // A new container for `pWnd`'s controls; the window owns it.
    virtual COleControlContainer* CreateContainer(CWnd* pWnd);
    // A new site for one control of `pCtrlCont`; the container owns it.
    virtual COleControlSite* CreateSite(COleControlContainer* pCtrlCont);
};

// Installs `pOccManager` (null: the framework's default manager). From then
// on the framework's dialogs create the template controls named "{CLSID}"
// in their control containers (CDialog). Call it before the first dialog
// with such controls.
void AfxEnableControlContainer(COccManager* pOccManager = nullptr);

// The installed manager, or null when none is (never enabled, or the
// installed one has been deleted).
COccManager* AfxGetOccManager();
