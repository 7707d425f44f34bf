#!/usr/bin/env python3
"""Serves the bundled demo portal (demo/portal) on the loopback interface.

The launcher is built with all of the portal's hosts set to
127.0.0.1:<port>, so this one server stands for the web host, the game host
and the chat host at once. It listens on 127.0.0.1 only and serves files
below the portal folder and nothing else.

An address without an extension is served from "<path>.html" when there is
such a file, so /games/vadmo/login (the login target, with its query) is a
page of its own without a redirect that would change the address the
launcher sees.

    demo-portal-server.py --port 8765 [--root DIR] [--port-file FILE] [--log FILE]

--port 0 picks a free port. Once the socket listens, the port number is
written to --port-file (atomically), which tells a script that the server is
ready. Requests are logged to --log (default: not logged).
"""

import argparse
import functools
import http.server
import os
import sys
import urllib.parse

DEFAULT_ROOT = os.path.join(os.path.dirname(os.path.abspath(__file__)), os.pardir, "demo", "portal")


class PortalHandler(http.server.SimpleHTTPRequestHandler):
    # Every page is UTF-8; say so in the header too, not only in the page.
    extensions_map = {
        **http.server.SimpleHTTPRequestHandler.extensions_map,
        ".html": "text/html; charset=utf-8",
        ".css": "text/css; charset=utf-8",
        ".js": "text/javascript; charset=utf-8",
    }

    log_file = None

    def translate_path(self, path):
        local = super().translate_path(path)
        route = urllib.parse.urlsplit(path).path
        if not os.path.exists(local) and not os.path.splitext(route)[1] and not route.endswith("/"):
            page = local + ".html"
            if os.path.isfile(page):
                return page
        return local

    def list_directory(self, path):
        # The portal is a site, not a file share: a folder without an index
        # page does not exist.
        self.send_error(404, "Not found")
        return None

    def end_headers(self):
        # The demo's pages change while they are worked on; never serve a
        # stale copy from the browser's cache.
        self.send_header("Cache-Control", "no-store")
        super().end_headers()

    def log_message(self, format, *args):
        if self.log_file is not None:
            self.log_file.write("%s %s\n" % (self.log_date_time_string(), format % args))
            self.log_file.flush()


def main():
    parser = argparse.ArgumentParser(description="Serve the demo portal on 127.0.0.1.")
    parser.add_argument("--port", type=int, required=True, help="port to listen on (0: any free port)")
    parser.add_argument("--root", default=DEFAULT_ROOT, help="the portal folder (default: demo/portal)")
    parser.add_argument("--port-file", help="write the listening port here once ready")
    parser.add_argument("--log", help="append one line per request to this file")
    args = parser.parse_args()

    root = os.path.abspath(args.root)
    if not os.path.isfile(os.path.join(root, "games", "vadmo", "dlq", "index.html")):
        print("demo-portal-server: %s is not the demo portal (no games/vadmo/dlq/index.html)" % root,
              file=sys.stderr)
        return 2

    log_file = open(args.log, "a", encoding="utf-8") if args.log else None
    handler = functools.partial(type("Handler", (PortalHandler,), {"log_file": log_file}), directory=root)
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", args.port), handler)
    except OSError as error:
        print("demo-portal-server: cannot listen on 127.0.0.1:%d: %s" % (args.port, error.strerror),
              file=sys.stderr)
        return 1

    port = server.server_address[1]
    if args.port_file:
        temporary = args.port_file + ".tmp"
        with open(temporary, "w", encoding="ascii") as out:
            out.write("%d\n" % port)
        os.replace(temporary, args.port_file)
    print("demo-portal-server: serving %s on http://127.0.0.1:%d/" % (root, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
