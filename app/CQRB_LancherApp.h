// The application object: the process's one CWinApp. All of the launcher's
// life runs inside its InitInstance: it starts the platform services,
// creates the script external object, installs the program's control
// container manager, runs the launcher's background window as a modal
// dialog, tears down what it made, and returns FALSE so that no message
// pump follows.
//
// Owns the script external object for the whole process (deleted by the
// destructor at static destruction, whatever its reference count); the
// control container manager, the shell manager and the background window
// belong to InitInstance.
#pragma once

#include "afx/CWinApp.h"
#include "win32/WinDef.h"

class CImpIDispatch;

class CQRB_LancherApp : public CWinApp {
public:
    CQRB_LancherApp();
    ~CQRB_LancherApp() override;

    BOOL InitInstance() override;
    int ExitInstance() override;

    // Zero until InitInstance starts GDI+; given back in ExitInstance.
    ULONG_PTR m_gdiplusToken;
    // The object page script reaches as window.external; null until
    // InitInstance. Nothing but InitInstance assigns it.
    CImpIDispatch* m_pExternal;

    DECLARE_MESSAGE_MAP()
};

extern CQRB_LancherApp theApp;
