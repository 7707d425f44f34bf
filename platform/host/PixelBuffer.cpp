#include "host/PixelBuffer.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace quarrow {

PixelBuffer::PixelBuffer(int width, int height, int bitsPerPixel, bool bottomUp)
{
    reset(width, height, bitsPerPixel, bottomUp);
}

void PixelBuffer::reset(int width, int height, int bitsPerPixel, bool bottomUp)
{
    assert(bitsPerPixel == 32 || bitsPerPixel == 24);
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_bpp = bitsPerPixel;
    m_bottomUp = bottomUp;
    m_stride = ((m_width * m_bpp + 31) / 32) * 4;
    m_bytes.assign(static_cast<size_t>(m_stride) * m_height, 0);
}

void PixelBuffer::resizeKeeping(int width, int height)
{
    if (width == m_width && height == m_height) return;
    PixelBuffer next(width, height, m_bpp, m_bottomUp);
    const int w = std::min(width, m_width);
    const int h = std::min(height, m_height);
    const size_t bytes = static_cast<size_t>(std::max(w, 0)) * (m_bpp / 8);
    for (int y = 0; y < h; ++y) std::memcpy(next.row(y), row(y), bytes);
    *this = std::move(next);
}

Bgra PixelBuffer::get(int x, int y) const
{
    assert(contains(x, y));
    const BYTE* p = row(y) + x * (m_bpp / 8);
    return Bgra{p[0], p[1], p[2], m_bpp == 32 ? p[3] : BYTE(255)};
}

void PixelBuffer::set(int x, int y, Bgra pixel)
{
    assert(contains(x, y));
    BYTE* p = row(y) + x * (m_bpp / 8);
    p[0] = pixel.b;
    p[1] = pixel.g;
    p[2] = pixel.r;
    if (m_bpp == 32) p[3] = pixel.a;
}

void PixelBuffer::fill(Bgra pixel)
{
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) set(x, y, pixel);
    }
}

} // namespace quarrow
