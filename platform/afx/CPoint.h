// The framework's point: a POINT with constructors and the few operators
// that message handlers and geometry code use. Header-only; it owns nothing.
// CSize (afx/CSize.h) and CRect (afx/CRect.h) are its companions; together
// they are the framework's small geometry value types.
#pragma once

#include "win32/WinDef.h"

class CPoint : public POINT {
public:
    CPoint() noexcept : POINT{0, 0} {}
    CPoint(int initX, int initY) noexcept : POINT{initX, initY} {}
    CPoint(POINT initPt) noexcept : POINT(initPt) {}
    // The signed low and high words of a message parameter, as mouse
    // messages pack their coordinates.
    explicit CPoint(LPARAM packed) noexcept
        : POINT{static_cast<LONG>(static_cast<SHORT>(LOWORD(packed))),
                static_cast<LONG>(static_cast<SHORT>(HIWORD(packed)))}
    {
    }

    void Offset(int dx, int dy) noexcept
    {
        x += dx;
        y += dy;
    }
    void SetPoint(int newX, int newY) noexcept
    {
        x = newX;
        y = newY;
    }

    bool operator==(POINT other) const noexcept { return x == other.x && y == other.y; }
    bool operator!=(POINT other) const noexcept { return !(*this == other); }
    CPoint operator+(POINT other) const noexcept { return CPoint(x + other.x, y + other.y); }
    CPoint operator-(POINT other) const noexcept { return CPoint(x - other.x, y - other.y); }
    CPoint operator-() const noexcept { return CPoint(-x, -y); }
    CPoint& operator+=(POINT other) noexcept
    {
        Offset(other.x, other.y);
        return *this;
    }
    CPoint& operator-=(POINT other) noexcept
    {
        Offset(-other.x, -other.y);
        return *this;
    }
};
