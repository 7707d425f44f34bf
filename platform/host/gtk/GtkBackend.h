// The real screen: a backend that shows the window system's top-level
// windows on an X11 display through GTK 3 and feeds the display's pointer
// and keyboard back to it. The backend object owns its GDK display
// connection and one GtkTopLevel (host/gtk/GtkTopLevel.h) per top-level
// window it shows; the window system (host/Host.h) owns every window and
// every rule, and this backend only mirrors what it is told.
//
// Implements:
//   - each visible top-level window as a borderless GTK window of its exact
//     rectangle with an RGBA visual, stacked in the window system's Z order
//     (WS_EX_TOPMOST windows kept above);
//   - per-pixel alpha windows (UpdateLayeredWindow) with their premultiplied
//     pixels, painted with CAIRO_OPERATOR_SOURCE; colour-keyed windows
//     (LWA_COLORKEY) with their key pixels transparent; constant alpha
//     (LWA_ALPHA) folded into the pixels; translucent where a compositing
//     manager runs;
//   - input and bounding shapes taken from the transparent pixels, so that a
//     press on a transparent pixel reaches what lies beneath, and holes show
//     what lies beneath even with no compositing manager;
//   - native views (browser views) in a container over each window's pixels
//     (container()); their areas always belong to the window's shapes;
//   - native views that stand for a child window (attachView): kept over
//     the window's client area, in its top-level window's container, shown
//     only while the window is really visible, at every flush and whenever
//     asked (placeViews);
//   - keys for a native view: the window system routes every key, and the
//     view gets the real key event only when it is handed over
//     (deliverKeyToView); an event the view gives back to GTK unhandled is
//     dropped, never made input again;
//   - the screen in step with the window system at every flush (before each
//     wait): each window's state and pixels are compared with what it shows
//     (pixels byte for byte), so drawing the window system does not announce
//     (through a window DC outside WM_PAINT) still shows;
//   - real pointer motion, button and key events as the window system's raw
//     input (screen coordinates from the root window); key events keep their
//     GDK event for a native view that needs it (lastKeyEvent);
//   - window movement through gtk_window_move; the caption move loop is the
//     window system's, fed by motion events;
//   - minimise and restore through the window manager (gtk_window_iconify /
//     deiconify); a window the window manager minimises or restores comes
//     back as WM_SYSCOMMAND SC_MINIMIZE / SC_RESTORE, its close button as
//     SC_CLOSE (posted); with no window manager running a minimised window
//     is unmapped;
//   - taskbar entries: unowned and WS_EX_APPWINDOW windows get one with
//     their title and big icon (WM_SETICON, else the class icon); owned and
//     WS_EX_TOOLWINDOW windows skip the taskbar and are transient for their
//     owner;
//   - keyboard focus follows the window system's active window;
//   - waiting for input in the GLib main loop: wait() runs one blocking
//     g_main_context_iteration, so any GLib source (GDK events, timeouts,
//     browser callbacks) wakes a blocked GetMessage; a message posted from
//     such a callback is found as soon as the iteration returns. Nothing
//     polls;
//   - work that waits for the screen (whenPresented): run from a wait once
//     every window on screen has been mapped and drawn and the drawing has
//     been sent to the X server.
// Does not implement yet:
//   - mouse wheel input (the window system has no raw wheel input yet),
//     double-click timing, cursor shapes;
//   - WM-initiated moves and activation flowing back into the window system
//     (the window system's geometry and active window always win);
//   - SetCapture outside a held button (no explicit pointer grab);
//   - output scaling: the display is used at scale 1, one pixel per pixel;
//   - with no window manager, taskbar state changes after a window first
//     maps (the skip-taskbar state is written at map time; later changes
//     go to the window manager).
#pragma once

#include "host/Backend.h"
#include "win32/WinDef.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

typedef struct _GdkDisplay GdkDisplay;
typedef struct _GtkWidget GtkWidget;
typedef union _GdkEvent GdkEvent;

namespace quarrow {

class GtkTopLevel;

class GtkBackend : public Backend {
public:
    // Opens the X display `displayName` (DISPLAY's when empty) through GTK.
    // Null with `error` set to one line a user can read when there is no
    // display to open.
    static std::unique_ptr<GtkBackend> open(const std::string& displayName, std::string& error);
    ~GtkBackend() override;
    GtkBackend(const GtkBackend&) = delete;
    GtkBackend& operator=(const GtkBackend&) = delete;

    GdkDisplay* display() const { return m_display; }

