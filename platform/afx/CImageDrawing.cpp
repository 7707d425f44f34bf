// The drawing half of ATL::CImage, on the drawing layer's device contexts,
// DIB sections, StretchBlt and AlphaBlend.
#include "afx/CImage.h"

#include "win32/WinGdi.h"

#include <cstring>

namespace ATL {

namespace {

void deleteSection(HBITMAP bitmap) { DeleteObject(bitmap); }

} // namespace

void CImage::moveIntoSection() const
{
    if (m_bitmap != nullptr || m_bits == nullptr) return;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = m_width;
    info.bmiHeader.biHeight = m_topDown ? -m_height : m_height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = static_cast<WORD>(m_bpp);
    info.bmiHeader.biCompression = BI_RGB;
    void* sectionBits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &sectionBits, nullptr, 0);
    if (bitmap == nullptr || sectionBits == nullptr) return;
    // Same layout on both sides (rows padded to 4 bytes, same order), so
    // the whole block is copied as it is.
    std::memcpy(sectionBits, m_storage.data(), m_storage.size());
    const int stride = m_pitch < 0 ? -m_pitch : m_pitch;
    BYTE* base = static_cast<BYTE*>(sectionBits);
    m_bits = m_topDown ? base : base + static_cast<size_t>(stride) * (m_height - 1);
    m_bitmap = bitmap;
    m_deleteSection = deleteSection;
    m_storage.clear();
    m_storage.shrink_to_fit();
}

HDC CImage::GetDC() const
{
    if (IsNull()) return nullptr;
    moveIntoSection();
    if (m_bitmap == nullptr) return nullptr;
    if (m_dc == nullptr) {
        m_dc = CreateCompatibleDC(nullptr);
        if (m_dc == nullptr) return nullptr;
        m_oldBitmap = SelectObject(m_dc, m_bitmap);
    }
    ++m_dcRefs;
    return m_dc;
}

void CImage::ReleaseDC() const
{
    if (m_dcRefs == 0) return;
    if (--m_dcRefs == 0) {
        SelectObject(m_dc, m_oldBitmap);
        DeleteDC(m_dc);
        m_dc = nullptr;
        m_oldBitmap = nullptr;
    }
}

CImage::operator HBITMAP() const
{
    moveIntoSection();
    return m_bitmap;
}

BOOL CImage::Draw(HDC dest, int xDest, int yDest, int destWidth, int destHeight, int xSrc, int ySrc, int srcWidth,
                  int srcHeight) const
{
    if (IsNull() || dest == nullptr) return FALSE;
    HDC source = GetDC();
    if (source == nullptr) return FALSE;
    BOOL ok;
    if (m_hasAlpha) {
        BLENDFUNCTION blend{AC_SRC_OVER, 0, 0xFF, AC_SRC_ALPHA};
        ok = AlphaBlend(dest, xDest, yDest, destWidth, destHeight, source, xSrc, ySrc, srcWidth, srcHeight, blend);
    } else {
        ok = StretchBlt(dest, xDest, yDest, destWidth, destHeight, source, xSrc, ySrc, srcWidth, srcHeight, SRCCOPY);
    }
    ReleaseDC();
    return ok;
}

BOOL CImage::Draw(HDC dest, int xDest, int yDest) const
{
    return Draw(dest, xDest, yDest, m_width, m_height, 0, 0, m_width, m_height);
}

BOOL CImage::Draw(HDC dest, const RECT& destRect) const
{
    return Draw(dest, destRect.left, destRect.top, destRect.right - destRect.left, destRect.bottom - destRect.top, 0,
                0, m_width, m_height);
}

} // namespace ATL
