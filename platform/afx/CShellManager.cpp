#include "afx/CShellManager.h"

IMPLEMENT_DYNAMIC(CShellManager, CObject)
