#include "ScreenProbe.h"

#include <X11/Xlib.h>

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <algorithm>

namespace quarrow::test {

namespace {

unsigned long pixelOf(COLORREF c)
{
    return static_cast<unsigned long>(GetRValue(c)) << 16 | static_cast<unsigned long>(GetGValue(c)) << 8 |
           GetBValue(c);
}

// A window that may be gone by now must not end the test program.
int ignoreErrors(Display*, XErrorEvent*) { return 0; }

} // namespace

ScreenProbe::ScreenProbe()
{
    m_display = XOpenDisplay(nullptr);
    if (m_display) m_root = DefaultRootWindow(m_display);
}

ScreenProbe::~ScreenProbe()
{
    if (!m_display) return;
    if (m_rootPixmap) {
        XDeleteProperty(m_display, m_root, atom("_XROOTPMAP_ID"));
        XFreePixmap(m_display, m_rootPixmap);
    }
    XCloseDisplay(m_display);
}

unsigned long ScreenProbe::atom(const char* name) { return XInternAtom(m_display, name, False); }

void ScreenProbe::sync() { XSync(m_display, False); }

void ScreenProbe::setDesktopColour(COLORREF colour)
{
    XSetWindowBackground(m_display, m_root, pixelOf(colour));
    XClearWindow(m_display, m_root);
    // A compositing manager paints the desktop from the root pixmap.
    if (!m_rootPixmap) m_rootPixmap = XCreatePixmap(m_display, m_root, 8, 8, DefaultDepth(m_display, 0));
    GC gc = XCreateGC(m_display, m_rootPixmap, 0, nullptr);
    XSetForeground(m_display, gc, pixelOf(colour));
    XFillRectangle(m_display, m_rootPixmap, gc, 0, 0, 8, 8);
    XFreeGC(m_display, gc);
    const long id = static_cast<long>(m_rootPixmap);
    XChangeProperty(m_display, m_root, atom("_XROOTPMAP_ID"), XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&id), 1);
    XSync(m_display, False);
}

COLORREF ScreenProbe::pixel(int x, int y)
{
    XImage* image = XGetImage(m_display, m_root, x, y, 1, 1, AllPlanes, ZPixmap);
    if (!image) return CLR_INVALID;
    const unsigned long p = XGetPixel(image, 0, 0);
    XDestroyImage(image);
    return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
}

std::optional<RECT> ScreenProbe::geometry(XWindow window)
{
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    XWindowAttributes a{};
    const Status ok = XGetWindowAttributes(m_display, window, &a);
    int x = 0, y = 0;
    ::Window child = 0;
    const bool translated = ok && XTranslateCoordinates(m_display, window, m_root, 0, 0, &x, &y, &child);
    XSync(m_display, False);
    XSetErrorHandler(old);
    if (!ok || !translated) return std::nullopt;
    return RECT{x, y, x + a.width, y + a.height};
}

int ScreenProbe::mapState(XWindow window)
{
    XErrorHandler old = XSetErrorHandler(ignoreErrors);
    XWindowAttributes a{};
    const Status ok = XGetWindowAttributes(m_display, window, &a);
    XSync(m_display, False);
    XSetErrorHandler(old);
    return ok ? a.map_state : -1;
}

XWindow ScreenProbe::inputFocus()
{
    ::Window focus = 0;
    int revert = 0;
    XGetInputFocus(m_display, &focus, &revert);
    return focus;
}

std::vector<long> ScreenProbe::longProperty(XWindow window, const char* name)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::vector<long> out;
    if (XGetWindowProperty(m_display, window, atom(name), 0, 1 << 20, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 32) {
        const long* items = reinterpret_cast<const long*>(data);
        out.assign(items, items + count);
    }
    if (data) XFree(data);
    return out;
}

std::string ScreenProbe::textProperty(XWindow window, const char* name)
{
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    std::string out;
    if (XGetWindowProperty(m_display, window, atom(name), 0, 1 << 16, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data && format == 8) {
        out.assign(reinterpret_cast<const char*>(data), count);
    }
    if (data) XFree(data);
    return out;
}

void ScreenProbe::moveTo(int x, int y)
{
    XTestFakeMotionEvent(m_display, DefaultScreen(m_display), x, y, CurrentTime);
    XFlush(m_display);
}

void ScreenProbe::button(int number, bool down)
{
    XTestFakeButtonEvent(m_display, static_cast<unsigned>(number), down, CurrentTime);
    XFlush(m_display);
}

void ScreenProbe::click(int x, int y, int number)
{
    moveTo(x, y);
    button(number, true);
    button(number, false);
}

void ScreenProbe::key(unsigned long keysym, bool down)
{
    XTestFakeKeyEvent(m_display, XKeysymToKeycode(m_display, keysym), down, CurrentTime);
    XFlush(m_display);
}

void ScreenProbe::tap(unsigned long keysym)
{
    key(keysym, true);
    key(keysym, false);
}

XWindow ScreenProbe::createForeign(RECT r, COLORREF colour)
{
    const ::Window w = XCreateSimpleWindow(m_display, m_root, r.left, r.top, static_cast<unsigned>(r.right - r.left),
                                           static_cast<unsigned>(r.bottom - r.top), 0, 0, pixelOf(colour));
    // Placed exactly where asked, whatever runs on the screen.
    XSetWindowAttributes a{};
    a.override_redirect = True;
    XChangeWindowAttributes(m_display, w, CWOverrideRedirect, &a);
    XSelectInput(m_display, w, ButtonPressMask);
    XMapWindow(m_display, w);
    XSync(m_display, False);
    return w;
}

std::optional<ForeignPress> ScreenProbe::takePress(XWindow window)
{
    while (XPending(m_display)) {
        XEvent e;
        XNextEvent(m_display, &e);
        if (e.type == ButtonPress) {
            m_presses.push_back(ForeignPress{e.xbutton.window, e.xbutton.x, e.xbutton.y, e.xbutton.button});
        }
    }
    auto it = std::find_if(m_presses.begin(), m_presses.end(), [&](const ForeignPress& b) { return b.window == window; });
    if (it == m_presses.end()) return std::nullopt;
    ForeignPress b = *it;
    m_presses.erase(it);
    return b;
}

} // namespace quarrow::test
