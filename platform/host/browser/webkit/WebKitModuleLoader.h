// Loads the WebKitGTK engine module (host/browser/webkit/WebKitModule.h)
// from the program's own directory, never from anywhere else, and opens it
// over the program's screen. Part of the program (quarrow_gtk_main), which
// does not link WebKitGTK itself.
#pragma once

#include "host/browser/webkit/WebKitModule.h"

#include <memory>
#include <string>

namespace quarrow {

class WebKitModuleLoader {
public:
    // The module of `directory` (the running executable's when empty),
    // opened over `backend`; null with `error` set to one line a user can
    // read when the file is missing (then `missing` is set), does not load,
    // or does not open.
    static std::unique_ptr<WebKitModule> load(GtkBackend& backend, std::string& error, bool& missing,
                                              const std::string& directory = {});
};

} // namespace quarrow
