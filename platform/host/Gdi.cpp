#include "host/Gdi.h"

#include "host/Host.h"
#include "host/SystemMetrics.h"

#include <algorithm>
#include <cassert>
#include <cstring>

namespace quarrow {

namespace {

Bgra opaque(COLORREF c) { return Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255}; }

LOGFONTW logFont(LONG height, LONG weight, const char16_t* face)
{
    LOGFONTW lf{};
    lf.lfHeight = height;
    lf.lfWeight = weight;
    lf.lfCharSet = DEFAULT_CHARSET;
    for (int i = 0; face[i] && i < LF_FACESIZE - 1; ++i) lf.lfFaceName[i] = face[i];
    return lf;
}

} // namespace

Gdi::Gdi(Host& host) : m_host(host)
{
    auto makeStock = [this](std::unique_ptr<GdiObject> o) {
        o->stock = true;
        return add(std::move(o));
    };
    auto brush = [&](COLORREF c, bool isNull) {
        auto b = std::make_unique<GdiBrush>(c);
        b->null = isNull;
        return makeStock(std::move(b));
    };
    m_stock[WHITE_BRUSH] = brush(RGB(255, 255, 255), false);
    m_stock[LTGRAY_BRUSH] = brush(RGB(192, 192, 192), false);
    m_stock[GRAY_BRUSH] = brush(RGB(128, 128, 128), false);
    m_stock[DKGRAY_BRUSH] = brush(RGB(64, 64, 64), false);
    m_stock[BLACK_BRUSH] = brush(RGB(0, 0, 0), false);
    m_stock[NULL_BRUSH] = brush(0, true);
    m_stock[WHITE_PEN] = makeStock(std::make_unique<GdiPen>(RGB(255, 255, 255), false));
    m_stock[BLACK_PEN] = makeStock(std::make_unique<GdiPen>(RGB(0, 0, 0), false));
    m_stock[NULL_PEN] = makeStock(std::make_unique<GdiPen>(0, true));
    const HGDIOBJ guiFont = makeStock(std::make_unique<GdiFont>(logFont(-12, FW_NORMAL, u"MS Shell Dlg")));
    m_stock[OEM_FIXED_FONT] = makeStock(std::make_unique<GdiFont>(logFont(-12, FW_NORMAL, u"Monospace")));
    m_stock[ANSI_FIXED_FONT] = m_stock[OEM_FIXED_FONT];
    m_stock[SYSTEM_FIXED_FONT] = m_stock[OEM_FIXED_FONT];
    m_stock[ANSI_VAR_FONT] = guiFont;
    m_stock[SYSTEM_FONT] = makeStock(std::make_unique<GdiFont>(logFont(-16, FW_BOLD, u"System")));
    m_stock[DEVICE_DEFAULT_FONT] = m_stock[SYSTEM_FONT];
    m_stock[DEFAULT_GUI_FONT] = guiFont;
    {
        auto b = std::make_unique<GdiBrush>(RGB(255, 255, 255));
        b->dcBrush = true;
        m_stock[DC_BRUSH] = makeStock(std::move(b));
    }
    m_stock[DC_PEN] = m_stock[BLACK_PEN];
    for (int i = 0; i < 31; ++i) {
        auto b = std::make_unique<GdiBrush>(SystemMetrics::sysColour(i));
        b->sysColour = i;
        m_sysBrushes[i] = static_cast<HBRUSH>(makeStock(std::move(b)));
    }
    // A memory context starts with a 1 x 1 bitmap selected, as on the platform.
    m_defaultBitmap = makeStock(std::make_unique<GdiBitmap>(1, 1, 32, false, false));
}

Gdi::~Gdi() = default;

HGDIOBJ Gdi::add(std::unique_ptr<GdiObject> object)
{
    const ULONG_PTR value = m_next;
    m_next += 4;
    m_objects.emplace(value, std::move(object));
    return reinterpret_cast<HGDIOBJ>(value);
}

GdiObject* Gdi::get(HGDIOBJ handle) const
{
    auto it = m_objects.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == m_objects.end() ? nullptr : it->second.get();
}

DeviceContext* Gdi::dc(HDC handle) const
{
    GdiObject* o = get(handle);
    if (!o || (o->kind() != OBJ_DC && o->kind() != OBJ_MEMDC)) return nullptr;
    return static_cast<DeviceContext*>(o);
}

bool Gdi::brushColour(HDC dc, HBRUSH brush, COLORREF& colour, bool& isNull) const
{
    const ULONG_PTR value = reinterpret_cast<ULONG_PTR>(brush);
    if (value >= 1 && value <= 31) {
        colour = SystemMetrics::sysColour(static_cast<int>(value - 1));
        isNull = false;
        return true;
    }
    GdiBrush* b = get<GdiBrush>(brush, OBJ_BRUSH);
    if (!b) return false;
    isNull = b->null;
    colour = b->colour;
    if (b->sysColour >= 0) colour = SystemMetrics::sysColour(b->sysColour);
    if (b->dcBrush) {
        DeviceContext* d = this->dc(dc);
        colour = d ? d->state.dcBrushColour : RGB(255, 255, 255);
    }
    return true;
}

