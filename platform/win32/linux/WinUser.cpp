// The window manager functions of win32/WinUser.h: each checks its
// arguments, routes to the active window system (host/Host.h) and reports
// failures through SetLastError.
#include "win32/WinUser.h"

#include "host/DefaultProcedure.h"
#include "host/DialogManager.h"
#include "host/Host.h"
#include "host/InputRouter.h"
#include "host/SystemMetrics.h"
#include "win32/ErrHandlingApi.h"

#include <algorithm>
#include <cstring>
#include <functional>

using quarrow::Host;
using quarrow::Window;

namespace {

constexpr DWORD kErrorInvalidIndex = 1413;
constexpr DWORD kErrorNoWindowText = 0; // an empty text is not an error

Host& host() { return Host::current(); }

Window* win(HWND hwnd) { return host().checked(hwnd); }

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

RECT rectOf(const Window& w) { return host().screenRect(w); }

} // namespace

// ---------------------------------------------------------------------------
// Classes

ATOM RegisterClassExW(const WNDCLASSEXW* wc)
{
    if (!wc || wc->cbSize != sizeof(WNDCLASSEXW)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    return host().registerClass(*wc);
}

ATOM RegisterClassW(const WNDCLASSW* wc)
{
    if (!wc) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    WNDCLASSEXW ex{sizeof(WNDCLASSEXW), wc->style,         wc->lpfnWndProc,  wc->cbClsExtra,    wc->cbWndExtra,
                   wc->hInstance,       wc->hIcon,         wc->hCursor,      wc->hbrBackground, wc->lpszMenuName,
                   wc->lpszClassName,   nullptr};
    return host().registerClass(ex);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance) { return host().unregisterClass(className, instance); }

BOOL GetClassInfoExW(HINSTANCE, LPCWSTR className, LPWNDCLASSEXW wc)
{
    quarrow::WindowClass* c = host().findClass(className);
    if (!c || !wc) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    wc->style = c->style;
    wc->lpfnWndProc = c->proc;
    wc->cbClsExtra = c->classExtra;
    wc->cbWndExtra = c->windowExtra;
    wc->hInstance = c->instance;
    wc->hIcon = c->icon;
    wc->hCursor = c->cursor;
    wc->hbrBackground = c->background;
    wc->lpszMenuName = nullptr;
    wc->lpszClassName = c->name.c_str();
    wc->hIconSm = c->smallIcon;
    return c->atom;
}

BOOL GetClassInfoW(HINSTANCE instance, LPCWSTR className, LPWNDCLASSW wc)
{
    WNDCLASSEXW ex{};
    ex.cbSize = sizeof ex;
    if (!wc || !GetClassInfoExW(instance, className, &ex)) return FALSE;
    *wc = WNDCLASSW{ex.style,   ex.lpfnWndProc,   ex.cbClsExtra,   ex.cbWndExtra,   ex.hInstance,
                    ex.hIcon,   ex.hCursor,       ex.hbrBackground, ex.lpszMenuName, ex.lpszClassName};
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int size)
{
    Window* w = win(hwnd);
    if (!w || !buffer || size <= 0) return 0;
    const std::u16string& name = w->windowClass->name;
    const int n = std::min<int>(static_cast<int>(name.size()), size - 1);
    std::copy(name.begin(), name.begin() + n, buffer);
    buffer[n] = 0;
    return n;
}

ULONG_PTR GetClassLongPtrW(HWND hwnd, int index)
{
    Window* w = win(hwnd);
    if (!w) return 0;
    quarrow::WindowClass& c = *w->windowClass;
    switch (index) {
    case GCLP_HBRBACKGROUND:
        return reinterpret_cast<ULONG_PTR>(c.background);
    case GCLP_HCURSOR:
        return reinterpret_cast<ULONG_PTR>(c.cursor);
    case GCLP_HICON:
        return reinterpret_cast<ULONG_PTR>(c.icon);
    case GCLP_HICONSM:
        return reinterpret_cast<ULONG_PTR>(c.smallIcon);
    case GCLP_HMODULE:
        return reinterpret_cast<ULONG_PTR>(c.instance);
    case GCL_CBWNDEXTRA:
        return static_cast<ULONG_PTR>(c.windowExtra);
    case GCL_CBCLSEXTRA:
        return static_cast<ULONG_PTR>(c.classExtra);
    case GCLP_WNDPROC:
        return reinterpret_cast<ULONG_PTR>(c.proc);
    case GCL_STYLE:
        return c.style;
    default:
        SetLastError(kErrorInvalidIndex);
        return 0;
    }
}

ULONG_PTR SetClassLongPtrW(HWND hwnd, int index, LONG_PTR value)
{
    Window* w = win(hwnd);
    if (!w) return 0;
    quarrow::WindowClass& c = *w->windowClass;
    const ULONG_PTR old = GetClassLongPtrW(hwnd, index);
    switch (index) {
    case GCLP_HBRBACKGROUND:
        c.background = reinterpret_cast<HBRUSH>(value);
        break;
    case GCLP_HCURSOR:
        c.cursor = reinterpret_cast<HCURSOR>(value);
        break;
    case GCLP_HICON:
        c.icon = reinterpret_cast<HICON>(value);
        break;
    case GCLP_HICONSM:
        c.smallIcon = reinterpret_cast<HICON>(value);
        break;
    case GCLP_WNDPROC:
        c.proc = reinterpret_cast<WNDPROC>(value);
        break;
    case GCL_STYLE:
        c.style = static_cast<UINT>(value);
        break;
    default:
        SetLastError(kErrorInvalidIndex);
        return 0;
    }
    return old;
}

// ---------------------------------------------------------------------------
// Creation, hooks

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

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE, DWORD) { return host().setHook(idHook, proc); }
BOOL UnhookWindowsHookEx(HHOOK hook) { return host().unhook(hook); }
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam)
{
    return host().callNextHook(hook, code, wParam, lParam);
}

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

