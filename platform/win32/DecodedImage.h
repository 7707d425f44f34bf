// Internal to the platform layer: a decoded picture as the image loaders
// (PNG decoding, icon images) hand it to GDI+, CImage and the window
// system: top-down rows of 32-bit pixels in memory order blue, green, red,
// alpha, with straight (not premultiplied) alpha unless the producer says
// otherwise.
#pragma once

#include "win32/WinDef.h"

#include <cstddef>
#include <vector>

namespace quarrow {

struct DecodedImage {
    int width = 0;
    int height = 0;
    // The source carried transparency (an alpha channel or a transparent
    // colour); pixels without it have alpha 255.
    bool hasAlpha = false;
    // width * height * 4 bytes, row after row from the top.
    std::vector<BYTE> bgra;

    const BYTE* pixel(int x, int y) const { return &bgra[(static_cast<size_t>(y) * width + x) * 4]; }
    BYTE* pixel(int x, int y) { return &bgra[(static_cast<size_t>(y) * width + x) * 4]; }
};

} // namespace quarrow
