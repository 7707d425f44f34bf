// The program's entry point on the real screen, in its own library
// (quarrow_gtk_main) so that a program links it instead of the memory
// screen's quarrow_afx_main: it opens the X display through the GTK
// backend, makes the window system over it, and runs the application
// (AfxWinMain). Without a display it says so in one line and fails.
//
// The skin comes first: the WebBrowser controls get stand-in engines
// (host/browser/DeferredEngines.h), and only once the window pair is on the
// screen does the program load the WebKitGTK engine module
// (host/browser/webkit/WebKitModule.h) and start the real engines, which
// then load the pages asked for meanwhile. A module that cannot be loaded
// is reported in one line; the windows stay, with empty browser panels.
//
// Ownership and order: the backend outlives the web module, which outlives
// the stand-ins' owner, which outlives the window system, so every control
// (and its engine) is gone before the module's session ends WebKit's
// processes, and the session's views are gone before the screen closes.
#include "afx/CWinApp.h"
#include "host/Host.h"
#include "host/browser/DeferredEngines.h"
#include "host/browser/webkit/WebKitModuleLoader.h"
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
        std::unique_ptr<quarrow::WebKitModule> web;
        quarrow::DeferredEngines engines;
        quarrow::Host host(*screen);
        host.setBrowserEngineFactory(engines.factory());
        screen->whenPresented([&] {
            std::string why;
            web = quarrow::WebKitModuleLoader::load(*screen, why);
            if (!web) std::fprintf(stderr, "quarrow-launcher: %s; no page can be shown\n", why.c_str());
            engines.start(web ? web->engineFactory() : quarrow::BrowserEngineFactory());
        });
        result = AfxWinMain();
    }
    return result;
}
