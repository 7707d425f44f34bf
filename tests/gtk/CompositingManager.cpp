#include "CompositingManager.h"

#include "ScreenProbe.h"

#include <X11/Xlib.h>

#include <chrono>
#include <thread>
#include <unistd.h>

namespace quarrow::test {

bool CompositingManager::owned()
{
    return XGetSelectionOwner(m_probe.display(), m_probe.atom("_NET_WM_CM_S0")) != None;
}

bool CompositingManager::start(std::string& error)
{
    const std::string log = std::string(QUARROW_TEST_OUTPUT_DIR) + "/xcompmgr-" + std::to_string(getpid()) + ".log";
    // Plain compositing: no shadows or fading that would change pixels.
    if (!m_process.start({"xcompmgr", "-n"}, log, -1, error)) return false;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!owned()) {
        if (!m_process.running()) {
            error = "xcompmgr " + m_process.ending();
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            error = "xcompmgr did not take the compositing selection in time";
            m_process.stop();
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

void CompositingManager::stop()
{
    if (m_process.pid() <= 0) return;
    m_process.stop();
    // The selection goes with the process; the next test must see a screen
    // without compositing.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (owned() && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace quarrow::test
