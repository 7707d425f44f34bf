// GDI+, the part that draws: a drawing surface over a device context
// (Gdiplus::Graphics and its flat functions), its smoothing mode, and
// drawing an image into a rectangle. Part of the drawing layer; images come
// from win32/GdiPlus.h. Drawing composes the image's straight-alpha pixels,
// premultiplied, source over destination, onto the context's pixels (a
// 32-bit DIB section keeps the result as premultiplied BGRA, ready for
// UpdateLayeredWindow); a size other than the image's picks the nearest
// source pixel.
#pragma once

#if defined(_WIN32)
// The Windows build takes these declarations from the SDK: <windows.h>, <objidl.h>, <gdiplus.h>.
#include "win32/TChar.h"
#include <objidl.h>
#include <gdiplus.h>
#else

#include "win32/GdiPlus.h"
#include "win32/WinDef.h"

namespace Gdiplus {

enum SmoothingMode {
    SmoothingModeInvalid = -1,
    SmoothingModeDefault = 0,
    SmoothingModeHighSpeed = 1,
    SmoothingModeHighQuality = 2,
    SmoothingModeNone = 3,
    SmoothingModeAntiAlias = 4,
    SmoothingModeAntiAlias8x4 = 4,
    SmoothingModeAntiAlias8x8 = 5
};

// The native drawing surface; what it holds is the platform's own.
class GpGraphics;

namespace DllExports {
// InvalidParameter for a null pointer or a handle that is not a device
// context; *graphics is null on failure.
GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics);
GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics);
GpStatus WINGDIPAPI GdipSetSmoothingMode(GpGraphics* graphics, SmoothingMode mode);
GpStatus WINGDIPAPI GdipGetSmoothingMode(GpGraphics* graphics, SmoothingMode* mode);
// InvalidParameter for a null argument or a negative size.
GpStatus WINGDIPAPI GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, INT x, INT y, INT width, INT height);
GpStatus WINGDIPAPI GdipDrawImageI(GpGraphics* graphics, GpImage* image, INT x, INT y);
} // namespace DllExports

class Graphics {
public:
    explicit Graphics(HDC dc) { lastResult = DllExports::GdipCreateFromHDC(dc, &nativeGraphics); }
    ~Graphics() { DllExports::GdipDeleteGraphics(nativeGraphics); }
    Graphics(const Graphics&) = delete;
    Graphics& operator=(const Graphics&) = delete;

    static Graphics* FromHDC(HDC dc) { return new Graphics(dc); }

    Status SetSmoothingMode(SmoothingMode mode) { return SetStatus(DllExports::GdipSetSmoothingMode(nativeGraphics, mode)); }
    SmoothingMode GetSmoothingMode() const
    {
        SmoothingMode mode = SmoothingModeInvalid;
        SetStatus(DllExports::GdipGetSmoothingMode(nativeGraphics, &mode));
        return mode;
    }
    Status DrawImage(Image* image, INT x, INT y, INT width, INT height)
    {
        return SetStatus(DllExports::GdipDrawImageRectI(nativeGraphics, image ? image->nativeImage : nullptr, x, y,
                                                        width, height));
    }
    Status DrawImage(Image* image, INT x, INT y)
    {
        return SetStatus(DllExports::GdipDrawImageI(nativeGraphics, image ? image->nativeImage : nullptr, x, y));
    }
    Status GetLastStatus() const
    {
        const Status s = lastResult;
        lastResult = Ok;
        return s;
    }

private:
    Status SetStatus(Status status) const
    {
        if (status != Ok) lastResult = status;
        return status;
    }

    GpGraphics* nativeGraphics = nullptr;
    mutable Status lastResult = Ok;
};

} // namespace Gdiplus

#endif // _WIN32
