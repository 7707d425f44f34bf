#include "host/gtk/GtkTopLevel.h"

#include "host/gtk/GtkBackend.h"
#include "host/gtk/GtkKeyMap.h"
#include "win32/linux/IconImage.h"
#include "win32/Utf8.h"
#include "win32/WinUser.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <algorithm>
#include <bit>
#include <cassert>
#include <cmath>
#include <cstring>

namespace quarrow {

namespace {

// A pixbuf (straight RGBA) of a premultiplied BGRA picture.
GdkPixbuf* pixbufOf(const DecodedImage& image)
{
    if (image.width <= 0 || image.height <= 0) return nullptr;
    GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, TRUE, 8, image.width, image.height);
    if (!pixbuf) return nullptr;
    guchar* pixels = gdk_pixbuf_get_pixels(pixbuf);
    const int stride = gdk_pixbuf_get_rowstride(pixbuf);
    for (int y = 0; y < image.height; ++y) {
        guchar* out = pixels + static_cast<size_t>(y) * stride;
        for (int x = 0; x < image.width; ++x) {
            const BYTE* p = image.pixel(x, y);
            const int a = p[3];
            auto straight = [a](int c) { return a == 0 ? 0 : std::min(255, (c * 255 + a / 2) / a); };
            out[x * 4 + 0] = static_cast<guchar>(straight(p[2]));
            out[x * 4 + 1] = static_cast<guchar>(straight(p[1]));
            out[x * 4 + 2] = static_cast<guchar>(straight(p[0]));
            out[x * 4 + 3] = static_cast<guchar>(a);
        }
    }
    return pixbuf;
}

// The region of the pixels that are not fully transparent, built from runs
// of such pixels; runs repeated on consecutive rows become one rectangle.
// Null when every pixel is visible (no shape needed).
cairo_region_t* visibleRegion(cairo_surface_t* image, int width, int height)
{
    if (!image) return cairo_region_create();
    const unsigned char* data = cairo_image_surface_get_data(image);
    const int stride = cairo_image_surface_get_stride(image);
    std::vector<cairo_rectangle_int_t> done;
    std::vector<cairo_rectangle_int_t> open; // the previous row's runs, still growing
    std::vector<cairo_rectangle_int_t> row;
    bool everything = true;
    for (int y = 0; y < height; ++y) {
        const auto* px = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
        row.clear();
        for (int x = 0; x < width;) {
            if ((px[x] >> 24) == 0) {
                everything = false;
                ++x;
                continue;
            }
            const int start = x;
            while (x < width && (px[x] >> 24) != 0) ++x;
            row.push_back(cairo_rectangle_int_t{start, y, x - start, 1});
        }
        bool same = row.size() == open.size();
        for (size_t i = 0; same && i < row.size(); ++i) {
            same = row[i].x == open[i].x && row[i].width == open[i].width;
        }
        if (same) {
            for (auto& r : open) ++r.height;
        } else {
            done.insert(done.end(), open.begin(), open.end());
            open = row;
        }
    }
    if (everything) return nullptr;
    done.insert(done.end(), open.begin(), open.end());
    return cairo_region_create_rectangles(done.data(), static_cast<int>(done.size()));
}

} // namespace

GtkTopLevel::GtkTopLevel(GtkBackend& backend, HWND handle) : m_backend(backend), m_handle(handle) { create(); }

GtkTopLevel::~GtkTopLevel()
{
    if (m_window) {
        g_signal_handlers_disconnect_by_data(m_window, this);
        gtk_widget_destroy(m_window);
    }
    if (m_image) cairo_surface_destroy(m_image);
}

