// The GTK tests' own view of the X server, through a connection of their
// own (not the backend's): what the screen shows (root window pixels),
// where X windows are, their properties, input focus, real input through
// the XTest extension, and plain X windows that belong to no one but the
// test (to stand for "what lies beneath" a window of ours).
#pragma once

#include "win32/WinGdi.h"

#include <optional>
#include <string>
#include <vector>

typedef struct _XDisplay Display;

namespace quarrow::test {

// An X window id (the header keeps Xlib's macros out of the tests).
using XWindow = unsigned long;

// A button press that reached a window of the test's own.
struct ForeignPress {
    XWindow window = 0;
    int x = 0, y = 0; // in the window
    unsigned button = 0;
};

class ScreenProbe {
public:
    ScreenProbe();
    ~ScreenProbe();
    ScreenProbe(const ScreenProbe&) = delete;
    ScreenProbe& operator=(const ScreenProbe&) = delete;

    bool connected() const { return m_display != nullptr; }
    Display* display() const { return m_display; }
    XWindow root() const { return m_root; }

    // The root window shows this colour where no window covers it, for X
    // and for a compositing manager (the root pixmap property).
    void setDesktopColour(COLORREF colour);

    // What the screen shows at a point.
    COLORREF pixel(int x, int y);

    // Where an X window is on the screen and its size; nothing when it does
    // not exist.
    std::optional<RECT> geometry(XWindow window);
    // X's IsUnmapped (0), IsUnviewable (1) or IsViewable (2); -1 when it
    // does not exist.
    int mapState(XWindow window);
    XWindow inputFocus();

    // A property's items (format 32 as longs, format 8 as bytes).
    std::vector<long> longProperty(XWindow window, const char* name);
    std::string textProperty(XWindow window, const char* name);
    unsigned long atom(const char* name);

    // Real input, as a user's mouse and keyboard make it.
    void moveTo(int x, int y);
    void button(int number, bool down);
    void click(int x, int y, int number = 1);
    void key(unsigned long keysym, bool down);
    void tap(unsigned long keysym);

    // A plain window of the test's own, mapped, that records presses.
    XWindow createForeign(RECT r, COLORREF colour);
    // The next button press on a foreign window, if one has arrived.
    std::optional<ForeignPress> takePress(XWindow window);

    void sync();

private:
    Display* m_display = nullptr;
    XWindow m_root = 0;
    unsigned long m_rootPixmap = 0;
    std::vector<ForeignPress> m_presses;
};

} // namespace quarrow::test
