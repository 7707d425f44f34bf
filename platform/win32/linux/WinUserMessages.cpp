// Messages and the thread's queue: SendMessageW, PostMessageW,
// PostQuitMessage, GetMessageW, PeekMessageW, WaitMessage, TranslateMessage,
// DispatchMessageW, the default and chained window procedures, the current
// message's position and time, and the windows hooks (SetWindowsHookExW,
// UnhookWindowsHookEx, CallNextHookEx).
#include "win32/WinUser.h"

#include "host/DefaultProcedure.h"
#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::win;

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
// Hooks

HHOOK SetWindowsHookExW(int idHook, HOOKPROC proc, HINSTANCE module, DWORD threadId)
{
    if (module == nullptr && threadId == 0) {
        SetLastError(ERROR_HOOK_NEEDS_HMOD);
        return nullptr;
    }
    return host().setHook(idHook, proc);
}
BOOL UnhookWindowsHookEx(HHOOK hook) { return host().unhook(hook); }
LRESULT CallNextHookEx(HHOOK hook, int code, WPARAM wParam, LPARAM lParam)
{
    return host().callNextHook(hook, code, wParam, lParam);
}
