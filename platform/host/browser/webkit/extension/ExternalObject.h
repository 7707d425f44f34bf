// window.external inside a web process: a JavaScriptCore object whose
// every property read is asked of the launcher (GetProperty on the
// LauncherChannel), so that page script sees the launcher's own external
// object. Property names are not known in advance, so the object's class
// answers reads through its vtable's get_property rather than declared
// properties. A name the launcher's object does not know falls through to
// the object's JS prototype (so toString and the like still work); a known
// name without a string value reads as undefined, as does everything when
// the launcher is gone.
//
// Ownership: each JS context (a frame's window in the page's world) owns
// its class and the objects made of it; the objects refer to the
// extension's channel, which lives as long as the web process.
#pragma once

#include <cstdint>

typedef struct _JSCContext JSCContext;

namespace quarrow {

class LauncherChannel;

class ExternalObject {
public:
    // Makes the object for page `page` and sets it as window.external of
    // `context`'s global object.
    static void install(JSCContext* context, LauncherChannel& channel, uint64_t page);

private:
    ExternalObject(LauncherChannel& channel, uint64_t page) : m_channel(channel), m_page(page) {}

    static void* getProperty(void* jscClass, JSCContext* context, void* instance, const char* name);
    static void destroy(void* instance);

    LauncherChannel& m_channel;
    uint64_t m_page;
};

} // namespace quarrow