HGDIOBJ Gdi::stock(int index) const
{
    if (index < 0 || index >= 20) return nullptr;
    return m_stock[index];
}

HBRUSH Gdi::sysColourBrush(int index) const
{
    if (index < 0 || index >= 31) return nullptr;
    return m_sysBrushes[index];
}

HDC Gdi::createDc(DeviceContext::Surface surface, HWND window, const RECT* paintRect)
{
    auto dc = std::make_unique<DeviceContext>(surface);
    dc->window = window;
    if (paintRect) dc->paintRect = *paintRect;
    dc->state.brush = m_stock[WHITE_BRUSH];
    dc->state.pen = m_stock[BLACK_PEN];
    dc->state.font = m_stock[SYSTEM_FONT];
    if (surface == DeviceContext::Surface::Memory) {
        dc->state.bitmap = m_defaultBitmap;
    }
    return static_cast<HDC>(add(std::move(dc)));
}

bool Gdi::deleteDc(HDC handle)
{
    DeviceContext* d = dc(handle);
    if (!d) return false;
    if (GdiBitmap* b = bitmap(d->state.bitmap)) b->selectedInto = nullptr;
    for (const DeviceContext::State& s : d->saved) {
        if (GdiBitmap* b = bitmap(s.bitmap)) b->selectedInto = nullptr;
    }
    m_objects.erase(reinterpret_cast<ULONG_PTR>(handle));
    return true;
}

void Gdi::releaseWindowDcs(HWND window)
{
    std::vector<ULONG_PTR> doomed;
    for (auto& [value, object] : m_objects) {
        if (object->kind() == OBJ_DC && static_cast<DeviceContext*>(object.get())->window == window) {
            doomed.push_back(value);
        }
    }
    for (ULONG_PTR value : doomed) deleteDc(reinterpret_cast<HDC>(value));
}

HGDIOBJ Gdi::select(HDC handle, HGDIOBJ object)
{
    DeviceContext* d = dc(handle);
    GdiObject* o = get(object);
    if (!d || !o) return nullptr;
    HGDIOBJ previous = nullptr;
    switch (o->kind()) {
    case OBJ_BITMAP: {
        // Only memory contexts hold bitmaps, and a bitmap sits in one context.
        if (d->surface != DeviceContext::Surface::Memory) return nullptr;
        auto* b = static_cast<GdiBitmap*>(o);
        if (b->selectedInto && b->selectedInto != handle && !b->stock) return nullptr;
        previous = d->state.bitmap;
        if (GdiBitmap* old = bitmap(previous)) old->selectedInto = nullptr;
        if (!b->stock) b->selectedInto = handle;
        d->state.bitmap = object;
        return previous;
    }
    case OBJ_BRUSH:
        previous = d->state.brush;
        d->state.brush = object;
        return previous;
    case OBJ_FONT:
        previous = d->state.font;
        d->state.font = object;
        return previous;
    case OBJ_PEN:
        previous = d->state.pen;
        d->state.pen = object;
        return previous;
    default:
        return nullptr;
    }
}

bool Gdi::deleteObject(HGDIOBJ object)
{
    GdiObject* o = get(object);
    if (!o) return false;
    if (o->stock) return true;
    if (o->kind() == OBJ_DC || o->kind() == OBJ_MEMDC) return false;
    if (o->kind() == OBJ_BITMAP && static_cast<GdiBitmap*>(o)->selectedInto) {
        // The platform refuses to delete a bitmap that a context still holds.
        return false;
    }
    m_objects.erase(reinterpret_cast<ULONG_PTR>(object));
    return true;
}

bool Gdi::target(HDC handle, RasterTarget& out) const
{
    DeviceContext* d = dc(handle);
    if (!d) return false;
    RasterTarget t;
    switch (d->surface) {
    case DeviceContext::Surface::Memory: {
        GdiBitmap* b = bitmap(d->state.bitmap);
        if (!b) return false;
        t.buffer = &b->pixels;
        t.origin = POINT{0, 0};
        t.clip = RECT{0, 0, b->pixels.width(), b->pixels.height()};
        break;
    }
    case DeviceContext::Surface::Screen:
        return false;
    default:
        if (!m_host.windowTarget(d->window, d->surface, d->paintRect, t)) return false;
        break;
    }
    t.origin.x += d->state.viewportOrigin.x;
    t.origin.y += d->state.viewportOrigin.y;
    if (d->state.clip) {
        const RECT& c = *d->state.clip;
        t.clip.left = std::max(t.clip.left, c.left + t.origin.x);
        t.clip.top = std::max(t.clip.top, c.top + t.origin.y);
        t.clip.right = std::min(t.clip.right, c.right + t.origin.x);
        t.clip.bottom = std::min(t.clip.bottom, c.bottom + t.origin.y);
        if (t.clip.right < t.clip.left) t.clip.right = t.clip.left;
        if (t.clip.bottom < t.clip.top) t.clip.bottom = t.clip.top;
    }
    out = t;
    return true;
}