    // Shows the window system's current state on the display now (waiting
    // does this by itself before it blocks) and sends it to the X server.
    void flush();
    // Wakes a wait that blocks in the GLib main loop.
    void wake();

    // ---- the GTK side of a top-level window (null or 0 when it has none)
    GtkWidget* windowWidget(HWND topLevel) const;
    // The container (a GtkFixed filling the window) for native views that
    // live inside the window, above its pixels.
    GtkWidget* container(HWND topLevel) const;
    unsigned long xid(HWND topLevel) const;
    // Mapped by the X server with its latest content drawn.
    bool presented(HWND topLevel) const;

    // The last real key event that went down (or up) with this virtual
    // key, for a native view that takes the key after the window system
    // has routed it; null when there was none. Valid until the next key
    // event of the same key and direction.
    const GdkEvent* lastKeyEvent(UINT virtualKey, bool down) const;

    // Keeps `view` over the client area of `window` (a child window) from
    // now on: in the container of the window's top-level window, moved,
    // sized, shown and hidden with the window, and moved to another
    // container when the window changes top-level windows. The backend
    // holds a reference on the view until detachView(); a top-level window
    // that goes away lets go of the view instead of destroying it.
    void attachView(HWND window, GtkWidget* view);
    void detachView(HWND window);
    // Brings every attached view in line with its window now (a flush does
    // this too).
    void placeViews();
    // Hands the last real key event of `virtualKey` (down or up) to an
    // attached view, with the GTK focus of its window; false when there is
    // no such event. A view that gives the event back to GTK unhandled
    // (WebKit does, for its window's key bindings) has it dropped here.
    bool deliverKeyToView(GtkWidget* view, UINT virtualKey, bool down);

    // Runs `action` once, from a wait (outside every GTK signal and window
    // message), as soon as every top-level window on screen (shown and not
    // minimised) has been mapped and has drawn its latest content, with
    // that drawing sent to the X server; at the next wait when no window is
    // on screen. What is still pending when the backend goes never runs.
    void whenPresented(std::function<void()> action);

    // How many times waiting has blocked in the GLib main loop.
    uint64_t waits() const { return m_waits; }

    // Whether a window manager runs on the screen (someone owns the ICCCM
    // WM_S selection of the screen).
    bool windowManagerRunning() const;

protected:
    Capabilities capabilitiesImpl() const override;
    SIZE screenSizeImpl() const override;
    RECT workAreaImpl() const override;
    void windowChangedImpl(HWND window) override;
    void windowDestroyedImpl(HWND window) override;
    std::optional<InputEvent> nextInputImpl() override;
    bool waitImpl() override;

private:
    friend class GtkTopLevel;

    GtkBackend(GdkDisplay* display, bool ownsDisplay);

    GtkTopLevel* entry(HWND handle) const;
    GtkTopLevel& ensure(HWND handle);
    void restack(const std::vector<GtkTopLevel*>& bottomToTop);

    // Called from GtkTopLevel's event handlers.
    void queueInput(const InputEvent& event) { m_input.push_back(event); }
    void keyEvent(const GdkEvent* event, UINT virtualKey, bool down, char16_t character);
    // Whether a key event is one that a native view gave back; the view
    // gets it once more, as GTK would have propagated it there, so that it
    // knows its event has come round, and it goes no further.
    bool takeEcho(const GdkEvent* event);
    void systemCommand(HWND window, WPARAM command);

    GdkDisplay* m_display = nullptr;
    bool m_ownsDisplay = false;
    std::map<HWND, std::unique_ptr<GtkTopLevel>> m_windows;
    std::vector<GtkTopLevel*> m_stack;
    HWND m_focused = nullptr;
    std::deque<InputEvent> m_input;
    std::map<std::pair<UINT, bool>, GdkEvent*> m_keyEvents;
    // Attached views by the window they stand for (each holds a reference).
    std::map<HWND, GtkWidget*> m_views;
    void placeView(HWND window, GtkWidget* view);
    void releaseViewsIn(GtkWidget* container);
    // Key events handed to views, which may come back: type, time, key code
    // and state identify each (the last few only; a view answers at once).
    struct KeyIdentity {
        int type;
        uint32_t time;
        uint16_t keycode;
        unsigned state;
        bool operator==(const KeyIdentity&) const = default;
    };
    struct Echo {
        KeyIdentity key;
        GtkWidget* view; // referenced while the entry lasts
    };
    std::deque<Echo> m_echoes;
    void dropOldestEcho();
    bool everythingPresented() const;
    std::vector<std::function<void()>> m_whenPresented;
    uint64_t m_waits = 0;
};

} // namespace quarrow