void GtkTopLevel::create()
{
    m_window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    GtkWindow* window = GTK_WINDOW(m_window);
    GdkScreen* screen = gdk_display_get_default_screen(m_backend.display());
    gtk_window_set_screen(window, screen);
    if (GdkVisual* rgba = gdk_screen_get_rgba_visual(screen)) gtk_widget_set_visual(m_window, rgba);
    gtk_window_set_decorated(window, FALSE);
    // The window's size is the window system's: fixed, exactly the size
    // requested, never what the window manager or the contents want.
    gtk_window_set_resizable(window, FALSE);
    gtk_widget_set_app_paintable(m_window, TRUE);
    gtk_window_set_focus_on_map(window, FALSE);

    m_fixed = gtk_fixed_new();
    gtk_container_add(GTK_CONTAINER(m_window), m_fixed);
    gtk_widget_show(m_fixed);

    gtk_widget_add_events(m_window, GDK_POINTER_MOTION_MASK | GDK_BUTTON_PRESS_MASK | GDK_BUTTON_RELEASE_MASK |
                                        GDK_KEY_PRESS_MASK | GDK_KEY_RELEASE_MASK | GDK_STRUCTURE_MASK |
                                        GDK_SCROLL_MASK);
    g_signal_connect(m_window, "draw", G_CALLBACK(onDraw), this);
    g_signal_connect(m_window, "button-press-event", G_CALLBACK(onButton), this);
    g_signal_connect(m_window, "button-release-event", G_CALLBACK(onButton), this);
    g_signal_connect(m_window, "motion-notify-event", G_CALLBACK(onMotion), this);
    g_signal_connect(m_window, "key-press-event", G_CALLBACK(onKey), this);
    g_signal_connect(m_window, "key-release-event", G_CALLBACK(onKey), this);
    g_signal_connect(m_window, "scroll-event", G_CALLBACK(onScroll), this);
    g_signal_connect(m_window, "window-state-event", G_CALLBACK(onWindowState), this);
    g_signal_connect(m_window, "delete-event", G_CALLBACK(onDelete), this);
    g_signal_connect(m_window, "map-event", G_CALLBACK(onMap), this);
    g_signal_connect(m_window, "unmap-event", G_CALLBACK(onUnmap), this);
}

unsigned long GtkTopLevel::xid() const
{
    GdkWindow* gdk = m_window ? gtk_widget_get_window(m_window) : nullptr;
    return gdk ? gdk_x11_window_get_xid(gdk) : 0;
}

void GtkTopLevel::apply(const State& state)
{
    applyTaskbar(state);
    // A minimised window keeps its last geometry and pixels for when it
    // comes back (the window system parks it far off the screen).
    if (state.visible && !state.iconic) {
        applyGeometry(state.rect);
        applyContent(state.shown, state.rect.right - state.rect.left, state.rect.bottom - state.rect.top);
        applyShape();
    }
    applyVisibility(state);
}

void GtkTopLevel::applyGeometry(const RECT& rect)
{
    const int width = std::max<int>(rect.right - rect.left, 1);
    const int height = std::max<int>(rect.bottom - rect.top, 1);
    const bool sized = !m_geometryApplied || width != std::max<int>(m_rect.right - m_rect.left, 1) ||
                       height != std::max<int>(m_rect.bottom - m_rect.top, 1);
    const bool moved = !m_geometryApplied || rect.left != m_rect.left || rect.top != m_rect.top;
    if (sized) {
        gtk_widget_set_size_request(m_window, width, height);
        gtk_window_resize(GTK_WINDOW(m_window), width, height);
    }
    if (moved) gtk_window_move(GTK_WINDOW(m_window), rect.left, rect.top);
    m_rect = rect;
    m_geometryApplied = true;
}

void GtkTopLevel::convertRow(const ShownWindow& shown, int y, int width, uint32_t* out)
{
    const PixelBuffer& source = *shown.pixels;
    const int inside = y < source.height() ? std::min(width, source.width()) : 0;
    // Pixels outside the content are transparent.
    std::fill(out + std::max(inside, 0), out + width, 0u);
    if (inside <= 0) return;
    // Cairo's ARGB32 is a native-endian 0xAARRGGBB word holding
    // premultiplied colour, the layered content's own form.
    const BYTE* row = source.row(y);
    if (source.bitsPerPixel() == 32) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(out, row, static_cast<size_t>(inside) * 4); // blue, green, red, alpha bytes
        } else {
            for (int x = 0; x < inside; ++x) {
                const BYTE* p = row + x * 4;
                out[x] = uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
            }
        }
    } else {
        for (int x = 0; x < inside; ++x) {
            const BYTE* p = row + x * 3;
            out[x] = 0xFF000000u | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0];
        }
    }
    if (shown.layer == Window::Layer::PerPixel) return;
    // Not per-pixel: opaque, but for the colour key and the constant alpha.
    const uint32_t key = uint32_t(GetRValue(shown.key)) << 16 | uint32_t(GetGValue(shown.key)) << 8 | GetBValue(shown.key);
    const BYTE constant = shown.constantAlpha;
    for (int x = 0; x < inside; ++x) {
        const uint32_t rgb = out[x] & 0xFFFFFFu;
        if (shown.colourKeyed && rgb == key) {
            out[x] = 0;
        } else if (constant == 255) {
            out[x] = 0xFF000000u | rgb;
        } else {
            out[x] = uint32_t(constant) << 24 | uint32_t(Raster::mul255(BYTE(rgb >> 16), constant)) << 16 |
                     uint32_t(Raster::mul255(BYTE(rgb >> 8), constant)) << 8 | Raster::mul255(BYTE(rgb), constant);
        }
    }
}

