#include "host/browser/webkit/WebKitSession.h"

#include "host/browser/webkit/WebKitEngine.h"
#include "win32/Utf8.h"

#include <webkit2/webkit2.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace quarrow {

namespace {

std::string executableDirectory()
{
    gchar* exe = g_file_read_link("/proc/self/exe", nullptr);
    if (!exe) return ".";
    gchar* dir = g_path_get_dirname(exe);
    std::string result = dir;
    g_free(dir);
    g_free(exe);
    return result;
}

// /proc/<pid>/stat, or nothing when the process has gone meanwhile (read
// directly: a process that vanishes while its file is read makes the read
// fail, which a stream would throw for).
std::string readStat(const char* pid)
{
    const int fd = open((std::string("/proc/") + pid + "/stat").c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    char buffer[1024];
    const ssize_t n = read(fd, buffer, sizeof buffer);
    close(fd);
    return n > 0 ? std::string(buffer, static_cast<size_t>(n)) : std::string();
}

// How many of this process's children are WebKit's helper processes (web,
// network) that still run; zombies have ended (GLib reaps them).
int runningHelpers()
{
    int running = 0;
    DIR* proc = opendir("/proc");
    if (!proc) return 0;
    const pid_t self = getpid();
    while (dirent* d = readdir(proc)) {
        if (std::atoi(d->d_name) <= 0) continue;
        const std::string stat = readStat(d->d_name);
        // "pid (name) state ppid ...", where the name may hold anything.
        const size_t open = stat.find('('), close = stat.rfind(')');
        if (open == std::string::npos || close == std::string::npos || close + 4 > stat.size()) continue;
        const std::string name = stat.substr(open + 1, close - open - 1);
        const char state = stat[close + 2];
        const long parent = std::strtol(stat.c_str() + close + 4, nullptr, 10);
        if (parent == self && state != 'Z' && name.rfind("WebKit", 0) == 0) ++running;
    }
    closedir(proc);
    return running;
}

} // namespace

WebKitSession::WebKitSession(GtkBackend& backend, const std::string& extensionDirectory)
    : m_backend(backend), m_server(*this),
      m_extensionDirectory(extensionDirectory.empty() ? executableDirectory() + "/" + kExtensionFolder
                                                     : extensionDirectory)
{
    // Whoever runs the session says what becomes of a problem (the
    // program tells the user and ends); nothing is written here.
    const std::string extension = extensionPath();
    if (!g_file_test(extension.c_str(), G_FILE_TEST_IS_REGULAR)) {
        m_extensionProblem = ExtensionProblem::Missing;
        m_extensionProblemText = "the web-process extension " + extension + " is missing";
    }
    // In memory only: the program keeps no files of its own, and the
    // browser's cookies and caches are no exception.
    m_context = webkit_web_context_new_ephemeral();

    // Pages are drawn without hardware acceleration (no GL context in the
    // web process): a login page has nothing to composite on a GPU, and
    // Mesa's GL in the web process costs about 77 MiB of its peak memory
    // here (the README's Benchmarks section has the figures). The other
    // settings that were measured for a login page (the cache model, media
    // and WebGL off, no page cache, memory pressure limits) changed nothing
    // measurable, and keep WebKit's defaults.
    m_settings = webkit_settings_new();
    webkit_settings_set_hardware_acceleration_policy(m_settings, WEBKIT_HARDWARE_ACCELERATION_POLICY_NEVER);
    g_signal_connect(m_context, "initialize-web-extensions",
                     G_CALLBACK(+[](WebKitWebContext* context, gpointer data) {
                         auto* self = static_cast<WebKitSession*>(data);
                         webkit_web_context_set_web_extensions_directory(context, self->m_extensionDirectory.c_str());
                         webkit_web_context_set_web_extensions_initialization_user_data(
                             context, g_variant_new("(ss)", self->m_server.address().c_str(),
                                                    self->m_server.token().c_str()));
                     }),
                     this);
}

WebKitSession::~WebKitSession()
{
    // Engines outliving the session are a programming error; their views
    // go now all the same, so that no web process outlives the context.
    for (WebKitEngine* engine : std::vector<WebKitEngine*>(m_engines)) engine->close();
    if (m_retireSource) g_source_remove(m_retireSource);
    if (m_unreachableSource) g_source_remove(m_unreachableSource);
    destroyRetired(this);
    g_signal_handlers_disconnect_by_data(m_context, this);
    g_object_unref(m_settings);
    // The last reference: the context ends its web and network processes.
    g_object_unref(m_context);
    // They end once the context has let go of them and WebKit has told
    // them so from the main loop; the program waits for that (a second at
    // most) so that none of them outlives it, even for a moment. WebKitGTK
    // 2.50's network process of the program stays until the program itself
    // has gone, and then ends on its own: a longer wait would only keep the
    // user's exit (the windows long gone) waiting for nothing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (runningHelpers() > 0 && std::chrono::steady_clock::now() < deadline) {
        while (g_main_context_iteration(nullptr, FALSE)) {
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

BrowserEngineFactory WebKitSession::engineFactory()
{
    return [this](BrowserEngineHost& host) -> std::unique_ptr<BrowserEngine> {
        return std::make_unique<WebKitEngine>(host, *this);
    };
}

void WebKitSession::add(WebKitEngine& engine)
{
    m_engines.push_back(&engine);
    if (engine.view()) g_signal_connect(engine.view(), "load-changed", G_CALLBACK(onViewLoadChanged), this);
}

std::string WebKitSession::extensionPath() const { return m_extensionDirectory + "/" + kExtensionFile; }

void WebKitSession::whenExtensionUnreachable(std::function<void()> handler) { m_unreachableHandler = std::move(handler); }

void WebKitSession::onViewLoadChanged(void*, int event, void* data)
{
    // A web process loads its extension when it starts, and the extension
    // has reached the launcher (its hello answered) before the process does
    // anything else; so once a page has been committed in one, at least one
    // extension has reached the launcher, unless it could not be loaded.
    auto* self = static_cast<WebKitSession*>(data);
    if (event != WEBKIT_LOAD_COMMITTED || self->m_server.authenticatedConnections() > 0) return;
    if (self->m_extensionProblem != ExtensionProblem::None) return;
    self->m_extensionProblem = ExtensionProblem::Unreachable;
    self->m_extensionProblemText =
        self->m_server.listening()
            ? "the web-process extension " + self->extensionPath() + " did not reach the launcher (the web process could not load it)"
            : "the launcher's channel to the web-process extension could not be opened: " + self->m_server.error();
    if (self->m_unreachableHandler && !self->m_unreachableSource) {
        self->m_unreachableSource = g_idle_add(reinterpret_cast<GSourceFunc>(runUnreachableHandler), self);
    }
}

int WebKitSession::runUnreachableHandler(void* data)
{
    auto* self = static_cast<WebKitSession*>(data);
    self->m_unreachableSource = 0;
    if (self->m_unreachableHandler) self->m_unreachableHandler();
    return G_SOURCE_REMOVE;
}

void WebKitSession::remove(WebKitEngine& engine)
{
    // A view on its way out (its web process ending with it) says nothing
    // more about the extension.
    if (engine.view()) g_signal_handlers_disconnect_by_func(engine.view(), reinterpret_cast<void*>(onViewLoadChanged), this);
    m_engines.erase(std::remove(m_engines.begin(), m_engines.end(), &engine), m_engines.end());
}

void WebKitSession::retire(GtkWidget* view)
{
    m_retired.push_back(view);
    if (!m_retireSource) m_retireSource = g_idle_add(reinterpret_cast<GSourceFunc>(destroyRetired), this);
}

int WebKitSession::destroyRetired(void* data)
{
    auto* self = static_cast<WebKitSession*>(data);
    self->m_retireSource = 0;
    std::vector<GtkWidget*> views;
    views.swap(self->m_retired);
    for (GtkWidget* view : views) {
        gtk_widget_destroy(view);
        g_object_unref(view);
    }
    return G_SOURCE_REMOVE;
}

WebKitEngine* WebKitSession::engineOf(uint64_t page) const
{
    for (WebKitEngine* engine : m_engines) {
        if (engine->page() == page) return engine;
    }
    return nullptr;
}

ExtensionMessage WebKitSession::answer(const ExtensionMessage& request)
{
    using Kind = ExtensionMessage::Kind;
    ExtensionMessage reply;
    reply.kind = Kind::Ack;
    // A page whose engine has closed (its web process still finishing what
    // it was doing) gets answers that change nothing.
    WebKitEngine* engine = engineOf(request.page);
    switch (request.kind) {
    case Kind::BeforeNavigate:
        if (engine) engine->frameNavigating(Utf8ToUtf16(request.first), Utf8ToUtf16(request.second));
        break;
    case Kind::ScriptStart:
        if (engine) engine->frameScriptsStarting();
        break;
    case Kind::DocumentComplete:
        if (engine) engine->frameLoaded(Utf8ToUtf16(request.first), Utf8ToUtf16(request.second));
        break;
    case Kind::GetProperty: {
        reply.kind = Kind::Unknown;
        if (!engine) break;
        const WebKitEngine::ExternalValue value = engine->externalProperty(Utf8ToUtf16(request.first));
        if (value.text) {
            reply.kind = Kind::Value;
            reply.first = Utf16ToUtf8(*value.text);
        } else if (value.known) {
            reply.kind = Kind::Undefined;
        }
        break;
    }
    default:
        break;
    }
    return reply;
}

} // namespace quarrow
