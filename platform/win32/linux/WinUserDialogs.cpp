// Dialogs and message boxes: modeless and modal dialogs from templates
// (CreateDialogIndirectParamW, DialogBoxParamW...), EndDialog, the default
// dialog procedure and IsDialogMessageW, the dialog item functions
// (GetDlgItem, SetDlgItemTextW, GetNextDlgTabItem...), dialog units and
// MessageBoxW, all routed to the dialog manager (host/DialogManager.h).
#include "win32/WinUser.h"

#include "host/DialogManager.h"
#include "host/SystemMetrics.h"
#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::win;

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
