// The GDI+ drawing functions over the drawing layer's device contexts.
#include "win32/GdiPlusGraphics.h"

#include "host/Gdi.h"
#include "host/Host.h"
#include "host/Raster.h"
#include "win32/linux/GpImageData.h"

#include <algorithm>

namespace Gdiplus {

class GpGraphics {
public:
    explicit GpGraphics(HDC d) : dc(d) {}
    HDC dc;
    SmoothingMode smoothing = SmoothingModeDefault;
};

namespace DllExports {

GpStatus WINGDIPAPI GdipCreateFromHDC(HDC dc, GpGraphics** graphics)
{
    if (!graphics) return InvalidParameter;
    *graphics = nullptr;
    if (!quarrow::Host::current().gdi().dc(dc)) return InvalidParameter;
    *graphics = new GpGraphics(dc);
    return Ok;
}

GpStatus WINGDIPAPI GdipDeleteGraphics(GpGraphics* graphics)
{
    if (!graphics) return InvalidParameter;
    delete graphics;
    return Ok;
}

GpStatus WINGDIPAPI GdipSetSmoothingMode(GpGraphics* graphics, SmoothingMode mode)
{
    if (!graphics || mode < SmoothingModeDefault || mode > SmoothingModeAntiAlias8x8) return InvalidParameter;
    // Drawing images is not affected by it; it is kept to be read back.
    graphics->smoothing = mode;
    return Ok;
}

GpStatus WINGDIPAPI GdipGetSmoothingMode(GpGraphics* graphics, SmoothingMode* mode)
{
    if (!graphics || !mode) return InvalidParameter;
    *mode = graphics->smoothing;
    return Ok;
}

GpStatus WINGDIPAPI GdipDrawImageRectI(GpGraphics* graphics, GpImage* image, INT x, INT y, INT width, INT height)
{
    if (!graphics || !image || width < 0 || height < 0) return InvalidParameter;
    const quarrow::DecodedImage& picture = image->pixels;
    if (picture.width <= 0 || picture.height <= 0 || width == 0 || height == 0) return Ok;
    quarrow::Host& host = quarrow::Host::current();
    quarrow::RasterTarget target;
    if (!host.gdi().dc(graphics->dc)) return InvalidParameter;
    if (!host.gdi().target(graphics->dc, target)) return Ok; // a context without pixels
    auto premultiply = [](const BYTE* p) {
        const BYTE a = p[3];
        return quarrow::Bgra{quarrow::Raster::mul255(p[0], a), quarrow::Raster::mul255(p[1], a),
                             quarrow::Raster::mul255(p[2], a), a};
    };
    if (width == picture.width && height == picture.height) {
        // At its own size (how a skin is drawn), pixel for pixel straight
        // from the picture: premultiplied, then source over destination.
        RECT area{x + target.origin.x, y + target.origin.y, x + target.origin.x + width,
                  y + target.origin.y + height};
        area.left = std::max(area.left, target.clip.left);
        area.top = std::max(area.top, target.clip.top);
        area.right = std::min(area.right, target.clip.right);
        area.bottom = std::min(area.bottom, target.clip.bottom);
        quarrow::PixelBuffer& out = *target.buffer;
        for (int by = area.top; by < area.bottom; ++by) {
            const int py = by - (y + target.origin.y);
            for (int bx = area.left; bx < area.right; ++bx) {
                const BYTE* p = picture.pixel(bx - (x + target.origin.x), py);
                out.set(bx, by, quarrow::Raster::over(premultiply(p), out.get(bx, by), 255));
            }
        }
        return Ok;
    }
    // Stretched: the image as premultiplied pixels, then source over
    // destination.
    quarrow::PixelBuffer premultiplied(picture.width, picture.height);
    for (int py = 0; py < picture.height; ++py) {
        for (int px = 0; px < picture.width; ++px) {
            premultiplied.set(px, py, premultiply(picture.pixel(px, py)));
        }
    }
    quarrow::Raster::alphaBlend(target, x, y, width, height, premultiplied, 0, 0, picture.width, picture.height, 255,
                                true);
    return Ok;
}

GpStatus WINGDIPAPI GdipDrawImageI(GpGraphics* graphics, GpImage* image, INT x, INT y)
{
    if (!image) return InvalidParameter;
    return GdipDrawImageRectI(graphics, image, x, y, image->pixels.width, image->pixels.height);
}

} // namespace DllExports

} // namespace Gdiplus
