// One top-level window of the window system as the GTK backend shows it:
// a borderless GtkWindow of the window's exact rectangle with an RGBA
// visual, the pixels to show in a cairo image surface (ARGB32,
// premultiplied; the only copy of the window system's pixels it keeps), and
// the X input and bounding shapes taken from the transparent pixels. The
// backend (host/gtk/GtkBackend.h) owns these objects, one per top-level
// window it has been asked to show, and tells each what the window
// system's state is; the object owns its GtkWindow and turns the window's
// GTK events into calls back to the backend.
//
// A GtkFixed fills the window; native views that live inside the window
// (browser views) go into it, above the window system's pixels. Their
// areas (position in the container, size request) always belong to the
// window's shapes, so they show and take input even where the window's own
// pixels are transparent.
#pragma once

#include "host/Host.h"
#include "win32/WinDef.h"

#include <cstdint>
#include <string>
#include <vector>

typedef struct _GtkWidget GtkWidget;
typedef struct _cairo_surface cairo_surface_t;
typedef struct _cairo cairo_t;
typedef struct _GdkEventButton GdkEventButton;
typedef struct _GdkEventMotion GdkEventMotion;
typedef struct _GdkEventKey GdkEventKey;
typedef struct _GdkEventAny GdkEventAny;
typedef struct _GdkEventWindowState GdkEventWindowState;
typedef struct _GdkEventScroll GdkEventScroll;

namespace quarrow {

class GtkBackend;

class GtkTopLevel {
public:
    // What the window system wants shown for the window, gathered by the
    // backend from the window record.
    struct State {
        bool visible = false;  // WS_VISIBLE
        bool iconic = false;   // WS_MINIMIZE
        RECT rect{0, 0, 0, 0}; // screen coordinates
        // The pixels to show; null when the window shows nothing (a layered
        // window that has no content yet, or a minimised one).
        const ShownWindow* shown = nullptr;
        std::u16string title;
        HICON icon = nullptr;
        bool taskbarEntry = false;
        GtkTopLevel* owner = nullptr;
        bool topmost = false;
        bool acceptsFocus = true;
    };

    GtkTopLevel(GtkBackend& backend, HWND handle);
    ~GtkTopLevel();
    GtkTopLevel(const GtkTopLevel&) = delete;
    GtkTopLevel& operator=(const GtkTopLevel&) = delete;

    HWND handle() const { return m_handle; }
    GtkWidget* widget() const { return m_window; }
    GtkWidget* container() const { return m_fixed; }
    // The X window id (0 until the window is realized).
    unsigned long xid() const;

    // Brings the GTK window in line with `state`; what has not changed
    // since the last call (pixels compared byte for byte) costs nothing.
    void apply(const State& state);

    // The X server has mapped the window (it may still wait for its first
    // drawing).
    bool mapped() const { return m_mapped; }
    // Mapped, and the latest content has been drawn into it.
    bool presented() const { return m_mapped && m_drawnSerial == m_contentSerial; }
    bool shownOnScreen() const { return m_shown && !m_iconified; }

    // Gives the window the keyboard focus (and raises it) once it is mapped.
    void focus();
    void raise();
    // The owner's GTK window is gone (GTK drops the transient link itself).
    void forgetOwner(const GtkTopLevel* owner)
    {
        if (m_owner == owner) m_owner = nullptr;
    }

private:
    // A native view's place in the container: its position there and its
    // size request (its natural size when it has none).
    struct Area {
        int x = 0, y = 0, width = 0, height = 0;
        bool operator==(const Area&) const = default;
    };

    void create();
    std::vector<Area> nativeAreas() const;
    void applyGeometry(const RECT& rect);
    void applyContent(const ShownWindow* shown, int width, int height);
    void applyShape();
    void applyTaskbar(const State& state);
    void applyIcon(HICON icon);
    void applyVisibility(const State& state);
    // Row `y` of what the window shows, `width` pixels in cairo's ARGB32.
    static void convertRow(const ShownWindow& shown, int y, int width, uint32_t* out);

    static int onDraw(GtkWidget* widget, cairo_t* cr, void* self);
    static int onButton(GtkWidget* widget, GdkEventButton* event, void* self);
    static int onMotion(GtkWidget* widget, GdkEventMotion* event, void* self);
    static int onKey(GtkWidget* widget, GdkEventKey* event, void* self);
    static int onScroll(GtkWidget* widget, GdkEventScroll* event, void* self);
    static int onWindowState(GtkWidget* widget, GdkEventWindowState* event, void* self);
    static int onDelete(GtkWidget* widget, GdkEventAny* event, void* self);
    static int onMap(GtkWidget* widget, GdkEventAny* event, void* self);
    static int onUnmap(GtkWidget* widget, GdkEventAny* event, void* self);

    GtkBackend& m_backend;
    HWND m_handle;
    GtkWidget* m_window = nullptr;
    GtkWidget* m_fixed = nullptr;

    // What was last applied, so that unchanged state costs nothing.
    RECT m_rect{0, 0, 0, 0};
    bool m_geometryApplied = false;
    cairo_surface_t* m_image = nullptr;
    std::vector<uint32_t> m_row; // one converted row, compared with the image's
    bool m_hasContent = false;
    int m_contentWidth = -1;
    int m_contentHeight = -1;
    bool m_shapeStale = true;
    std::vector<Area> m_areas;
    uint64_t m_contentSerial = 0;
    uint64_t m_drawnSerial = 0;

    std::u16string m_title;
    bool m_titleApplied = false;
    HICON m_icon = nullptr;
    int m_taskbar = -1; // -1: not applied yet
    GtkTopLevel* m_owner = nullptr;
    int m_topmost = -1;
    int m_acceptsFocus = -1;

    // m_shown: the GTK window is shown (mapped, or iconified by the window
    // manager); m_hiddenAsIconic: minimised with no window manager to
    // iconify it to, so it is unmapped instead.
    bool m_shown = false;
    bool m_hiddenAsIconic = false;
    // The iconified state last asked of (or reported by) the window manager.
    bool m_iconified = false;
    bool m_mapped = false;
    bool m_focusWanted = false;
};

} // namespace quarrow
