// The framework's shell manager. On the platform it offers the shell's
// folder browsing to framework controls; this system's program only creates
// and deletes one during start-up, so it does nothing: it holds no state,
// touches no window, and writes nothing anywhere.
#pragma once

#include "afx/CObject.h"

class CShellManager : public CObject {
    DECLARE_DYNAMIC(CShellManager)
public:
    CShellManager() = default;
    ~CShellManager() override = default;
};
