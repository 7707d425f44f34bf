// Internal to the window system's sources (Host*.cpp, Raster.cpp): the
// rectangle helpers that several of them share. They are plain arithmetic on RECTs and own
// nothing.
#pragma once

#include "win32/WinDef.h"

#include <algorithm>

namespace quarrow::detail {

inline RECT unite(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

// The part of `a` inside `b`; where they do not meet, an empty rectangle
// (never an inverted one).
inline RECT intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

inline RECT offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

} // namespace quarrow::detail
