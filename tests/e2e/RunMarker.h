// Which processes belong to one end-to-end run: the launcher gets a marker
// in its environment (QUARROW_E2E_RUN=<token>), and everything it starts,
// directly or not (WebKit's processes, the loader, xdg-open and the
// browser it runs), inherits it. Finding every live process that carries
// the marker is how a test checks that a run leaves nothing behind, and how
// it ends what was left, by process id.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

namespace quarrow::test {

struct MarkedProcess {
    pid_t pid = 0;
    std::string exe;     // the file it runs
    std::string command; // its arguments, separated by spaces
};

class RunMarker {
public:
    static constexpr const char* kVariable = "QUARROW_E2E_RUN";

    explicit RunMarker(std::string token) : m_token(std::move(token)) {}
    const std::string& token() const { return m_token; }

    // The live processes (zombies aside) whose environment carries the
    // marker.
    std::vector<MarkedProcess> processes() const;

private:
    std::string m_token;
};

} // namespace quarrow::test
