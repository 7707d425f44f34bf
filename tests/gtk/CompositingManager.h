// A compositing manager (xcompmgr) on the tests' X server for the tests
// that look at translucency; the object owns the process and ends it.
#pragma once

#include "ChildProcess.h"

#include <string>

namespace quarrow::test {

class ScreenProbe;

class CompositingManager {
public:
    explicit CompositingManager(ScreenProbe& probe) : m_probe(probe) {}
    ~CompositingManager() { stop(); }

    // Starts it and waits until it owns the screen's compositing selection;
    // false with `error` set when it does not.
    bool start(std::string& error);
    void stop();

private:
    bool owned();

    ScreenProbe& m_probe;
    ChildProcess m_process;
};

} // namespace quarrow::test
