// A web of canned pages for the scripted browser engine: one object a test
// owns, holding the pages by address and handing out the engine factory
// that WebBrowser controls use (host.setBrowserEngineFactory(web.factory())).
// It keeps track of the engines it made so that a test can drive the page
// of a control (web.engine()). The web must outlive the controls made
// through its factory; if it goes first, their engines see an empty web.
#pragma once

#include "host/browser/BrowserEngine.h"
#include "host/browser/scripted/ScriptedPage.h"

#include <map>
#include <string>
#include <vector>

namespace quarrow {

class ScriptedEngine;

class ScriptedWeb {
public:
    ScriptedWeb() = default;
    ~ScriptedWeb();
    ScriptedWeb(const ScriptedWeb&) = delete;
    ScriptedWeb& operator=(const ScriptedWeb&) = delete;

    // Adds or replaces the page at an address and returns it for further
    // setting up.
    ScriptedPage& add(const std::u16string& address, ScriptedPage page = {});
    // The page at an address: the exact address first, then the address
    // without its query and fragment (so a login address with any query
    // finds its page). Null when there is none.
    const ScriptedPage* find(const std::u16string& address) const;

    // Makes scripted engines over this web.
    BrowserEngineFactory factory();
    // The live engines made by the factory, oldest first.
    const std::vector<ScriptedEngine*>& engines() const { return m_engines; }
    // The newest live engine; throws std::logic_error when there is none.
    ScriptedEngine& engine() const;

private:
    friend class ScriptedEngine;
    void attach(ScriptedEngine* engine) { m_engines.push_back(engine); }
    void detach(ScriptedEngine* engine);

    std::map<std::u16string, ScriptedPage> m_pages;
    std::vector<ScriptedEngine*> m_engines;
};

} // namespace quarrow
