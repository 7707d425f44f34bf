// Writing the generated artwork to disk: PNG files through libpng (so that
// the colour type is ours to choose: RGBA for the background, plain RGB for
// the buttons) and the icon file in its classic form (one uncompressed
// 32-bit DIB with its 1-bit mask). The painters own their cairo surfaces;
// this class only converts and writes them.
#pragma once

#include <cairo.h>

#include <cstdint>
#include <string>
#include <vector>

namespace artwork {

class ArtworkFiles {
public:
    // Straight (not premultiplied) RGBA pixels, row-major from the top.
    struct Rgba {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> pixels; // 4 bytes per pixel: r, g, b, a
    };

    // Converts a cairo ARGB32 surface (premultiplied, native-endian words)
    // into straight RGBA bytes.
    static Rgba fromSurface(cairo_surface_t* surface);

    // Writes an 8-bit RGBA PNG (colour type 6). Throws std::runtime_error on
    // any failure, with the path in the message.
    static void writeRgbaPng(const std::string& path, const Rgba& image);

    // Writes an 8-bit RGB PNG (colour type 2); the alpha bytes are dropped,
    // so the caller flattens the image first.
    static void writeRgbPng(const std::string& path, const Rgba& image);

    // Writes an .ico file with exactly one image: a BITMAPINFOHEADER DIB of
    // 32 bits per pixel (bottom-up, straight alpha) followed by its AND
    // mask (a set bit where the pixel is fully transparent).
    static void writeIcon(const std::string& path, const Rgba& image);
};

} // namespace artwork
