// The GDI functions of win32/WinGdi.h over the window system's object table
// and pixel code (host/Gdi.h, host/Raster.h). Where GDI would leave a
// 32-bit pixel's alpha byte undefined, fills and text write 255 (opaque);
// copies from 32-bit sources copy the alpha byte.
#include "win32/WinGdi.h"

#include "host/Gdi.h"
#include "host/Host.h"
#include "host/SystemMetrics.h"
#include "host/TextRenderer.h"
#include "win32/ErrHandlingApi.h"

#include <algorithm>
#include <cstring>

using quarrow::Bgra;
using quarrow::DeviceContext;
using quarrow::GdiBitmap;
using quarrow::PixelBuffer;
using quarrow::RasterTarget;

namespace {

quarrow::Gdi& gdi() { return quarrow::Host::current().gdi(); }

DeviceContext* dcOf(HDC dc)
{
    DeviceContext* d = gdi().dc(dc);
    if (!d) SetLastError(ERROR_INVALID_HANDLE);
    return d;
}

bool invalid()
{
    SetLastError(ERROR_INVALID_PARAMETER);
    return false;
}

Bgra opaque(COLORREF c) { return Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255}; }

// Reads the geometry of a BITMAPINFO this layer can hold: 24 or 32 bits,
// uncompressed (or the standard 32-bit bit fields), non-zero size.
bool dibFormat(const BITMAPINFO* info, int& width, int& height, int& bpp, bool& bottomUp)
{
    if (!info || info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return false;
    const BITMAPINFOHEADER& h = info->bmiHeader;
    bpp = h.biBitCount;
    if (h.biPlanes != 1 || (bpp != 24 && bpp != 32)) return false;
    if (h.biCompression == BI_BITFIELDS) {
        const auto* masks = reinterpret_cast<const DWORD*>(info->bmiColors);
        if (bpp != 32 || masks[0] != 0x00FF0000 || masks[1] != 0x0000FF00 || masks[2] != 0x000000FF) return false;
    } else if (h.biCompression != BI_RGB) {
        return false;
    }
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biWidth > 32768 || h.biHeight > 32768 || h.biHeight < -32768) {
        return false;
    }
    width = h.biWidth;
    height = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    bottomUp = h.biHeight > 0;
    return true;
}

} // namespace

namespace {

// The raster operations that only fill; false for any other.
bool fillColour(HDC dc, DWORD rop, Bgra& colour, bool& paint)
{
    paint = true;
    switch (rop) {
    case BLACKNESS:
        colour = Bgra{0, 0, 0, 255};
        return true;
    case WHITENESS:
        colour = Bgra{255, 255, 255, 255};
        return true;
    case PATCOPY: {
        DeviceContext* d = gdi().dc(dc);
        COLORREF c = 0;
        bool isNull = false;
        if (!d || !gdi().brushColour(dc, static_cast<HBRUSH>(d->state.brush), c, isNull)) return false;
        paint = !isNull;
        colour = opaque(c);
        return true;
    }
    default:
        return false;
    }
}

} // namespace

HGDIOBJ GetStockObject(int index)
{
    HGDIOBJ o = gdi().stock(index);
    if (!o) SetLastError(ERROR_INVALID_PARAMETER);
    return o;
}

HGDIOBJ SelectObject(HDC dc, HGDIOBJ object)
{
    if (!dcOf(dc)) return nullptr;
    HGDIOBJ previous = gdi().select(dc, object);
    if (!previous) SetLastError(ERROR_INVALID_PARAMETER);
    return previous;
}

BOOL DeleteObject(HGDIOBJ object)
{
    if (!gdi().deleteObject(object)) return invalid();
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ object)
{
    quarrow::GdiObject* o = gdi().get(object);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    return o->kind();
}

