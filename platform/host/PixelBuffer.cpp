#include "host/PixelBuffer.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <cstring>
#include <new>
#include <sys/mman.h>
#include <utility>

namespace quarrow {

BYTE* PixelBuffer::allocate(size_t size)
{
    if (size == 0) return nullptr;
    // Not a vector's zero fill, and not the heap for a large block: writing
    // zeros would cost every page its first touch (expensive on a virtual
    // machine) before anything is drawn, and the heap clears a block it
    // hands out again. Fresh mapped pages are zero already.
    if (size >= kMappedSize) {
        void* pages = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (pages == MAP_FAILED) throw std::bad_alloc();
        return static_cast<BYTE*>(pages);
    }
    void* bytes = std::calloc(size, 1);
    if (!bytes) throw std::bad_alloc();
    return static_cast<BYTE*>(bytes);
}

void PixelBuffer::release(BYTE* data, size_t size)
{
    if (!data) return;
    if (size >= kMappedSize) {
        munmap(data, size);
    } else {
        std::free(data);
    }
}

PixelBuffer::PixelBuffer(int width, int height, int bitsPerPixel, bool bottomUp)
{
    reset(width, height, bitsPerPixel, bottomUp);
}

PixelBuffer::PixelBuffer(const PixelBuffer& other)
    : m_width(other.m_width), m_height(other.m_height), m_bpp(other.m_bpp), m_bottomUp(other.m_bottomUp),
      m_stride(other.m_stride), m_data(allocate(other.m_size)), m_size(other.m_size), m_capacity(other.m_size),
      m_allZero(other.m_allZero)
{
    if (m_size && !m_allZero) std::memcpy(m_data, other.m_data, m_size);
}

PixelBuffer::PixelBuffer(PixelBuffer&& other) noexcept
    : m_width(std::exchange(other.m_width, 0)), m_height(std::exchange(other.m_height, 0)), m_bpp(other.m_bpp),
      m_bottomUp(other.m_bottomUp), m_stride(std::exchange(other.m_stride, 0)),
      m_data(std::exchange(other.m_data, nullptr)), m_size(std::exchange(other.m_size, 0)),
      m_capacity(std::exchange(other.m_capacity, 0)), m_allZero(std::exchange(other.m_allZero, true))
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
        release(m_data, m_capacity);
        m_width = std::exchange(other.m_width, 0);
        m_height = std::exchange(other.m_height, 0);
        m_bpp = other.m_bpp;
        m_bottomUp = other.m_bottomUp;
        m_stride = std::exchange(other.m_stride, 0);
        m_data = std::exchange(other.m_data, nullptr);
        m_size = std::exchange(other.m_size, 0);
        m_capacity = std::exchange(other.m_capacity, 0);
        m_allZero = std::exchange(other.m_allZero, true);
    }
    return *this;
}

PixelBuffer::~PixelBuffer() { release(m_data, m_capacity); }

void PixelBuffer::reset(int width, int height, int bitsPerPixel, bool bottomUp)
{
    assert(bitsPerPixel == 32 || bitsPerPixel == 24);
    m_width = std::max(width, 0);
    m_height = std::max(height, 0);
    m_bpp = bitsPerPixel;
    m_bottomUp = bottomUp;
    m_stride = strideFor(m_width, m_bpp);
    const size_t size = static_cast<size_t>(m_stride) * m_height;
    BYTE* data = allocate(size);
    release(m_data, m_capacity);
    m_data = data;
    m_size = size;
    m_capacity = size;
    m_allZero = true;
}

void PixelBuffer::resizeKeeping(int width, int height)
{
    width = std::max(width, 0);
    height = std::max(height, 0);
    if (width == m_width && height == m_height) return;
    const int stride = strideFor(width, m_bpp);
    const size_t size = static_cast<size_t>(stride) * height;
    if (!m_bottomUp && size > 0 && size <= m_capacity && size >= m_capacity / 2) {
        rearrange(width, height, stride, size);
        return;
    }
    PixelBuffer next(width, height, m_bpp, m_bottomUp);
    if (!m_allZero) {
        const int w = std::min(width, m_width);
        const int h = std::min(height, m_height);
        const size_t bytes = static_cast<size_t>(w) * (m_bpp / 8);
        for (int y = 0; y < h; ++y) std::memcpy(next.row(y), row(y), bytes);
    }
    *this = std::move(next);
}

void PixelBuffer::rearrange(int width, int height, int stride, size_t size)
{
    // A buffer that was never written on is zero throughout its memory.
    if (!m_allZero) {
        const int h = std::min(height, m_height);
        const size_t kept = static_cast<size_t>(std::min(width, m_width)) * (m_bpp / 8);
        // Rows move towards the start when they get shorter (top row first)
        // and towards the end when they get longer (bottom row first), so
        // no row is overwritten before it has moved.
        if (stride < m_stride) {
            for (int y = 1; y < h; ++y) std::memmove(m_data + size_t(y) * stride, m_data + size_t(y) * m_stride, kept);
        } else if (stride > m_stride) {
            for (int y = h - 1; y > 0; --y) std::memmove(m_data + size_t(y) * stride, m_data + size_t(y) * m_stride, kept);
        }
        // What the old size did not cover is zero, as in a new buffer.
        for (int y = 0; y < h; ++y) std::memset(m_data + size_t(y) * stride + kept, 0, size_t(stride) - kept);
        if (height > h) std::memset(m_data + size_t(h) * stride, 0, size_t(height - h) * stride);
    }
    m_width = width;
    m_height = height;
    m_stride = stride;
    m_size = size;
}

void PixelBuffer::fill(Bgra pixel)
{
    for (int y = 0; y < m_height; ++y) {
        for (int x = 0; x < m_width; ++x) set(x, y, pixel);
    }
}

} // namespace quarrow
