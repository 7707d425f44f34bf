#include "host/Host.h"

#include "host/ButtonControl.h"
#include "host/ControlClasses.h"
#include "host/DefaultProcedure.h"
#include "host/DialogManager.h"
#include "host/InputRouter.h"
#include "host/StaticControl.h"
#include "host/browser/WebBrowserControl.h"
#include "host/SystemMetrics.h"
#include "host/memory/MemoryBackend.h"
#include "win32/ErrHandlingApi.h"

#include <algorithm>
#include <cassert>
#include <stdexcept>

namespace quarrow {

namespace {

// System error codes of the window manager that the shared error header
// does not carry.
constexpr DWORD kErrorClassAlreadyExists = 1410;
constexpr DWORD kErrorClassHasWindows = 1412;
constexpr DWORD kErrorTlwWithWsChild = 1406;
constexpr DWORD kErrorInvalidHookHandle = 1404;
constexpr DWORD kErrorInvalidHookFilter = 1426;

// Internal WM_WINDOWPOSCHANGED flags: the client area did not move / did
// not change size, so the default handling sends no WM_MOVE / WM_SIZE.
constexpr UINT kNoClientSize = DefaultProcedure::kNoClientSize;
constexpr UINT kNoClientMove = DefaultProcedure::kNoClientMove;

bool sameName(const std::u16string& a, LPCWSTR b)
{
    size_t i = 0;
    for (; b[i]; ++i) {
        if (i >= a.size()) return false;
        char16_t x = a[i], y = b[i];
        if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
        if (y >= u'a' && y <= u'z') y = static_cast<char16_t>(y - 32);
        if (x != y) return false;
    }
    return i == a.size();
}

RECT unite(const RECT& a, const RECT& b)
{
    return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
                std::max(a.bottom, b.bottom)};
}

RECT intersect(const RECT& a, const RECT& b)
{
    RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
    if (r.right < r.left) r.right = r.left;
    if (r.bottom < r.top) r.bottom = r.top;
    return r;
}

bool emptyRect(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT offset(RECT r, int dx, int dy) { return RECT{r.left + dx, r.top + dy, r.right + dx, r.bottom + dy}; }

} // namespace

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
// Classes

ATOM Host::registerClass(const WNDCLASSEXW& wc, bool system)
{
    if (!wc.lpszClassName || !wc.lpfnWndProc || wc.cbClsExtra < 0 || wc.cbWndExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (IS_INTRESOURCE(wc.lpszClassName)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    for (const auto& c : m_classes) {
        if (sameName(c->name, wc.lpszClassName) && (c->system || system || c->instance == wc.hInstance)) {
            SetLastError(kErrorClassAlreadyExists);
            return 0;
        }
    }
    auto c = std::make_unique<WindowClass>();
    c->name = wc.lpszClassName;
    c->atom = c->name == u"#32770" ? ATOM(0x8002) : c->name == u"#32769" ? ATOM(0x8001) : m_nextAtom++;
    c->style = wc.style;
    c->proc = wc.lpfnWndProc;
    c->classExtra = wc.cbClsExtra;
    c->windowExtra = wc.cbWndExtra;
    c->instance = wc.hInstance;
    c->icon = wc.hIcon;
    c->smallIcon = wc.hIconSm;
    c->cursor = wc.hCursor;
    c->background = wc.hbrBackground;
    c->extra.assign(static_cast<size_t>(wc.cbClsExtra), 0);
    c->system = system;
    const ATOM atom = c->atom;
    m_classes.push_back(std::move(c));
    return atom;
}

bool Host::unregisterClass(LPCWSTR name, HINSTANCE instance)
{
    for (auto it = m_classes.begin(); it != m_classes.end(); ++it) {
        WindowClass& c = **it;
        const bool hit = IS_INTRESOURCE(name) ? c.atom == LOWORD(reinterpret_cast<ULONG_PTR>(name)) : sameName(c.name, name);
        if (!hit || c.system || c.instance != instance) continue;
        if (c.windowCount > 0) {
            SetLastError(kErrorClassHasWindows);
            return false;
        }
        m_classes.erase(it);
        return true;
    }
    SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
    return false;
}

WindowClass* Host::findClass(LPCWSTR name) const
{
    if (!name) return nullptr;
    for (const auto& c : m_classes) {
        if (IS_INTRESOURCE(name) ? c->atom == LOWORD(reinterpret_cast<ULONG_PTR>(name)) : sameName(c->name, name)) {
            return c.get();
        }
    }
    return nullptr;
}

// ---------------------------------------------------------------------------
// Creation and destruction

HWND Host::createWindow(const CREATESTRUCTW& given, const std::function<void(Window&)>& prepare)
{
    WindowClass* cls = findClass(given.lpszClass);
    if (!cls) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return nullptr;
    }
    CREATESTRUCTW cs = given;
    DWORD style = static_cast<DWORD>(cs.style);
    DWORD exStyle = cs.dwExStyle;
    Window* parent = m_desktop;
    Window* owner = nullptr;
    if (style & WS_CHILD) {
        parent = cs.hwndParent ? checked(cs.hwndParent) : nullptr;
        if (!parent) {
            if (!cs.hwndParent) SetLastError(kErrorTlwWithWsChild);
            return nullptr;
        }
    } else if (cs.hwndParent && cs.hwndParent != HWND_MESSAGE) {
        Window* p = checked(cs.hwndParent);
        if (!p) return nullptr;
        if (p != m_desktop) owner = &topLevelOf(*p);
    }
    if (!(style & (WS_CHILD | WS_POPUP))) {
        // Overlapped windows always have a caption and clip their siblings.
        style |= WS_CAPTION | WS_CLIPSIBLINGS;
    }
    if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) exStyle |= WS_EX_WINDOWEDGE;
    const bool overlapped = !(style & (WS_CHILD | WS_POPUP));
    if (cs.x == CW_USEDEFAULT) {
        cs.x = overlapped ? 26 : 0;
        cs.y = overlapped ? 26 : 0;
    }
    if (cs.cx == CW_USEDEFAULT) {
        cs.cx = overlapped ? 640 : 0;
        cs.cy = overlapped ? 480 : 0;
    }
    cs.cx = std::max(cs.cx, 0);
    cs.cy = std::max(cs.cy, 0);

    Window* w = allocate();
    const HWND handle = w->handle;
    w->windowClass = cls;
    ++cls->windowCount;
    w->proc = cls->proc;
    w->style = style & ~WS_VISIBLE; // shown at the end of creation
    w->exStyle = exStyle;
    w->instance = cs.hInstance;
    w->id = (style & WS_CHILD) ? reinterpret_cast<LONG_PTR>(cs.hMenu) : 0;
    w->parent = parent;
    w->owner = owner;
    w->rect = RECT{cs.x, cs.y, cs.x + cs.cx, cs.y + cs.cy};
    w->extra.assign(static_cast<size_t>(cls->windowExtra), 0);
    if (parent == m_desktop) {
        parent->children.insert(parent->children.begin(), w);
        normaliseTopLevelOrder();
    } else {
        parent->children.push_back(w);
    }
    if (prepare) prepare(*w);

    cs.style = static_cast<LONG>(style);
    cs.dwExStyle = exStyle;
    if (!m_hooks.empty()) {
        CBT_CREATEWNDW cbt{&cs, HWND_TOP};
        if (m_hooks.back().proc(HCBT_CREATEWND, reinterpret_cast<WPARAM>(handle), reinterpret_cast<LPARAM>(&cbt))) {
            destroyTree(*w);
            return nullptr;
        }
    }
    if (!window(handle)) return nullptr;
    if (!send(*w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
        if (window(handle)) {
            sendNcDestroy(*w);
            destroyTree(*w);
        }
        return nullptr;
    }
    if (!window(handle)) return nullptr;
    recalcClient(*w, true);
    if (isTopLevel(*w)) resizeSurface(*w);
    if (send(*w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
        if (window(handle)) destroyWindow(handle);
        return nullptr;
    }
    if (!window(handle)) return nullptr;
    const POINT origin{w->rect.left + w->client.left, w->rect.top + w->client.top};
    send(*w, WM_SIZE, SIZE_RESTORED, MAKELPARAM(w->clientWidth(), w->clientHeight()));
    if (!window(handle)) return nullptr;
    send(*w, WM_MOVE, 0, MAKELPARAM(origin.x, origin.y));
    if (!window(handle)) return nullptr;
    if (style & WS_VISIBLE) showWindow(*w, SW_SHOW);
    if (!window(handle)) return nullptr;
    return handle;
}

bool Host::destroyWindow(HWND handle)
{
    Window* w = checked(handle);
    if (!w) return false;
    if (w == m_desktop) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    if (w->destroying) return false;
    if (!m_hooks.empty() && m_hooks.back().proc(HCBT_DESTROYWND, reinterpret_cast<WPARAM>(handle), 0)) return false;
    if (!window(handle)) return false;

    // Owned windows go first, as on the platform.
    std::vector<HWND> owned;
    for (Window* t : m_desktop->children) {
        if (t->owner == w) owned.push_back(t->handle);
    }
    for (HWND o : owned) {
        if (window(o)) destroyWindow(o);
    }
    if (!window(handle)) return false;

    if (w->visibleFlag()) {
        setWindowPos(*w, nullptr, 0, 0, 0, 0,
                     SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (!window(handle)) return true;
    }
    if (m_capture && isDescendant(*w, *m_capture)) releaseCapture();
    if (m_focus && isDescendant(*w, *m_focus)) {
        if (w->isChild() && w->parent) {
            setFocus(w->parent);
        } else {
            m_focus = nullptr;
        }
    }
    if (m_active == w) activateAnother(w);
    if (m_active == w) m_active = nullptr;
    if (!window(handle)) return true;

    std::function<void(Window&)> mark = [&](Window& x) {
        x.destroying = true;
        for (Window* c : x.children) mark(*c);
    };
    mark(*w);
    sendDestroy(*w);
    if (!window(handle)) return true;
    sendNcDestroy(*w);
    if (!window(handle)) return true;
    Window* parent = w->parent;
    const RECT area = w->rect;
    const bool parentShown = parent && parent != m_desktop && reallyVisible(*parent);
    destroyTree(*w);
    if (parentShown) {
        const RECT client = offset(area, 0, 0);
        invalidate(*parent, &client, true, true);
    }
    return true;
}

void Host::sendDestroy(Window& w)
{
    const HWND handle = w.handle;
    send(w, WM_DESTROY, 0, 0);
    if (!window(handle)) return;
    std::vector<HWND> children;
    for (Window* c : w.children) children.push_back(c->handle);
    for (HWND c : children) {
        if (Window* cw = window(c)) sendDestroy(*cw);
    }
}

void Host::sendNcDestroy(Window& w)
{
    const HWND handle = w.handle;
    std::vector<HWND> children;
    for (Window* c : w.children) children.push_back(c->handle);
    for (HWND c : children) {
        if (Window* cw = window(c)) sendNcDestroy(*cw);
    }
    if (Window* self = window(handle)) send(*self, WM_NCDESTROY, 0, 0);
}

void Host::destroyTree(Window& w)
{
    if (w.parent) {
        auto& siblings = w.parent->children;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), &w), siblings.end());
    }
    forget(w);
}

void Host::forget(Window& w)
{
    std::vector<Window*> children = w.children;
    for (Window* c : children) forget(*c);
    if (m_focus == &w) m_focus = nullptr;
    if (m_capture == &w) m_capture = nullptr;
    if (m_active == &w) m_active = nullptr;
    for (Window* t : m_desktop->children) {
        if (t->owner == &w) t->owner = nullptr;
    }
    m_posted.erase(std::remove_if(m_posted.begin(), m_posted.end(), [&](const MSG& m) { return m.hwnd == w.handle; }),
                   m_posted.end());
    m_input->forget(w.handle);
    m_gdi->releaseWindowDcs(w.handle);
    if (w.windowClass) --w.windowClass->windowCount;
    const bool topLevel = w.parent == m_desktop;
    const HWND handle = w.handle;
    m_windows.erase(reinterpret_cast<ULONG_PTR>(handle));
    if (topLevel) m_backend.windowDestroyed(handle);
}

// ---------------------------------------------------------------------------
// Geometry and Z order

RECT Host::screenRect(const Window& w) const
{
    RECT r = w.rect;
    for (const Window* p = w.parent; p && p != m_desktop; p = p->parent) {
        r = offset(r, p->rect.left + p->client.left, p->rect.top + p->client.top);
    }
    return r;
}

RECT Host::clientScreenRect(const Window& w) const
{
    const RECT r = screenRect(w);
    return RECT{r.left + w.client.left, r.top + w.client.top, r.left + w.client.right, r.top + w.client.bottom};
}

POINT Host::clientOrigin(const Window& w) const
{
    const RECT r = clientScreenRect(w);
    return POINT{r.left, r.top};
}

POINT Host::clientToScreen(const Window& w, POINT p) const
{
    const RECT c = clientScreenRect(w);
    if (w.exStyle & WS_EX_LAYOUTRTL) return POINT{c.left + (c.right - c.left) - p.x, c.top + p.y};
    return POINT{c.left + p.x, c.top + p.y};
}

POINT Host::screenToClient(const Window& w, POINT p) const
{
    const RECT c = clientScreenRect(w);
    if (w.exStyle & WS_EX_LAYOUTRTL) return POINT{c.left + (c.right - c.left) - p.x, p.y - c.top};
    return POINT{p.x - c.left, p.y - c.top};
}

RECT Host::frameInsets(DWORD style, DWORD exStyle)
{
    int f = 0;
    if (style & WS_THICKFRAME) {
        f = SystemMetrics::kSizingFrame;
    } else if ((style & WS_DLGFRAME) || (exStyle & WS_EX_DLGMODALFRAME)) {
        f = SystemMetrics::kDialogFrame;
    } else if (style & WS_BORDER) {
        f = SystemMetrics::kBorder;
    }
    if (exStyle & WS_EX_CLIENTEDGE) f += SystemMetrics::kEdge;
    if (exStyle & WS_EX_STATICEDGE) f += 1;
    RECT r{f, f, f, f};
    if ((style & WS_CAPTION) == WS_CAPTION) r.top += SystemMetrics::kCaptionHeight;
    return r;
}

void Host::recalcClient(Window& w, bool sendCalc)
{
    NCCALCSIZE_PARAMS params{};
    params.rgrc[0] = w.rect;
    params.rgrc[1] = w.rect;
    params.rgrc[2] = w.rect;
    if (sendCalc) {
        const HWND handle = w.handle;
        send(w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
        if (!window(handle)) return;
    } else {
        DefaultProcedure::handle(*this, w, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&params));
    }
    RECT c = params.rgrc[0];
    c.right = std::max(c.right, c.left);
    c.bottom = std::max(c.bottom, c.top);
    w.client = RECT{c.left - w.rect.left, c.top - w.rect.top, c.right - w.rect.left, c.bottom - w.rect.top};
    if (w.client.left > w.width()) w.client.left = w.width();
    if (w.client.top > w.height()) w.client.top = w.height();
    w.client.right = std::clamp<LONG>(w.client.right, w.client.left, w.width());
    w.client.bottom = std::clamp<LONG>(w.client.bottom, w.client.top, w.height());
    w.framePending = w.client.left != 0 || w.client.top != 0 || w.client.right != w.width() ||
                     w.client.bottom != w.height();
}

void Host::resizeSurface(Window& w) { w.surface.resizeKeeping(w.width(), w.height()); }

void Host::normaliseTopLevelOrder()
{
    auto& list = m_desktop->children;
    // Owned windows stay above their owners.
    for (bool moved = true; moved;) {
        moved = false;
        for (size_t i = 0; i < list.size(); ++i) {
            Window* o = list[i];
            if (!o->owner) continue;
            const auto ownerAt = std::find(list.begin(), list.end(), o->owner);
            if (ownerAt == list.end() || ownerAt - list.begin() > static_cast<long>(i)) continue;
            list.erase(list.begin() + static_cast<long>(i));
            list.insert(std::find(list.begin(), list.end(), o->owner), o);
            moved = true;
            break;
        }
    }
    // Topmost windows (and what they own) form the band above all others.
    auto topmost = [](const Window* w) {
        for (const Window* p = w; p; p = p->owner) {
            if (p->exStyle & WS_EX_TOPMOST) return true;
        }
        return false;
    };
    std::stable_partition(list.begin(), list.end(), topmost);
}

void Host::restack(Window& w, HWND insertAfter)
{
    auto& list = w.parent->children;
    list.erase(std::remove(list.begin(), list.end(), &w), list.end());
    if (insertAfter == HWND_BOTTOM) {
        list.push_back(&w);
    } else if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
        if (isTopLevel(w) && insertAfter == HWND_TOPMOST) w.exStyle |= WS_EX_TOPMOST;
        if (isTopLevel(w) && insertAfter == HWND_NOTOPMOST) w.exStyle &= ~WS_EX_TOPMOST;
        list.insert(list.begin(), &w);
    } else {
        Window* after = window(insertAfter);
        auto at = after ? std::find(list.begin(), list.end(), after) : list.end();
        if (at == list.end()) {
            list.insert(list.begin(), &w);
        } else {
            list.insert(at + 1, &w);
        }
    }
    if (isTopLevel(w)) {
        // Raising a window raises the windows it owns with it.
        if (insertAfter == HWND_TOP || insertAfter == HWND_TOPMOST || insertAfter == HWND_NOTOPMOST) {
            std::vector<Window*> owned;
            std::function<bool(const Window*)> ownedByW = [&](const Window* x) {
                for (const Window* p = x->owner; p; p = p->owner) {
                    if (p == &w) return true;
                }
                return false;
            };
            for (Window* x : list) {
                if (ownedByW(x)) owned.push_back(x);
            }
            for (Window* x : owned) list.erase(std::find(list.begin(), list.end(), x));
            list.insert(list.begin(), owned.begin(), owned.end());
        }
        normaliseTopLevelOrder();
    }
}

