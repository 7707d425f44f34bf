// Painting: invalidation and validation (InvalidateRect, ValidateRect,
// GetUpdateRect, UpdateWindow, RedrawWindow), the paint cycle (BeginPaint,
// EndPaint), window device contexts (GetDC, GetWindowDC, ReleaseDC), the
// window manager's drawing helpers (FillRect, FrameRect, DrawFocusRect,
// DrawTextW), the system colours and DestroyIcon.
#include "win32/WinUser.h"

#include "host/SystemMetrics.h"
#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::win;

// ---------------------------------------------------------------------------
// Painting

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase)
{
    if (!hwnd) {
        for (Window* t : host().desktop().children) host().invalidate(*t, nullptr, erase != FALSE, true);
        return TRUE;
    }
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().invalidate(*w, rect, erase != FALSE, !(w->style & WS_CLIPCHILDREN));
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().validate(*w, rect);
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->updatePending ? w->update : RECT{0, 0, 0, 0};
    return w->updatePending ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().updateNow(*w, false);
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags)
{
    Window* w = hwnd ? win(hwnd) : &host().desktop();
    if (!w) return FALSE;
    const bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
    if (flags & RDW_INVALIDATE) host().invalidate(*w, rect, (flags & RDW_ERASE) != 0, children);
    if (flags & RDW_VALIDATE) host().validate(*w, rect);
    if (flags & RDW_FRAME) w->framePending = true;
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) host().updateNow(*w, children);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    Window* w = win(hwnd);
    if (!w || !paint) return nullptr;
    return host().beginPaint(*w, *paint);
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint)
{
    Window* w = win(hwnd);
    if (!w || !paint) return FALSE;
    host().endPaint(*w, *paint);
    return TRUE;
}

HDC GetDC(HWND hwnd)
{
    if (!hwnd || hwnd == host().desktop().handle) {
        return host().gdi().createDc(quarrow::DeviceContext::Surface::Screen, nullptr);
    }
    if (!win(hwnd)) return nullptr;
    return host().gdi().createDc(quarrow::DeviceContext::Surface::Client, hwnd);
}

HDC GetWindowDC(HWND hwnd)
{
    if (!hwnd) return GetDC(nullptr);
    if (!win(hwnd)) return nullptr;
    return host().gdi().createDc(quarrow::DeviceContext::Surface::Window, hwnd);
}

int ReleaseDC(HWND, HDC dc)
{
    quarrow::DeviceContext* d = host().gdi().dc(dc);
    if (!d || d->surface == quarrow::DeviceContext::Surface::Memory) return 0;
    host().gdi().deleteDc(dc);
    return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    quarrow::Gdi& gdi = host().gdi();
    COLORREF colour = 0;
    bool isNull = false;
    if (!rect || !gdi.dc(dc) || !gdi.brushColour(dc, brush, colour, isNull)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (isNull) return 1;
    quarrow::RasterTarget t;
    if (gdi.target(dc, t)) {
        quarrow::Raster::fill(t, *rect, quarrow::Bgra{GetBValue(colour), GetGValue(colour), GetRValue(colour), 255});
    }
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    if (!rect) return 0;
    if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
    const RECT edges[4] = {{rect->left, rect->top, rect->right, rect->top + 1},
                           {rect->left, rect->bottom - 1, rect->right, rect->bottom},
                           {rect->left, rect->top, rect->left + 1, rect->bottom},
                           {rect->right - 1, rect->top, rect->right, rect->bottom}};
    for (const RECT& e : edges) {
        if (!FillRect(dc, &e, brush)) return 0;
    }
    return 1;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect)
{
    // The dotted focus frame is not drawn: no backend shows keyboard cues.
    return host().gdi().dc(dc) && rect ? TRUE : FALSE;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format)
{
    if (!text || !rect || !host().gdi().dc(dc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = 0;
    if (count < 0) {
        while (text[n]) ++n;
    } else {
        n = static_cast<size_t>(count);
    }
    return host().gdi().drawText(dc, std::u16string(text, n), *rect, format);
}

DWORD GetSysColor(int index) { return quarrow::SystemMetrics::sysColour(index); }
HBRUSH GetSysColorBrush(int index) { return host().gdi().sysColourBrush(index); }

BOOL DestroyIcon(HICON icon)
{
    if (!icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}
