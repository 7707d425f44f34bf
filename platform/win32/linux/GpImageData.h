// Internal to the platform layer: what a Gdiplus::GpImage holds, for the
// drawing layer (GdipDrawImageRectI and friends): the decoded pixels, BGRA
// with straight alpha, top-down rows.
#pragma once

#include "win32/DecodedImage.h"
#include "win32/GdiPlus.h"

namespace Gdiplus {

class GpImage {
public:
    explicit GpImage(quarrow::DecodedImage image) : pixels(std::move(image)) {}
    quarrow::DecodedImage pixels;
};

} // namespace Gdiplus