// ---------------------------------------------------------------------------
// Geometry and visibility

BOOL SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Window* w = win(hwnd);
    return w && host().setWindowPos(*w, insertAfter, x, y, cx, cy, flags);
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint)
{
    Window* w = win(hwnd);
    return w && host().setWindowPos(*w, nullptr, x, y, width, height,
                                    SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : UINT(SWP_NOREDRAW)));
}

BOOL BringWindowToTop(HWND hwnd)
{
    Window* w = win(hwnd);
    return w && host().setWindowPos(*w, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

BOOL GetWindowRect(HWND hwnd, LPRECT rect)
{
    Window* w = win(hwnd);
    if (!w || !rect) return FALSE;
    *rect = rectOf(*w);
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, LPRECT rect)
{
    Window* w = win(hwnd);
    if (!w || !rect) return FALSE;
    *rect = RECT{0, 0, w->clientWidth(), w->clientHeight()};
    return TRUE;
}

BOOL AdjustWindowRectEx(LPRECT rect, DWORD style, BOOL, DWORD exStyle)
{
    if (!rect) return FALSE;
    const RECT f = Host::frameInsets(style, exStyle);
    rect->left -= f.left;
    rect->top -= f.top;
    rect->right += f.right;
    rect->bottom += f.bottom;
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, LPPOINT point)
{
    Window* w = win(hwnd);
    if (!w || !point) return FALSE;
    *point = host().clientToScreen(*w, *point);
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, LPPOINT point)
{
    Window* w = win(hwnd);
    if (!w || !point) return FALSE;
    *point = host().screenToClient(*w, *point);
    return TRUE;
}

int MapWindowPoints(HWND from, HWND to, LPPOINT points, UINT count)
{
    Window* f = from ? win(from) : nullptr;
    Window* t = to ? win(to) : nullptr;
    if ((from && !f) || (to && !t)) return 0;
    const POINT origin = f ? host().clientToScreen(*f, POINT{0, 0}) : POINT{0, 0};
    const POINT target = t ? host().screenToClient(*t, origin) : origin;
    for (UINT i = 0; i < count && points; ++i) {
        POINT s = f ? host().clientToScreen(*f, points[i]) : points[i];
        points[i] = t ? host().screenToClient(*t, s) : s;
    }
    SetLastError(0);
    return MAKELONG(static_cast<SHORT>(target.x), static_cast<SHORT>(target.y));
}

BOOL ShowWindow(HWND hwnd, int command)
{
    Window* w = win(hwnd);
    return w && host().showWindow(*w, command);
}

BOOL ShowOwnedPopups(HWND hwnd, BOOL show)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    std::vector<HWND> owned;
    for (Window* t : host().desktop().children) {
        if (t->owner == w) owned.push_back(t->handle);
    }
    for (HWND o : owned) {
        Window* ow = host().window(o);
        if (!ow) continue;
        if (!show && ow->visibleFlag()) {
            host().send(*ow, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
            if ((ow = host().window(o))) {
                host().setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                                    SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
                if ((ow = host().window(o))) ow->hiddenByOwnerMinimise = true;
            }
        } else if (show && ow->hiddenByOwnerMinimise) {
            ow->hiddenByOwnerMinimise = false;
            host().send(*ow, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
            if ((ow = host().window(o))) {
                host().setWindowPos(*ow, nullptr, 0, 0, 0, 0,
                                    SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            }
        }
    }
    return TRUE;
}

BOOL IsWindowVisible(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && host().reallyVisible(*w) ? TRUE : FALSE;
}

BOOL IsIconic(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && w->iconic() ? TRUE : FALSE;
}

BOOL IsZoomed(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && (w->style & WS_MAXIMIZE) ? TRUE : FALSE;
}

BOOL CloseWindow(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().showWindow(*w, SW_MINIMIZE);
    return TRUE;
}

BOOL OpenIcon(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().showWindow(*w, SW_RESTORE);
    return TRUE;
}

BOOL EnableWindow(HWND hwnd, BOOL enable)
{
    Window* w = win(hwnd);
    return w && host().enableWindow(*w, enable != FALSE) ? TRUE : FALSE;
}

BOOL IsWindowEnabled(HWND hwnd)
{
    Window* w = host().window(hwnd);
    return w && !w->disabledFlag() ? TRUE : FALSE;
}

// ---------------------------------------------------------------------------
// Messages

LRESULT SendMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return host().send(hwnd, message, wParam, lParam);
}

BOOL PostMessageW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return host().post(hwnd, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) { host().postQuit(exitCode); }

BOOL GetMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    if (!msg || (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !win(hwnd))) return -1;
    return host().getMessage(*msg, hwnd, filterMin, filterMax) ? TRUE : FALSE;
}

BOOL PeekMessageW(LPMSG msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeFlags)
{
    if (!msg || (hwnd && hwnd != reinterpret_cast<HWND>(-1) && !win(hwnd))) return FALSE;
    return host().peekMessage(*msg, hwnd, filterMin, filterMax, removeFlags);
}

BOOL WaitMessage() { return host().waitMessage(); }
BOOL TranslateMessage(const MSG* msg) { return msg && host().translate(*msg); }
LRESULT DispatchMessageW(const MSG* msg) { return msg ? host().dispatch(*msg) : 0; }

LRESULT DefWindowProcW(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window* w = win(hwnd);
    return w ? quarrow::DefaultProcedure::handle(host(), *w, message, wParam, lParam) : 0;
}

LRESULT CallWindowProcW(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return proc ? proc(hwnd, message, wParam, lParam) : 0;
}

DWORD GetMessagePos() { return host().messagePos(); }
LONG GetMessageTime() { return host().messageTime(); }
BOOL InSendMessage() { return FALSE; }

// ---------------------------------------------------------------------------
// Focus, activation, capture, keyboard and cursor

HWND SetFocus(HWND hwnd)
{
    Window* w = hwnd ? win(hwnd) : nullptr;
    if (hwnd && !w) return nullptr;
    return host().setFocus(w);
}

HWND GetFocus() { return host().focus(); }

HWND SetActiveWindow(HWND hwnd)
{
    Window* w = hwnd ? win(hwnd) : nullptr;
    if (hwnd && !w) return nullptr;
    return host().setActive(w);
}

HWND GetActiveWindow() { return host().activeWindow(); }

BOOL SetForegroundWindow(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().setActive(w);
    return TRUE;
}

HWND GetForegroundWindow() { return host().activeWindow(); }

HWND SetCapture(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return nullptr;
    return host().setCapture(w);
}

BOOL ReleaseCapture() { return host().releaseCapture(); }
HWND GetCapture() { return host().capture(); }

SHORT GetKeyState(int virtualKey)
{
    return host().keyDown(static_cast<UINT>(virtualKey)) ? static_cast<SHORT>(0x8000) : SHORT(0);
}

SHORT GetAsyncKeyState(int virtualKey) { return GetKeyState(virtualKey); }

BOOL GetCursorPos(LPPOINT point)
{
    if (!point) return FALSE;
    *point = host().cursor();
    return TRUE;
}

BOOL SetCursorPos(int x, int y)
{
    host().setCursor(POINT{x, y});
    return TRUE;
}

HCURSOR SetCursor(HCURSOR cursor)
{
    // Cursor shapes are not shown by any backend yet; the last one set is
    // remembered so that the platform's contract (return the previous one)
    // holds.
    static HCURSOR current = nullptr;
    HCURSOR old = current;
    current = cursor;
    return old;
}

// ---------------------------------------------------------------------------
// Painting

BOOL InvalidateRect(HWND hwnd, const RECT* rect, BOOL erase)
{
    if (!hwnd) {
        for (Window* t : host().desktop().children) host().invalidate(*t, nullptr, erase != FALSE, true);
        return TRUE;
    }
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().invalidate(*w, rect, erase != FALSE, !(w->style & WS_CLIPCHILDREN));
    return TRUE;
}

BOOL ValidateRect(HWND hwnd, const RECT* rect)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().validate(*w, rect);
    return TRUE;
}

BOOL GetUpdateRect(HWND hwnd, LPRECT rect, BOOL)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    if (rect) *rect = w->updatePending ? w->update : RECT{0, 0, 0, 0};
    return w->updatePending ? TRUE : FALSE;
}

