// The state of one window, owned by the window system's handle table
// (host/Host.h). Geometry is kept as the platform keeps it: the window
// rectangle in the parent's client coordinates (screen coordinates for
// top-level windows, whose parent is the desktop) and the client rectangle
// relative to the window's own top-left corner. Top-level windows own the
// 32-bit surface that they and all their descendants draw on.
#pragma once

#include "host/PixelBuffer.h"
#include "host/WindowClass.h"
#include "win32/WinUser.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace quarrow {

// Per-window state that a predefined class or the dialog manager attaches.
class WindowExtension {
public:
    virtual ~WindowExtension() = default;
};

struct Window {
    enum class Layer {
        None,       // not layered, or layered without attributes yet
        Attributes, // SetLayeredWindowAttributes: colour key and/or constant alpha
        PerPixel,   // UpdateLayeredWindow: its own premultiplied content
    };

    HWND handle = nullptr;
    WindowClass* windowClass = nullptr;
    WNDPROC proc = nullptr;
    std::u16string text;
    DWORD style = 0;
    DWORD exStyle = 0;
    LONG_PTR id = 0;
    LONG_PTR userData = 0;
    HINSTANCE instance = nullptr;
    Window* parent = nullptr;
    Window* owner = nullptr;
    // Top of the Z order first, as the platform lists siblings.
    std::vector<Window*> children;
    RECT rect{0, 0, 0, 0};
    RECT client{0, 0, 0, 0};
    std::vector<BYTE> extra;
    std::vector<std::pair<std::u16string, HANDLE>> props;
    HICON bigIcon = nullptr;
    HICON smallIcon = nullptr;

    // Minimise and restore.
    RECT normalRect{0, 0, 0, 0};
    bool hiddenByOwnerMinimise = false;

    // Painting: the pending update rectangle in client coordinates.
    bool updatePending = false;
    RECT update{0, 0, 0, 0};
    bool erasePending = false;
    bool framePending = false;

    // Layered windows.
    Layer layer = Layer::None;
    COLORREF layerKey = 0;
    BYTE layerAlpha = 255;
    DWORD layerFlags = 0;
    PixelBuffer layerPixels;

    // Top-level windows only: what the window and its children have drawn.
    PixelBuffer surface;

    std::unique_ptr<WindowExtension> dialog;
    std::unique_ptr<WindowExtension> control;

    bool destroying = false;

    bool isChild() const { return (style & WS_CHILD) != 0; }
    bool visibleFlag() const { return (style & WS_VISIBLE) != 0; }
    bool disabledFlag() const { return (style & WS_DISABLED) != 0; }
    bool iconic() const { return (style & WS_MINIMIZE) != 0; }
    int width() const { return rect.right - rect.left; }
    int height() const { return rect.bottom - rect.top; }
    int clientWidth() const { return client.right - client.left; }
    int clientHeight() const { return client.bottom - client.top; }
};

} // namespace quarrow
