// What the program does when its installation lacks the web-process
// extension (host/browser/webkit/WebKitSession.h, extensionProblem): a page
// would show, but no login could ever be handed to the game. The user is
// told in one message box under "Quarrow 微端" that the installation is
// incomplete, one line goes to standard error, and the program ends with
// kExitStatus.
//
// Used by the real screen's entry point (host/gtk/GtkMain.cpp); owns nothing.
#pragma once

namespace quarrow {

class WebKitSession;

class IncompleteInstallation {
public:
    static constexpr int kExitStatus = 1;

    // Says what the session found wrong, on standard error and in a message
    // box, and returns once the user has closed the box.
    static void report(const WebKitSession& session);
};

} // namespace quarrow
