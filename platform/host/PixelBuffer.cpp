#include "host/PixelBuffer.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace quarrow {

BYTE* PixelBuffer::allocate(size_t size)
{
    if (size == 0) return nullptr;
    // calloc, not a vector's zero fill: the allocator hands out a large
    // block as fresh pages of the system's, which are zero already and are
    // not written here; writing them would cost every page its first touch
    // (expensive on a virtual machine) before anything is drawn.
    void* bytes = std::calloc(size, 1);
    if (!bytes) throw std::bad_alloc();
    return static_cast<BYTE*>(bytes);
}

void PixelBuffer::release(BYTE* data) { std::free(data); }

PixelBuffer::PixelBuffer(int width, int height, int bitsPerPixel, bool bottomUp)
{
    reset(width, height, bitsPerPixel, bottomUp);
}

PixelBuffer::PixelBuffer(const PixelBuffer& other)
    : m_width(other.m_width), m_height(other.m_height), m_bpp(other.m_bpp), m_bottomUp(other.m_bottomUp),
      m_stride(other.m_stride), m_data(allocate(other.m_size)), m_size(other.m_size)
{
    if (m_size) std::memcpy(m_data, other.m_data, m_size);
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : m_width(std::exchange(other.m_width, 0)), m_height(std::exchange(other.m_height, 0)), m_bpp(other.m_bpp),
      m_bottomUp(other.m_bottomUp), m_stride(std::exchange(other.m_stride, 0)),
      m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0))
{
}

PixelBuffer& PixelBuffer::operator=(const PixelBuffer& other)
{
    if (this != &other) *this = PixelBuffer(other);
    return *this;
}

PixelBuffer& PixelBuffer::operator=(PixelBuffer&& other) noexcept
{
    if (this != &other) {
        release(m_data);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_bpp = other.m_bpp;
        m_bottomUp = other.m_bottomUp;
        m_stride = std::exchange(other.m_stride, 0);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
    }
    return *this;
}

PixelBuffer::~PixelBuffer() { release(m_data); }

void PixelBuffer::reset(int width, int height, int bitsPerPixel, bool bottomUp)
{
    assert(bitsPerPixel == 32 || bitsPerPixel == 24);
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_bpp = bitsPerPixel;
    m_bottomUp = bottomUp;
    m_stride = ((m_width * m_bpp + 31) / 32) * 4;
    const size_t size = static_cast<size_t>(m_stride) * m_height;
    BYTE* data = allocate(size);
    release(m_data);
    m_data = data;
    m_size = size;
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
