// Windows themselves: creation and destruction (CreateWindowExW,
// DestroyWindow, IsWindow), the window data reached by index
// (GetWindowLongW, SetWindowLongPtrW and the dialog slots), properties
// (SetPropW, GetPropW, RemovePropW), the relations of the window tree
// (GetParent, SetParent, GetAncestor, GetWindow, EnumChildWindows,
// FindWindowW, WindowFromPoint...) and the window text.
#include "win32/WinUser.h"

#include "host/DialogManager.h"
#include "host/InputRouter.h"
#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

#include <algorithm>
#include <cstring>
#include <functional>

using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::kErrorInvalidIndex;
using quarrow::detail::win;

namespace {

constexpr DWORD kErrorNoWindowText = 0; // an empty text is not an error

quarrow::DialogState* dialogOf(HWND hwnd) { return host().dialogs().state(hwnd); }

bool readExtra(Window& w, int offset, size_t size, LONG_PTR& value)
{
    if (offset < 0 || static_cast<size_t>(offset) + size > w.extra.size()) {
        SetLastError(kErrorInvalidIndex);
        return false;
    }
    value = 0;
    std::memcpy(&value, w.extra.data() + offset, size);
    if (size == 4) value = static_cast<LONG>(value);
    return true;
}

bool writeExtra(Window& w, int offset, size_t size, LONG_PTR value)
{
    if (offset < 0 || static_cast<size_t>(offset) + size > w.extra.size()) {
        SetLastError(kErrorInvalidIndex);
        return false;
    }
    std::memcpy(w.extra.data() + offset, &value, size);
    return true;
}

LONG_PTR getLong(HWND hwnd, int index, size_t size)
{
    Window* w = win(hwnd);
    if (!w) return 0;
    switch (index) {
    case GWLP_WNDPROC:
        return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE:
        return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT:
        if (w->isChild()) return reinterpret_cast<LONG_PTR>(w->parent->handle);
        return reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
    case GWLP_ID:
        return w->id;
    case GWL_STYLE:
        return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
        return static_cast<LONG>(w->exStyle);
    case GWLP_USERDATA:
        return w->userData;
    default:
        break;
    }
    if (quarrow::DialogState* d = dialogOf(hwnd)) {
        if (index == static_cast<int>(DWLP_MSGRESULT)) return d->msgResult;
        if (index == static_cast<int>(DWLP_DLGPROC)) return reinterpret_cast<LONG_PTR>(d->proc);
        if (index == static_cast<int>(DWLP_USER)) return d->user;
    }
    LONG_PTR value = 0;
    readExtra(*w, index, size, value);
    return value;
}

LONG_PTR setLong(HWND hwnd, int index, LONG_PTR value, size_t size)
{
    Window* w = win(hwnd);
    if (!w) return 0;
    LONG_PTR old = 0;
    switch (index) {
    case GWLP_WNDPROC:
        old = reinterpret_cast<LONG_PTR>(w->proc);
        w->proc = reinterpret_cast<WNDPROC>(value);
        return old;
    case GWLP_HINSTANCE:
        old = reinterpret_cast<LONG_PTR>(w->instance);
        w->instance = reinterpret_cast<HINSTANCE>(value);
        return old;
    case GWLP_HWNDPARENT: {
        if (w->isChild()) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return 0;
        }
        old = reinterpret_cast<LONG_PTR>(w->owner ? w->owner->handle : nullptr);
        Window* owner = value ? host().window(reinterpret_cast<HWND>(value)) : nullptr;
        w->owner = owner ? &host().topLevelOf(*owner) : nullptr;
        return old;
    }
    case GWLP_ID:
        old = w->id;
        w->id = value;
        return old;
    case GWL_STYLE:
    case GWL_EXSTYLE:
        old = static_cast<LONG>(index == GWL_STYLE ? w->style : w->exStyle);
        host().setStyle(*w, index, static_cast<DWORD>(value));
        return old;
    case GWLP_USERDATA:
        old = w->userData;
        w->userData = value;
        return old;
    default:
        break;
    }
    if (quarrow::DialogState* d = dialogOf(hwnd)) {
        if (index == static_cast<int>(DWLP_MSGRESULT)) {
            old = d->msgResult;
            d->msgResult = value;
            return old;
        }
        if (index == static_cast<int>(DWLP_DLGPROC)) {
            old = reinterpret_cast<LONG_PTR>(d->proc);
            d->proc = reinterpret_cast<DLGPROC>(value);
            return old;
        }
        if (index == static_cast<int>(DWLP_USER)) {
            old = d->user;
            d->user = value;
            return old;
        }
    }
    if (!readExtra(*w, index, size, old)) return 0;
    writeExtra(*w, index, size, value);
    return old;
}