BOOL UpdateWindow(HWND hwnd)
{
    Window* w = win(hwnd);
    if (!w) return FALSE;
    host().updateNow(*w, false);
    return TRUE;
}

BOOL RedrawWindow(HWND hwnd, const RECT* rect, HRGN, UINT flags)
{
    Window* w = hwnd ? win(hwnd) : &host().desktop();
    if (!w) return FALSE;
    const bool children = (flags & RDW_ALLCHILDREN) || (!(flags & RDW_NOCHILDREN) && !(w->style & WS_CLIPCHILDREN));
    if (flags & RDW_INVALIDATE) host().invalidate(*w, rect, (flags & RDW_ERASE) != 0, children);
    if (flags & RDW_VALIDATE) host().validate(*w, rect);
    if (flags & RDW_FRAME) w->framePending = true;
    if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) host().updateNow(*w, children);
    return TRUE;
}

HDC BeginPaint(HWND hwnd, LPPAINTSTRUCT paint)
{
    Window* w = win(hwnd);
    if (!w || !paint) return nullptr;
    return host().beginPaint(*w, *paint);
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint)
{
    Window* w = win(hwnd);
    if (!w || !paint) return FALSE;
    host().endPaint(*w, *paint);
    return TRUE;
}

HDC GetDC(HWND hwnd)
{
    if (!hwnd || hwnd == host().desktop().handle) {
        return host().gdi().createDc(quarrow::DeviceContext::Surface::Screen, nullptr);
    }
    if (!win(hwnd)) return nullptr;
    return host().gdi().createDc(quarrow::DeviceContext::Surface::Client, hwnd);
}

