// Internal to the window manager functions (WinUser*.cpp): the helpers that
// several of those sources share. Each function of win32/WinUser.h routes to
// the active window system (host/Host.h), which owns every window; these
// helpers only find it and look handles up in it.
#pragma once

#include "host/Host.h"
#include "win32/WinUser.h"

namespace quarrow::detail {

constexpr DWORD kErrorInvalidIndex = 1413;

inline Host& host() { return Host::current(); }

inline Window* win(HWND hwnd) { return host().checked(hwnd); }

inline RECT rectOf(const Window& w) { return host().screenRect(w); }

} // namespace quarrow::detail
