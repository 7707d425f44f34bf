#include "host/gtk/GtkBackend.h"

#include "host/Host.h"
#include "host/gtk/GtkTopLevel.h"
#include "win32/WinUser.h"

#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <X11/Xlib.h>

#include <algorithm>
#include <cstdlib>
#include <mutex>

namespace quarrow {

namespace {

// GDK's GL is disabled on purpose (see GtkBackend::open), and WebKitGTK,
// whose pages are drawn without hardware acceleration anyway
// (WebKitSession), says so in one warning per process. That one warning is
// dropped; every other message goes where it would have gone.
void dropGlDisabledWarning(const gchar* domain, GLogLevelFlags level, const gchar* message, gpointer)
{
    if (message && g_str_has_prefix(message, "Disabled hardware acceleration because GTK failed to initialize GL")) {
        return;
    }
    g_log_default_handler(domain, level, message, nullptr);
}

} // namespace

std::unique_ptr<GtkBackend> GtkBackend::open(const std::string& displayName, std::string& error)
{
    std::string name = displayName;
    if (name.empty()) {
        if (const char* env = std::getenv("DISPLAY")) name = env;
    }
    if (name.empty()) {
        error = "no X display to show the windows on: DISPLAY is not set";
        return nullptr;
    }

    // GTK starts once per process. It must not switch the process to the
    // environment's locale behind the program's back (the program's narrow
    // text follows the locale it sets itself), and only its X11 backend
    // gives windows the exact placement and shapes the window system needs.
    static std::once_flag started;
    static bool startedOk = false;
    std::call_once(started, [] {
        gtk_disable_setlocale();
        gdk_set_allowed_backends("x11");
        // The backend draws with cairo only and never asks GDK for GL, but
        // GDK 3 opens GLX on every X display it opens (to choose visuals),
        // which loads Mesa and its LLVM: about a seventh of a second before
        // the first window can map on a small machine. GDK_GL=disable, read
        // once while GTK starts, stops that; the variable is put back as it
        // was, so no process the program starts (the game's loader, the
        // user's browser) inherits it.
        const char* previous = g_getenv("GDK_GL");
        const std::string kept = previous ? previous : "";
        g_setenv("GDK_GL", "disable", TRUE);
        startedOk = gtk_parse_args(nullptr, nullptr);
        if (previous) {
            g_setenv("GDK_GL", kept.c_str(), TRUE);
        } else {
            g_unsetenv("GDK_GL");
        }
        g_log_set_handler(nullptr, G_LOG_LEVEL_WARNING, dropGlDisabledWarning, nullptr);
    });
    if (!startedOk) {
        error = "GTK could not be initialised";
        return nullptr;
    }

    // A display that is already open (an earlier screen of this process) is
    // shared rather than opened twice.
    GdkDisplayManager* manager = gdk_display_manager_get();
    GdkDisplay* display = nullptr;
    GSList* open = gdk_display_manager_list_displays(manager);
    for (GSList* d = open; d; d = d->next) {
        auto* candidate = static_cast<GdkDisplay*>(d->data);
        if (name == gdk_display_get_name(candidate) && !gdk_display_is_closed(candidate)) display = candidate;
    }
    g_slist_free(open);
    bool owns = false;
    if (!display) {
        display = gdk_display_open(name.c_str());
        owns = true;
    }
    if (!display) {
        error = "cannot open the X display \"" + name + "\"";
        return nullptr;
    }
    if (!GDK_IS_X11_DISPLAY(display)) {
        error = "the display \"" + name + "\" is not an X11 display";
        if (owns) gdk_display_close(display);
        return nullptr;
    }
    if (!gdk_display_get_default()) gdk_display_manager_set_default_display(manager, display);
    // One window-system pixel is one screen pixel.
    gdk_x11_display_set_window_scale(display, 1);
    return std::unique_ptr<GtkBackend>(new GtkBackend(display, owns));
}

GtkBackend::GtkBackend(GdkDisplay* display, bool ownsDisplay) : m_display(display), m_ownsDisplay(ownsDisplay) {}

GtkBackend::~GtkBackend()
{
    for (auto& [window, view] : m_views) {
        if (GtkWidget* parent = gtk_widget_get_parent(view)) gtk_container_remove(GTK_CONTAINER(parent), view);
        g_object_unref(view);
    }
    m_views.clear();
    while (!m_echoes.empty()) dropOldestEcho();
    m_stack.clear();
    m_windows.clear();
    for (auto& [key, event] : m_keyEvents) gdk_event_free(event);
    m_keyEvents.clear();
    gdk_display_flush(m_display);
    // The process's default display stays open for GTK's own sake (its
    // settings and styles hang on it); a further display closes with us.
    if (m_ownsDisplay && m_display != gdk_display_get_default()) gdk_display_close(m_display);
}

// ---------------------------------------------------------------------------
// What the screen is

Backend::Capabilities GtkBackend::capabilitiesImpl() const
{
    GdkScreen* screen = gdk_display_get_default_screen(m_display);
    Capabilities c;
    // Partial transparency needs an RGBA visual and someone to compose it;
    // without a compositing manager only the shape (fully transparent or
    // not) shows.
    c.perPixelAlpha = gdk_screen_get_rgba_visual(screen) && gdk_screen_is_composited(screen);
    c.colourKey = true;
    c.inputPassThrough = true;
    c.syntheticInput = false;
    return c;
}

SIZE GtkBackend::screenSizeImpl() const
{
    Display* x = gdk_x11_display_get_xdisplay(m_display);
    const int screen = DefaultScreen(x);
    return SIZE{DisplayWidth(x, screen), DisplayHeight(x, screen)};
}

RECT GtkBackend::workAreaImpl() const
{
    GdkMonitor* monitor = gdk_display_get_primary_monitor(m_display);
    if (!monitor && gdk_display_get_n_monitors(m_display) > 0) monitor = gdk_display_get_monitor(m_display, 0);
    if (!monitor) return Backend::workAreaImpl();
    GdkRectangle area;
    gdk_monitor_get_workarea(monitor, &area);
    return RECT{area.x, area.y, area.x + area.width, area.y + area.height};
}

bool GtkBackend::windowManagerRunning() const
{
    Display* x = gdk_x11_display_get_xdisplay(m_display);
    const std::string selection = "WM_S" + std::to_string(DefaultScreen(x));
    return XGetSelectionOwner(x, XInternAtom(x, selection.c_str(), False)) != None;
}

// ---------------------------------------------------------------------------
// Windows

GtkTopLevel* GtkBackend::entry(HWND handle) const
{
    auto it = m_windows.find(handle);
    return it == m_windows.end() ? nullptr : it->second.get();
}

GtkTopLevel& GtkBackend::ensure(HWND handle)
{
    auto& slot = m_windows[handle];
    if (!slot) slot = std::make_unique<GtkTopLevel>(*this, handle);
    return *slot;
}

GtkWidget* GtkBackend::windowWidget(HWND topLevel) const
{
    GtkTopLevel* e = entry(topLevel);
    return e ? e->widget() : nullptr;
}

GtkWidget* GtkBackend::container(HWND topLevel) const
{
    GtkTopLevel* e = entry(topLevel);
    return e ? e->container() : nullptr;
}

unsigned long GtkBackend::xid(HWND topLevel) const
{
    GtkTopLevel* e = entry(topLevel);
    return e ? e->xid() : 0;
}

bool GtkBackend::presented(HWND topLevel) const
{
    GtkTopLevel* e = entry(topLevel);
    return e && e->presented();
}

// Every flush compares each window with what it shows (pixels by memcmp),
// so a change the window system does not announce (drawing through a
// window DC outside WM_PAINT) still reaches the screen; the notification
// itself needs no work.
void GtkBackend::windowChangedImpl(HWND) {}

void GtkBackend::windowDestroyedImpl(HWND window)
{
    GtkTopLevel* e = entry(window);
    if (m_focused == window) m_focused = nullptr;
    if (!e) return;
    releaseViewsIn(e->container());
    m_stack.erase(std::remove(m_stack.begin(), m_stack.end(), e), m_stack.end());
    for (auto& [handle, other] : m_windows) other->forgetOwner(e);
    m_windows.erase(window);
}

void GtkBackend::flush()
{
    Host* host = this->host();
    if (!host) {
        // The window system has gone: nothing of it stays on the screen.
        for (auto& [handle, e] : m_windows) releaseViewsIn(e->container());
        m_stack.clear();
        m_windows.clear();
        gdk_display_flush(m_display);
        return;
    }
    for (auto it = m_windows.begin(); it != m_windows.end();) {
        Window* w = host->window(it->first);
        if (!w || !host->isTopLevel(*w)) {
            GtkTopLevel* gone = it->second.get();
            releaseViewsIn(gone->container());
            m_stack.erase(std::remove(m_stack.begin(), m_stack.end(), gone), m_stack.end());
            for (auto& [handle, other] : m_windows) other->forgetOwner(gone);
            it = m_windows.erase(it);
        } else {
            ++it;
        }
    }

    const std::vector<ShownWindow> shown = host->shownWindows();
    std::map<HWND, const ShownWindow*> shownByHandle;
    for (const ShownWindow& s : shown) shownByHandle[s.handle] = &s;

    const std::vector<Window*> tops = host->desktop().children;
    for (Window* w : tops) {
        GtkTopLevel* e = entry(w->handle);
        if (!e && !w->visibleFlag()) continue; // never shown: nothing to mirror yet
        if (!e) e = &ensure(w->handle);
        GtkTopLevel::State s;
        s.visible = w->visibleFlag();
        s.iconic = w->iconic();
        s.rect = w->rect;
        auto found = shownByHandle.find(w->handle);
        s.shown = found == shownByHandle.end() ? nullptr : found->second;
        s.title = w->text;
        s.icon = w->bigIcon ? w->bigIcon : (w->windowClass ? w->windowClass->icon : nullptr);
        s.taskbarEntry = (w->exStyle & WS_EX_APPWINDOW) || (!w->owner && !(w->exStyle & WS_EX_TOOLWINDOW));
        s.owner = w->owner ? &ensure(w->owner->handle) : nullptr;
        s.topmost = (w->exStyle & WS_EX_TOPMOST) != 0;
        s.acceptsFocus = !(w->exStyle & WS_EX_NOACTIVATE);
        // The views first, so that the window's shapes include them.
        for (auto& [window, view] : m_views) {
            Window* child = host->window(window);
            if (child && &host->topLevelOf(*child) == w) placeView(window, view);
        }
        e->apply(s);
    }

    const HWND active = host->activeWindow();
    if (active != m_focused) {
        m_focused = active;
        if (GtkTopLevel* e = entry(active)) e->focus();
    }

    std::vector<GtkTopLevel*> order;
    for (const ShownWindow& s : shown) {
        GtkTopLevel* e = entry(s.handle);
        if (e && e->shownOnScreen()) order.push_back(e);
    }
    if (order != m_stack) restack(order);
    gdk_display_flush(m_display);
}

void GtkBackend::restack(const std::vector<GtkTopLevel*>& bottomToTop)
{
    // Windows below the first difference are already in place; raising the
    // rest from the bottom up puts them in order above.
    size_t same = 0;
    while (same < bottomToTop.size() && same < m_stack.size() && bottomToTop[same] == m_stack[same]) ++same;
    for (size_t i = same; i < bottomToTop.size(); ++i) bottomToTop[i]->raise();
    m_stack = bottomToTop;
}

// ---------------------------------------------------------------------------
// Native views of child windows

void GtkBackend::attachView(HWND window, GtkWidget* view)
{
    detachView(window);
    m_views[window] = GTK_WIDGET(g_object_ref(view));
    placeView(window, view);
}

void GtkBackend::detachView(HWND window)
{
    auto it = m_views.find(window);
    if (it == m_views.end()) return;
    GtkWidget* view = it->second;
    m_views.erase(it);
    if (GtkWidget* parent = gtk_widget_get_parent(view)) gtk_container_remove(GTK_CONTAINER(parent), view);
    g_object_unref(view);
}

void GtkBackend::placeViews()
{
    for (auto& [window, view] : m_views) placeView(window, view);
}

void GtkBackend::placeView(HWND window, GtkWidget* view)
{
    Host* host = this->host();
    Window* w = host ? host->window(window) : nullptr;
    GtkTopLevel* top = w ? entry(host->topLevelOf(*w).handle) : nullptr;
    GtkWidget* container = top ? top->container() : nullptr;
    GtkWidget* parent = gtk_widget_get_parent(view);
    if (parent && parent != container) {
        gtk_container_remove(GTK_CONTAINER(parent), view);
        parent = nullptr;
    }
    // A window whose top-level window has never been shown has nowhere to
    // show its view yet; the flush that first shows it places the view.
    if (!container) return;

    Window& root = host->topLevelOf(*w);
    const RECT client = host->clientScreenRect(*w);
    const RECT frame = host->screenRect(root);
    const int x = static_cast<int>(client.left - frame.left);
    const int y = static_cast<int>(client.top - frame.top);
    const int width = static_cast<int>(std::max<LONG>(0, client.right - client.left));
    const int height = static_cast<int>(std::max<LONG>(0, client.bottom - client.top));
    if (!parent) {
        gtk_fixed_put(GTK_FIXED(container), view, x, y);
    } else {
        int oldX = 0, oldY = 0;
        gtk_container_child_get(GTK_CONTAINER(container), view, "x", &oldX, "y", &oldY, nullptr);
        if (oldX != x || oldY != y) gtk_fixed_move(GTK_FIXED(container), view, x, y);
    }
    int oldWidth = -1, oldHeight = -1;
    gtk_widget_get_size_request(view, &oldWidth, &oldHeight);
    if (oldWidth != width || oldHeight != height) gtk_widget_set_size_request(view, width, height);
    const bool visible = host->reallyVisible(*w) && width > 0 && height > 0;
    if (visible != static_cast<bool>(gtk_widget_get_visible(view))) gtk_widget_set_visible(view, visible);
}

void GtkBackend::releaseViewsIn(GtkWidget* container)
{
    // Destroying a GTK window destroys what it contains; a view belongs to
    // whoever attached it, so it leaves the container first.
    if (!container) return;
    for (auto& [window, view] : m_views) {
        if (gtk_widget_get_parent(view) == container) gtk_container_remove(GTK_CONTAINER(container), view);
    }
}

bool GtkBackend::deliverKeyToView(GtkWidget* view, UINT virtualKey, bool down)
{
    const GdkEvent* last = lastKeyEvent(virtualKey, down);
    if (!last || !gtk_widget_get_realized(view)) return false;
    GdkEvent* event = gdk_event_copy(last);
    // The event goes to the view's own window, as if GTK had propagated it
    // there from its top-level window.
    GdkWindow* target = gtk_widget_get_window(view);
    if (event->key.window != target) {
        if (event->key.window) g_object_unref(event->key.window);
        event->key.window = GDK_WINDOW(g_object_ref(target));
    }
    const KeyIdentity id{event->type, event->key.time, event->key.hardware_keycode, event->key.state};
    m_echoes.push_back(Echo{id, GTK_WIDGET(g_object_ref(view))});
    while (m_echoes.size() > 16) dropOldestEcho();
    if (!gtk_widget_has_focus(view)) gtk_widget_grab_focus(view);
    gtk_widget_event(view, event);
    gdk_event_free(event);
    return true;
}

void GtkBackend::dropOldestEcho()
{
    g_object_unref(m_echoes.front().view);
    m_echoes.pop_front();
}

bool GtkBackend::takeEcho(const GdkEvent* event)
{
    const KeyIdentity id{event->type, event->key.time, event->key.hardware_keycode, event->key.state};
    auto it = std::find_if(m_echoes.begin(), m_echoes.end(), [&](const Echo& e) { return e.key == id; });
    if (it == m_echoes.end()) return false;
    GtkWidget* view = it->view;
    m_echoes.erase(it);
    // WebKit gives an unhandled key back expecting to see it arrive at its
    // view again (and until it does, takes the next key for it).
    if (gtk_widget_get_realized(view)) gtk_widget_event(view, const_cast<GdkEvent*>(event));
    g_object_unref(view);
    return true;
}

// ---------------------------------------------------------------------------
// Input and waiting

void GtkBackend::keyEvent(const GdkEvent* event, UINT virtualKey, bool down, char16_t character)
{
    GdkEvent*& slot = m_keyEvents[{virtualKey, down}];
    if (slot) gdk_event_free(slot);
    slot = gdk_event_copy(event);
    InputEvent e;
    e.kind = down ? InputEvent::Kind::KeyDown : InputEvent::Kind::KeyUp;
    e.virtualKey = virtualKey;
    e.character = character;
    m_input.push_back(e);
}

const GdkEvent* GtkBackend::lastKeyEvent(UINT virtualKey, bool down) const
{
    auto it = m_keyEvents.find({virtualKey, down});
    return it == m_keyEvents.end() ? nullptr : it->second;
}

void GtkBackend::systemCommand(HWND window, WPARAM command)
{
    // Whatever the window system makes of it, the next flush brings the
    // window back in line with it.
    if (Host* host = this->host()) host->post(window, WM_SYSCOMMAND, command, 0);
}

std::optional<InputEvent> GtkBackend::nextInputImpl()
{
    if (m_input.empty()) return std::nullopt;
    InputEvent e = m_input.front();
    m_input.pop_front();
    return e;
}

void GtkBackend::whenPresented(std::function<void()> action) { m_whenPresented.push_back(std::move(action)); }

bool GtkBackend::everythingPresented() const
{
    for (const auto& [handle, e] : m_windows) {
        if (e->shownOnScreen() && !e->presented()) return false;
    }
    return true;
}

bool GtkBackend::waitImpl()
{
    flush();
    if (!m_input.empty()) return true;
    // The flush has sent the drawing to the X server, which shows it while
    // the actions run; their own windows and messages are dealt with when
    // the caller next looks.
    if (!m_whenPresented.empty() && everythingPresented()) {
        std::vector<std::function<void()>> actions;
        actions.swap(m_whenPresented);
        for (auto& action : actions) action();
        return true;
    }
    ++m_waits;
    // One blocking iteration: it returns once any source has been
    // dispatched (an X event, a timeout, a browser callback), and whatever
    // that callback posted or queued is then found by the caller.
    g_main_context_iteration(nullptr, TRUE);
    return true;
}

void GtkBackend::wake() { g_main_context_wakeup(nullptr); }

} // namespace quarrow
