// What the WebKitGTK engines of one screen share: the web context (its
// web and network processes, kept in memory only, since the program keeps
// no files of its own), the launcher's end of the private channel to the
// web-process extension (host/browser/webkit/ExtensionServer.h), and the
// engines that live now, found by their page when the extension speaks for
// one.
//
// The extension (target quarrow_webext, file quarrow-webext.so) is loaded
// by every web process from the extension directory: by default the folder
// "web-extension" beside the running executable, where the build and the
// installation put it (quarrow_place_webkit_extension in CMake). A web
// process loads every module in that folder, so it holds the extension
// alone: never the program's own engine module, which sits beside the
// executable and would be loaded into every web process too.
//
// Ownership: whoever runs the program (GtkMain.cpp, a test) owns the
// session; it must outlive every engine it made, and it outlives the window
// system's use of its factory. Destroying it destroys what is left of the
// engines' views and the web context, which ends WebKit's processes.
#pragma once

#include "host/browser/BrowserEngine.h"
#include "host/browser/webkit/ExtensionServer.h"

#include <functional>
#include <string>
#include <vector>

typedef struct _WebKitWebContext WebKitWebContext;
typedef struct _WebKitSettings WebKitSettings;
typedef struct _GtkWidget GtkWidget;

namespace quarrow {

class GtkBackend;
class WebKitEngine;

class WebKitSession final : private ExtensionServer::Handler {
public:
    // The file name the extension has in its directory.
    static constexpr const char* kExtensionFile = "quarrow-webext.so";
    static constexpr const char* kExtensionFolder = "web-extension";

    // `extensionDirectory` empty: kExtensionFolder beside the running
    // executable.
    explicit WebKitSession(GtkBackend& backend, const std::string& extensionDirectory = {});
    ~WebKitSession();
    WebKitSession(const WebKitSession&) = delete;
    WebKitSession& operator=(const WebKitSession&) = delete;

    // Makes a WebKitEngine of this session for each new WebBrowser control.
    BrowserEngineFactory engineFactory();

    GtkBackend& backend() const { return m_backend; }
    WebKitWebContext* context() const { return m_context; }
    // The settings every view of the session shows its pages with.
    WebKitSettings* settings() const { return m_settings; }
    const std::string& extensionDirectory() const { return m_extensionDirectory; }
    // Web processes whose extension has reached the launcher.
    size_t extensionConnections() const { return m_server.authenticatedConnections(); }
    const ExtensionServer& extensionServer() const { return m_server; }

    // Without its extension a web process shows pages but never tells the
    // launcher where they go, so no login can be handed off.
    enum class ExtensionProblem {
        None,
        Missing,     // the file is not in the extension directory
        Unreachable, // a page was shown, and no web process's extension had reached the launcher
    };
    ExtensionProblem extensionProblem() const { return m_extensionProblem; }
    // The extension's file, and one line (no newline) saying what is wrong.
    std::string extensionPath() const;
    const std::string& extensionProblemText() const { return m_extensionProblemText; }
    // `handler` runs once, from the main loop (never inside a signal of
    // WebKit's), when the extension turns out to be unreachable.
    void whenExtensionUnreachable(std::function<void()> handler);

    // ---- for WebKitEngine
    void add(WebKitEngine& engine);
    void remove(WebKitEngine& engine);
    // Takes over a view an engine no longer shows and destroys it once
    // the signal that may be running on it has returned.
    void retire(GtkWidget* view);

private:
    ExtensionMessage answer(const ExtensionMessage& request) override;
    WebKitEngine* engineOf(uint64_t page) const;
    static int destroyRetired(void* self);
    static void onViewLoadChanged(void* view, int event, void* self);
    static int runUnreachableHandler(void* self);

    GtkBackend& m_backend;
    ExtensionServer m_server;
    std::string m_extensionDirectory;
    WebKitWebContext* m_context = nullptr;
    WebKitSettings* m_settings = nullptr;
    std::vector<WebKitEngine*> m_engines;
    std::vector<GtkWidget*> m_retired;
    unsigned m_retireSource = 0;
    ExtensionProblem m_extensionProblem = ExtensionProblem::None;
    std::string m_extensionProblemText;
    std::function<void()> m_unreachableHandler;
    unsigned m_unreachableSource = 0;
};

} // namespace quarrow
