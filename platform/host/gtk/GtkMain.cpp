// The program's entry point on the real screen, in its own library
// (quarrow_gtk_main) so that a program links it instead of the memory
// screen's quarrow_afx_main: it opens the X display through the GTK
// backend, makes the window system over it, gives the window system
// WebKitGTK engines for its WebBrowser controls, and runs the application
// (AfxWinMain). Without a display it says so in one line and fails.
//
// Ownership and order: the backend outlives the web session, which
// outlives the window system, so every control (and its engine) is gone
// before the session ends WebKit's processes, and the session's views are
// gone before the screen closes.
#include "afx/CWinApp.h"
#include "host/Host.h"
#include "host/browser/webkit/WebKitSession.h"
#include "host/gtk/GtkBackend.h"

#include <cstdio>
#include <memory>
#include <string>

int main()
{
    std::string error;
    std::unique_ptr<quarrow::GtkBackend> screen = quarrow::GtkBackend::open("", error);
    if (!screen) {
        std::fprintf(stderr, "quarrow-launcher: %s; this program needs an X11 screen\n", error.c_str());
        return 1;
    }
    int result = 0;
    {
        quarrow::WebKitSession web(*screen);
        quarrow::Host host(*screen);
        host.setBrowserEngineFactory(web.engineFactory());
        result = AfxWinMain();
    }
    return result;
}