std::u16string propName(LPCWSTR name)
{
    if (IS_INTRESOURCE(name)) return u"#" + std::u16string(1, static_cast<char16_t>(reinterpret_cast<ULONG_PTR>(name)));
    return name;
}

} // namespace

// ---------------------------------------------------------------------------
// Creation

HWND CreateWindowExW(DWORD exStyle, LPCWSTR className, LPCWSTR windowName, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    CREATESTRUCTW cs{};
    cs.lpCreateParams = param;
    cs.hInstance = instance;
    cs.hMenu = menu;
    cs.hwndParent = parent;
    cs.x = x;
    cs.y = y;
    cs.cx = width;
    cs.cy = height;
    cs.style = static_cast<LONG>(style);
    cs.lpszName = windowName;
    cs.lpszClass = className;
    cs.dwExStyle = exStyle;
    return host().createWindow(cs);
}

BOOL DestroyWindow(HWND hwnd) { return host().destroyWindow(hwnd); }
BOOL IsWindow(HWND hwnd) { return hwnd && host().window(hwnd) ? TRUE : FALSE; }
BOOL IsWindowUnicode(HWND hwnd) { return IsWindow(hwnd); }

// ---------------------------------------------------------------------------
// Window data, relations and text

LONG GetWindowLongW(HWND hwnd, int index) { return static_cast<LONG>(getLong(hwnd, index, 4)); }
LONG SetWindowLongW(HWND hwnd, int index, LONG value) { return static_cast<LONG>(setLong(hwnd, index, value, 4)); }
LONG_PTR GetWindowLongPtrW(HWND hwnd, int index) { return getLong(hwnd, index, sizeof(LONG_PTR)); }
LONG_PTR SetWindowLongPtrW(HWND hwnd, int index, LONG_PTR value) { return setLong(hwnd, index, value, sizeof(LONG_PTR)); }

BOOL SetPropW(HWND hwnd, LPCWSTR name, HANDLE data)
{
    Window* w = win(hwnd);
    if (!w || !name) return FALSE;
    const std::u16string key = propName(name);
    for (auto& [k, v] : w->props) {
        if (k == key) {
            v = data;
            return TRUE;
        }
    }
    w->props.emplace_back(key, data);
    return TRUE;
}

HANDLE GetPropW(HWND hwnd, LPCWSTR name)
{
    Window* w = win(hwnd);
    if (!w || !name) return nullptr;
    const std::u16string key = propName(name);
    for (auto& [k, v] : w->props) {
        if (k == key) return v;
    }
    return nullptr;
}

HANDLE RemovePropW(HWND hwnd, LPCWSTR name)
{
    Window* w = win(hwnd);
    if (!w || !name) return nullptr;
    const std::u16string key = propName(name);
    for (auto it = w->props.begin(); it != w->props.end(); ++it) {
        if (it->first == key) {
            HANDLE v = it->second;
            w->props.erase(it);
            return v;
        }
    }
    return nullptr;
}

HWND GetParent(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return nullptr;
    if (w->isChild()) return w->parent->handle;
    if ((w->style & WS_POPUP) && w->owner) return w->owner->handle;
    return nullptr;
}

