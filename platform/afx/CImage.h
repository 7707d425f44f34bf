// ATL::CImage: a device-independent bitmap that the image button decodes
// its state images into. It decodes PNG files from a stream (a picture with
// transparency gives 32 bits per pixel with an alpha channel and straight
// colour values; one without gives 24 bits per pixel), creates empty
// bitmaps of 24 or 32 bits per pixel (CreateEx), exposes the pixels
// (GetBits, GetPitch: negative for bottom-up bitmaps, GetPixelAddress), and
// draws through a memory device context (GetDC, ReleaseDC, Draw).
//
// The image owns its pixels. They live in the image's own memory until the
// first GetDC; from then on they live in a DIB section of the drawing layer
// (win32/WinGdi.h) that the image owns and deletes in Destroy. Addresses
// from GetBits are therefore valid until the next GetDC or Destroy.
#pragma once

#include "win32/ObjIdl.h"
#include "win32/WinDef.h"

#include <vector>

namespace ATL {

class CImage {
public:
    static const DWORD createAlphaChannel = 0x01;

    CImage() = default;
    ~CImage();
    CImage(const CImage&) = delete;
    CImage& operator=(const CImage&) = delete;

    // A bottom-up bitmap for a positive height, top-down for a negative one.
    // 24 or 32 bits per pixel and BI_RGB only (FALSE otherwise, and for an
    // empty size or an image that already has a bitmap). The pixels start
    // as zero. createAlphaChannel (32 bits only) marks the alpha bytes as
    // meaningful, so that Draw blends.
    BOOL Create(int width, int height, int bpp, DWORD flags = 0);
    BOOL CreateEx(int width, int height, int bpp, DWORD compression, const DWORD* bitmasks = nullptr,
                  DWORD flags = 0);
    // Decodes a PNG file read from the stream's current position into a
    // new bottom-up bitmap, replacing any previous one. E_INVALIDARG for a
    // null stream, E_FAIL when the data does not decode (the image is then
    // null).
    HRESULT Load(IStream* stream);
    void Destroy();

    bool IsNull() const { return m_bits == nullptr; }
    int GetWidth() const { return m_width; }
    int GetHeight() const { return m_height; }
    int GetBPP() const { return m_bpp; }
    // Bytes from one row to the next one down; negative for bottom-up.
    int GetPitch() const { return m_pitch; }
    // The top row's first pixel.
    void* GetBits() { return m_bits; }
    const void* GetBits() const { return m_bits; }
    void* GetPixelAddress(int x, int y);
    const void* GetPixelAddress(int x, int y) const;
    bool IsDIBSection() const { return m_bits != nullptr; }
    bool HasAlphaChannel() const { return m_hasAlpha; }
    void SetHasAlphaChannel(bool hasAlpha) { m_hasAlpha = hasAlpha && m_bpp == 32; }

    // Drawing, through the drawing layer. GetDC gives a memory device
    // context with the bitmap selected (the same one while calls nest);
    // every GetDC is matched by a ReleaseDC. Null for a null image.
    HDC GetDC() const;
    void ReleaseDC() const;
    operator HBITMAP() const;
    // Copies (SRCCOPY, stretching) or, with an alpha channel, blends
    // (AlphaBlend, source over, premultiplied source) the source rectangle
    // onto the destination rectangle.
    BOOL Draw(HDC dest, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
              int srcHeight) const;
    BOOL Draw(HDC dest, int xDest, int yDest) const;
    BOOL Draw(HDC dest, const RECT& destRect) const;

private:
    void moveIntoSection() const;

    int m_width = 0;
    int m_height = 0;
    int m_bpp = 0;
    int m_pitch = 0;
    bool m_topDown = false;
    bool m_hasAlpha = false;
    mutable BYTE* m_bits = nullptr;
    mutable std::vector<BYTE> m_storage;
    mutable HBITMAP m_bitmap = nullptr;
    mutable HDC m_dc = nullptr;
    mutable HGDIOBJ m_oldBitmap = nullptr;
    mutable int m_dcRefs = 0;
    // Set when the pixels moved into a DIB section, so that Destroy can
    // delete it without this file depending on the drawing layer.
    mutable void (*m_deleteSection)(HBITMAP) = nullptr;
};

} // namespace ATL
