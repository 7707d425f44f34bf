// The framework's rectangle: a RECT with the arithmetic that window code
// uses. Containment follows the platform's rule: the left and top edges are
// inside, the right and bottom edges outside. Header-only; it owns nothing.
// See afx/CPoint.h for its companions.
#pragma once

#include "afx/CPoint.h"
#include "afx/CSize.h"
#include "win32/WinDef.h"

class CRect : public RECT {
public:
    CRect() noexcept : RECT{0, 0, 0, 0} {}
    CRect(int l, int t, int r, int b) noexcept : RECT{l, t, r, b} {}
    CRect(const RECT& source) noexcept : RECT(source) {}
    CRect(LPCRECT source) noexcept : RECT(*source) {}
    CRect(POINT topLeft, SIZE size) noexcept : RECT{topLeft.x, topLeft.y, topLeft.x + size.cx, topLeft.y + size.cy}
    {
    }
    CRect(POINT topLeft, POINT bottomRight) noexcept : RECT{topLeft.x, topLeft.y, bottomRight.x, bottomRight.y} {}

    int Width() const noexcept { return right - left; }
    int Height() const noexcept { return bottom - top; }
    CSize Size() const noexcept { return CSize(Width(), Height()); }
    CPoint TopLeft() const noexcept { return CPoint(left, top); }
    CPoint BottomRight() const noexcept { return CPoint(right, bottom); }
    CPoint CenterPoint() const noexcept { return CPoint((left + right) / 2, (top + bottom) / 2); }

    BOOL IsRectEmpty() const noexcept { return (left >= right || top >= bottom) ? TRUE : FALSE; }
    BOOL IsRectNull() const noexcept { return (left == 0 && top == 0 && right == 0 && bottom == 0) ? TRUE : FALSE; }
    BOOL PtInRect(POINT point) const noexcept
    {
        return (point.x >= left && point.x < right && point.y >= top && point.y < bottom) ? TRUE : FALSE;
    }

    void SetRect(int l, int t, int r, int b) noexcept
    {
        left = l;
        top = t;
        right = r;
        bottom = b;
    }
    void SetRectEmpty() noexcept { SetRect(0, 0, 0, 0); }
    void OffsetRect(int dx, int dy) noexcept
    {
        left += dx;
        right += dx;
        top += dy;
        bottom += dy;
    }
    void OffsetRect(POINT delta) noexcept { OffsetRect(delta.x, delta.y); }
    void InflateRect(int dx, int dy) noexcept
    {
        left -= dx;
        right += dx;
        top -= dy;
        bottom += dy;
    }
    void DeflateRect(int dx, int dy) noexcept { InflateRect(-dx, -dy); }
    void MoveToXY(int x, int y) noexcept { OffsetRect(x - left, y - top); }
    // Puts left and right back in order after a mirrored (right-to-left)
    // mapping exchanged them.
    void SwapLeftRight() noexcept { SwapLeftRight(this); }
    static void SwapLeftRight(LPRECT rect) noexcept
    {
        const LONG t = rect->left;
        rect->left = rect->right;
        rect->right = t;
    }

    operator LPRECT() noexcept { return this; }
    operator LPCRECT() const noexcept { return this; }

    bool operator==(const RECT& other) const noexcept
    {
        return left == other.left && top == other.top && right == other.right && bottom == other.bottom;
    }
    bool operator!=(const RECT& other) const noexcept { return !(*this == other); }
};
