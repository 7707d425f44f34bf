// The pixel storage and decoding of ATL::CImage. Drawing is in
// CImageDrawing.cpp, so that programs and tests that only decode do not
// need the drawing layer.
#include "afx/CImage.h"

#include "win32/PngDecoder.h"

#include <cassert>
#include <cstring>

namespace ATL {

CImage::~CImage() { Destroy(); }

BOOL CImage::Create(int width, int height, int bpp, DWORD flags)
{
    return CreateEx(width, height, bpp, 0 /* BI_RGB */, nullptr, flags);
}

BOOL CImage::CreateEx(int width, int height, int bpp, DWORD compression, const DWORD* bitmasks, DWORD flags)
{
    if (!IsNull()) return FALSE;
    if (compression != 0 || bitmasks != nullptr) return FALSE;
    if (bpp != 24 && bpp != 32) return FALSE;
    if (width <= 0 || height == 0 || width > 32767 || height > 32767 || height < -32767) return FALSE;
    const int rows = height < 0 ? -height : height;
    const int stride = ((width * bpp + 31) / 32) * 4;
    m_storage.assign(static_cast<size_t>(stride) * rows, 0);
    m_width = width;
    m_height = rows;
    m_bpp = bpp;
    m_topDown = height < 0;
    m_pitch = m_topDown ? stride : -stride;
    m_bits = m_topDown ? m_storage.data() : m_storage.data() + static_cast<size_t>(stride) * (rows - 1);
    m_hasAlpha = bpp == 32 && (flags & createAlphaChannel) != 0;
    return TRUE;
}

HRESULT CImage::Load(IStream* stream)
{
    if (stream == nullptr) return E_INVALIDARG;
    Destroy();
    std::vector<BYTE> bytes;
    BYTE chunk[65536];
    for (;;) {
        ULONG read = 0;
        if (FAILED(stream->Read(chunk, sizeof chunk, &read))) return E_FAIL;
        if (read == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + read);
    }
    std::string error;
    std::optional<quarrow::DecodedImage> decoded = quarrow::PngDecoder::decode(bytes.data(), bytes.size(), error);
    if (!decoded) return E_FAIL;
    const int bpp = decoded->hasAlpha ? 32 : 24;
    if (!CreateEx(decoded->width, decoded->height, bpp, 0, nullptr, decoded->hasAlpha ? createAlphaChannel : 0)) {
        return E_FAIL;
    }
    for (int y = 0; y < m_height; ++y) {
        BYTE* out = static_cast<BYTE*>(GetPixelAddress(0, y));
        for (int x = 0; x < m_width; ++x) {
            const BYTE* p = decoded->pixel(x, y);
            std::memcpy(out + x * (bpp / 8), p, static_cast<size_t>(bpp / 8));
        }
    }
    return S_OK;
}

void CImage::Destroy()
{
    // Destroying an image whose device context is still out is a
    // programming error; release the context first.
    assert(m_dcRefs == 0);
    if (m_bitmap != nullptr && m_deleteSection != nullptr) m_deleteSection(m_bitmap);
    m_bitmap = nullptr;
    m_deleteSection = nullptr;
    m_storage.clear();
    m_storage.shrink_to_fit();
    m_bits = nullptr;
    m_width = m_height = m_bpp = m_pitch = 0;
    m_topDown = false;
    m_hasAlpha = false;
}

void* CImage::GetPixelAddress(int x, int y)
{
    assert(!IsNull() && x >= 0 && x < m_width && y >= 0 && y < m_height);
    return m_bits + static_cast<ptrdiff_t>(y) * m_pitch + static_cast<ptrdiff_t>(x) * (m_bpp / 8);
}

const void* CImage::GetPixelAddress(int x, int y) const
{
    return const_cast<CImage*>(this)->GetPixelAddress(x, y);
}

} // namespace ATL