HDC GetWindowDC(HWND hwnd)
{
    if (!hwnd) return GetDC(nullptr);
    if (!win(hwnd)) return nullptr;
    return host().gdi().createDc(quarrow::DeviceContext::Surface::Window, hwnd);
}

int ReleaseDC(HWND, HDC dc)
{
    quarrow::DeviceContext* d = host().gdi().dc(dc);
    if (!d || d->surface == quarrow::DeviceContext::Surface::Memory) return 0;
    host().gdi().deleteDc(dc);
    return 1;
}

int FillRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    quarrow::Gdi& gdi = host().gdi();
    COLORREF colour = 0;
    bool isNull = false;
    if (!rect || !gdi.dc(dc) || !gdi.brushColour(dc, brush, colour, isNull)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    if (isNull) return 1;
    quarrow::RasterTarget t;
    if (gdi.target(dc, t)) {
        quarrow::Raster::fill(t, *rect, quarrow::Bgra{GetBValue(colour), GetGValue(colour), GetRValue(colour), 255});
    }
    return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush)
{
    if (!rect) return 0;
    if (rect->right <= rect->left || rect->bottom <= rect->top) return 1;
    const RECT edges[4] = {{rect->left, rect->top, rect->right, rect->top + 1},
                           {rect->left, rect->bottom - 1, rect->right, rect->bottom},
                           {rect->left, rect->top, rect->left + 1, rect->bottom},
                           {rect->right - 1, rect->top, rect->right, rect->bottom}};
    for (const RECT& e : edges) {
        if (!FillRect(dc, &e, brush)) return 0;
    }
    return 1;
}

