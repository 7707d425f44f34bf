// Input state: keyboard focus, activation and the foreground window,
// mouse capture, the keyboard state (GetKeyState, GetAsyncKeyState) and the
// cursor (GetCursorPos, SetCursorPos, SetCursor).
#include "win32/WinUser.h"

#include "win32/linux/WinUserInternal.h"

using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::win;

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
