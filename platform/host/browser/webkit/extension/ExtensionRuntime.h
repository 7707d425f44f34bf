// The launcher's extension inside one WebKit web process: it watches the
// process's pages and frames and tells the launcher, over its
// LauncherChannel, what the engine cannot learn from the UI process:
//   - before-navigate: when a document's request (top frame or frame) is
//     about to be sent, with the frame's name;
//   - before-script-execute: when a frame's window object is made for a
//     new document (window-object-cleared of the page's script world),
//     before any of its scripts runs; window.external is set up then too;
//   - document-complete of frames: their window's load event, seen from a
//     script world of the extension's own that page script cannot touch;
//     a frame's beforeunload, seen from there too, names the frame when it
//     navigates on its own (its request then follows).
//
// Ownership: made once by the extension's entry point, it lives as long
// as the web process (which never unloads its extensions) and owns the
// channel.
#pragma once

#include "host/browser/webkit/extension/LauncherChannel.h"

#include <memory>
#include <string>

typedef struct _WebKitWebExtension WebKitWebExtension;
typedef struct _WebKitWebPage WebKitWebPage;
typedef struct _WebKitFrame WebKitFrame;
typedef struct _WebKitScriptWorld WebKitScriptWorld;
typedef struct _WebKitURIRequest WebKitURIRequest;
typedef struct _WebKitURIResponse WebKitURIResponse;

namespace quarrow {

class ExtensionRuntime {
public:
    ExtensionRuntime(WebKitWebExtension* extension, std::unique_ptr<LauncherChannel> channel);
    ExtensionRuntime(const ExtensionRuntime&) = delete;
    ExtensionRuntime& operator=(const ExtensionRuntime&) = delete;

private:
    struct FrameLoad; // what a frame's load listener reports
    struct FrameLeaving; // what a frame's beforeunload listener records

    static void onPageCreated(WebKitWebExtension* extension, WebKitWebPage* page, void* self);
    static int onSendRequest(WebKitWebPage* page, WebKitURIRequest* request, WebKitURIResponse* redirect,
                             void* self);
    static void onWindowObjectCleared(WebKitScriptWorld* world, WebKitWebPage* page, WebKitFrame* frame,
                                      void* self);
    static void onFrameLoad(void* load);
    static void onFrameLeaving(void* leaving);
    void listen(WebKitFrame* frame, const char* event, void (*callback)(void*), void* data,
                void (*destroy)(void*));

    // The name of the frame element whose address is `url`, searched
    // through the page's frames from the top document.
    std::string frameNamed(WebKitWebPage* page, const std::string& url);
    void tell(int kind, uint64_t page, const std::string& first, const std::string& second);

    std::unique_ptr<LauncherChannel> m_channel;
    // The extension's own script world: its view of the DOM is out of
    // page script's reach.
    WebKitScriptWorld* m_world = nullptr;
    // The frame whose document is about to be left (its beforeunload came
    // first since the last navigation's request), which names the next
    // frame navigation that no frame element's address explains: a frame
    // that navigates on its own.
    bool m_leaving = false;
    uint64_t m_leavingPage = 0;
    std::string m_leavingName;
};

} // namespace quarrow