BOOL DrawFocusRect(HDC dc, const RECT* rect)
{
    // The dotted focus frame is not drawn: no backend shows keyboard cues.
    return host().gdi().dc(dc) && rect ? TRUE : FALSE;
}

int DrawTextW(HDC dc, LPCWSTR text, int count, LPRECT rect, UINT format)
{
    if (!text || !rect || !host().gdi().dc(dc)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    size_t n = 0;
    if (count < 0) {
        while (text[n]) ++n;
    } else {
        n = static_cast<size_t>(count);
    }
    return host().gdi().drawText(dc, std::u16string(text, n), *rect, format);
}

DWORD GetSysColor(int index) { return quarrow::SystemMetrics::sysColour(index); }
HBRUSH GetSysColorBrush(int index) { return host().gdi().sysColourBrush(index); }

BOOL DestroyIcon(HICON icon)
{
    if (!icon) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    return TRUE;
}

// ---------------------------------------------------------------------------
// The dialog manager

HWND CreateDialogIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM initParam)
{
    return host().dialogs().create(instance, reinterpret_cast<const BYTE*>(dialogTemplate), 0, parent, proc, initParam);
}

HWND CreateDialogParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam)
{
    return host().dialogs().createFromResource(instance, templateName, parent, proc, initParam);
}

INT_PTR DialogBoxIndirectParamW(HINSTANCE instance, LPCDLGTEMPLATEW dialogTemplate, HWND parent, DLGPROC proc,
                                LPARAM initParam)
{
    HWND dialog = CreateDialogIndirectParamW(instance, dialogTemplate, parent, proc, initParam);
    if (!dialog) return -1;
    return host().dialogs().runModal(dialog, parent);
}

INT_PTR DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND parent, DLGPROC proc, LPARAM initParam)
{
    HWND dialog = CreateDialogParamW(instance, templateName, parent, proc, initParam);
    if (!dialog) return -1;
    return host().dialogs().runModal(dialog, parent);
}

BOOL EndDialog(HWND dialog, INT_PTR result) { return host().dialogs().endDialog(dialog, result); }

LRESULT DefDlgProcW(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    return quarrow::DialogManager::defDlgProc(dialog, message, wParam, lParam);
}

BOOL IsDialogMessageW(HWND dialog, LPMSG msg) { return msg && host().dialogs().isDialogMessage(dialog, *msg); }

HWND GetDlgItem(HWND dialog, int id)
{
    Window* d = win(dialog);
    if (!d) return nullptr;
    for (Window* c : d->children) {
        if (c->id == id) return c->handle;
    }
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return nullptr;
}

int GetDlgCtrlID(HWND hwnd)
{
    Window* w = win(hwnd);
    return w && w->isChild() ? static_cast<int>(w->id) : 0;
}

LRESULT SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? host().send(control, message, wParam, lParam) : 0;
}

BOOL SetDlgItemTextW(HWND dialog, int id, LPCWSTR text)
{
    HWND control = GetDlgItem(dialog, id);
    return control ? SetWindowTextW(control, text) : FALSE;
}

UINT GetDlgItemTextW(HWND dialog, int id, LPWSTR buffer, int size)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control) {
        if (buffer && size > 0) buffer[0] = 0;
        return 0;
    }
    return static_cast<UINT>(GetWindowTextW(control, buffer, size));
}

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous)
{
    return win(dialog) ? host().dialogs().nextTabItem(dialog, control, previous != FALSE) : nullptr;
}

HWND GetNextDlgGroupItem(HWND dialog, HWND control, BOOL previous)
{
    return win(dialog) ? host().dialogs().nextGroupItem(dialog, control, previous != FALSE) : nullptr;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) { return rect && host().dialogs().mapDialogRect(dialog, *rect); }

LONG GetDialogBaseUnits()
{
    return MAKELONG(quarrow::SystemMetrics::kSystemBaseX, quarrow::SystemMetrics::kSystemBaseY);
}

int MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type)
{
    return host().dialogs().messageBox(owner, text, caption, type);
}

// ---------------------------------------------------------------------------
// Layered windows

BOOL UpdateLayeredWindow(HWND hwnd, HDC, POINT* destPoint, SIZE* size, HDC sourceDc, POINT* sourcePoint, COLORREF key,
                         BLENDFUNCTION* blend, DWORD flags)
{
    Window* w = win(hwnd);
    return w && host().updateLayeredWindow(*w, destPoint, size, sourceDc, sourcePoint, key, blend, flags);
}

