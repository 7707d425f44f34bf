// The window system, its core: construction, destruction and activation of a
// Host, the handle table and the window tree, the list of windows a backend
// shows, and telling the backend that a window changed. The other subjects
// live in the Host*.cpp sources named in host/Host.h.
#include "host/Host.h"

#include "host/ButtonControl.h"
#include "host/ControlClasses.h"
#include "host/DialogManager.h"
#include "host/InputRouter.h"
#include "host/StaticControl.h"
#include "host/browser/WebBrowserControl.h"
#include "host/memory/MemoryBackend.h"
#include "win32/ErrHandlingApi.h"

#include <cassert>
#include <stdexcept>

namespace quarrow {

Host* Host::s_active = nullptr;

Host::Host(Backend& backend) : m_backend(backend)
{
    assert(!backend.m_host && "a backend serves one window system");
    backend.m_host = this;
    m_previous = s_active;
    s_active = this;
    m_gdi = std::make_unique<Gdi>(*this);
    m_input = std::make_unique<InputRouter>(*this);
    m_controlClasses = std::make_unique<ControlClasses>();

    WNDCLASSEXW desktopClass{};
    desktopClass.cbSize = sizeof desktopClass;
    desktopClass.lpfnWndProc = DefWindowProcW;
    desktopClass.lpszClassName = u"#32769";
    registerClass(desktopClass, true);
    m_desktop = allocate();
    m_desktop->windowClass = findClass(u"#32769");
    m_desktop->proc = DefWindowProcW;
    m_desktop->style = WS_VISIBLE | WS_CLIPCHILDREN | WS_CLIPSIBLINGS;
    const SIZE screen = backend.screenSize();
    m_desktop->rect = RECT{0, 0, screen.cx, screen.cy};
    m_desktop->client = m_desktop->rect;

    m_dialogs = std::make_unique<DialogManager>(*this);
    ButtonControl::registerClass(*this);
    StaticControl::registerClass(*this);
    WebBrowserControl::registerClasses(*this);
}

Host::~Host()
{
    while (!m_later.empty()) runLater();
    // Windows still alive are dropped without messages: the objects that
    // their procedures would reach may be gone already.
    m_windows.clear();
    m_backend.m_host = nullptr;
    if (s_active == this) s_active = m_previous;
}

Host& Host::current()
{
    if (!s_active) {
        // A program that runs without a test's screen gets a memory screen;
        // a real backend replaces this default when it exists.
        static MemoryBackend* defaultScreen = new MemoryBackend();
        static Host* defaultHost = new Host(*defaultScreen);
        defaultHost->activate();
    }
    return *s_active;
}

void Host::fatal(const std::string& message) { throw std::logic_error("window system: " + message); }

// ---------------------------------------------------------------------------
// Handles and the tree

Window* Host::allocate()
{
    auto w = std::make_unique<Window>();
    w->handle = reinterpret_cast<HWND>(m_nextHandle);
    m_nextHandle += 4;
    Window* raw = w.get();
    m_windows.emplace(reinterpret_cast<ULONG_PTR>(raw->handle), std::move(w));
    return raw;
}

Window* Host::window(HWND handle) const
{
    auto it = m_windows.find(reinterpret_cast<ULONG_PTR>(handle));
    return it == m_windows.end() ? nullptr : it->second.get();
}

Window* Host::checked(HWND handle) const
{
    Window* w = window(handle);
    if (!w) SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return w;
}

Window& Host::topLevelOf(Window& w)
{
    Window* p = &w;
    while (p->parent && p->parent != m_desktop) p = p->parent;
    return *p;
}

bool Host::isDescendant(const Window& ancestor, const Window& w) const
{
    for (const Window* p = &w; p; p = p->parent) {
        if (p == &ancestor) return true;
    }
    return false;
}

bool Host::reallyVisible(const Window& w) const
{
    for (const Window* p = &w; p && p != m_desktop; p = p->parent) {
        if (!p->visibleFlag()) return false;
    }
    return true;
}

std::vector<ShownWindow> Host::shownWindows() const
{
    std::vector<ShownWindow> shown;
    for (auto it = m_desktop->children.rbegin(); it != m_desktop->children.rend(); ++it) {
        const Window& w = **it;
        if (!w.visibleFlag() || w.iconic()) continue;
        ShownWindow s;
        s.handle = w.handle;
        s.rect = w.rect;
        s.layer = w.layer;
        if (w.exStyle & WS_EX_LAYERED) {
            if (w.layer == Window::Layer::None) continue; // layered windows show nothing until told what
            if (w.layer == Window::Layer::PerPixel) {
                s.pixels = &w.layerPixels;
            } else {
                s.pixels = &w.surface;
                s.colourKeyed = (w.layerFlags & LWA_COLORKEY) != 0;
                s.key = w.layerKey;
                s.constantAlpha = (w.layerFlags & LWA_ALPHA) ? w.layerAlpha : 255;
            }
        } else {
            s.layer = Window::Layer::None;
            s.pixels = &w.surface;
        }
        shown.push_back(s);
    }
    return shown;
}

// ---------------------------------------------------------------------------
// Notifications

void Host::changed(Window& w)
{
    if (isTopLevel(w)) m_backend.windowChanged(w.handle);
}

} // namespace quarrow
