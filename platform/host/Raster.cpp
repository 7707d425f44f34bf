#include "host/Raster.h"

#include "host/HostInternal.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace quarrow {

using detail::intersect;

namespace {

// Maps destination offset `d` (0 .. dSize-1) to a source offset for a
// stretch of |sSize| over |dSize| pixels, sampling at pixel centres.
int sampleOffset(int d, int dSize, int sSize)
{
    return static_cast<int>((2LL * d + 1) * sSize / (2LL * dSize));
}

} // namespace

void Raster::fill(const RasterTarget& target, const RECT& rect, Bgra colour)
{
    if (!target.buffer) return;
    RECT r{rect.left + target.origin.x, rect.top + target.origin.y, rect.right + target.origin.x,
           rect.bottom + target.origin.y};
    r = intersect(r, target.clip);
    for (int y = r.top; y < r.bottom; ++y) {
        for (int x = r.left; x < r.right; ++x) target.buffer->set(x, y, colour);
    }
}

template <typename PerPixel>
void Raster::forEachDestPixel(const RasterTarget& dest, int x, int y, int width, int height, int srcX, int srcY,
                              int srcWidth, int srcHeight, const PixelBuffer& source, PerPixel&& perPixel)
{
    if (!dest.buffer || width == 0 || height == 0 || srcWidth == 0 || srcHeight == 0) return;
    // Mirroring: a negative size on one side and not the other flips.
    bool flipX = (width < 0) != (srcWidth < 0);
    bool flipY = (height < 0) != (srcHeight < 0);
    // A negative size runs from the given edge pixel leftwards (upwards),
    // that pixel included, as mirroring blits are written on the platform
    // (x = width - 1 with width -width covers 0 .. width - 1).
    if (width < 0) { x += width + 1; width = -width; }
    if (height < 0) { y += height + 1; height = -height; }
    if (srcWidth < 0) { srcX += srcWidth + 1; srcWidth = -srcWidth; }
    if (srcHeight < 0) { srcY += srcHeight + 1; srcHeight = -srcHeight; }
    RECT area{x + dest.origin.x, y + dest.origin.y, x + dest.origin.x + width, y + dest.origin.y + height};
    area = intersect(area, dest.clip);
    if (area.right <= area.left || area.bottom <= area.top) return;
    // The source column of each destination column, worked out once for
    // all rows (-1: outside the source, skipped).
    std::vector<int> columns(static_cast<size_t>(area.right - area.left));
    for (int bx = area.left; bx < area.right; ++bx) {
        int sx = sampleOffset(bx - (x + dest.origin.x), width, srcWidth);
        if (flipX) sx = srcWidth - 1 - sx;
        sx += srcX;
        columns[static_cast<size_t>(bx - area.left)] = sx >= 0 && sx < source.width() ? sx : -1;
    }
    for (int by = area.top; by < area.bottom; ++by) {
        const int dy = by - (y + dest.origin.y);
        int sy = sampleOffset(dy, height, srcHeight);
        if (flipY) sy = srcHeight - 1 - sy;
        sy += srcY;
        if (sy < 0 || sy >= source.height()) continue;
        for (int bx = area.left; bx < area.right; ++bx) {
            const int sx = columns[static_cast<size_t>(bx - area.left)];
            if (sx >= 0) perPixel(bx, by, source.get(sx, sy));
        }
    }
}

void Raster::stretch(const RasterTarget& dest, int x, int y, int width, int height, const PixelBuffer& source,
                     int srcX, int srcY, int srcWidth, int srcHeight)
{
    PixelBuffer* buffer = dest.buffer;
    forEachDestPixel(dest, x, y, width, height, srcX, srcY, srcWidth, srcHeight, source,
                     [buffer](int bx, int by, Bgra s) { buffer->set(bx, by, s); });
}

void Raster::alphaBlend(const RasterTarget& dest, int x, int y, int width, int height, const PixelBuffer& source,
                        int srcX, int srcY, int srcWidth, int srcHeight, BYTE constantAlpha, bool sourceHasAlpha)
{
    PixelBuffer* buffer = dest.buffer;
    forEachDestPixel(dest, x, y, width, height, srcX, srcY, srcWidth, srcHeight, source,
                     [buffer, constantAlpha, sourceHasAlpha](int bx, int by, Bgra s) {
                         if (!sourceHasAlpha) s.a = 255;
                         buffer->set(bx, by, over(s, buffer->get(bx, by), constantAlpha));
                     });
}

void Raster::coverage(const RasterTarget& target, int x, int y, const BYTE* mask, int maskWidth, int maskHeight,
                      int maskStride, Bgra colour)
{
    if (!target.buffer) return;
    RECT area{x + target.origin.x, y + target.origin.y, x + target.origin.x + maskWidth,
              y + target.origin.y + maskHeight};
    area = intersect(area, target.clip);
    for (int by = area.top; by < area.bottom; ++by) {
        const BYTE* maskRow = mask + static_cast<size_t>(by - (y + target.origin.y)) * maskStride;
        for (int bx = area.left; bx < area.right; ++bx) {
            const BYTE c = maskRow[bx - (x + target.origin.x)];
            if (c == 0) continue;
            const Bgra d = target.buffer->get(bx, by);
            auto mix = [c](BYTE fg, BYTE bg) { return static_cast<BYTE>(std::min(255, mul255(fg, c) + mul255(bg, 255 - c))); };
            target.buffer->set(bx, by, Bgra{mix(colour.b, d.b), mix(colour.g, d.g), mix(colour.r, d.r), 255});
        }
    }
}

} // namespace quarrow
