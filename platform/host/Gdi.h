// The GDI object table of one window system, and the drawing operations on
// device contexts: fills, block transfers, the alpha blend, pixels and text.
// The table owns every object it hands a handle out for; handles are never
// reused within one window system, so a stale handle fails cleanly.
// Window device contexts draw on their top-level window's surface, which the
// window system (host/Host.h) owns and resolves.
#pragma once

#include "host/DeviceContext.h"
#include "host/GdiObject.h"
#include "host/Raster.h"
#include "host/TextRenderer.h"
#include "win32/WinGdi.h"

#include <map>
#include <memory>
#include <string>

namespace quarrow {

class Host;

class Gdi {
public:
    explicit Gdi(Host& host);
    ~Gdi();

    // The table. get() gives null for a handle that is not in it.
    HGDIOBJ add(std::unique_ptr<GdiObject> object);
    GdiObject* get(HGDIOBJ handle) const;
    template <typename T>
    T* get(HGDIOBJ handle, DWORD kind) const
    {
        GdiObject* o = get(handle);
        return o && o->kind() == kind ? static_cast<T*>(o) : nullptr;
    }
    DeviceContext* dc(HDC handle) const;
    GdiBitmap* bitmap(HGDIOBJ handle) const { return get<GdiBitmap>(handle, OBJ_BITMAP); }
    // Brushes by handle, including the platform's "system colour index + 1"
    // handles that FillRect accepts.
    bool brushColour(HDC dc, HBRUSH brush, COLORREF& colour, bool& isNull) const;

    HGDIOBJ stock(int index) const;
    HBRUSH sysColourBrush(int index) const;

    HDC createDc(DeviceContext::Surface surface, HWND window, const RECT* paintRect = nullptr);
    // Deletes a context and restores the objects selected into it.
    bool deleteDc(HDC dc);
    // Deletes every context that draws on `window` (it is being destroyed).
    void releaseWindowDcs(HWND window);
    HGDIOBJ select(HDC dc, HGDIOBJ object);
    bool deleteObject(HGDIOBJ object);

    // Where drawing through `dc` lands now (window contexts follow their
    // window); false for the screen context and contexts without pixels.
    bool target(HDC dc, RasterTarget& out) const;
    // The pixels a context reads from as a blit source, with the offset from
    // device to buffer coordinates.
    const PixelBuffer* sourcePixels(HDC dc, POINT& origin) const;

    TextStyle textStyle(HDC dc) const;
    int drawText(HDC dc, std::u16string text, RECT& rect, UINT format);

private:
    Host& m_host;
    std::map<ULONG_PTR, std::unique_ptr<GdiObject>> m_objects;
    ULONG_PTR m_next = 0x40010;
    HGDIOBJ m_stock[20] = {};
    HBRUSH m_sysBrushes[31] = {};
    HGDIOBJ m_defaultBitmap = nullptr;
};

} // namespace quarrow
