#include "MiniWindowManager.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <glib-unix.h>

namespace quarrow::test {

namespace {

bool g_otherManager = false;

int noteOtherManager(Display*, XErrorEvent* e)
{
    if (e->error_code == BadAccess) g_otherManager = true;
    return 0;
}

int ignoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

MiniWindowManager::~MiniWindowManager()
{
    if (m_source) g_source_remove(m_source);
    if (m_display) XCloseDisplay(m_display);
}

bool MiniWindowManager::start(std::string& error)
{
    m_display = XOpenDisplay(nullptr);
    if (!m_display) {
        error = "the window manager cannot reach the X server";
        return false;
    }
    const ::Window root = DefaultRootWindow(m_display);
    g_otherManager = false;
    XErrorHandler old = XSetErrorHandler(noteOtherManager);
    XSelectInput(m_display, root, SubstructureRedirectMask | SubstructureNotifyMask);
    XSync(m_display, False);
    XSetErrorHandler(old);
    if (g_otherManager) {
        error = "another window manager runs on the test server";
        return false;
    }
    m_selectionWindow = XCreateSimpleWindow(m_display, root, -10, -10, 1, 1, 0, 0, 0);
    XSetSelectionOwner(m_display, XInternAtom(m_display, "WM_S0", False), m_selectionWindow, CurrentTime);
    XSync(m_display, False);
    m_source = g_unix_fd_add(
        ConnectionNumber(m_display), G_IO_IN,
        [](int, GIOCondition, gpointer self) {
            static_cast<MiniWindowManager*>(self)->service();
            return gboolean(G_SOURCE_CONTINUE);
        },
        this);
    return true;
}

void MiniWindowManager::setState(unsigned long window, long state)
{
    const long data[2] = {state, None};
    const Atom wmState = XInternAtom(m_display, "WM_STATE", False);
    XChangeProperty(m_display, window, wmState, wmState, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(data), 2);
}

void MiniWindowManager::minimise(unsigned long window)
{
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    setState(window, IconicState);
    XUnmapWindow(m_display, window);
    XSync(m_display, False);
    XSetErrorHandler(old);
}

void MiniWindowManager::restore(unsigned long window)
{
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    setState(window, NormalState);
    XMapWindow(m_display, window);
    XSync(m_display, False);
    XSetErrorHandler(old);
}

void MiniWindowManager::close(unsigned long window)
{
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = window;
    e.xclient.message_type = XInternAtom(m_display, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(XInternAtom(m_display, "WM_DELETE_WINDOW", False));
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(m_display, window, False, NoEventMask, &e);
    XFlush(m_display);
}

void MiniWindowManager::service()
{
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    const Atom changeState = XInternAtom(m_display, "WM_CHANGE_STATE", False);
    while (XPending(m_display)) {
        XEvent e;
        XNextEvent(m_display, &e);
        switch (e.type) {
        case MapRequest:
            setState(e.xmaprequest.window, NormalState);
            XMapWindow(m_display, e.xmaprequest.window);
            break;
        case ConfigureRequest: {
            const XConfigureRequestEvent& r = e.xconfigurerequest;
            XWindowChanges c{};
            c.x = r.x;
            c.y = r.y;
            c.width = r.width;
            c.height = r.height;
            c.border_width = r.border_width;
            c.sibling = r.above;
            c.stack_mode = r.detail;
            XConfigureWindow(m_display, r.window, static_cast<unsigned>(r.value_mask), &c);
            break;
        }
        case ClientMessage:
            if (e.xclient.message_type == changeState && e.xclient.data.l[0] == IconicState) {
                setState(e.xclient.window, IconicState);
                XUnmapWindow(m_display, e.xclient.window);
            }
            break;
        default:
            break;
        }
    }
    XSetErrorHandler(old);
}

} // namespace quarrow::test
