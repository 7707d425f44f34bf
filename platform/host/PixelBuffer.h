// Pixel memory of 24 or 32 bits per pixel in the platform's DIB layout:
// blue, green, red (and alpha) bytes, rows padded to 4 bytes, stored
// top-down or bottom-up. Bitmaps, DIB sections, window surfaces and layered
// contents are all PixelBuffers; the buffer owns its memory, and the pointer
// it hands out (bits()) stays valid until the buffer is resized or dies.
//
// New pixels are zero without being written: a large buffer (a window's
// surface, a screen) starts as fresh pages that cost nothing until
// something draws on them.
#pragma once

#include "win32/WinDef.h"

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
    // Changes the size keeping the overlapping top-left part of the pixels.
    void resizeKeeping(int width, int height);

    int width() const { return m_width; }
    int height() const { return m_height; }
    int bitsPerPixel() const { return m_bpp; }
    bool bottomUp() const { return m_bottomUp; }
    int stride() const { return m_stride; }
    bool empty() const { return m_width <= 0 || m_height <= 0; }
    size_t byteSize() const { return m_size; }

    // The start of the pixel memory as the DIB section's bits pointer.
    BYTE* bits() { return m_data; }
    const BYTE* bits() const { return m_data; }

    // Row `y` counted from the top of the picture.
    BYTE* row(int y) { return m_data + static_cast<size_t>(memoryRow(y)) * m_stride; }
    const BYTE* row(int y) const { return m_data + static_cast<size_t>(memoryRow(y)) * m_stride; }

    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < m_width && y < m_height; }
    // A 24-bit pixel reads with alpha 255.
    Bgra get(int x, int y) const;
    // A 24-bit pixel drops the alpha.
    void set(int x, int y, Bgra pixel);
    void fill(Bgra pixel);

private:
    int memoryRow(int y) const { return m_bottomUp ? m_height - 1 - y : y; }
    // `size` zero bytes (null for none); throws std::bad_alloc.
    static BYTE* allocate(size_t size);
    static void release(BYTE* data);

    int m_width = 0;
    int m_height = 0;
    int m_bpp = 32;
    bool m_bottomUp = false;
    int m_stride = 0;
    BYTE* m_data = nullptr;
    size_t m_size = 0;
};

} // namespace quarrow