void GtkTopLevel::applyContent(const ShownWindow* shown, int width, int height)
{
    if (!shown || !shown->pixels || width <= 0 || height <= 0) {
        // Nothing to show: a fully transparent window that lets every press
        // through.
        if (m_hasContent && !m_image && width == m_contentWidth && height == m_contentHeight) return;
        if (m_image) cairo_surface_destroy(m_image);
        m_image = nullptr;
    } else {
        // What the window shows is compared with what it should show row by
        // row, converted on the way, so no copy of the window system's
        // pixels is kept: a change it does not announce still shows.
        const bool fresh = !m_image || cairo_image_surface_get_width(m_image) != width ||
                           cairo_image_surface_get_height(m_image) != height;
        if (fresh) {
            if (m_image) cairo_surface_destroy(m_image);
            m_image = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
        }
        cairo_surface_flush(m_image);
        unsigned char* data = cairo_image_surface_get_data(m_image);
        const int stride = cairo_image_surface_get_stride(m_image);
        m_row.resize(static_cast<size_t>(width));
        bool changed = fresh;
        for (int y = 0; y < height; ++y) {
            auto* out = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(y) * stride);
            if (fresh) {
                convertRow(*shown, y, width, out);
                continue;
            }
            convertRow(*shown, y, width, m_row.data());
            if (std::memcmp(out, m_row.data(), m_row.size() * 4) != 0) {
                std::memcpy(out, m_row.data(), m_row.size() * 4);
                changed = true;
            }
        }
        if (!changed && m_hasContent && width == m_contentWidth && height == m_contentHeight) return;
        cairo_surface_mark_dirty(m_image);
    }
    m_hasContent = true;
    m_contentWidth = width;
    m_contentHeight = height;
    ++m_contentSerial;
    m_shapeStale = true;
    gtk_widget_queue_draw(m_window);
}

std::vector<GtkTopLevel::Area> GtkTopLevel::nativeAreas() const
{
    std::vector<Area> areas;
    GList* children = gtk_container_get_children(GTK_CONTAINER(m_fixed));
    for (GList* c = children; c; c = c->next) {
        auto* child = static_cast<GtkWidget*>(c->data);
        if (!gtk_widget_get_visible(child)) continue;
        Area a;
        gtk_container_child_get(GTK_CONTAINER(m_fixed), child, "x", &a.x, "y", &a.y, nullptr);
        gtk_widget_get_size_request(child, &a.width, &a.height);
        if (a.width < 0 || a.height < 0) {
            GtkRequisition natural{};
            gtk_widget_get_preferred_size(child, nullptr, &natural);
            if (a.width < 0) a.width = natural.width;
            if (a.height < 0) a.height = natural.height;
        }
        if (a.width > 0 && a.height > 0) areas.push_back(a);
    }
    g_list_free(children);
    return areas;
}

void GtkTopLevel::applyShape()
{
    std::vector<Area> areas = nativeAreas();
    if (!m_shapeStale && areas == m_areas) return;
    m_shapeStale = false;
    m_areas = std::move(areas);
    // Where the window is fully transparent it is not there at all: presses
    // go to what lies beneath (input shape), and what lies beneath shows
    // through even with no compositing manager (bounding shape). Native
    // views in the container are always there, whatever pixels lie under
    // them.
    cairo_region_t* region = visibleRegion(m_image, m_contentWidth, m_contentHeight);
    if (region) {
        for (const Area& a : m_areas) {
            const cairo_rectangle_int_t r{a.x, a.y, a.width, a.height};
            cairo_region_union_rectangle(region, &r);
        }
    }
    gtk_widget_input_shape_combine_region(m_window, region);
    gtk_widget_shape_combine_region(m_window, region);
    // A window with nothing to show is never exposed and never drawn; it
    // is as presented as it will get.
    if (region && cairo_region_is_empty(region)) m_drawnSerial = m_contentSerial;
    if (region) cairo_region_destroy(region);
}