BOOL SetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags)
{
    Window* w = win(hwnd);
    return w && host().setLayeredAttributes(*w, key, alpha, flags);
}

BOOL GetLayeredWindowAttributes(HWND hwnd, COLORREF* key, BYTE* alpha, DWORD* flags)
{
    Window* w = win(hwnd);
    if (!w || w->layer != Window::Layer::Attributes) {
        if (w) SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if (key) *key = w->layerKey;
    if (alpha) *alpha = w->layerAlpha;
    if (flags) *flags = w->layerFlags;
    return TRUE;
}

// ---------------------------------------------------------------------------
// System metrics, parameters and monitors

int GetSystemMetrics(int index)
{
    using quarrow::SystemMetrics;
    const SIZE screen = host().backend().screenSize();
    const RECT work = host().backend().workArea();
    switch (index) {
    case SM_CXSCREEN:
    case SM_CXVIRTUALSCREEN:
        return screen.cx;
    case SM_CYSCREEN:
    case SM_CYVIRTUALSCREEN:
        return screen.cy;
    case SM_XVIRTUALSCREEN:
    case SM_YVIRTUALSCREEN:
        return 0;
    case SM_CXFULLSCREEN:
        return work.right - work.left;
    case SM_CYFULLSCREEN:
        return work.bottom - work.top - SystemMetrics::kCaptionHeight;
    case SM_CXMAXIMIZED:
        return work.right - work.left;
    case SM_CYMAXIMIZED:
        return work.bottom - work.top;
    case SM_CYCAPTION:
        return SystemMetrics::kCaptionHeight;
    case SM_CXBORDER:
    case SM_CYBORDER:
        return SystemMetrics::kBorder;
    case SM_CXDLGFRAME:
    case SM_CYDLGFRAME:
        return SystemMetrics::kDialogFrame;
    case SM_CXFRAME:
    case SM_CYFRAME:
        return SystemMetrics::kSizingFrame;
    case SM_CXEDGE:
    case SM_CYEDGE:
        return SystemMetrics::kEdge;
    case SM_CXICON:
    case SM_CYICON:
    case SM_CXCURSOR:
    case SM_CYCURSOR:
        return SystemMetrics::kIcon;
    case SM_CXSMICON:
    case SM_CYSMICON:
        return SystemMetrics::kSmallIcon;
    case SM_CXVSCROLL:
    case SM_CYHSCROLL:
        return 17;
    case SM_CYMENU:
        return 20;
    case SM_CXMIN:
    case SM_CXMINTRACK:
        return 136;
    case SM_CYMIN:
    case SM_CYMINTRACK:
        return 39;
    case SM_CXSIZE:
        return 36;
    case SM_CYSIZE:
        return 22;
    case SM_CXMINIMIZED:
        return SystemMetrics::kMinimizedWidth;
    case SM_CYMINIMIZED:
        return SystemMetrics::kMinimizedHeight;
    case SM_CXDOUBLECLK:
    case SM_CYDOUBLECLK:
    case SM_CXDRAG:
    case SM_CYDRAG:
        return 4;
    case SM_MOUSEPRESENT:
    case SM_CMONITORS:
        return 1;
    case SM_SWAPBUTTON:
    case SM_CXPADDEDBORDER:
        return 0;
    default:
        return 0;
    }
}

BOOL SystemParametersInfoW(UINT action, UINT, PVOID pvParam, UINT)
{
    if (action == SPI_GETWORKAREA && pvParam) {
        *static_cast<RECT*>(pvParam) = host().backend().workArea();
        return TRUE;
    }
    if (action == SPI_GETICONTITLELOGFONT && pvParam) {
        LOGFONTW lf{};
        lf.lfHeight = -12;
        lf.lfWeight = FW_NORMAL;
        const char16_t face[] = u"MS Shell Dlg";
        std::copy(std::begin(face), std::end(face), lf.lfFaceName);
        *static_cast<LOGFONTW*>(pvParam) = lf;
        return TRUE;
    }
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
}

namespace {

// The one monitor every backend has so far.
const HMONITOR kPrimaryMonitor = reinterpret_cast<HMONITOR>(static_cast<ULONG_PTR>(0x00010001));

HMONITOR monitorFor(const RECT& r, DWORD flags)
{
    const SIZE s = host().backend().screenSize();
    const bool onScreen = r.right > 0 && r.bottom > 0 && r.left < s.cx && r.top < s.cy;
    if (!onScreen && flags == MONITOR_DEFAULTTONULL) return nullptr;
    return kPrimaryMonitor;
}

} // namespace

HMONITOR MonitorFromWindow(HWND hwnd, DWORD flags)
{
    Window* w = win(hwnd);
    if (!w) return flags == MONITOR_DEFAULTTONULL ? nullptr : kPrimaryMonitor;
    return monitorFor(w->iconic() ? w->normalRect : rectOf(*w), flags);
}

HMONITOR MonitorFromPoint(POINT point, DWORD flags) { return monitorFor(RECT{point.x, point.y, point.x + 1, point.y + 1}, flags); }

HMONITOR MonitorFromRect(LPCRECT rect, DWORD flags) { return rect ? monitorFor(*rect, flags) : nullptr; }

BOOL GetMonitorInfoW(HMONITOR monitor, LPMONITORINFO info)
{
    if (monitor != kPrimaryMonitor || !info || info->cbSize < sizeof(MONITORINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    const SIZE s = host().backend().screenSize();
    info->rcMonitor = RECT{0, 0, s.cx, s.cy};
    info->rcWork = host().backend().workArea();
    info->dwFlags = MONITORINFOF_PRIMARY;
    return TRUE;
}

// ---------------------------------------------------------------------------
// Rectangles

BOOL SetRect(LPRECT rect, int left, int top, int right, int bottom)
{
    if (!rect) return FALSE;
    *rect = RECT{left, top, right, bottom};
    return TRUE;
}

BOOL SetRectEmpty(LPRECT rect) { return SetRect(rect, 0, 0, 0, 0); }

BOOL CopyRect(LPRECT dest, const RECT* source)
{
    if (!dest || !source) return FALSE;
    *dest = *source;
    return TRUE;
}

BOOL IsRectEmpty(const RECT* rect) { return !rect || rect->right <= rect->left || rect->bottom <= rect->top; }

BOOL EqualRect(const RECT* a, const RECT* b)
{
    return a && b && a->left == b->left && a->top == b->top && a->right == b->right && a->bottom == b->bottom;
}

BOOL PtInRect(const RECT* rect, POINT p)
{
    return rect && p.x >= rect->left && p.x < rect->right && p.y >= rect->top && p.y < rect->bottom;
}

BOOL OffsetRect(LPRECT rect, int dx, int dy)
{
    if (!rect) return FALSE;
    rect->left += dx;
    rect->right += dx;
    rect->top += dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL InflateRect(LPRECT rect, int dx, int dy)
{
    if (!rect) return FALSE;
    rect->left -= dx;
    rect->right += dx;
    rect->top -= dy;
    rect->bottom += dy;
    return TRUE;
}

BOOL IntersectRect(LPRECT dest, const RECT* a, const RECT* b)
{
    if (!dest || !a || !b) return FALSE;
    RECT r{std::max(a->left, b->left), std::max(a->top, b->top), std::min(a->right, b->right),
           std::min(a->bottom, b->bottom)};
    if (r.right <= r.left || r.bottom <= r.top) {
        *dest = RECT{0, 0, 0, 0};
        return FALSE;
    }
    *dest = r;
    return TRUE;
}

BOOL UnionRect(LPRECT dest, const RECT* a, const RECT* b)
{
    if (!dest || !a || !b) return FALSE;
    if (IsRectEmpty(a)) return CopyRect(dest, b) && !IsRectEmpty(b);
    if (IsRectEmpty(b)) return CopyRect(dest, a);
    *dest = RECT{std::min(a->left, b->left), std::min(a->top, b->top), std::max(a->right, b->right),
                 std::max(a->bottom, b->bottom)};
    return TRUE;
}

BOOL SubtractRect(LPRECT dest, const RECT* a, const RECT* b)
{
    if (!dest || !a || !b) return FALSE;
    RECT r = *a;
    RECT i;
    if (IntersectRect(&i, a, b)) {
        // Only a cut that removes a whole side leaves a rectangle.
        if (i.top == r.top && i.bottom == r.bottom) {
            if (i.left == r.left) r.left = i.right;
            else if (i.right == r.right) r.right = i.left;
        } else if (i.left == r.left && i.right == r.right) {
            if (i.top == r.top) r.top = i.bottom;
            else if (i.bottom == r.bottom) r.bottom = i.top;
        }
    }
    *dest = r;
    return !IsRectEmpty(&r);
}
