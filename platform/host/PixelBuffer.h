// Pixel memory of 24 or 32 bits per pixel in the platform's DIB layout:
// blue, green, red (and alpha) bytes, rows padded to 4 bytes, stored
// top-down or bottom-up. Bitmaps, DIB sections, window surfaces and layered
// contents are all PixelBuffers; the buffer owns its memory, and the pointer
// it hands out (bits()) stays valid until the buffer is resized or dies.
//
// New pixels are zero without being written: a large buffer (a window's
// surface, a screen) is mapped straight from the system as fresh pages that
// cost nothing until something draws on them (the heap would hand back a
// freed block and clear it). A buffer that nothing has been given to write
// on yet is known to be all zero, so resizing or copying it touches no
// page either: a window is created, then moved to its size, before
// anything paints it.
#pragma once

#include "win32/WinDef.h"

#include <cassert>
#include <cstddef>
#include <cstdint>

namespace quarrow {

// One pixel as the drawing code computes with it, whatever the storage.
struct Bgra {
    BYTE b = 0, g = 0, r = 0, a = 0;
    bool operator==(const Bgra&) const = default;
};

class PixelBuffer {
public:
    PixelBuffer() = default;
    PixelBuffer(int width, int height, int bitsPerPixel = 32, bool bottomUp = false);
    PixelBuffer(const PixelBuffer& other);
    PixelBuffer(PixelBuffer&& other) noexcept;
    PixelBuffer& operator=(const PixelBuffer& other);
    PixelBuffer& operator=(PixelBuffer&& other) noexcept;
    ~PixelBuffer();

    // Reallocates to a new size (all bytes zero). Invalidates bits().
    void reset(int width, int height, int bitsPerPixel = 32, bool bottomUp = false);
    // Changes the size keeping the overlapping top-left part of the pixels;
    // new pixels are zero. A top-down buffer is rearranged in its own
    // memory when the new size fits there and uses at least half of it (a
    // window's surface follows the window's size back and forth while it
    // is being set up, and its pages are touched already).
    void resizeKeeping(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int bitsPerPixel() const { return m_bpp; }
    bool bottomUp() const { return m_bottomUp; }
    int stride() const { return m_stride; }
    bool empty() const { return m_width <= 0 || m_height <= 0; }
    size_t byteSize() const { return m_size; }

    // The start of the pixel memory as the DIB section's bits pointer.
    BYTE* bits()
    {
        m_allZero = false;
        return m_data;
    }
    const BYTE* bits() const { return m_data; }

    // Row `y` counted from the top of the picture.
    BYTE* row(int y)
    {
        m_allZero = false;
        return m_data + static_cast<size_t>(memoryRow(y)) * m_stride;
    }
    const BYTE* row(int y) const { return m_data + static_cast<size_t>(memoryRow(y)) * m_stride; }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    // A 24-bit pixel reads with alpha 255.
    Bgra get(int x, int y) const
    {
        assert(contains(x, y));
        const BYTE* p = row(y) + x * (m_bpp / 8);
        return Bgra{p[0], p[1], p[2], m_bpp == 32 ? p[3] : BYTE(255)};
    }
    // A 24-bit pixel drops the alpha.
    void set(int x, int y, Bgra pixel)
    {
        assert(contains(x, y));
        BYTE* p = row(y) + x * (m_bpp / 8);
        p[0] = pixel.b;
        p[1] = pixel.g;
        p[2] = pixel.r;
        if (m_bpp == 32) p[3] = pixel.a;
    }
    void fill(Bgra pixel);

    // Whether no pixel can have been written since the buffer was made
    // (nothing was handed a pointer to write with): it is all zero.
    bool allZero() const { return m_allZero; }

private:
    int memoryRow(int y) const { return m_bottomUp ? m_height - 1 - y : y; }
    // `size` zero bytes (null for none); throws std::bad_alloc. Blocks of
    // kMappedSize and more are mapped from the system, and `release` must
    // be given the size they were allocated with.
    static constexpr size_t kMappedSize = 64 * 1024;
    static BYTE* allocate(size_t size);
    static void release(BYTE* data, size_t size);
    static int strideFor(int width, int bitsPerPixel) { return ((width * bitsPerPixel + 31) / 32) * 4; }
    // resizeKeeping within the memory the buffer has.
    void rearrange(int width, int height, int stride, size_t size);

    int m_width = 0;
    int m_height = 0;
    int m_bpp = 32;
    bool m_bottomUp = false;
    int m_stride = 0;
    BYTE* m_data = nullptr;
    size_t m_size = 0;     // bytes of the pixels: stride x height
    size_t m_capacity = 0; // bytes allocated, m_size or more
    bool m_allZero = true;
};

} // namespace quarrow
