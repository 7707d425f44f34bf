// Internal to the platform layer: PNG decoding through libpng, for GDI+'s
// image loading, CImage and PNG-compressed icon images. Every colour type
// and bit depth is expanded to 8-bit BGRA with straight alpha;
// premultiplication is left to the callers that ask for it.
#pragma once

#include "win32/DecodedImage.h"
#include "win32/WinDef.h"

#include <cstddef>
#include <optional>
#include <string>

namespace quarrow {

class PngDecoder {
public:
    // Pictures larger than this in either direction are refused before any
    // pixel memory is taken, so that a lying header cannot exhaust memory.
    static constexpr int kMaxDimension = 8192;

    static bool hasSignature(const BYTE* bytes, size_t size);

    // Decodes a complete PNG file. A truncated, corrupt or oversized file
    // gives no image and a message in `error`; nothing is read past `size`.
    static std::optional<DecodedImage> decode(const BYTE* bytes, size_t size, std::string& error);
};

} // namespace quarrow
