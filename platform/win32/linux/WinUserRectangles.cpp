// The rectangle functions: SetRect, CopyRect, IsRectEmpty, EqualRect,
// PtInRect, OffsetRect, InflateRect, IntersectRect, UnionRect and
// SubtractRect. They are plain arithmetic and touch no window.
#include "win32/WinUser.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// Rectangles

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT dest, const RECT* source)
{
    if (!dest || !source) return FALSE;
    *dest = *source;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }

BOOL EqualRect(const RECT* a, const RECT* b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL PtInRect(const RECT* rect, POINT p)
{
    return rect && p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT dest, const RECT* a, const RECT* b)
{
    if (!dest || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (r.right <= r.left || r.bottom <= r.top) {
        *dest = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *dest = r;
    return TRUE;
}

BOOL UnionRect(LPRECT dest, const RECT* a, const RECT* b)
{
    if (!dest || !a || !b) return FALSE;
    if (IsRectEmpty(a)) return CopyRect(dest, b) && !IsRectEmpty(b);
    if (IsRectEmpty(b)) return CopyRect(dest, a);
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
    return TRUE;
}

BOOL SubtractRect(LPRECT dest, const RECT* a, const RECT* b)
{
    if (!dest || !a || !b) return FALSE;
    RECT r = *a;
    RECT i;
    if (IntersectRect(&i, a, b)) {
        // Only a cut that removes a whole side leaves a rectangle.
        if (i.top == r.top && i.bottom == r.bottom) {
            if (i.left == r.left) r.left = i.right;
            else if (i.right == r.right) r.right = i.left;
        } else if (i.left == r.left && i.right == r.right) {
            if (i.top == r.top) r.top = i.bottom;
            else if (i.bottom == r.bottom) r.bottom = i.top;
        }
    }
    *dest = r;
    return !IsRectEmpty(&r);
}