HWND SetParent(HWND child, HWND newParent)
{
    Window* w = win(child);
    if (!w || host().isDesktop(*w)) return nullptr;
    Window* p = newParent ? win(newParent) : &host().desktop();
    if (!p || host().isDescendant(*w, *p)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    Window* old = w->parent;
    const RECT screen = host().screenRect(*w);
    auto& siblings = old->children;
    siblings.erase(std::remove(siblings.begin(), siblings.end(), w), siblings.end());
    w->parent = p;
    if (host().isDesktop(*p)) {
        w->rect = screen;
        p->children.insert(p->children.begin(), w);
        w->surface.reset(w->width(), w->height());
    } else {
        const POINT origin = host().clientOrigin(*p);
        w->rect = RECT{screen.left - origin.x, screen.top - origin.y, screen.right - origin.x, screen.bottom - origin.y};
        p->children.insert(p->children.begin(), w);
        w->surface = quarrow::PixelBuffer();
    }
    host().invalidate(*w, nullptr, true, true);
    return old->handle;
}

HWND GetAncestor(HWND hwnd, UINT flags)
{
    Window* w = win(hwnd);
    if (!w || host().isDesktop(*w)) return nullptr;
    switch (flags) {
    case GA_PARENT:
        return w->parent->handle;
    case GA_ROOT:
        return host().topLevelOf(*w).handle;
    case GA_ROOTOWNER: {
        Window* r = &host().topLevelOf(*w);
        while (r->owner) r = r->owner;
        return r->handle;
    }
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetWindow(HWND hwnd, UINT cmd)
{
    Window* w = win(hwnd);
    if (!w) return nullptr;
    if (cmd == GW_CHILD) return w->children.empty() ? nullptr : w->children.front()->handle;
    if (cmd == GW_OWNER) return w->owner ? w->owner->handle : nullptr;
    if (cmd == GW_ENABLEDPOPUP) {
        for (Window* t : host().desktop().children) {
            if (t->owner == w && t->visibleFlag() && !t->disabledFlag()) return t->handle;
        }
        return nullptr;
    }
    if (!w->parent) return nullptr;
    const auto& list = w->parent->children;
    auto at = std::find(list.begin(), list.end(), w);
    switch (cmd) {
    case GW_HWNDFIRST:
        return list.front()->handle;
    case GW_HWNDLAST:
        return list.back()->handle;
    case GW_HWNDNEXT:
        return at + 1 < list.end() ? (*(at + 1))->handle : nullptr;
    case GW_HWNDPREV:
        return at > list.begin() ? (*(at - 1))->handle : nullptr;
    default:
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
}

HWND GetTopWindow(HWND hwnd)
{
    Window* w = hwnd ? win(hwnd) : &host().desktop();
    if (!w || w->children.empty()) return nullptr;
    return w->children.front()->handle;
}

HWND GetDesktopWindow() { return host().desktop().handle; }

BOOL IsChild(HWND parent, HWND hwnd)
{
    Window* p = host().window(parent);
    Window* w = host().window(hwnd);
    if (!p || !w) return FALSE;
    for (Window* x = w; x && x->isChild(); x = x->parent) {
        if (x->parent == p) return TRUE;
    }
    return FALSE;
}

HWND GetLastActivePopup(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return nullptr;
    Window* active = host().window(host().activeWindow());
    if (active && active->owner == w) return active->handle;
    return hwnd;
}

BOOL EnumChildWindows(HWND parent, WNDENUMPROC proc, LPARAM lParam)
{
    Window* p = parent ? win(parent) : &host().desktop();
    if (!p || !proc) return FALSE;
    std::vector<HWND> all;
    std::function<void(Window&)> collect = [&](Window& x) {
        for (Window* c : x.children) {
            all.push_back(c->handle);
            collect(*c);
        }
    };
    collect(*p);
    for (HWND h : all) {
        if (host().window(h) && !proc(h, lParam)) return FALSE;
    }
    return TRUE;
}

BOOL EnumWindows(WNDENUMPROC proc, LPARAM lParam)
{
    if (!proc) return FALSE;
    std::vector<HWND> tops;
    for (Window* t : host().desktop().children) tops.push_back(t->handle);
    for (HWND h : tops) {
        if (host().window(h) && !proc(h, lParam)) return FALSE;
    }
    return TRUE;
}

HWND FindWindowW(LPCWSTR className, LPCWSTR windowName)
{
    quarrow::WindowClass* c = className ? host().findClass(className) : nullptr;
    if (className && !c) return nullptr;
    for (Window* t : host().desktop().children) {
        if (c && t->windowClass != c) continue;
        if (windowName && t->text != windowName) continue;
        return t->handle;
    }
    return nullptr;
}

HWND WindowFromPoint(POINT point)
{
    LRESULT hit = 0;
    Window* w = host().input().windowAt(point, hit);
    return w ? w->handle : nullptr;
}

HWND ChildWindowFromPoint(HWND parent, POINT point)
{
    Window* p = win(parent);
    if (!p) return nullptr;
    const POINT screen = host().clientToScreen(*p, point);
    for (Window* c : p->children) {
        const RECT r = host().screenRect(*c);
        if (screen.x >= r.left && screen.x < r.right && screen.y >= r.top && screen.y < r.bottom) return c->handle;
    }
    if (point.x >= 0 && point.y >= 0 && point.x < p->clientWidth() && point.y < p->clientHeight()) return parent;
    return nullptr;
}

BOOL SetWindowTextW(HWND hwnd, LPCWSTR text)
{
    if (!win(hwnd)) return FALSE;
    return host().send(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text ? text : u"")) ? TRUE : FALSE;
}

int GetWindowTextW(HWND hwnd, LPWSTR buffer, int size)
{
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    if (!win(hwnd)) return 0;
    SetLastError(kErrorNoWindowText);
    return static_cast<int>(host().send(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

int GetWindowTextLengthW(HWND hwnd)
{
    if (!win(hwnd)) return 0;
    return static_cast<int>(host().send(hwnd, WM_GETTEXTLENGTH, 0, 0));
}
