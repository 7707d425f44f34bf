#include "PortalServer.h"

#include <cctype>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "support/Files.h"

namespace quarrow::test {

namespace {

std::string percentDecoded(const std::string& text)
{
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(text[i + 2]))) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

} // namespace

bool PortalServer::start(const std::string& root, int port, std::string& error)
{
    m_log = m_folder + "/portal.log";
    const std::string portFile = m_folder + "/portal.port";
    const std::string output = m_folder + "/portal.out";
    if (!m_process.start({QUARROW_E2E_PYTHON, QUARROW_E2E_PORTAL_SERVER, "--port", std::to_string(port), "--root", root,
                          "--port-file", portFile, "--log", m_log},
                         output, -1, error)) {
        error = "the portal server cannot start: " + error;
        return false;
    }
    // The server writes its port once it listens.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (!std::filesystem::exists(portFile)) {
        if (!m_process.running()) {
            error = "the portal server " + m_process.ending() + ": " + ReadFile(output);
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline) {
            m_process.stop();
            error = "the portal server did not listen within 20 s: " + ReadFile(output);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::vector<std::string> PortalServer::requests() const
{
    // A logged request reads: [date] "GET /path?query HTTP/1.1" 404 -
    std::vector<std::string> paths;
    std::istringstream log(ReadFile(m_log));
    std::string line;
    while (std::getline(log, line)) {
        const size_t start = line.find("\"GET ");
        if (start == std::string::npos) continue;
        const size_t end = line.find(" HTTP/", start);
        if (end == std::string::npos) continue;
        paths.push_back(line.substr(start + 5, end - start - 5));
    }
    return paths;
}

std::vector<std::string> PortalServer::reports(const std::string& name) const
{
    std::vector<std::string> values;
    const std::string prefix = "/report?";
    for (const std::string& path : requests()) {
        if (path.rfind(prefix, 0) != 0) continue;
        std::istringstream query(path.substr(prefix.size()));
        std::string item;
        while (std::getline(query, item, '&')) {
            const size_t equals = item.find('=');
            if (equals != std::string::npos && item.substr(0, equals) == name) {
                values.push_back(percentDecoded(item.substr(equals + 1)));
            }
        }
    }
    return values;
}

} // namespace quarrow::test
