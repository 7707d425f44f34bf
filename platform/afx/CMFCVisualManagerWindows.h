// The visual manager that gives framework controls the look of the
// platform's own controls; like its base (afx/CMFCVisualManager.h) it draws
// nothing in this system and exists to be selected.
#pragma once

#include "afx/CMFCVisualManager.h"

class CMFCVisualManagerWindows : public CMFCVisualManager {
    DECLARE_DYNCREATE(CMFCVisualManagerWindows)
public:
    CMFCVisualManagerWindows() = default;
    ~CMFCVisualManagerWindows() override = default;
};
