// Internal to the platform layer: what an HICON of this platform is. The
// icon loader (LoadIconW) makes one from an icon group of the module's
// resources, at the system's large icon size, and keeps the image it was
// made from; the window system reads the pixels (fromHandle) to show window
// and taskbar icons. Pixels are BGRA with premultiplied alpha, top-down.
#pragma once

#include "win32/DecodedImage.h"
#include "win32/WinDef.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

namespace quarrow {

class IconImage {
public:
    // The system's large icon size (SM_CXICON, SM_CYICON).
    static constexpr int kLargeIconSize = 32;

    // Decodes one icon image resource (RT_ICON): a BITMAPINFOHEADER DIB
    // whose height counts the colour and the mask halves (1, 4, 8, 24 or 32
    // bits per pixel, uncompressed) followed by its 1-bit AND mask, or a
    // PNG file. A 32-bit image whose alpha bytes are all zero takes its
    // transparency from the mask. Straight alpha in the result.
    static std::optional<DecodedImage> decodeImageResource(const BYTE* bytes, size_t size, std::string& error);

    // An icon of `size` x `size` pixels made from `source` (straight alpha)
    // by area averaging; the source is kept as well for window systems that
    // show larger icons.
    IconImage(const DecodedImage& source, int size);

    HICON handle() const { return reinterpret_cast<HICON>(const_cast<IconImage*>(this)); }
    static const IconImage* fromHandle(HICON icon) { return reinterpret_cast<const IconImage*>(icon); }

    int width() const { return m_image.width; }
    int height() const { return m_image.height; }
    // Premultiplied BGRA, width * height * 4 bytes.
    const BYTE* pixels() const { return m_image.bgra.data(); }
    const DecodedImage& image() const { return m_image; }
    // The image as the resource holds it, premultiplied.
    const DecodedImage& source() const { return m_source; }

    // The icon's pixels with straight alpha, as an icon's colour bitmap
    // holds them.
    DecodedImage straight() const;

    static void premultiply(DecodedImage& image);

private:
    DecodedImage m_image;
    DecodedImage m_source;
};

} // namespace quarrow
