// Layered windows: UpdateLayeredWindow (per-pixel alpha from a bitmap) and
// the colour-key and constant-alpha attributes (SetLayeredWindowAttributes,
// GetLayeredWindowAttributes).
#include "win32/WinUser.h"

#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::win;

// ---------------------------------------------------------------------------
// Layered windows

BOOL UpdateLayeredWindow(HWND hwnd, HDC, POINT* destPoint, SIZE* size, HDC sourceDc, POINT* sourcePoint, COLORREF key,
                         BLENDFUNCTION* blend, DWORD flags)
{
    Window* w = win(hwnd);
    return w && host().updateLayeredWindow(*w, destPoint, size, sourceDc, sourcePoint, key, blend, flags);
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags)
{
    Window* w = win(hwnd);
    return w && host().setLayeredAttributes(*w, key, alpha, flags);
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags)
{
    Window* w = win(hwnd);
    if (!w || w->layer != Window::Layer::Attributes) {
        if (w) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (key) *key = w->layerKey;
    if (alpha) *alpha = w->layerAlpha;
    if (flags) *flags = w->layerFlags;
    return TRUE;
}
