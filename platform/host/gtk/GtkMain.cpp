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
// then load the pages asked for meanwhile.
//
// An installation without the engine module or the web-process extension
// (missing, or not loadable) could not show the portal or never hand a
// login off: the program says so and ends with a failure status
// (host/browser/webkit/IncompleteInstallation.h).
//
// Ownership and order: the backend outlives the web module, which outlives
// the stand-ins' owner, which outlives the window system, so every control
// (and its engine) is gone before the module's session ends WebKit's
// processes, and the session's views are gone before the screen closes.
#include "afx/CWinApp.h"
#include "host/Host.h"
#include "host/StandardDescriptors.h"
#include "host/browser/DeferredEngines.h"
#include "host/browser/webkit/IncompleteInstallation.h"
#include "host/browser/webkit/WebKitModuleLoader.h"
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
        // Set when the installation turns out to be incomplete; the windows
        // are then ending through WM_QUIT. Declared first, so that it
        // outlives the session whose handler may call it.
        bool incomplete = false;
        auto giveUp = [&incomplete](const char16_t* component, bool missing, const std::string& problem) {
            incomplete = true;
            quarrow::IncompleteInstallation::report(component, missing, problem);
            ::PostQuitMessage(quarrow::IncompleteInstallation::kExitStatus);
        };
        std::unique_ptr<quarrow::WebKitModule> web;
        quarrow::DeferredEngines engines;
        quarrow::Host host(*screen);
        host.setBrowserEngineFactory(engines.factory());
        screen->whenPresented([&] {
            std::string why;
            bool missing = false;
            web = quarrow::WebKitModuleLoader::load(*screen, why, missing);
            if (!web) {
                engines.start(quarrow::BrowserEngineFactory());
                giveUp(quarrow::IncompleteInstallation::kEngineModule, missing, why);
                return;
            }
            const std::string problem = web->extensionProblem(missing);
            if (!problem.empty()) {
                engines.start(quarrow::BrowserEngineFactory());
                giveUp(quarrow::IncompleteInstallation::kExtension, missing, problem);
                return;
            }
            web->whenExtensionUnreachable([&] {
                bool notThere = false;
                giveUp(quarrow::IncompleteInstallation::kExtension, false, web->extensionProblem(notThere));
            });
            engines.start(web->engineFactory());
        });
        result = AfxWinMain();
        if (incomplete) result = quarrow::IncompleteInstallation::kExitStatus;
    }
    return result;
}
