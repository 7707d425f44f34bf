// The fixed look of this window system at 96 dots per inch: system colours,
// frame and caption sizes, icon sizes, and the dialog base units. The
// values are chosen once here (they follow the platform's defaults of its
// classic look) so that every window, test and screenshot agrees.
#pragma once

#include "win32/WinDef.h"

namespace quarrow {

class SystemMetrics {
public:
    static constexpr int kCaptionHeight = 23;  // SM_CYCAPTION
    static constexpr int kBorder = 1;          // SM_CXBORDER
    static constexpr int kDialogFrame = 3;     // SM_CXDLGFRAME
    static constexpr int kSizingFrame = 4;     // SM_CXFRAME
    static constexpr int kEdge = 2;            // SM_CXEDGE
    static constexpr int kIcon = 32;           // SM_CXICON
    static constexpr int kSmallIcon = 16;      // SM_CXSMICON
    static constexpr int kMinimizedWidth = 160;
    static constexpr int kMinimizedHeight = 28;
    // Where a minimised top-level window is put, as on the platform.
    static constexpr int kMinimizedPosition = -32000;
    // Base units of every dialog font (one horizontal dialog unit is a
    // quarter, one vertical unit an eighth), and of the system font for
    // dialogs without a font.
    static constexpr int kDialogBaseX = 6;
    static constexpr int kDialogBaseY = 13;
    static constexpr int kSystemBaseX = 8;
    static constexpr int kSystemBaseY = 16;
    static constexpr int kDpi = 96;

    // COLOR_* index to colour; out of range gives 0.
    static COLORREF sysColour(int index);
};

} // namespace quarrow
