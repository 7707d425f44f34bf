// The skinned window pair as the benchmarks run it: the layered background
// window with a control-less colour-keyed overlay made from the background's
// own template, so that drag and start-up costs are those of the pair alone,
// without the launcher's browser control.
//
// The background window owns its overlay (through CBackDialogBase).
#pragma once

#include "layered/CBackDialogBase.h"

class BenchBackDialog : public CBackDialogBase {
public:
    BenchBackDialog() = default;

    // The overlay's window, or null before creation.
    HWND ForeWindow() const;

protected:
    CForeDialogBase* CreateForeDialog() override;
};
