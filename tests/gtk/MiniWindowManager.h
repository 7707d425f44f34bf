// A window manager small enough to read, for the tests of what the GTK
// backend does with one: it maps and configures windows as asked, owns the
// ICCCM WM_S0 selection (so the backend knows a window manager runs),
// iconifies a window that asks for it (WM_CHANGE_STATE) by unmapping it,
// and acts as the taskbar would: minimise, restore and close a window on
// the user's behalf. It works on a connection of its own, serviced from the
// GLib main loop the window system waits in, so the test needs no thread.
#pragma once

#include <string>

typedef struct _XDisplay Display;

namespace quarrow::test {

class MiniWindowManager {
public:
    MiniWindowManager() = default;
    ~MiniWindowManager();
    MiniWindowManager(const MiniWindowManager&) = delete;
    MiniWindowManager& operator=(const MiniWindowManager&) = delete;

    // False with `error` set when another window manager runs or the
    // server cannot be reached.
    bool start(std::string& error);

    // What a taskbar does for the user.
    void minimise(unsigned long window);
    void restore(unsigned long window);
    void close(unsigned long window);

    // Handles every request that has arrived.
    void service();

private:
    void setState(unsigned long window, long state);

    Display* m_display = nullptr;
    unsigned long m_selectionWindow = 0;
    unsigned m_source = 0;
};

} // namespace quarrow::test
