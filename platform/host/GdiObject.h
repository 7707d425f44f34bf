// The objects behind GDI handles: bitmaps (with their pixels), brushes,
// fonts and pens, plus the common base that the object table keeps. Device
// contexts are GDI objects too (host/DeviceContext.h). The object table
// (host/Gdi.h) owns every object; stock objects are marked and survive
// DeleteObject.
#pragma once

#include "host/PixelBuffer.h"
#include "win32/WinGdi.h"

namespace quarrow {

class GdiObject {
public:
    explicit GdiObject(DWORD kind) : m_kind(kind) {}
    virtual ~GdiObject() = default;
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    // OBJ_BITMAP, OBJ_BRUSH, OBJ_FONT, OBJ_PEN, OBJ_DC or OBJ_MEMDC.
    DWORD kind() const { return m_kind; }
    bool stock = false;

private:
    DWORD m_kind;
};

// A bitmap: a DIB section (the caller sees its bits) or a compatible
// bitmap (32 bits per pixel, top-down, bits not exposed).
class GdiBitmap : public GdiObject {
public:
    GdiBitmap(int width, int height, int bitsPerPixel, bool bottomUp, bool dibSection)
        : GdiObject(OBJ_BITMAP), pixels(width, height, bitsPerPixel, bottomUp), dib(dibSection)
    {
    }
    PixelBuffer pixels;
    bool dib;
    // The memory device context it is selected into, if any: a bitmap is
    // selected into at most one.
    HDC selectedInto = nullptr;
};

// A solid brush, the null brush, or a system colour brush (which follows
// the system colour by its index).
class GdiBrush : public GdiObject {
public:
    explicit GdiBrush(COLORREF c) : GdiObject(OBJ_BRUSH), colour(c) {}
    COLORREF colour;
    bool null = false;
    int sysColour = -1;
    // The DC_BRUSH stock brush takes the colour of the device context.
    bool dcBrush = false;
};

class GdiFont : public GdiObject {
public:
    explicit GdiFont(const LOGFONTW& lf) : GdiObject(OBJ_FONT), logFont(lf) {}
    LOGFONTW logFont;
};

// Pens exist only as stock objects, so that device contexts can select and
// restore them; nothing in the drawing layer strokes lines yet.
class GdiPen : public GdiObject {
public:
    explicit GdiPen(COLORREF c, bool isNull) : GdiObject(OBJ_PEN), colour(c), null(isNull) {}
    COLORREF colour;
    bool null;
};

} // namespace quarrow
