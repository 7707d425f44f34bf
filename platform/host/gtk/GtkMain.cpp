// The program's entry point on the real screen, in its own library
// (quarrow_gtk_main) so that a program links it instead of the memory
// screen's quarrow_afx_main: it opens the X display through the GTK
// backend, makes the window system over it, gives the window system
// WebKitGTK engines for its WebBrowser controls, and runs the application
// (AfxWinMain). Without a display it says so in one line and fails.
//
// An installation without the web-process extension (missing, or not
// loadable by WebKit's web processes) could show the portal but never hand
// a login off: the program says so and ends with a failure status
// (host/browser/webkit/IncompleteInstallation.h).
//
// Ownership and order: the backend outlives the web session, which
// outlives the window system, so every control (and its engine) is gone
// before the session ends WebKit's processes, and the session's views are
// gone before the screen closes.
#include "afx/CWinApp.h"
#include "host/Host.h"
#include "host/StandardDescriptors.h"
#include "host/browser/webkit/IncompleteInstallation.h"
#include "host/browser/webkit/WebKitSession.h"
#include "host/gtk/GtkBackend.h"
#include "win32/WinUser.h"

#include <cstdio>
#include <memory>
#include <string>

int main()
{
    // Before the first file of the program's own is opened.
    quarrow::OpenMissingStandardDescriptors();
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
        if (web.extensionProblem() != quarrow::WebKitSession::ExtensionProblem::None) {
            quarrow::IncompleteInstallation::report(web);
            return quarrow::IncompleteInstallation::kExitStatus;
        }
        bool incomplete = false;
        web.whenExtensionUnreachable([&incomplete, &web] {
            incomplete = true;
            quarrow::IncompleteInstallation::report(web);
            ::PostQuitMessage(quarrow::IncompleteInstallation::kExitStatus);
        });
        host.setBrowserEngineFactory(web.engineFactory());
        result = AfxWinMain();
        if (incomplete) result = quarrow::IncompleteInstallation::kExitStatus;
    }
    return result;
}
