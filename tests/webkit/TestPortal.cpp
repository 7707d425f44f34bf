#include "TestPortal.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <unistd.h>

#include <filesystem>

namespace quarrow::test {

namespace {

// Serves the files of a folder for origin-form paths and for absolute
// addresses (as a proxy would be asked), any host; a name with a file
// "<name>.redirect" beside it redirects (302) to the address in that file,
// one with "<name>.headers" beside it gets those header lines (its
// Content-Type among them, which is text/html otherwise);
// writes its port to the
// descriptor it is given once it listens. Threads, so that a connection
// WebKit opens ahead of time and leaves idle blocks no other.
constexpr const char* kServer = R"py(
import http.server, os, sys, urllib.parse
folder, fd = sys.argv[1], int(sys.argv[2])
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        path = urllib.parse.urlsplit(self.path).path.lstrip('/')
        file = os.path.join(folder, os.path.basename(path) or 'index.html')
        if os.path.exists(file + '.redirect'):
            self.send_response(302)
            self.send_header('Location', open(file + '.redirect').read().strip())
            self.send_header('Content-Length', '0')
            self.end_headers()
            return
        try:
            data = open(file, 'rb').read()
        except OSError:
            self.send_response(404)
            self.send_header('Content-Length', '0')
            self.end_headers()
            return
        headers = {'Content-Type': 'text/html; charset=utf-8'}
        if os.path.exists(file + '.headers'):
            for line in open(file + '.headers'):
                if ':' in line:
                    name, value = line.split(':', 1)
                    headers[name.strip()] = value.strip()
        self.send_response(200)
        for name, value in headers.items():
            self.send_header(name, value)
        self.send_header('Content-Length', str(len(data)))
        self.send_header('Cache-Control', 'no-store')
        self.end_headers()
        self.wfile.write(data)
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(('127.0.0.1', 0), Handler)
server.daemon_threads = True
os.write(fd, (str(server.server_address[1]) + '\n').encode())
os.close(fd)
server.serve_forever()
)py";

} // namespace

TestPortal::TestPortal()
{
    std::string pattern = std::filesystem::temp_directory_path() / "quarrow-portal-XXXXXX";
    if (mkdtemp(pattern.data())) m_folder = pattern;
}

TestPortal::~TestPortal()
{
    m_server.stop();
    if (!m_folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
}

void TestPortal::addPage(const std::string& name, const std::string& html)
{
    std::ofstream(m_folder + "/" + name, std::ios::binary) << html;
}

void TestPortal::addHeaders(const std::string& name, const std::string& lines)
{
    std::ofstream(m_folder + "/" + name + ".headers", std::ios::binary) << lines;
}

void TestPortal::addRedirect(const std::string& name, const std::string& location)
{
    std::ofstream(m_folder + "/" + name + ".redirect", std::ios::binary) << location;
}

std::string TestPortal::loopbackRoot() const { return "http://127.0.0.1:" + std::to_string(m_port) + "/"; }

bool TestPortal::start(std::string& error)
{
    if (m_folder.empty()) {
        error = "no temporary folder for the test pages";
        return false;
    }
    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        error = std::string("pipe: ") + std::strerror(errno);
        return false;
    }
    const bool started = m_server.start({"python3", "-c", kServer, m_folder, std::to_string(ready[1])},
                                        m_folder + "/server.log", ready[1], error);
    ::close(ready[1]);
    std::string number;
    bool done = false;
    while (started && !done) {
        pollfd p{ready[0], POLLIN, 0};
        const int r = poll(&p, 1, 20000);
        if (r < 0 && errno == EINTR) continue;
        char c;
        if (r <= 0 || read(ready[0], &c, 1) != 1) break;
        if (c == '\n') done = true;
        else number += c;
    }
    ::close(ready[0]);
    if (!started) return false;
    if (!done || number.empty()) {
        error = "the test pages' server did not start (is python3 installed?)";
        m_server.stop();
        return false;
    }
    m_port = std::atoi(number.c_str());
    return true;
}

} // namespace quarrow::test
