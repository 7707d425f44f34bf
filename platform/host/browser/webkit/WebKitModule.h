// The WebKitGTK engine as a module of its own (quarrow-webkit.so, target
// quarrow_webkit_engine), which the program loads once its windows are on
// screen: linking WebKitGTK into the program itself would make the dynamic
// loader load and relocate WebKit and its libraries before main() runs,
// about a tenth of a second of the start-up on a small machine, before any
// window can show. The module holds the web session (WebKitSession) and
// makes its engines; the program reaches it only through this interface
// (host/browser/webkit/WebKitModuleLoader.h loads it).
//
// The module is built from the engine's own sources and takes everything
// else (the window system, the GTK backend, the Win32 layer) from the
// program, which exports its symbols for it (--export-dynamic).
//
// Ownership: the loader's caller owns the module object; destroying it ends
// the web session (and WebKit's processes). Every engine it made must be
// gone by then. The module's code stays loaded until the process ends.
#pragma once

#include "host/browser/BrowserEngine.h"

#include <functional>
#include <string>

namespace quarrow {

class GtkBackend;

class WebKitModule {
public:
    // The module's file, beside the program.
    static constexpr const char* kFile = "quarrow-webkit.so";
    // Its one exported function, of type Open.
    static constexpr const char* kOpenSymbol = "quarrow_webkit_module_open";
    // Makes the web session over `backend` (whose display the web views
    // show on); null when it cannot.
    using Open = WebKitModule* (*)(GtkBackend& backend);

    virtual ~WebKitModule() = default;
    // Makes a WebKitGTK engine for each new WebBrowser control.
    virtual BrowserEngineFactory engineFactory() = 0;

    // What is wrong with the web-process extension, in one line without a
    // newline; empty when nothing is known to be. `missing` says whether
    // the file is not there at all (otherwise no web process could load it).
    virtual std::string extensionProblem(bool& missing) const = 0;
    // `handler` runs once, from the main loop, when a page has been shown
    // and no web process's extension has reached the launcher.
    virtual void whenExtensionUnreachable(std::function<void()> handler) = 0;
};

} // namespace quarrow
