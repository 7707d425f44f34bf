// The interface between the window system and what shows its windows and
// feeds it input. The window system keeps every rule; a backend only shows
// the top-level windows it is told about and delivers raw input. Public
// operations are non-virtual and apply the rules; the *Impl virtuals only
// show or deliver.
//
// A backend declares what it can do (Capabilities); the window system falls
// back where a backend cannot (for example, a backend without per-pixel
// alpha would be shown the layered content composed over black).
#pragma once

#include "host/InputEvent.h"
#include "win32/WinDef.h"

#include <optional>
#include <string>

namespace quarrow {

// A request to open an address or file with the desktop's default program
// (ShellExecuteW).
struct ShellRequest {
    std::u16string verb;       // "open"
    std::u16string file;
    std::u16string parameters;
    std::u16string directory;
    int show = 0;              // SW_* value
};

class Host;

class Backend {
public:
    struct Capabilities {
        bool perPixelAlpha = false;    // shows UpdateLayeredWindow content with its alpha
        bool colourKey = false;        // shows colour-keyed windows with holes
        bool inputPassThrough = false; // lets input through transparent pixels by itself
        bool syntheticInput = false;   // tests can queue input
    };

    virtual ~Backend() = default;

    Capabilities capabilities() const { return capabilitiesImpl(); }
    SIZE screenSize() const { return screenSizeImpl(); }
    // The work area: the screen less what the backend's desktop reserves.
    RECT workArea() const { return workAreaImpl(); }

    // Called by the window system (only for top-level windows): shown,
    // hidden, moved, resized, restacked, or its pixels changed.
    void windowChanged(HWND window) { windowChangedImpl(window); }
    void windowDestroyed(HWND window) { windowDestroyedImpl(window); }

    // The next raw input, if any is waiting; never blocks.
    std::optional<InputEvent> nextInput() { return nextInputImpl(); }
    // Waits until input may be waiting. False when none will ever come
    // (a scripted backend that has run out of script).
    bool wait() { return waitImpl(); }

    // Opens a shell request; returns ERROR_SUCCESS or the system's error
    // (ERROR_FILE_NOT_FOUND when the desktop's opener is missing).
    DWORD shellOpen(const ShellRequest& request) { return shellOpenImpl(request); }

    Host* host() const { return m_host; }

protected:
    virtual Capabilities capabilitiesImpl() const = 0;
    virtual SIZE screenSizeImpl() const = 0;
    virtual RECT workAreaImpl() const
    {
        const SIZE s = screenSizeImpl();
        return RECT{0, 0, s.cx, s.cy};
    }
    virtual void windowChangedImpl(HWND) {}
    virtual void windowDestroyedImpl(HWND) {}
    virtual std::optional<InputEvent> nextInputImpl() = 0;
    virtual bool waitImpl() = 0;
    // The desktop's way: "xdg-open" (found only through the absolute
    // entries of PATH, never beside the executable or in the current
    // directory) with the file as its one argument,
    // detached (a session of its own, no descriptor beyond 0-2, no zombie)
    // and never through a shell. Parameters and directory have no meaning
    // for an address and are not passed.
    virtual DWORD shellOpenImpl(const ShellRequest& request);

private:
    friend class Host;
    Host* m_host = nullptr;
};

} // namespace quarrow
