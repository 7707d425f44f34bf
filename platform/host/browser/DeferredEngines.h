// Browser engines whose making waits: each WebBrowser control made before
// start() gets a stand-in engine, and start() makes the real engines, so
// that what a real engine costs to set up (loading the web engine, starting
// its processes) comes after the program's windows are on screen instead of
// before. A stand-in keeps what its control asks meanwhile (Silent, every
// Navigate in order) and hands it to its real engine when that is made; it
// raises no event of its own, so the control's events are the real
// engine's, in the real engine's order, after the program's Navigate.
// Controls made after start() get their real engine at once.
//
// Before its real engine exists a stand-in reports the address last asked
// for as its location, shows nothing, and drops keys and mouse input (there
// is no page to take them). When start() is given no factory (the web
// engine could not be loaded), the stand-ins stay as they are.
//
// Ownership: whoever runs the program owns the DeferredEngines object and
// keeps it alive for as long as the window system that uses its factory
// (host.setBrowserEngineFactory(engines.factory())); each control owns its
// stand-in, which owns its real engine once made.
#pragma once

#include "host/browser/BrowserEngine.h"

#include <vector>

namespace quarrow {

class DeferredEngines {
public:
    DeferredEngines() = default;
    ~DeferredEngines();
    DeferredEngines(const DeferredEngines&) = delete;
    DeferredEngines& operator=(const DeferredEngines&) = delete;

    // The factory for the window system.
    BrowserEngineFactory factory();

    // Makes the real engine of every stand-in that waits, through `real`,
    // in the order the controls were made, and of every control made from
    // now on. Only the first call counts.
    void start(BrowserEngineFactory real);
    bool started() const { return m_started; }
    // Stand-ins whose real engine has not been made yet.
    size_t waiting() const { return m_waiting.size(); }

private:
    class StandIn;

    bool m_started = false;
    BrowserEngineFactory m_real;
    std::vector<StandIn*> m_waiting;
};

} // namespace quarrow
