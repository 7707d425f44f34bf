// System metrics and parameters (GetSystemMetrics, SystemParametersInfoW)
// and the monitors (MonitorFromWindow, MonitorFromPoint, MonitorFromRect,
// GetMonitorInfoW): one primary monitor the size of the backend's screen.
#include "win32/WinUser.h"

#include "host/SystemMetrics.h"
#include "win32/ErrHandlingApi.h"
#include "win32/linux/WinUserInternal.h"

#include <algorithm>

using quarrow::Window;
using quarrow::detail::host;
using quarrow::detail::rectOf;
using quarrow::detail::win;

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
