// The least that showing the launcher's skin can cost: the background PNG
// (resource IDB_BACKGROUND) decoded once with Gdiplus::Image, drawn once
// into a 32-bit bitmap and given to one layered window with
// UpdateLayeredWindow. The benchmarks set the launcher's start-up and
// memory against it.
//
// Owns the window, the image and the memory block it was decoded from, and
// gives all three back when destroyed. GDI+ must be started by the caller.
#pragma once

#include "win32/GdiPlus.h"
#include "win32/Windows.h"

class BareSkin {
public:
    // Decodes and shows the skin at (x, y); Shown() tells whether it is on
    // screen.
    BareSkin(int x, int y);
    ~BareSkin();
    BareSkin(const BareSkin&) = delete;
    BareSkin& operator=(const BareSkin&) = delete;

    bool Shown() const { return m_shown; }

private:
    HGLOBAL m_memory = nullptr;
    Gdiplus::Image* m_image = nullptr;
    HWND m_window = nullptr;
    bool m_shown = false;
};