bool Host::setWindowPos(Window& w, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    if (&w == m_desktop) {
        SetLastError(ERROR_ACCESS_DENIED);
        return false;
    }
    const HWND handle = w.handle;
    WINDOWPOS wp{handle, insertAfter, x, y, std::max(cx, 0), std::max(cy, 0), flags};
    if (flags & SWP_NOMOVE) {
        wp.x = w.rect.left;
        wp.y = w.rect.top;
    }
    if (flags & SWP_NOSIZE) {
        wp.cx = w.width();
        wp.cy = w.height();
    }
    if (!(flags & SWP_NOSENDCHANGING)) {
        send(w, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
        if (!window(handle)) return false;
    }
    flags = wp.flags;
    const RECT oldRect = w.rect;
    const RECT oldClient = w.client;
    RECT next = oldRect;
    if (!(flags & SWP_NOMOVE)) next = offset(next, wp.x - next.left, wp.y - next.top);
    if (!(flags & SWP_NOSIZE)) {
        next.right = next.left + std::max(wp.cx, 0);
        next.bottom = next.top + std::max(wp.cy, 0);
    }
    const bool sized = next.right - next.left != oldRect.right - oldRect.left ||
                       next.bottom - next.top != oldRect.bottom - oldRect.top;
    w.rect = next;
    if (sized || (flags & SWP_FRAMECHANGED)) {
        recalcClient(w, true);
        if (!window(handle)) return false;
    }
    if (isTopLevel(w)) resizeSurface(w);
    if (!(flags & SWP_NOZORDER)) restack(w, wp.hwndInsertAfter);
    bool shown = false, hidden = false;
    if ((flags & SWP_SHOWWINDOW) && !w.visibleFlag()) {
        w.style |= WS_VISIBLE;
        shown = true;
        w.hiddenByOwnerMinimise = false;
    } else if ((flags & SWP_HIDEWINDOW) && w.visibleFlag()) {
        w.style &= ~WS_VISIBLE;
        hidden = true;
    }
    const bool clientMoved = w.rect.left + w.client.left != oldRect.left + oldClient.left ||
                             w.rect.top + w.client.top != oldRect.top + oldClient.top;
    const bool clientSized = w.clientWidth() != oldClient.right - oldClient.left ||
                             w.clientHeight() != oldClient.bottom - oldClient.top;
    const bool moved = w.rect.left != oldRect.left || w.rect.top != oldRect.top;

    if (!(flags & SWP_NOREDRAW)) {
        if (shown || sized || (flags & SWP_FRAMECHANGED)) {
            invalidate(w, nullptr, true, true);
            w.framePending = w.framePending || w.client.left || w.client.top || w.client.right != w.width() ||
                             w.client.bottom != w.height();
        }
        if (!isTopLevel(w) && w.parent && (moved || sized || shown || hidden)) {
            const RECT area = unite(oldRect, w.rect);
            invalidate(*w.parent, &area, true, true);
        }
    }
    if (hidden) {
        if (m_active == &w) activateAnother(&w);
        if (m_capture && isDescendant(w, *m_capture)) releaseCapture();
        if (!window(handle)) return true;
    }
    if (isTopLevel(w) && !(flags & SWP_NOACTIVATE) && w.visibleFlag() && !w.disabledFlag() && m_active != &w) {
        setActive(&w);
        if (!window(handle)) return true;
    }
    UINT changedFlags = flags;
    if (!clientMoved) changedFlags |= kNoClientMove;
    if (!clientSized) changedFlags |= kNoClientSize;
    wp.flags = changedFlags;
    wp.x = w.rect.left;
    wp.y = w.rect.top;
    wp.cx = w.width();
    wp.cy = w.height();
    changed(w);
    send(w, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    return true;
}

void Host::setStyle(Window& w, int index, DWORD value)
{
    const HWND handle = w.handle;
    STYLESTRUCT ss{index == GWL_STYLE ? w.style : w.exStyle, value};
    send(w, WM_STYLECHANGING, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    if (!window(handle)) return;
    const DWORD old = index == GWL_STYLE ? w.style : w.exStyle;
    if (index == GWL_STYLE) {
        w.style = ss.styleNew;
    } else {
        w.exStyle = ss.styleNew;
        const bool wasLayered = (old & WS_EX_LAYERED) != 0;
        const bool isLayered = (w.exStyle & WS_EX_LAYERED) != 0;
        if (wasLayered != isLayered) {
            // A window that stops being layered shows its surface again; one
            // that becomes layered shows nothing until it gets its content
            // or attributes.
            w.layer = Window::Layer::None;
            w.layerPixels = PixelBuffer();
            if (!isLayered) invalidate(w, nullptr, true, true);
        }
        if (isTopLevel(w) && ((old ^ w.exStyle) & WS_EX_TOPMOST)) normaliseTopLevelOrder();
    }
    ss.styleOld = old;
    send(w, WM_STYLECHANGED, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&ss));
    if (Window* still = window(handle)) changed(*still);
}

bool Host::showWindow(Window& w, int command)
{
    const HWND handle = w.handle;
    const bool was = w.visibleFlag();
    auto show = [&](bool activate) {
        if (!window(handle)) return;
        if (!w.visibleFlag()) {
            send(w, WM_SHOWWINDOW, TRUE, 0);
            if (!window(handle)) return;
            UINT flags = SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE;
            if (!activate || !isTopLevel(w)) flags |= SWP_NOACTIVATE | SWP_NOZORDER;
            setWindowPos(w, HWND_TOP, 0, 0, 0, 0, flags);
        } else if (activate && isTopLevel(w)) {
            setActive(&w);
        }
    };
    switch (command) {
    case SW_HIDE:
        if (!was) return false;
        send(w, WM_SHOWWINDOW, FALSE, 0);
        if (!window(handle)) return true;
        setWindowPos(w, nullptr, 0, 0, 0, 0, SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return true;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE:
    case SW_SHOWMINIMIZED:
        if (!was) show(false);
        if (window(handle)) minimise(w, command != SW_SHOWMINIMIZED);
        return was;
    case SW_SHOWMAXIMIZED:
        if (w.iconic()) restore(w);
        if (!window(handle)) return was;
        if (!(w.style & WS_MAXIMIZE)) {
            w.normalRect = w.rect;
            w.style |= WS_MAXIMIZE;
            const RECT area = m_backend.workArea();
            setWindowPos(w, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                         SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        }
        show(true);
        return was;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
    case SW_SHOWDEFAULT:
    case SW_SHOWNOACTIVATE:
        if (w.iconic() || (w.style & WS_MAXIMIZE)) restore(w);
        show(command != SW_SHOWNOACTIVATE);
        return was;
    case SW_SHOW:
        show(true);
        return was;
    case SW_SHOWNA:
        show(false);
        return was;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return was;
    }
}

void Host::minimise(Window& w, bool activateNext)
{
    if (w.iconic()) return;
    const HWND handle = w.handle;
    if (!(w.style & WS_MAXIMIZE)) w.normalRect = w.rect;
    if (isTopLevel(w)) {
        // Owned windows go out of sight with their owner.
        std::vector<HWND> owned;
        for (Window* t : m_desktop->children) {
            if (t->owner == &w && t->visibleFlag()) owned.push_back(t->handle);
        }
        for (HWND o : owned) {
            Window* ow = window(o);
            if (!ow) continue;
            send(*ow, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
            if (!(ow = window(o))) continue;
            setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                         SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            if ((ow = window(o))) ow->hiddenByOwnerMinimise = true;
        }
        if (!window(handle)) return;
    }
    w.style |= WS_MINIMIZE;
    w.style &= ~WS_MAXIMIZE;
    const int pos = isTopLevel(w) ? SystemMetrics::kMinimizedPosition : w.rect.left;
    setWindowPos(w, nullptr, pos, isTopLevel(w) ? pos : w.rect.top, SystemMetrics::kMinimizedWidth,
                 SystemMetrics::kMinimizedHeight, SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!window(handle)) return;
    if (activateNext && m_active && (m_active == &w || m_active->owner == &w)) activateAnother(&w);
}

void Host::restore(Window& w)
{
    const HWND handle = w.handle;
    const RECT normal = w.normalRect;
    w.style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
    setWindowPos(w, nullptr, normal.left, normal.top, normal.right - normal.left, normal.bottom - normal.top,
                 SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    if (!window(handle) || !isTopLevel(w)) return;
    std::vector<HWND> owned;
    for (Window* t : m_desktop->children) {
        if (t->owner == &w && t->hiddenByOwnerMinimise) owned.push_back(t->handle);
    }
    for (HWND o : owned) {
        Window* ow = window(o);
        if (!ow) continue;
        ow->hiddenByOwnerMinimise = false;
        if (ow->visibleFlag()) continue;
        send(*ow, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
        if ((ow = window(o))) {
            setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                         SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
}

bool Host::enableWindow(Window& w, bool enable)
{
    const bool wasDisabled = w.disabledFlag();
    if (wasDisabled == !enable) return wasDisabled;
    const HWND handle = w.handle;
    if (!enable) {
        send(w, WM_CANCELMODE, 0, 0);
        if (!window(handle)) return wasDisabled;
        w.style |= WS_DISABLED;
        if (m_focus == &w) setFocus(nullptr);
        if (m_capture == &w) releaseCapture();
    } else {
        w.style &= ~WS_DISABLED;
    }
    if (window(handle)) send(w, WM_ENABLE, enable ? TRUE : FALSE, 0);
    return wasDisabled;
}

// ---------------------------------------------------------------------------
// Messages

LRESULT Host::send(Window& w, UINT message, WPARAM wParam, LPARAM lParam)
{
    return callProc(w.proc, w, message, wParam, lParam);
}

LRESULT Host::send(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = checked(handle);
    return w ? send(*w, message, wParam, lParam) : 0;
}

LRESULT Host::callProc(WNDPROC proc, Window& w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (!proc) return 0;
    return proc(w.handle, message, wParam, lParam);
}

bool Host::post(HWND handle, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (handle && !checked(handle)) return false;
    MSG m{handle, message, wParam, lParam, m_tick, m_cursor};
    m_posted.push_back(m);
    return true;
}

void Host::postQuit(int exitCode)
{
    m_quitPending = true;
    m_quitCode = exitCode;
}

bool Host::matches(const MSG& msg, HWND filter, UINT minMessage, UINT maxMessage) const
{
    if (filter && filter != reinterpret_cast<HWND>(-1)) {
        Window* f = window(filter);
        Window* target = window(msg.hwnd);
        if (!f || !target || !isDescendant(*f, *target)) return false;
    } else if (filter == reinterpret_cast<HWND>(-1) && msg.hwnd) {
        return false;
    }
    if (minMessage == 0 && maxMessage == 0) return true;
    return msg.message >= minMessage && msg.message <= maxMessage;
}

Window* Host::findPaintable(Window& root, HWND filter)
{
    for (auto it = root.children.rbegin(); it != root.children.rend(); ++it) {
        Window& w = **it;
        if (!w.visibleFlag() || (isTopLevel(w) && w.iconic())) continue;
        MSG probe{w.handle, WM_PAINT, 0, 0, 0, {0, 0}};
        if ((w.updatePending || w.framePending) && matches(probe, filter, 0, 0)) return &w;
        if (Window* c = findPaintable(w, filter)) return c;
    }
    return nullptr;
}

void Host::stamp(MSG& msg)
{
    m_lastMessageTime = static_cast<LONG>(msg.time);
    m_lastMessagePos = static_cast<DWORD>(MAKELONG(msg.pt.x, msg.pt.y));
}

void Host::runLater()
{
    // Actions queued while these run wait for the next look at the queue.
    std::vector<std::function<void()>> due;
    due.swap(m_later);
    for (auto& action : due) action();
}

bool Host::nextMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, bool remove)
{
    if (!m_later.empty()) runLater();
    for (auto it = m_posted.begin(); it != m_posted.end(); ++it) {
        if (!matches(*it, filter, minMessage, maxMessage)) continue;
        msg = *it;
        if (remove) m_posted.erase(it);
        stamp(msg);
        return true;
    }
    if (m_quitPending && ((minMessage == 0 && maxMessage == 0) || (WM_QUIT >= minMessage && WM_QUIT <= maxMessage))) {
        msg = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(m_quitCode), 0, m_tick, m_cursor};
        if (remove) m_quitPending = false;
        return true;
    }
    if (m_input->next(msg, filter, minMessage, maxMessage, remove)) {
        stamp(msg);
        return true;
    }
    if ((minMessage == 0 && maxMessage == 0) || (WM_PAINT >= minMessage && WM_PAINT <= maxMessage)) {
        if (Window* w = findPaintable(*m_desktop, filter)) {
            msg = MSG{w->handle, WM_PAINT, 0, 0, m_tick, m_cursor};
            stamp(msg);
            return true;
        }
    }
    return false;
}

bool Host::getMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage)
{
    for (;;) {
        if (nextMessage(msg, filter, minMessage, maxMessage, true)) return msg.message != WM_QUIT;
        if (!m_backend.wait()) {
            fatal("GetMessageW would wait forever: no message is queued and the screen will deliver no more input");
        }
    }
}

bool Host::peekMessage(MSG& msg, HWND filter, UINT minMessage, UINT maxMessage, UINT flags)
{
    return nextMessage(msg, filter, minMessage, maxMessage, (flags & PM_REMOVE) != 0);
}

bool Host::waitMessage()
{
    MSG probe;
    if (nextMessage(probe, nullptr, 0, 0, false)) return true;
    return m_backend.wait();
}

bool Host::translate(const MSG& msg)
{
    if (msg.message != WM_KEYDOWN && msg.message != WM_SYSKEYDOWN) return false;
    const char16_t c = m_input->characterFor(msg);
    if (c) {
        MSG charMsg{msg.hwnd, msg.message == WM_KEYDOWN ? UINT(WM_CHAR) : UINT(WM_SYSCHAR), c, msg.lParam, msg.time,
                    msg.pt};
        m_posted.push_front(charMsg);
    }
    return true;
}

LRESULT Host::dispatch(const MSG& msg)
{
    if (!msg.hwnd) return 0;
    Window* w = checked(msg.hwnd);
    if (!w) return 0;
    return send(*w, msg.message, msg.wParam, msg.lParam);
}

void Host::pump()
{
    MSG msg;
    for (int guard = 0; peekMessage(msg, nullptr, 0, 0, PM_REMOVE); ++guard) {
        if (guard > 1000000) fatal("a window keeps asking to be painted and never validates");
        if (msg.message == WM_QUIT) {
            postQuit(static_cast<int>(msg.wParam));
            return;
        }
        translate(msg);
        dispatch(msg);
    }
}

// ---------------------------------------------------------------------------
// Activation, focus, capture

void Host::activateAnother(Window* leaving)
{
    Window* next = nullptr;
    if (leaving && leaving->owner && leaving->owner->visibleFlag() && !leaving->owner->disabledFlag() &&
        !leaving->owner->destroying) {
        next = leaving->owner;
    }
    if (!next) {
        for (Window* t : m_desktop->children) {
            if (t != leaving && t->visibleFlag() && !t->disabledFlag() && !t->iconic() && !t->destroying &&
                !(leaving && t->owner == leaving)) {
                next = t;
                break;
            }
        }
    }
    setActive(next);
}

HWND Host::setActive(Window* w, UINT how)
{
    if (w && !isTopLevel(*w)) w = &topLevelOf(*w);
    if (w == m_desktop) w = nullptr;
    Window* old = m_active;
    const HWND oldHandle = old ? old->handle : nullptr;
    if (w == old) return oldHandle;
    const HWND newHandle = w ? w->handle : nullptr;
    m_active = w;
    if (old) {
        send(*old, WM_NCACTIVATE, FALSE, 0);
        if ((old = window(oldHandle))) {
            send(*old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, old->iconic() ? 1 : 0),
                 reinterpret_cast<LPARAM>(newHandle));
        }
    }
    if (m_focus && old && window(oldHandle) && isDescendant(*old, *m_focus)) setFocus(nullptr);
    if (m_active != w || (newHandle && !window(newHandle))) return oldHandle;
    if (w) {
        restack(*w, HWND_TOP);
        changed(*w);
        send(*w, WM_NCACTIVATE, TRUE, 0);
        if (window(newHandle)) {
            send(*w, WM_ACTIVATE, MAKEWPARAM(how, w->iconic() ? 1 : 0), reinterpret_cast<LPARAM>(oldHandle));
        }
    }
    return oldHandle;
}

HWND Host::setFocus(Window* w)
{
    Window* old = m_focus;
    const HWND oldHandle = old ? old->handle : nullptr;
    if (w == old) return oldHandle;
    if (w == m_desktop) return oldHandle;
    if (w) {
        const HWND target = w->handle;
        Window& top = topLevelOf(*w);
        if (m_active != &top) {
            setActive(&top);
            if (!(w = window(target))) return oldHandle;
            if (m_focus == w) return oldHandle;
            old = m_focus;
        }
    }
    const HWND previous = old ? old->handle : nullptr;
    const HWND next = w ? w->handle : nullptr;
    if (old) send(*old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(next), 0);
    if (next && !window(next)) return previous;
    m_focus = w;
    if (w) send(*w, WM_SETFOCUS, reinterpret_cast<WPARAM>(previous), 0);
    return previous ? previous : oldHandle;
}

HWND Host::setCapture(Window* w)
{
    Window* old = m_capture;
    const HWND oldHandle = old ? old->handle : nullptr;
    m_capture = w;
    if (old && old != w) send(*old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(w ? w->handle : nullptr));
    return oldHandle;
}

bool Host::releaseCapture()
{
    Window* old = m_capture;
    m_capture = nullptr;
    if (old) send(*old, WM_CAPTURECHANGED, 0, 0);
    return true;
}

void Host::setKey(UINT virtualKey, bool down)
{
    if (virtualKey < 256) m_keys[virtualKey] = down;
}

// ---------------------------------------------------------------------------
// Painting

void Host::invalidate(Window& w, const RECT* rect, bool erase, bool children)
{
    const RECT whole{0, 0, w.clientWidth(), w.clientHeight()};
    const RECT r = rect ? intersect(*rect, whole) : whole;
    if (emptyRect(r)) return;
    w.update = w.updatePending ? unite(w.update, r) : r;
    w.updatePending = true;
    w.erasePending = w.erasePending || erase;
    if (!children) return;
    for (Window* c : w.children) {
        if (!c->visibleFlag()) continue;
        RECT part = intersect(r, c->rect);
        if (emptyRect(part)) continue;
        part = offset(part, -(c->rect.left + c->client.left), -(c->rect.top + c->client.top));
        invalidate(*c, &part, erase, !(c->style & WS_CLIPCHILDREN));
    }
}

void Host::validate(Window& w, const RECT* rect)
{
    if (!rect) {
        w.updatePending = false;
        w.update = RECT{0, 0, 0, 0};
        w.erasePending = false;
        return;
    }
    // Update areas are kept as one rectangle: validating a part that covers
    // it entirely clears it, a smaller part leaves it.
    if (w.updatePending && rect->left <= w.update.left && rect->top <= w.update.top &&
        rect->right >= w.update.right && rect->bottom >= w.update.bottom) {
        validate(w, nullptr);
    }
}

HDC Host::beginPaint(Window& w, PAINTSTRUCT& ps)
{
    const HWND handle = w.handle;
    ps = PAINTSTRUCT{};
    if (w.framePending) {
        w.framePending = false;
        send(w, WM_NCPAINT, 1, 0);
        if (!window(handle)) return nullptr;
    }
    const RECT paint = w.updatePending ? w.update : RECT{0, 0, 0, 0};
    const bool erase = w.erasePending;
    validate(w, nullptr);
    HDC dc = m_gdi->createDc(DeviceContext::Surface::Paint, handle, &paint);
    ps.hdc = dc;
    ps.rcPaint = paint;
    ps.fErase = FALSE;
    if (erase) {
        ps.fErase = send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) ? FALSE : TRUE;
    }
    return dc;
}

void Host::endPaint(Window& w, const PAINTSTRUCT& ps)
{
    m_gdi->deleteDc(ps.hdc);
    changed(topLevelOf(w));
}

void Host::updateNow(Window& w, bool withChildren)
{
    const HWND handle = w.handle;
    if ((w.updatePending || w.framePending) && reallyVisible(w)) {
        send(w, WM_PAINT, 0, 0);
        if (!window(handle)) return;
    }
    if (!withChildren) return;
    std::vector<HWND> children;
    for (auto it = w.children.rbegin(); it != w.children.rend(); ++it) children.push_back((*it)->handle);
    for (HWND c : children) {
        if (Window* cw = window(c)) updateNow(*cw, true);
    }
}

bool Host::windowTarget(HWND handle, DeviceContext::Surface surface, const RECT& paintRect, RasterTarget& out)
{
    Window* w = window(handle);
    if (!w || w == m_desktop) return false;
    Window& top = topLevelOf(*w);
    if (top.surface.empty()) return false;
    const RECT topScreen = screenRect(top);
    const RECT self = screenRect(*w);
    const POINT windowOrigin{self.left - topScreen.left, self.top - topScreen.top};
    RECT clip;
    if (surface == DeviceContext::Surface::Window) {
        out.origin = windowOrigin;
        clip = RECT{windowOrigin.x, windowOrigin.y, windowOrigin.x + w->width(), windowOrigin.y + w->height()};
    } else {
        out.origin = POINT{windowOrigin.x + w->client.left, windowOrigin.y + w->client.top};
        clip = offset(w->client, windowOrigin.x, windowOrigin.y);
        if (surface == DeviceContext::Surface::Paint) clip = intersect(clip, offset(paintRect, out.origin.x, out.origin.y));
    }
    // A child draws only inside the client areas of its ancestors.
    for (Window* p = w->parent; p && p != m_desktop; p = p->parent) {
        const RECT ps = screenRect(*p);
        const RECT pc = offset(p->client, ps.left - topScreen.left, ps.top - topScreen.top);
        clip = intersect(clip, pc);
    }
    clip = intersect(clip, RECT{0, 0, top.surface.width(), top.surface.height()});
    out.buffer = &top.surface;
    out.clip = clip;
    return true;
}

void Host::drawFrame(Window& w)
{
    RasterTarget t;
    if (!windowTarget(w.handle, DeviceContext::Surface::Window, RECT{}, t)) return;
    auto colour = [](int index) {
        const COLORREF c = SystemMetrics::sysColour(index);
        return Bgra{GetBValue(c), GetGValue(c), GetRValue(c), 255};
    };
    const RECT whole{0, 0, w.width(), w.height()};
    const RECT& c = w.client;
    Raster::fill(t, RECT{0, 0, whole.right, c.top}, colour(COLOR_3DFACE));
    Raster::fill(t, RECT{0, c.bottom, whole.right, whole.bottom}, colour(COLOR_3DFACE));
    Raster::fill(t, RECT{0, c.top, c.left, c.bottom}, colour(COLOR_3DFACE));
    Raster::fill(t, RECT{c.right, c.top, whole.right, c.bottom}, colour(COLOR_3DFACE));
    if ((w.style & WS_CAPTION) == WS_CAPTION) {
        const RECT insets = frameInsets(w.style & ~WS_CAPTION, w.exStyle);
        const int f = std::max<int>(insets.left, SystemMetrics::kDialogFrame);
        const RECT bar{f, f, whole.right - f, f + SystemMetrics::kCaptionHeight - 1};
        Raster::fill(t, bar, colour(m_active == &w ? COLOR_ACTIVECAPTION : COLOR_INACTIVECAPTION));
        if (!w.text.empty()) {
            HDC dc = m_gdi->createDc(DeviceContext::Surface::Window, w.handle);
            HGDIOBJ old = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, SystemMetrics::sysColour(COLOR_CAPTIONTEXT));
            RECT text{bar.left + 6, bar.top, bar.right - 6, bar.bottom};
            DrawTextW(dc, w.text.c_str(), -1, &text, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
            SelectObject(dc, old);
            m_gdi->deleteDc(dc);
        }
    }
    changed(topLevelOf(w));
}

// ---------------------------------------------------------------------------
// Layered windows

bool Host::updateLayeredWindow(Window& w, const POINT* position, const SIZE* size, HDC source,
                               const POINT* sourcePoint, COLORREF key, const BLENDFUNCTION* blend, DWORD flags)
{
    if (!(w.exStyle & WS_EX_LAYERED) || w.layer == Window::Layer::Attributes ||
        (flags & ~(ULW_COLORKEY | ULW_ALPHA | ULW_OPAQUE | ULW_EX_NORESIZE))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    const SIZE target = size ? *size : SIZE{w.width(), w.height()};
    if (target.cx < 0 || target.cy < 0 || (source && (target.cx == 0 || target.cy == 0))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    if (source) {
        POINT origin{0, 0};
        const PixelBuffer* pixels = m_gdi->sourcePixels(source, origin);
        if (!pixels) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const POINT from = sourcePoint ? *sourcePoint : POINT{0, 0};
        if ((flags & ULW_ALPHA) && (!blend || blend->BlendOp != AC_SRC_OVER)) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return false;
        }
        const bool perPixel = (flags & ULW_ALPHA) && blend->AlphaFormat == AC_SRC_ALPHA;
        const BYTE constant = (flags & ULW_ALPHA) ? blend->SourceConstantAlpha : 255;
        PixelBuffer content(target.cx, target.cy);
        for (int y = 0; y < target.cy; ++y) {
            for (int x = 0; x < target.cx; ++x) {
                const int sx = from.x + x + origin.x;
                const int sy = from.y + y + origin.y;
                if (!pixels->contains(sx, sy)) continue; // outside the source: transparent
                Bgra p = pixels->get(sx, sy);
                if (!perPixel) p.a = 255;
                if ((flags & ULW_COLORKEY) && RGB(p.r, p.g, p.b) == (key & 0x00FFFFFF)) p = Bgra{0, 0, 0, 0};
                if (constant != 255) {
                    p = Bgra{Raster::mul255(p.b, constant), Raster::mul255(p.g, constant),
                             Raster::mul255(p.r, constant), Raster::mul255(p.a, constant)};
                }
                content.set(x, y, p);
            }
        }
        w.layerPixels = std::move(content);
        w.layer = Window::Layer::PerPixel;
    }
    const bool move = position && (position->x != w.rect.left || position->y != w.rect.top);
    const bool resize = size && (size->cx != w.width() || size->cy != w.height());
    if (move || resize) {
        setWindowPos(w, nullptr, position ? position->x : 0, position ? position->y : 0, target.cx, target.cy,
                     SWP_NOZORDER | SWP_NOACTIVATE | (move ? 0 : SWP_NOMOVE) | (resize ? 0 : SWP_NOSIZE));
    } else {
        changed(w);
    }
    return true;
}

bool Host::setLayeredAttributes(Window& w, COLORREF key, BYTE alpha, DWORD flags)
{
    if (!(w.exStyle & WS_EX_LAYERED) || (flags & ~(LWA_COLORKEY | LWA_ALPHA))) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    w.layer = Window::Layer::Attributes;
    w.layerPixels = PixelBuffer();
    w.layerKey = key & 0x00FFFFFF;
    w.layerAlpha = alpha;
    w.layerFlags = flags;
    invalidate(w, nullptr, true, true);
    changed(w);
    return true;
}

bool Host::passesInput(const Window& top, POINT screen) const
{
    if (!(top.exStyle & WS_EX_LAYERED)) return false;
    if (top.exStyle & WS_EX_TRANSPARENT) return true;
    const int x = screen.x - top.rect.left;
    const int y = screen.y - top.rect.top;
    switch (top.layer) {
    case Window::Layer::None:
        return true;
    case Window::Layer::PerPixel:
        return !top.layerPixels.contains(x, y) || top.layerPixels.get(x, y).a == 0;
    case Window::Layer::Attributes:
        if ((top.layerFlags & LWA_COLORKEY) && top.surface.contains(x, y)) {
            const Bgra p = top.surface.get(x, y);
            return RGB(p.r, p.g, p.b) == top.layerKey;
        }
        return false;
    }
    return false;
}

// ---------------------------------------------------------------------------
// Hooks and notifications

HHOOK Host::setHook(int id, HOOKPROC proc)
{
    if (id != WH_CBT || !proc) {
        SetLastError(kErrorInvalidHookFilter);
        return nullptr;
    }
    const HHOOK handle = reinterpret_cast<HHOOK>(m_nextHook);
    m_nextHook += 4;
    m_hooks.push_back(Hook{handle, proc});
    return handle;
}

bool Host::unhook(HHOOK hook)
{
    for (auto it = m_hooks.begin(); it != m_hooks.end(); ++it) {
        if (it->handle == hook) {
            m_hooks.erase(it);
            return true;
        }
    }
    SetLastError(kErrorInvalidHookHandle);
    return false;
}

LRESULT Host::callNextHook(HHOOK hook, int code, WPARAM wParam, LPARAM lParam)
{
    for (size_t i = m_hooks.size(); i-- > 0;) {
        if (m_hooks[i].handle == hook) {
            return i > 0 ? m_hooks[i - 1].proc(code, wParam, lParam) : 0;
        }
    }
    return 0;
}

void Host::changed(Window& w)
{
    if (isTopLevel(w)) m_backend.windowChanged(w.handle);
}

} // namespace quarrow