int GetObjectW(HGDIOBJ object, int size, LPVOID buffer)
{
    quarrow::GdiObject* o = gdi().get(object);
    if (!o) {
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    if (o->kind() == OBJ_BITMAP) {
        auto* b = static_cast<GdiBitmap*>(o);
        BITMAP bm{};
        bm.bmWidth = b->pixels.width();
        bm.bmHeight = b->pixels.height();
        bm.bmWidthBytes = b->pixels.stride();
        bm.bmPlanes = 1;
        bm.bmBitsPixel = static_cast<WORD>(b->pixels.bitsPerPixel());
        bm.bmBits = b->dib ? b->pixels.bits() : nullptr;
        if (!buffer) return b->dib ? static_cast<int>(sizeof(DIBSECTION)) : static_cast<int>(sizeof(BITMAP));
        if (b->dib && size >= static_cast<int>(sizeof(DIBSECTION))) {
            DIBSECTION ds{};
            ds.dsBm = bm;
            ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
            ds.dsBmih.biWidth = bm.bmWidth;
            ds.dsBmih.biHeight = b->pixels.bottomUp() ? bm.bmHeight : -bm.bmHeight;
            ds.dsBmih.biPlanes = 1;
            ds.dsBmih.biBitCount = bm.bmBitsPixel;
            ds.dsBmih.biCompression = BI_RGB;
            ds.dsBmih.biSizeImage = static_cast<DWORD>(b->pixels.byteSize());
            std::memcpy(buffer, &ds, sizeof ds);
            return sizeof ds;
        }
        if (size < static_cast<int>(sizeof(BITMAP))) return invalid();
        std::memcpy(buffer, &bm, sizeof bm);
        return sizeof bm;
    }
    if (o->kind() == OBJ_FONT) {
        if (!buffer) return sizeof(LOGFONTW);
        if (size < static_cast<int>(sizeof(LOGFONTW))) return invalid();
        std::memcpy(buffer, &static_cast<quarrow::GdiFont*>(o)->logFont, sizeof(LOGFONTW));
        return sizeof(LOGFONTW);
    }
    if (o->kind() == OBJ_BRUSH) {
        if (!buffer) return sizeof(LOGBRUSH);
        if (size < static_cast<int>(sizeof(LOGBRUSH))) return invalid();
        auto* b = static_cast<quarrow::GdiBrush*>(o);
        COLORREF c = 0;
        bool isNull = false;
        gdi().brushColour(nullptr, static_cast<HBRUSH>(object), c, isNull);
        LOGBRUSH lb{isNull ? UINT(BS_NULL) : UINT(BS_SOLID), b->null ? 0 : c, 0};
        std::memcpy(buffer, &lb, sizeof lb);
        return sizeof lb;
    }
    return invalid();
}

HGDIOBJ GetCurrentObject(HDC dc, UINT kind)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return nullptr;
    switch (kind) {
    case OBJ_BITMAP:
        return d->state.bitmap;
    case OBJ_BRUSH:
        return d->state.brush;
    case OBJ_FONT:
        return d->state.font;
    case OBJ_PEN:
        return d->state.pen;
    default:
        invalid();
        return nullptr;
    }
}

HDC CreateCompatibleDC(HDC dc)
{
    if (dc && !dcOf(dc)) return nullptr;
    return gdi().createDc(DeviceContext::Surface::Memory, nullptr);
}

BOOL DeleteDC(HDC dc)
{
    if (!dcOf(dc)) return FALSE;
    return gdi().deleteDc(dc);
}

int SaveDC(HDC dc)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return 0;
    d->saved.push_back(d->state);
    return static_cast<int>(d->saved.size());
}

BOOL RestoreDC(HDC dc, int saved)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return FALSE;
    const int depth = static_cast<int>(d->saved.size());
    const int level = saved < 0 ? depth + 1 + saved : saved;
    if (level < 1 || level > depth) return invalid();
    DeviceContext::State state = d->saved[static_cast<size_t>(level - 1)];
    d->saved.resize(static_cast<size_t>(level - 1));
    if (state.bitmap != d->state.bitmap) gdi().select(dc, state.bitmap);
    state.bitmap = d->state.bitmap;
    d->state = state;
    return TRUE;
}

BOOL GdiFlush() { return TRUE; }

int GetDeviceCaps(HDC dc, int index)
{
    if (!dcOf(dc)) return 0;
    const SIZE screen = quarrow::Host::current().backend().screenSize();
    switch (index) {
    case LOGPIXELSX:
    case LOGPIXELSY:
        return quarrow::SystemMetrics::kDpi;
    case BITSPIXEL:
        return 32;
    case PLANES:
        return 1;
    case HORZRES:
        return screen.cx;
    case VERTRES:
        return screen.cy;
    case HORZSIZE:
        return screen.cx * 254 / (quarrow::SystemMetrics::kDpi * 10);
    case VERTSIZE:
        return screen.cy * 254 / (quarrow::SystemMetrics::kDpi * 10);
    case NUMCOLORS:
        return -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_STRETCHBLT;
    case SHADEBLENDCAPS:
        return SB_PIXEL_ALPHA | SB_PREMULT_ALPHA;
    default:
        return 0;
    }
}

