#include "afx/CMFCVisualManagerWindows.h"

IMPLEMENT_DYNCREATE(CMFCVisualManagerWindows, CMFCVisualManager)
