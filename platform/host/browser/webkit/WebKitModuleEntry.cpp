// The engine module's side of host/browser/webkit/WebKitModule.h: its one
// exported function makes a web session over the program's screen.
#include "host/browser/webkit/WebKitModule.h"
#include "host/browser/webkit/WebKitSession.h"

#include <type_traits>
#include <utility>

namespace quarrow {
namespace {

class SessionModule final : public WebKitModule {
public:
    explicit SessionModule(GtkBackend& backend) : m_session(backend) {}
    BrowserEngineFactory engineFactory() override { return m_session.engineFactory(); }
    std::string extensionProblem(bool& missing) const override
    {
        missing = m_session.extensionProblem() == WebKitSession::ExtensionProblem::Missing;
        if (m_session.extensionProblem() == WebKitSession::ExtensionProblem::None) return {};
        return m_session.extensionProblemText();
    }
    void whenExtensionUnreachable(std::function<void()> handler) override
    {
        m_session.whenExtensionUnreachable(std::move(handler));
    }

private:
    WebKitSession m_session;
};

} // namespace
} // namespace quarrow

extern "C" __attribute__((visibility("default"))) quarrow::WebKitModule*
quarrow_webkit_module_open(quarrow::GtkBackend& backend)
{
    // The program's type for this function is WebKitModule::Open.
    static_assert(std::is_same_v<decltype(&quarrow_webkit_module_open), quarrow::WebKitModule::Open>);
    return new quarrow::SessionModule(backend);
}
