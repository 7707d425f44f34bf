// The framework's visual manager: on the platform it decides how framework
// controls (toolbars, menus, tabs) look. This system has none of those
// controls, so the managers draw nothing; selecting one
// (SetDefaultManager) only records which one is active. Nothing is written
// anywhere.
//
// The framework owns the active manager object: SetDefaultManager creates
// it from its run-time class and deletes the one it replaces;
// DestroyInstance (or process exit) deletes the last one.
#pragma once

#include "afx/CObject.h"

class CMFCVisualManager : public CObject {
    DECLARE_DYNCREATE(CMFCVisualManager)
public:
    CMFCVisualManager() = default;
    ~CMFCVisualManager() override = default;

    // Makes an object of `pRTI` the active manager. A class that is not a
    // visual manager, or cannot be created, raises the framework's
    // invalid-argument error and leaves the active manager as it was.
    static void SetDefaultManager(CRuntimeClass* pRTI);
    // The active manager, or null before any was selected.
    static CMFCVisualManager* GetInstance();
    static void DestroyInstance();
};
