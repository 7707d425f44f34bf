// The framework's extent: a SIZE with constructors and comparison.
// Header-only; it owns nothing. See afx/CPoint.h for its companions.
#pragma once

#include "win32/WinDef.h"

class CSize : public SIZE {
public:
    CSize() noexcept : SIZE{0, 0} {}
    CSize(int initCX, int initCY) noexcept : SIZE{initCX, initCY} {}
    CSize(SIZE initSize) noexcept : SIZE(initSize) {}

    bool operator==(SIZE other) const noexcept { return cx == other.cx && cy == other.cy; }
    bool operator!=(SIZE other) const noexcept { return !(*this == other); }
    CSize operator+(SIZE other) const noexcept { return CSize(cx + other.cx, cy + other.cy); }
    CSize operator-(SIZE other) const noexcept { return CSize(cx - other.cx, cy - other.cy); }
};