BOOL SetViewportOrgEx(HDC dc, int x, int y, LPPOINT previous)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return FALSE;
    if (previous) *previous = d->state.viewportOrigin;
    d->state.viewportOrigin = POINT{x, y};
    return TRUE;
}

BOOL GetViewportOrgEx(HDC dc, LPPOINT origin)
{
    DeviceContext* d = dcOf(dc);
    if (!d || !origin) return FALSE;
    *origin = d->state.viewportOrigin;
    return TRUE;
}

BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, LPPOINT previous)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return FALSE;
    if (previous) *previous = d->state.viewportOrigin;
    d->state.viewportOrigin.x += dx;
    d->state.viewportOrigin.y += dy;
    return TRUE;
}

int IntersectClipRect(HDC dc, int left, int top, int right, int bottom)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return ERROR;
    RECT r{left, top, right, bottom};
    if (d->state.clip) {
        const RECT& c = *d->state.clip;
        r = RECT{std::max(r.left, c.left), std::max(r.top, c.top), std::min(r.right, c.right),
                 std::min(r.bottom, c.bottom)};
    }
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    d->state.clip = r;
    return r.right > r.left && r.bottom > r.top ? SIMPLEREGION : NULLREGION;
}

int GetClipBox(HDC dc, LPRECT rect)
{
    RasterTarget t;
    if (!dcOf(dc) || !rect) return ERROR;
    if (!gdi().target(dc, t)) {
        *rect = RECT{0, 0, 0, 0};
        return NULLREGION;
    }
    *rect = RECT{t.clip.left - t.origin.x, t.clip.top - t.origin.y, t.clip.right - t.origin.x,
                 t.clip.bottom - t.origin.y};
    return rect->right > rect->left && rect->bottom > rect->top ? SIMPLEREGION : NULLREGION;
}

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section, DWORD)
{
    if (bits) *bits = nullptr;
    int width = 0, height = 0, bpp = 0;
    bool bottomUp = false;
    if ((dc && !gdi().dc(dc)) || usage != DIB_RGB_COLORS || section || !dibFormat(info, width, height, bpp, bottomUp)) {
        invalid();
        return nullptr;
    }
    auto bitmap = std::make_unique<GdiBitmap>(width, height, bpp, bottomUp, true);
    void* memory = bitmap->pixels.bits();
    HBITMAP handle = static_cast<HBITMAP>(gdi().add(std::move(bitmap)));
    if (bits) *bits = memory;
    return handle;
}

HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height)
{
    if (!dcOf(dc)) return nullptr;
    if (width < 0 || height < 0 || width > 32768 || height > 32768) {
        invalid();
        return nullptr;
    }
    if (width == 0 || height == 0) width = height = 1;
    return static_cast<HBITMAP>(gdi().add(std::make_unique<GdiBitmap>(width, height, 32, false, false)));
}

HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits)
{
    if (width <= 0 || height <= 0 || width > 32768 || height > 32768 || planes != 1 || bitsPerPixel != 32) {
        invalid();
        return nullptr;
    }
    auto bitmap = std::make_unique<GdiBitmap>(width, height, 32, false, false);
    if (bits) {
        const auto* source = static_cast<const BYTE*>(bits);
        for (int y = 0; y < height; ++y) {
            std::memcpy(bitmap->pixels.row(y), source + static_cast<size_t>(y) * width * 4, static_cast<size_t>(width) * 4);
        }
    }
    return static_cast<HBITMAP>(gdi().add(std::move(bitmap)));
}

int GetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, LPVOID bits, LPBITMAPINFO info, UINT usage)
{
    GdiBitmap* b = gdi().bitmap(bitmap);
    if (!dcOf(dc) || !b || !info || usage != DIB_RGB_COLORS) return invalid();
    const PixelBuffer& p = b->pixels;
    if (!bits) {
        if (info->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return invalid();
        BITMAPINFOHEADER& h = info->bmiHeader;
        h.biWidth = p.width();
        h.biHeight = p.height();
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(p.bitsPerPixel());
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(p.byteSize());
        return p.height();
    }
    int width = 0, height = 0, bpp = 0;
    bool bottomUp = false;
    if (!dibFormat(info, width, height, bpp, bottomUp) || width != p.width()) return invalid();
    PixelBuffer out(width, height, bpp, bottomUp);
    const int count = static_cast<int>(std::min<UINT>(lines, static_cast<UINT>(std::max(height - static_cast<int>(start), 0))));
    // Scan lines count from the bottom of the picture, as DIBs do.
    for (int i = 0; i < count; ++i) {
        const int fromBottom = static_cast<int>(start) + i;
        const int y = p.height() - 1 - fromBottom;
        if (y < 0 || y >= p.height()) continue;
        for (int x = 0; x < width; ++x) out.set(x, height - 1 - fromBottom, p.get(x, y));
    }
    const size_t stride = static_cast<size_t>(out.stride());
    auto* dest = static_cast<BYTE*>(bits);
    for (int i = 0; i < count; ++i) {
        const int fromBottom = static_cast<int>(start) + i;
        const BYTE* row = out.row(height - 1 - fromBottom);
        // In memory the first scan line of the buffer is the bottom one for
        // a bottom-up request and the top one for a top-down request.
        const size_t memoryLine = bottomUp ? static_cast<size_t>(i) : static_cast<size_t>(count - 1 - i);
        std::memcpy(dest + memoryLine * stride, row, stride);
    }
    return count;
}

int SetDIBits(HDC dc, HBITMAP bitmap, UINT start, UINT lines, const void* bits, const BITMAPINFO* info, UINT usage)
{
    GdiBitmap* b = gdi().bitmap(bitmap);
    int width = 0, height = 0, bpp = 0;
    bool bottomUp = false;
    if ((dc && !gdi().dc(dc)) || !b || !bits || usage != DIB_RGB_COLORS || !dibFormat(info, width, height, bpp, bottomUp)) {
        return invalid();
    }
    PixelBuffer source(width, height, bpp, bottomUp);
    std::memcpy(source.bits(), bits, source.byteSize());
    int count = 0;
    for (UINT i = 0; i < lines; ++i) {
        const int fromBottom = static_cast<int>(start + i);
        const int sy = height - 1 - fromBottom;
        const int dy = b->pixels.height() - 1 - fromBottom;
        if (sy < 0 || dy < 0) break;
        for (int x = 0; x < std::min(width, b->pixels.width()); ++x) b->pixels.set(x, dy, source.get(x, sy));
        ++count;
    }
    return count;
}

int StretchDIBits(HDC dc, int x, int y, int width, int height, int srcX, int srcY, int srcWidth, int srcHeight,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop)
{
    int w = 0, h = 0, bpp = 0;
    bool bottomUp = false;
    if (!dcOf(dc) || !bits || usage != DIB_RGB_COLORS || rop != SRCCOPY || !dibFormat(info, w, h, bpp, bottomUp)) {
        invalid();
        return 0;
    }
    PixelBuffer source(w, h, bpp, bottomUp);
    std::memcpy(source.bits(), bits, source.byteSize());
    // The source rectangle of StretchDIBits counts rows from the bottom for
    // bottom-up bitmaps.
    if (bottomUp) srcY = h - srcY - srcHeight;
    RasterTarget t;
    if (gdi().target(dc, t)) quarrow::Raster::stretch(t, x, y, width, height, source, srcX, srcY, srcWidth, srcHeight);
    return std::abs(height);
}

BOOL StretchBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, int srcWidth,
                int srcHeight, DWORD rop)
{
    if (!dcOf(dest)) return FALSE;
    Bgra colour;
    bool paint = false;
    if (fillColour(dest, rop, colour, paint)) {
        RasterTarget t;
        if (paint && gdi().target(dest, t)) {
            quarrow::Raster::fill(t, RECT{std::min(x, x + width), std::min(y, y + height), std::max(x, x + width),
                                          std::max(y, y + height)},
                                  colour);
        }
        return TRUE;
    }
    if (rop != SRCCOPY) return invalid();
    if (!dcOf(source)) return FALSE;
    POINT origin{0, 0};
    const PixelBuffer* pixels = gdi().sourcePixels(source, origin);
    RasterTarget t;
    if (!pixels || !gdi().target(dest, t)) return TRUE; // nothing to copy from or to
    if (pixels == t.buffer) {
        // Copying within one surface reads from a snapshot, so that
        // overlapping rectangles copy what was there before.
        const PixelBuffer copy = *pixels;
        quarrow::Raster::stretch(t, x, y, width, height, copy, srcX + origin.x, srcY + origin.y, srcWidth, srcHeight);
    } else {
        quarrow::Raster::stretch(t, x, y, width, height, *pixels, srcX + origin.x, srcY + origin.y, srcWidth, srcHeight);
    }
    return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, DWORD rop)
{
    return StretchBlt(dest, x, y, width, height, source, srcX, srcY, width, height, rop);
}