void GtkTopLevel::applyTaskbar(const State& state)
{
    GtkWindow* window = GTK_WINDOW(m_window);
    if (!m_titleApplied || state.title != m_title) {
        gtk_window_set_title(window, Utf16ToUtf8(state.title).c_str());
        m_title = state.title;
        m_titleApplied = true;
    }
    if (state.icon != m_icon) applyIcon(state.icon);
    if (m_taskbar != static_cast<int>(state.taskbarEntry)) {
        gtk_window_set_skip_taskbar_hint(window, !state.taskbarEntry);
        gtk_window_set_skip_pager_hint(window, !state.taskbarEntry);
        m_taskbar = state.taskbarEntry;
    }
    if (state.owner != m_owner) {
        gtk_window_set_transient_for(window, state.owner ? GTK_WINDOW(state.owner->widget()) : nullptr);
        m_owner = state.owner;
    }
    if (m_topmost != static_cast<int>(state.topmost)) {
        gtk_window_set_keep_above(window, state.topmost);
        m_topmost = state.topmost;
    }
    if (m_acceptsFocus != static_cast<int>(state.acceptsFocus)) {
        gtk_window_set_accept_focus(window, state.acceptsFocus);
        m_acceptsFocus = state.acceptsFocus;
    }
}

void GtkTopLevel::applyIcon(HICON icon)
{
    m_icon = icon;
    GList* list = nullptr;
    if (const IconImage* image = icon ? IconImage::fromHandle(icon) : nullptr) {
        // The large icon, and the picture it was made from for window
        // managers that show bigger icons.
        if (GdkPixbuf* p = pixbufOf(image->image())) list = g_list_append(list, p);
        if (image->source().width > image->width()) {
            if (GdkPixbuf* p = pixbufOf(image->source())) list = g_list_append(list, p);
        }
    }
    gtk_window_set_icon_list(GTK_WINDOW(m_window), list);
    g_list_free_full(list, g_object_unref);
}

void GtkTopLevel::applyVisibility(const State& state)
{
    GtkWindow* window = GTK_WINDOW(m_window);
    if (!state.visible) {
        if (m_shown) gtk_widget_hide(m_window);
        m_shown = false;
        m_hiddenAsIconic = false;
        m_mapped = false;
        return;
    }
    if (state.iconic) {
        if (m_iconified || m_hiddenAsIconic) return;
        if (m_backend.windowManagerRunning()) {
            // Iconifying before the first show makes the window map iconic.
            gtk_window_iconify(window);
            m_iconified = true;
            if (!m_shown) {
                gtk_widget_show(m_window);
                m_shown = true;
            }
        } else {
            // Nobody would keep an icon for it: it leaves the screen.
            if (m_shown) gtk_widget_hide(m_window);
            m_shown = false;
            m_mapped = false;
            m_hiddenAsIconic = true;
        }
        return;
    }
    m_hiddenAsIconic = false;
    if (!m_shown) {
        gtk_widget_show(m_window);
        m_shown = true;
    }
    if (m_iconified) {
        gtk_window_deiconify(window);
        m_iconified = false;
    }
}

void GtkTopLevel::focus()
{
    m_focusWanted = true;
    if (!m_mapped) return;
    GdkWindow* gdk = gtk_widget_get_window(m_window);
    if (!gdk) return;
    m_focusWanted = false;
    gdk_window_focus(gdk, gdk_x11_display_get_user_time(m_backend.display()));
    // Focusing raises the window (the window manager's doing, or GDK's
    // when there is none), which can put it above windows the window
    // system keeps above it: the next flush restacks everything.
    m_backend.m_stack.clear();
}

void GtkTopLevel::raise()
{
    if (GdkWindow* gdk = gtk_widget_get_window(m_window)) gdk_window_raise(gdk);
}

// ---------------------------------------------------------------------------
// Events

int GtkTopLevel::onDraw(GtkWidget*, cairo_t* cr, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    cairo_save(cr);
    cairo_set_operator(cr, CAIRO_OPERATOR_SOURCE);
    if (self->m_image) {
        cairo_set_source_surface(cr, self->m_image, 0, 0);
    } else {
        cairo_set_source_rgba(cr, 0, 0, 0, 0);
    }
    cairo_paint(cr);
    cairo_restore(cr);
    // Native views inside the window draw over its pixels.
    gtk_container_propagate_draw(GTK_CONTAINER(self->m_window), self->m_fixed, cr);
    self->m_drawnSerial = self->m_contentSerial;
    return TRUE;
}

