// The window system, windows themselves: window classes (registering,
// unregistering, finding), creating a window with its creation messages, and
// destroying a window tree with its destruction messages and the handle
// table bookkeeping.
#include "host/Host.h"

#include "host/HostInternal.h"
#include "host/InputRouter.h"
#include "win32/ErrHandlingApi.h"

#include <algorithm>

namespace quarrow {

using detail::offset;

namespace {

// System error codes of the window manager that the shared error header
// does not carry.
constexpr DWORD kErrorClassAlreadyExists = 1410;
constexpr DWORD kErrorClassHasWindows = 1412;
constexpr DWORD kErrorTlwWithWsChild = 1406;

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

} // namespace

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

} // namespace quarrow