BOOL PatBlt(HDC dc, int x, int y, int width, int height, DWORD rop)
{
    if (rop != PATCOPY && rop != BLACKNESS && rop != WHITENESS) return invalid();
    return StretchBlt(dc, x, y, width, height, nullptr, 0, 0, 0, 0, rop);
}

int SetStretchBltMode(HDC dc, int mode)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return 0;
    if (mode < BLACKONWHITE || mode > HALFTONE) return invalid();
    const int old = d->state.stretchMode;
    d->state.stretchMode = mode;
    return old;
}

int GetStretchBltMode(HDC dc)
{
    DeviceContext* d = dcOf(dc);
    return d ? d->state.stretchMode : 0;
}

BOOL AlphaBlend(HDC dest, int x, int y, int width, int height, HDC source, int srcX, int srcY, int srcWidth,
                int srcHeight, BLENDFUNCTION blend)
{
    if (!dcOf(dest) || !dcOf(source)) return FALSE;
    if (blend.BlendOp != AC_SRC_OVER || blend.BlendFlags != 0 || (blend.AlphaFormat & ~AC_SRC_ALPHA) ||
        width < 0 || height < 0 || srcWidth < 0 || srcHeight < 0) {
        return invalid();
    }
    POINT origin{0, 0};
    const PixelBuffer* pixels = gdi().sourcePixels(source, origin);
    if (!pixels) return invalid();
    // The source rectangle must lie inside the source bitmap, and a
    // per-pixel blend needs 32 bits per pixel.
    const int sx = srcX + origin.x, sy = srcY + origin.y;
    if (sx < 0 || sy < 0 || sx + srcWidth > pixels->width() || sy + srcHeight > pixels->height()) return invalid();
    if ((blend.AlphaFormat & AC_SRC_ALPHA) && pixels->bitsPerPixel() != 32) return invalid();
    RasterTarget t;
    if (!gdi().target(dest, t)) return TRUE;
    const PixelBuffer copy = pixels == t.buffer ? *pixels : PixelBuffer();
    quarrow::Raster::alphaBlend(t, x, y, width, height, pixels == t.buffer ? copy : *pixels, sx, sy, srcWidth,
                                srcHeight, blend.SourceConstantAlpha, (blend.AlphaFormat & AC_SRC_ALPHA) != 0);
    return TRUE;
}

COLORREF GetPixel(HDC dc, int x, int y)
{
    RasterTarget t;
    if (!dcOf(dc) || !gdi().target(dc, t)) return CLR_INVALID;
    const int bx = x + t.origin.x, by = y + t.origin.y;
    if (bx < t.clip.left || by < t.clip.top || bx >= t.clip.right || by >= t.clip.bottom) return CLR_INVALID;
    const Bgra p = t.buffer->get(bx, by);
    return RGB(p.r, p.g, p.b);
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF colour)
{
    RasterTarget t;
    if (!dcOf(dc) || !gdi().target(dc, t)) return CLR_INVALID;
    const int bx = x + t.origin.x, by = y + t.origin.y;
    if (bx < t.clip.left || by < t.clip.top || bx >= t.clip.right || by >= t.clip.bottom) return CLR_INVALID;
    t.buffer->set(bx, by, opaque(colour));
    return colour & 0x00FFFFFF;
}

HBRUSH CreateSolidBrush(COLORREF colour)
{
    return static_cast<HBRUSH>(gdi().add(std::make_unique<quarrow::GdiBrush>(colour & 0x00FFFFFF)));
}

