// A device context: what it draws on (a memory bitmap, a window's client
// area or whole window, a paint session, or the screen) and its drawing
// state (selected objects, colours, modes, origin, clip). The object table
// (host/Gdi.h) owns it; window contexts are released with ReleaseDC or
// EndPaint, memory contexts deleted with DeleteDC.
#pragma once

#include "host/GdiObject.h"
#include "win32/WinDef.h"

#include <optional>
#include <vector>

namespace quarrow {

class DeviceContext : public GdiObject {
public:
    enum class Surface {
        Memory, // draws on the selected bitmap
        Client, // a window's client area (GetDC)
        Window, // a whole window, frame included (GetWindowDC)
        Paint,  // a window's client area clipped to its paint rectangle (BeginPaint)
        Screen, // the screen (GetDC(NULL)): nothing is drawn through it
    };

    explicit DeviceContext(Surface s) : GdiObject(s == Surface::Memory ? OBJ_MEMDC : OBJ_DC), surface(s) {}

    struct State {
        HGDIOBJ bitmap = nullptr;
        HGDIOBJ brush = nullptr;
        HGDIOBJ font = nullptr;
        HGDIOBJ pen = nullptr;
        COLORREF textColour = 0x00000000;
        COLORREF bkColour = 0x00FFFFFF;
        COLORREF dcBrushColour = 0x00FFFFFF;
        int bkMode = 2; // OPAQUE
        int stretchMode = 1; // BLACKONWHITE
        POINT viewportOrigin{0, 0};
        // An extra clip in device coordinates (IntersectClipRect).
        std::optional<RECT> clip;
    };

    Surface surface;
    HWND window = nullptr;
    // For paint contexts: the rectangle being painted, in client coordinates.
    RECT paintRect{0, 0, 0, 0};
    State state;
    std::vector<State> saved;
};

} // namespace quarrow
