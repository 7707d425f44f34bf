#include "host/browser/scripted/ScriptedWeb.h"

#include "host/browser/scripted/ScriptedEngine.h"

#include <algorithm>
#include <stdexcept>

namespace quarrow {

ScriptedWeb::~ScriptedWeb()
{
    for (ScriptedEngine* engine : m_engines) engine->m_web = nullptr;
}

ScriptedPage& ScriptedWeb::add(const std::u16string& address, ScriptedPage page)
{
    ScriptedPage& stored = m_pages[address];
    stored = std::move(page);
    return stored;
}

const ScriptedPage* ScriptedWeb::find(const std::u16string& address) const
{
    auto it = m_pages.find(address);
    if (it == m_pages.end()) it = m_pages.find(address.substr(0, address.find_first_of(u"?#")));
    return it == m_pages.end() ? nullptr : &it->second;
}

BrowserEngineFactory ScriptedWeb::factory()
{
    return [this](BrowserEngineHost& host) { return std::make_unique<ScriptedEngine>(host, this); };
}

ScriptedEngine& ScriptedWeb::engine() const
{
    if (m_engines.empty()) throw std::logic_error("scripted web: no browser control uses this web");
    return *m_engines.back();
}

void ScriptedWeb::detach(ScriptedEngine* engine)
{
    m_engines.erase(std::remove(m_engines.begin(), m_engines.end(), engine), m_engines.end());
}

} // namespace quarrow
