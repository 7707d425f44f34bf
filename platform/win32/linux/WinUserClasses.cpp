// Window classes: RegisterClassExW, RegisterClassW, UnregisterClassW, the
// class queries (GetClassInfoExW, GetClassInfoW, GetClassNameW) and the class
// data (GetClassLongPtrW, SetClassLongPtrW). The classes themselves live in
// the window system (host/Host.h).
#include "win32/WinUser.h"

#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

#include <algorithm>

using quarrow::Host;
using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::kErrorInvalidIndex;
using quarrow::detail::win;

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
