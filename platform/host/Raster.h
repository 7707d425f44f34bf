// The pixel arithmetic of the drawing layer: filling, copying with nearest
// neighbour stretching, the premultiplied alpha blend, and the blending of
// text coverage. Every operation writes only inside the target's clip.
//
// Rounding: a product of two 8-bit values scaled back to 8 bits is
// mul255(a, b) = (a * b + 127) / 255 in integers (round to nearest, exact
// for 0 and 255). The blend "source over destination" of a premultiplied
// source s with constant alpha C is
//     s' = mul255(s, C) for each of b, g, r, a
//     d  = min(255, s' + mul255(d, 255 - s'.a)) for each of b, g, r, a
// so alpha 0 leaves the destination, alpha 255 replaces it.
#pragma once

#include <algorithm>

#include "host/PixelBuffer.h"
#include "win32/WinDef.h"

namespace quarrow {

// Where a drawing operation lands: a pixel buffer, the offset that turns
// device coordinates into buffer coordinates, and the clip in buffer
// coordinates (already inside the buffer).
struct RasterTarget {
    PixelBuffer* buffer = nullptr;
    POINT origin{0, 0};
    RECT clip{0, 0, 0, 0};
};

class Raster {
public:
    static BYTE mul255(int a, int b) { return static_cast<BYTE>((a * b + 127) / 255); }
    static Bgra over(Bgra source, Bgra dest, BYTE constantAlpha);

    // `rect` in device coordinates.
    static void fill(const RasterTarget& target, const RECT& rect, Bgra colour);
    // Copies (and stretches, nearest neighbour sampled at pixel centres;
    // negative sizes mirror) the source rectangle onto the destination
    // rectangle. Source pixels outside the source buffer are skipped.
    static void stretch(const RasterTarget& dest, int x, int y, int width, int height, const PixelBuffer& source,
                        int srcX, int srcY, int srcWidth, int srcHeight);
    // The blend above; without `sourceHasAlpha` every source pixel counts
    // as alpha 255 (so only the constant alpha applies).
    static void alphaBlend(const RasterTarget& dest, int x, int y, int width, int height, const PixelBuffer& source,
                           int srcX, int srcY, int srcWidth, int srcHeight, BYTE constantAlpha,
                           bool sourceHasAlpha);
    // Blends `colour` into the target through an 8-bit coverage mask whose
    // top-left lies at device point (x, y); the destination alpha becomes
    // 255 where coverage is non-zero.
    static void coverage(const RasterTarget& target, int x, int y, const BYTE* mask, int maskWidth,
                         int maskHeight, int maskStride, Bgra colour);

private:
    template <typename PerPixel>
    static void forEachDestPixel(const RasterTarget& dest, int x, int y, int width, int height, int srcX, int srcY,
                                 int srcWidth, int srcHeight, const PixelBuffer& source, PerPixel&& perPixel);
};

inline Bgra Raster::over(Bgra s, Bgra d, BYTE constantAlpha)
{
    if (constantAlpha != 255) {
        s.b = mul255(s.b, constantAlpha);
        s.g = mul255(s.g, constantAlpha);
        s.r = mul255(s.r, constantAlpha);
        s.a = mul255(s.a, constantAlpha);
    }
    const int inv = 255 - s.a;
    auto ch = [inv](BYTE sc, BYTE dc) { return static_cast<BYTE>(std::min(255, sc + mul255(dc, inv))); };
    return Bgra{ch(s.b, d.b), ch(s.g, d.g), ch(s.r, d.r), ch(s.a, d.a)};
}

} // namespace quarrow
