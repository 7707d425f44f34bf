#include "host/browser/webkit/WebKitModuleLoader.h"

#include <climits>
#include <dlfcn.h>
#include <unistd.h>

namespace quarrow {

namespace {

std::string executableDirectory()
{
    char path[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return {};
    std::string exe(path, static_cast<size_t>(n));
    const size_t slash = exe.rfind('/');
    return slash == std::string::npos ? std::string() : exe.substr(0, slash == 0 ? 1 : slash);
}

} // namespace

std::unique_ptr<WebKitModule> WebKitModuleLoader::load(GtkBackend& backend, std::string& error, bool& missing,
                                                       const std::string& directory)
{
    missing = false;
    const std::string dir = directory.empty() ? executableDirectory() : directory;
    if (dir.empty()) {
        error = "the program's own directory is unknown, so its web engine cannot be found";
        return nullptr;
    }
    const std::string file = dir + "/" + WebKitModule::kFile;
    if (access(file.c_str(), R_OK) != 0) {
        missing = true;
        error = "the web engine " + file + " is missing";
        return nullptr;
    }
    // Never unloaded: WebKit's libraries keep threads and GLib types that
    // outlive any engine.
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        const char* why = dlerror();
        error = "the web engine " + file + " cannot be loaded: " + (why ? why : "unknown error");
        return nullptr;
    }
    auto open = reinterpret_cast<WebKitModule::Open>(dlsym(handle, WebKitModule::kOpenSymbol));
    if (!open) {
        error = "the web engine " + file + " is not one of this program's";
        return nullptr;
    }
    std::unique_ptr<WebKitModule> module(open(backend));
    if (!module) error = "the web engine " + file + " could not start";
    return module;
}

} // namespace quarrow
