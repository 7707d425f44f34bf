// The window system, layered windows: UpdateLayeredWindow contents and
// position, the colour-key and alpha attributes, and whether mouse input
// passes through a transparent point of a layered window.
#include "host/Host.h"

#include "win32/ErrHandlingApi.h"

namespace quarrow {

// ---------------------------------------------------------------------------
// Layered windows

bool Host::updateLayeredWindow(Window& w, const POINT* position, const SIZE* size, HDC source,
                               const POINT* sourcePoint, COLORREF key, const BLENDFUNCTION* blend, DWORD flags)
{
    if (!(w.exStyle & WS_EX_LAYERED) || w.layer == Window::Layer::Attributes ||
        (flags & ~(ULW_COLORKEY | ULW_ALPHA | ULW_OPAQUE | ULW_EX_NORESIZE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const SIZE target = size ? *size : SIZE{w.width(), w.height()};
    if (target.cx < 0 || target.cy < 0 || (source && (target.cx == 0 || target.cy == 0))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (source) {
        POINT origin{0, 0};
        const PixelBuffer* pixels = m_gdi->sourcePixels(source, origin);
        if (!pixels) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const POINT from = sourcePoint ? *sourcePoint : POINT{0, 0};
        if ((flags & ULW_ALPHA) && (!blend || blend->BlendOp != AC_SRC_OVER)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const bool perPixel = (flags & ULW_ALPHA) && blend->AlphaFormat == AC_SRC_ALPHA;
        const BYTE constant = (flags & ULW_ALPHA) ? blend->SourceConstantAlpha : 255;
        PixelBuffer content(target.cx, target.cy);
        for (int y = 0; y < target.cy; ++y) {
            for (int x = 0; x < target.cx; ++x) {
                const int sx = from.x + x + origin.x;
                const int sy = from.y + y + origin.y;
                if (!pixels->contains(sx, sy)) continue; // outside the source: transparent
                Bgra p = pixels->get(sx, sy);
                if (!perPixel) p.a = 255;
                if ((flags & ULW_COLORKEY) && RGB(p.r, p.g, p.b) == (key & 0x00FFFFFF)) p = Bgra{0, 0, 0, 0};
                if (constant != 255) {
                    p = Bgra{Raster::mul255(p.b, constant), Raster::mul255(p.g, constant),
                             Raster::mul255(p.r, constant), Raster::mul255(p.a, constant)};
                }
                content.set(x, y, p);
            }
        }
        w.layerPixels = std::move(content);
        w.layer = Window::Layer::PerPixel;
    }
    const bool move = position && (position->x != w.rect.left || position->y != w.rect.top);
    const bool resize = size && (size->cx != w.width() || size->cy != w.height());
    if (move || resize) {
        setWindowPos(w, nullptr, position ? position->x : 0, position ? position->y : 0, target.cx, target.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE | (move ? 0 : SWP_NOMOVE) | (resize ? 0 : SWP_NOSIZE));
    } else {
        changed(w);
    }
    return true;
}

bool Host::setLayeredAttributes(Window& w, COLORREF key, BYTE alpha, DWORD flags)
{
    if (!(w.exStyle & WS_EX_LAYERED) || (flags & ~(LWA_COLORKEY | LWA_ALPHA))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    w.layer = Window::Layer::Attributes;
    w.layerPixels = PixelBuffer();
    w.layerKey = key & 0x00FFFFFF;
    w.layerAlpha = alpha;
    w.layerFlags = flags;
    invalidate(w, nullptr, true, true);
    changed(w);
    return true;
}

bool Host::passesInput(const Window& top, POINT screen) const
{
    if (!(top.exStyle & WS_EX_LAYERED)) return false;
    if (top.exStyle & WS_EX_TRANSPARENT) return true;
    const int x = screen.x - top.rect.left;
    const int y = screen.y - top.rect.top;
    switch (top.layer) {
    case Window::Layer::None:
        return true;
    case Window::Layer::PerPixel:
        return !top.layerPixels.contains(x, y) || top.layerPixels.get(x, y).a == 0;
    case Window::Layer::Attributes:
        if ((top.layerFlags & LWA_COLORKEY) && top.surface.contains(x, y)) {
            const Bgra p = top.surface.get(x, y);
            return RGB(p.r, p.g, p.b) == top.layerKey;
        }
        return false;
    }
    return false;
}

} // namespace quarrow