COLORREF SetDCBrushColor(HDC dc, COLORREF colour)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return CLR_INVALID;
    const COLORREF old = d->state.dcBrushColour;
    d->state.dcBrushColour = colour;
    return old;
}

int SetBkMode(HDC dc, int mode)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return 0;
    if (mode != TRANSPARENT && mode != OPAQUE) return invalid();
    const int old = d->state.bkMode;
    d->state.bkMode = mode;
    return old;
}

int GetBkMode(HDC dc)
{
    DeviceContext* d = dcOf(dc);
    return d ? d->state.bkMode : 0;
}

COLORREF SetTextColor(HDC dc, COLORREF colour)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return CLR_INVALID;
    const COLORREF old = d->state.textColour;
    d->state.textColour = colour;
    return old;
}

COLORREF GetTextColor(HDC dc)
{
    DeviceContext* d = dcOf(dc);
    return d ? d->state.textColour : CLR_INVALID;
}

COLORREF SetBkColor(HDC dc, COLORREF colour)
{
    DeviceContext* d = dcOf(dc);
    if (!d) return CLR_INVALID;
    const COLORREF old = d->state.bkColour;
    d->state.bkColour = colour;
    return old;
}

COLORREF GetBkColor(HDC dc)
{
    DeviceContext* d = dcOf(dc);
    return d ? d->state.bkColour : CLR_INVALID;
}

HFONT CreateFontIndirectW(const LOGFONTW* font)
{
    if (!font) {
        invalid();
        return nullptr;
    }
    LOGFONTW lf = *font;
    lf.lfFaceName[LF_FACESIZE - 1] = 0;
    return static_cast<HFONT>(gdi().add(std::make_unique<quarrow::GdiFont>(lf)));
}

HFONT CreateFontW(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, LPCWSTR faceName)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = static_cast<BYTE>(italic);
    lf.lfUnderline = static_cast<BYTE>(underline);
    lf.lfStrikeOut = static_cast<BYTE>(strikeOut);
    lf.lfCharSet = static_cast<BYTE>(charSet);
    lf.lfOutPrecision = static_cast<BYTE>(outPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(clipPrecision);
    lf.lfQuality = static_cast<BYTE>(quality);
    lf.lfPitchAndFamily = static_cast<BYTE>(pitchAndFamily);
    for (int i = 0; faceName && faceName[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = faceName[i];
    return CreateFontIndirectW(&lf);
}

BOOL GetTextExtentPoint32W(HDC dc, LPCWSTR text, int count, LPSIZE size)
{
    if (!dcOf(dc) || !size || (count > 0 && !text) || count < 0) return invalid();
    const quarrow::TextStyle style = gdi().textStyle(dc);
    int ascent = 0, descent = 0;
    quarrow::TextRenderer::metrics(style, ascent, descent);
    if (count == 0) {
        *size = SIZE{0, ascent + descent};
        return TRUE;
    }
    *size = quarrow::TextRenderer::measure(style, std::u16string(text, static_cast<size_t>(count)));
    size->cy = std::max<LONG>(size->cy, ascent + descent);
    return TRUE;
}

BOOL GetTextMetricsW(HDC dc, LPTEXTMETRICW metrics)
{
    if (!dcOf(dc) || !metrics) return invalid();
    const quarrow::TextStyle style = gdi().textStyle(dc);
    int ascent = 0, descent = 0;
    quarrow::TextRenderer::metrics(style, ascent, descent);
    TEXTMETRICW tm{};
    tm.tmHeight = ascent + descent;
    tm.tmAscent = ascent;
    tm.tmDescent = descent;
    tm.tmInternalLeading = std::max(0, tm.tmHeight - style.pixelHeight);
    tm.tmAveCharWidth = quarrow::TextRenderer::measure(style, u"x").cx;
    tm.tmMaxCharWidth = quarrow::TextRenderer::measure(style, u"W").cx;
    tm.tmWeight = style.weight;
    tm.tmDigitizedAspectX = quarrow::SystemMetrics::kDpi;
    tm.tmDigitizedAspectY = quarrow::SystemMetrics::kDpi;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    tm.tmItalic = style.italic ? 255 : 0;
    tm.tmUnderlined = style.underline ? 255 : 0;
    tm.tmCharSet = DEFAULT_CHARSET;
    *metrics = tm;
    return TRUE;
}
