// What the program does when its installation lacks one of its WebKit
// components beside it: the web engine module (quarrow-webkit.so, without
// which no page shows) or the web-process extension (quarrow-webext.so,
// host/browser/webkit/WebKitModule.h, extensionProblem, without which a page
// would show but no login could ever be handed to the game). The user is
// told in one message box under "Quarrow 微端" that the installation is
// incomplete, one line goes to standard error, and the program ends with
// kExitStatus.
//
// Used by the real screen's entry point (host/gtk/GtkMain.cpp); owns nothing.
#pragma once

#include <string>

namespace quarrow {

class IncompleteInstallation {
public:
    static constexpr int kExitStatus = 1;

    static constexpr const char16_t* kEngineModule = u"quarrow-webkit.so";
    static constexpr const char16_t* kExtension = u"quarrow-webext.so";

    // Says what is wrong with `component` (`problem`, one line; `missing`:
    // the file is not there, otherwise it cannot be loaded), on standard
    // error and in a message box, and returns once the user has closed the
    // box.
    static void report(const std::u16string& component, bool missing, const std::string& problem);
};

} // namespace quarrow
