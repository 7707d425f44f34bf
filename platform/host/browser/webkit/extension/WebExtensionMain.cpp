// The entry point WebKit calls when a web process loads the launcher's
// extension (quarrow-webext.so, from the directory the launcher's
// WebKitSession names). The launcher hands over its channel's address and
// token as the initialisation data "(ss)"; without them (or when the
// launcher cannot be reached) no event reaches the launcher and every
// property of window.external reads as undefined.
#include "host/browser/webkit/extension/ExtensionRuntime.h"

#include <webkit2/webkit-web-extension.h>

extern "C" G_MODULE_EXPORT void webkit_web_extension_initialize_with_user_data(WebKitWebExtension* extension,
                                                                               GVariant* data)
{
    const gchar* address = "";
    const gchar* token = "";
    if (data && g_variant_is_of_type(data, G_VARIANT_TYPE("(ss)"))) g_variant_get(data, "(&s&s)", &address, &token);
    auto channel = std::make_unique<quarrow::LauncherChannel>(address, token);
    // The runtime lives as long as the process: web processes never unload
    // their extensions, so there is no moment to destroy it.
    new quarrow::ExtensionRuntime(extension, std::move(channel));
}