const PixelBuffer* Gdi::sourcePixels(HDC handle, POINT& origin) const
{
    RasterTarget t;
    if (!target(handle, t)) return nullptr;
    origin = t.origin;
    return t.buffer;
}

TextStyle Gdi::textStyle(HDC handle) const
{
    TextStyle style;
    DeviceContext* d = dc(handle);
    GdiFont* f = d ? get<GdiFont>(d->state.font, OBJ_FONT) : nullptr;
    if (!f) return style;
    const LOGFONTW& lf = f->logFont;
    style.face.assign(lf.lfFaceName, std::find(lf.lfFaceName, lf.lfFaceName + LF_FACESIZE, u'\0'));
    style.pixelHeight = lf.lfHeight == 0 ? 12 : std::abs(static_cast<int>(lf.lfHeight));
    style.weight = lf.lfWeight == 0 ? FW_NORMAL : static_cast<int>(lf.lfWeight);
    style.italic = lf.lfItalic != 0;
    style.underline = lf.lfUnderline != 0;
    return style;
}

int Gdi::drawText(HDC handle, std::u16string text, RECT& rect, UINT format)
{
    DeviceContext* d = dc(handle);
    if (!d) return 0;
    if (!(format & DT_NOPREFIX)) {
        // '&' marks the next character as a mnemonic (not underlined here);
        // "&&" stands for one '&'.
        std::u16string plain;
        for (size_t i = 0; i < text.size(); ++i) {
            if (text[i] == u'&' && i + 1 < text.size()) {
                ++i;
            } else if (text[i] == u'&') {
                continue;
            }
            plain += text[i];
        }
        text = std::move(plain);
    }
    std::vector<std::u16string> lines;
    if (format & DT_SINGLELINE) {
        for (char16_t& c : text) {
            if (c == u'\r' || c == u'\n') c = u' ';
        }
        lines.push_back(text);
    } else {
        std::u16string line;
        for (char16_t c : text) {
            if (c == u'\r') continue;
            if (c == u'\n') {
                lines.push_back(line);
                line.clear();
            } else {
                line += c;
            }
        }
        lines.push_back(line);
    }
    const TextStyle style = textStyle(handle);
    int ascent = 0, descent = 0;
    TextRenderer::metrics(style, ascent, descent);
    const int lineHeight = ascent + descent;
    std::vector<SIZE> sizes;
    int maxWidth = 0;
    for (const std::u16string& line : lines) {
        SIZE s = line.empty() ? SIZE{0, lineHeight} : TextRenderer::measure(style, line);
        s.cy = std::max<LONG>(s.cy, lineHeight);
        maxWidth = std::max<int>(maxWidth, s.cx);
        sizes.push_back(s);
    }
    int totalHeight = 0;
    for (const SIZE& s : sizes) totalHeight += s.cy;
    if (format & DT_CALCRECT) {
        rect.right = rect.left + maxWidth;
        rect.bottom = rect.top + totalHeight;
        return totalHeight;
    }
    int y = rect.top;
    if (format & DT_SINGLELINE) {
        if (format & DT_VCENTER) {
            y = rect.top + (rect.bottom - rect.top - totalHeight) / 2;
        } else if (format & DT_BOTTOM) {
            y = rect.bottom - totalHeight;
        }
    }
    const int firstY = y;
    RasterTarget t;
    const bool drawable = target(handle, t);
    if (drawable && !(format & DT_NOCLIP)) {
        t.clip.left = std::max<LONG>(t.clip.left, rect.left + t.origin.x);
        t.clip.top = std::max<LONG>(t.clip.top, rect.top + t.origin.y);
        t.clip.right = std::min<LONG>(t.clip.right, rect.right + t.origin.x);
        t.clip.bottom = std::min<LONG>(t.clip.bottom, rect.bottom + t.origin.y);
        if (t.clip.right < t.clip.left) t.clip.right = t.clip.left;
        if (t.clip.bottom < t.clip.top) t.clip.bottom = t.clip.top;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        const SIZE& s = sizes[i];
        int x = rect.left;
        if (format & DT_CENTER) {
            x = rect.left + (rect.right - rect.left - s.cx) / 2;
        } else if (format & DT_RIGHT) {
            x = rect.right - s.cx;
        }
        if (drawable) {
            if (d->state.bkMode == OPAQUE) {
                Raster::fill(t, RECT{x, y, x + s.cx, y + s.cy}, opaque(d->state.bkColour));
            }
            if (!lines[i].empty()) {
                const TextRenderer::Mask mask = TextRenderer::render(style, lines[i]);
                Raster::coverage(t, x - mask.pad, y - mask.pad, mask.bytes.data(), mask.width, mask.height,
                                 mask.stride, opaque(d->state.textColour));
            }
        }
        y += s.cy;
    }
    if (format & (DT_VCENTER | DT_BOTTOM)) return firstY - rect.top + totalHeight;
    return totalHeight;
}

} // namespace quarrow