int GtkTopLevel::onButton(GtkWidget*, GdkEventButton* event, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    // The window system makes no double clicks of its own; GDK's extra
    // 2BUTTON/3BUTTON events repeat presses it has already delivered.
    if (event->type != GDK_BUTTON_PRESS && event->type != GDK_BUTTON_RELEASE) return TRUE;
    InputEvent e;
    switch (event->button) {
    case 1:
        e.button = InputEvent::Left;
        break;
    case 2:
        e.button = InputEvent::Middle;
        break;
    case 3:
        e.button = InputEvent::Right;
        break;
    default:
        return TRUE;
    }
    e.kind = event->type == GDK_BUTTON_PRESS ? InputEvent::Kind::MouseDown : InputEvent::Kind::MouseUp;
    // Root coordinates: they stay right while the window itself moves under
    // the pointer (the caption move loop).
    e.point = POINT{static_cast<LONG>(std::lround(event->x_root)), static_cast<LONG>(std::lround(event->y_root))};
    self->m_backend.queueInput(e);
    return TRUE;
}

int GtkTopLevel::onMotion(GtkWidget*, GdkEventMotion* event, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    InputEvent e;
    e.kind = InputEvent::Kind::MouseMove;
    e.point = POINT{static_cast<LONG>(std::lround(event->x_root)), static_cast<LONG>(std::lround(event->y_root))};
    self->m_backend.queueInput(e);
    return TRUE;
}

int GtkTopLevel::onKey(GtkWidget*, GdkEventKey* event, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    // A native view handing back a key it was given and did not want: the
    // window system has routed it once already.
    if (self->m_backend.takeEcho(reinterpret_cast<const GdkEvent*>(event))) return TRUE;
    UINT vk = GtkKeyMap::virtualKey(event->keyval);
    if (vk == 0) {
        // A key of another layout (Cyrillic, Greek...): the code of what the
        // same key gives in the first group without modifiers.
        guint base = 0;
        GdkKeymap* keymap = gdk_keymap_get_for_display(self->m_backend.display());
        if (gdk_keymap_translate_keyboard_state(keymap, event->hardware_keycode, GdkModifierType(0), 0, &base,
                                                nullptr, nullptr, nullptr)) {
            vk = GtkKeyMap::virtualKey(base);
        }
    }
    const bool down = event->type == GDK_KEY_PRESS;
    char16_t c = down ? GtkKeyMap::character(event->keyval, (event->state & GDK_CONTROL_MASK) != 0) : 0;
    if (vk == 0) {
        // A character no key of the keyboard names (Chinese text typed by an
        // input tool, a keysym mapped for the moment): the platform's
        // VK_PACKET with the character, so it reaches the page like any key.
        const gunichar u = gdk_keyval_to_unicode(event->keyval);
        if (u == 0 || u > 0xFFFF) return TRUE;
        vk = VK_PACKET;
        c = down ? static_cast<char16_t>(u) : 0;
    }
    self->m_backend.keyEvent(reinterpret_cast<const GdkEvent*>(event), vk, down, c);
    // The window system routes every key (through PreTranslateMessage);
    // GTK's own key handling never sees it.
    return TRUE;
}

int GtkTopLevel::onScroll(GtkWidget*, GdkEventScroll*, void*) { return FALSE; }

int GtkTopLevel::onWindowState(GtkWidget*, GdkEventWindowState* event, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    if (!(event->changed_mask & GDK_WINDOW_STATE_ICONIFIED)) return FALSE;
    const bool iconified = (event->new_window_state & GDK_WINDOW_STATE_ICONIFIED) != 0;
    if (iconified == self->m_iconified) return FALSE; // what we asked for
    // The window manager (its taskbar, the user) minimised or restored the
    // window: the window system decides, through the system command.
    self->m_iconified = iconified;
    self->m_backend.systemCommand(self->m_handle, iconified ? SC_MINIMIZE : SC_RESTORE);
    return FALSE;
}

int GtkTopLevel::onDelete(GtkWidget*, GdkEventAny*, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    self->m_backend.systemCommand(self->m_handle, SC_CLOSE);
    return TRUE; // the window system destroys the window, if it wants to
}

int GtkTopLevel::onMap(GtkWidget*, GdkEventAny*, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    self->m_mapped = true;
    if (self->m_focusWanted) self->focus();
    return FALSE;
}

int GtkTopLevel::onUnmap(GtkWidget*, GdkEventAny*, void* data)
{
    auto* self = static_cast<GtkTopLevel*>(data);
    self->m_mapped = false;
    return FALSE;
}

} // namespace quarrow
