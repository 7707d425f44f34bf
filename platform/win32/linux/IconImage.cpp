#include "win32/linux/IconImage.h"

#include "win32/PngDecoder.h"

#include <algorithm>

namespace quarrow {

namespace {

DWORD dword(const BYTE* p)
{
    return static_cast<DWORD>(p[0]) | static_cast<DWORD>(p[1]) << 8 | static_cast<DWORD>(p[2]) << 16 |
           static_cast<DWORD>(p[3]) << 24;
}
WORD word(const BYTE* p) { return static_cast<WORD>(p[0] | p[1] << 8); }

} // namespace

std::optional<DecodedImage> IconImage::decodeImageResource(const BYTE* bytes, size_t size, std::string& error)
{
    if (PngDecoder::hasSignature(bytes, size)) return PngDecoder::decode(bytes, size, error);
    if (bytes == nullptr || size < 40) {
        error = "icon image: too short for a bitmap header";
        return std::nullopt;
    }
    const DWORD headerSize = dword(bytes);
    const LONG width = static_cast<LONG>(dword(bytes + 4));
    const LONG doubleHeight = static_cast<LONG>(dword(bytes + 8));
    const WORD bitCount = word(bytes + 14);
    const DWORD compression = dword(bytes + 16);
    const DWORD coloursUsed = dword(bytes + 32);
    if (headerSize < 40 || headerSize > size) {
        error = "icon image: bad bitmap header size " + std::to_string(headerSize);
        return std::nullopt;
    }
    if (width <= 0 || width > 1024 || doubleHeight <= 0 || doubleHeight % 2 != 0 || doubleHeight / 2 > 1024) {
        error = "icon image: bad dimensions " + std::to_string(width) + " x " + std::to_string(doubleHeight);
        return std::nullopt;
    }
    if (compression != 0) {
        error = "icon image: compressed bitmaps are not supported";
        return std::nullopt;
    }
    if (bitCount != 1 && bitCount != 4 && bitCount != 8 && bitCount != 24 && bitCount != 32) {
        error = "icon image: unsupported bit depth " + std::to_string(bitCount);
        return std::nullopt;
    }
    const int w = width, h = doubleHeight / 2;
    size_t paletteEntries = 0;
    if (bitCount <= 8) paletteEntries = coloursUsed != 0 ? coloursUsed : (1u << bitCount);
    if (paletteEntries > 256) {
        error = "icon image: palette too large";
        return std::nullopt;
    }
    const size_t paletteOffset = headerSize;
    const size_t xorOffset = paletteOffset + paletteEntries * 4;
    const size_t xorStride = ((static_cast<size_t>(w) * bitCount + 31) / 32) * 4;
    const size_t andOffset = xorOffset + xorStride * h;
    const size_t andStride = ((static_cast<size_t>(w) + 31) / 32) * 4;
    if (andOffset + andStride * h > size) {
        error = "icon image: " + std::to_string(size) + " bytes, the bitmap and its mask need " +
                std::to_string(andOffset + andStride * h);
        return std::nullopt;
    }

    DecodedImage out;
    out.width = w;
    out.height = h;
    out.hasAlpha = true;
    out.bgra.assign(static_cast<size_t>(w) * h * 4, 0);
    bool anyAlpha = false;
    for (int y = 0; y < h; ++y) {
        // Rows are stored bottom-up.
        const BYTE* row = bytes + xorOffset + xorStride * (h - 1 - y);
        for (int x = 0; x < w; ++x) {
            BYTE* o = out.pixel(x, y);
            if (bitCount == 32) {
                std::copy(row + x * 4, row + x * 4 + 4, o);
                anyAlpha = anyAlpha || o[3] != 0;
            } else if (bitCount == 24) {
                std::copy(row + x * 3, row + x * 3 + 3, o);
            } else {
                const size_t bit = static_cast<size_t>(x) * bitCount;
                const unsigned shift = 8 - bitCount - static_cast<unsigned>(bit % 8);
                const unsigned index = (row[bit / 8] >> shift) & ((1u << bitCount) - 1);
                if (index < paletteEntries) std::copy(bytes + paletteOffset + index * 4, bytes + paletteOffset + index * 4 + 3, o);
            }
        }
    }
    if (!anyAlpha) {
        // No alpha channel: the mask decides (a set bit is transparent).
        for (int y = 0; y < h; ++y) {
            const BYTE* mask = bytes + andOffset + andStride * (h - 1 - y);
            for (int x = 0; x < w; ++x) {
                const bool transparent = (mask[x / 8] >> (7 - x % 8)) & 1;
                BYTE* o = out.pixel(x, y);
                if (transparent) o[0] = o[1] = o[2] = o[3] = 0;
                else o[3] = 255;
            }
        }
    }
    error.clear();
    return out;
}

void IconImage::premultiply(DecodedImage& image)
{
    for (size_t i = 0; i + 3 < image.bgra.size(); i += 4) {
        const unsigned a = image.bgra[i + 3];
        for (int c = 0; c < 3; ++c) image.bgra[i + c] = static_cast<BYTE>(image.bgra[i + c] * a / 255);
    }
}

DecodedImage IconImage::straight() const
{
    DecodedImage out = m_image;
    for (size_t i = 0; i + 3 < out.bgra.size(); i += 4) {
        const unsigned a = out.bgra[i + 3];
        for (int c = 0; c < 3; ++c) {
            out.bgra[i + c] = a == 0 ? 0 : static_cast<BYTE>(std::min(255u, (out.bgra[i + c] * 255u + a / 2) / a));
        }
    }
    return out;
}

IconImage::IconImage(const DecodedImage& source, int size)
{
    m_source = source;
    premultiply(m_source);
    m_image.width = size;
    m_image.height = size;
    m_image.hasAlpha = true;
    m_image.bgra.assign(static_cast<size_t>(size) * size * 4, 0);
    if (source.width <= 0 || source.height <= 0) return;
    // Area averaging of premultiplied pixels: each target pixel takes the
    // mean of the source pixels whose centres fall inside it (at least the
    // nearest one, when enlarging).
    for (int y = 0; y < size; ++y) {
        int y0 = y * source.height / size, y1 = (y + 1) * source.height / size;
        if (y1 <= y0) y1 = y0 + 1;
        for (int x = 0; x < size; ++x) {
            int x0 = x * source.width / size, x1 = (x + 1) * source.width / size;
            if (x1 <= x0) x1 = x0 + 1;
            unsigned sum[4] = {0, 0, 0, 0};
            for (int sy = y0; sy < y1; ++sy) {
                for (int sx = x0; sx < x1; ++sx) {
                    const BYTE* p = m_source.pixel(sx, sy);
                    for (int c = 0; c < 4; ++c) sum[c] += p[c];
                }
            }
            const unsigned n = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            BYTE* o = m_image.pixel(x, y);
            for (int c = 0; c < 4; ++c) o[c] = static_cast<BYTE>((sum[c] + n / 2) / n);
        }
    }
}

} // namespace quarrow
