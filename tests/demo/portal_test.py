#!/usr/bin/env python3
"""The demo portal as its server serves it on loopback.

Starts tools/demo-portal-server.py on a free port, then checks that every
page the launcher and its link buttons open is there, is UTF-8 Chinese
text, loads nothing from outside and links only to pages that exist; that
the start page has the login form the demo drives and builds the login
address from the entered name; and that the server serves nothing outside
the portal.

    portal_test.py <source tree>
"""

import html.parser
import http.client
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.error
import urllib.parse
import urllib.request

SOURCE = os.path.abspath(sys.argv.pop(1) if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..", ".."))
SERVER = os.path.join(SOURCE, "tools", "demo-portal-server.py")
PORTAL = os.path.join(SOURCE, "demo", "portal")

# The pages the launcher opens (its address table's paths), the login
# target with a query as the start page builds it, and the demo's own.
PAGES = {
    "/games/vadmo/dlq/": "账号登录",
    "/games/vadmo/dlq/external.html": "xxyyzz",
    "/games/vadmo/login?userid=%E7%8E%A9%E5%AE%B6%20demo&time=1700000000&sign=0123456789abcdef0123456789abcdef": "登录成功",
    "/games/vadmo/": "官网首页",
    "/games/vadmo/raid/": "攻略秘籍",
    "/kf/": "官方客服",
    "/": "演示门户",
}


class References(html.parser.HTMLParser):
    """Every address a page refers to through href or src."""

    def __init__(self):
        super().__init__()
        self.found = []

    def handle_starttag(self, tag, attrs):
        for name, value in attrs:
            if name in ("href", "src") and value is not None:
                self.found.append(value)


class Portal(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.mkdtemp(prefix="quarrow-demo-portal-")
        port_file = os.path.join(cls.work, "port")
        cls.server = subprocess.Popen([sys.executable, SERVER, "--port", "0", "--port-file", port_file],
                                      stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        deadline = time.monotonic() + 30
        while not os.path.exists(port_file):
            if cls.server.poll() is not None or time.monotonic() > deadline:
                cls.tearDownClass()
                raise RuntimeError("the portal server did not start")
            time.sleep(0.05)
        with open(port_file, encoding="ascii") as f:
            cls.port = int(f.read())
        cls.base = "http://127.0.0.1:%d" % cls.port

    @classmethod
    def tearDownClass(cls):
        cls.server.terminate()
        cls.server.wait(timeout=30)
        cls.server.stderr.close()
        shutil.rmtree(cls.work, ignore_errors=True)

    def fetch(self, path):
        with urllib.request.urlopen(self.base + path, timeout=30) as response:
            return response.status, response.headers.get("Content-Type", ""), response.read()

    def status_of_raw_path(self, path):
        # http.client sends the path as written, dot segments included.
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=30)
        try:
            connection.request("GET", path)
            response = connection.getresponse()
            response.read()
            return response.status
        finally:
            connection.close()

    def test_every_page_is_served_as_utf8_chinese_html(self):
        for path, marker in PAGES.items():
            with self.subTest(path=path):
                status, content_type, body = self.fetch(path)
                self.assertEqual(status, 200)
                self.assertEqual(content_type, "text/html; charset=utf-8")
                text = body.decode("utf-8")
                self.assertIn('<meta charset="utf-8">', text)
                self.assertIn('<html lang="zh-CN">', text)
                self.assertIn(marker, text)

    def test_pages_load_nothing_from_outside_and_link_only_to_what_exists(self):
        for path in PAGES:
            with self.subTest(path=path):
                page_url = self.base + path
                _, _, body = self.fetch(path)
                parser = References()
                parser.feed(body.decode("utf-8"))
                for reference in parser.found:
                    target = urllib.parse.urljoin(page_url, reference)
                    self.assertTrue(target.startswith(self.base + "/"), "%s refers outside: %s" % (path, reference))
                    status, content_type, content = self.fetch(urllib.parse.urlsplit(target).path)
                    self.assertEqual(status, 200, reference)
                    if content_type.startswith("text/css"):
                        self.assertNotRegex(content.decode("utf-8"), r"url\(|@import", reference)

    def test_start_page_has_the_login_form(self):
        _, _, body = self.fetch("/games/vadmo/dlq/")
        text = body.decode("utf-8")
        for piece in ('<form class="panel" id="login"', '<label for="userid">账号</label>',
                      '<input id="userid" name="userid" type="text"', '<label for="password">密码</label>',
                      'type="password"', '<button class="submit" type="submit">登录</button>',
                      '<script src="login.js"></script>', "QuarrowLogin.attach(document);",
                      'href="external.html"'):
            with self.subTest(piece=piece):
                self.assertIn(piece, text)
        _, _, script = self.fetch("/games/vadmo/dlq/login.js")
        script = script.decode("utf-8")
        self.assertIn('"/games/vadmo/login?userid=" + encodeURIComponent(name)', script)

    @unittest.skipIf(shutil.which("node") is None, "node is not installed: the login script is not run")
    def test_login_address_carries_the_encoded_name_the_time_and_a_signature(self):
        # node is no dependency of the project; where it happens to be
        # installed, the login script's address builder runs for real.
        program = ("const l = require(%s);"
                   "const names = ['demo_player', '玩家 demo', 'a&b=c?d#e', '+%%'];"
                   "process.stdout.write(JSON.stringify(names.map(n => [n, l.loginAddress(n, 1700000000.9),"
                   " l.loginAddress(n, 1700000001)])));"
                   % json.dumps(os.path.join(PORTAL, "games", "vadmo", "dlq", "login.js")))
        result = subprocess.run(["node", "-e", program], capture_output=True, check=True, timeout=60)
        shape = re.compile(r"^/games/vadmo/login\?userid=([^&]*)&time=(\d+)&sign=([0-9a-f]{32})$")
        signatures = set()
        for name, address, later in json.loads(result.stdout):
            with self.subTest(name=name):
                match = shape.match(address)
                self.assertIsNotNone(match, address)
                self.assertEqual(urllib.parse.unquote(match.group(1), errors="strict"), name)
                self.assertNotIn("+", match.group(1))
                self.assertEqual(match.group(2), "1700000000")
                self.assertNotEqual(shape.match(later).group(3), match.group(3))
                signatures.add(match.group(3))
        self.assertEqual(len(signatures), 4)

    def test_nothing_outside_the_portal_is_served(self):
        for path in ("/../tools/demo-portal-server.py", "/games/../../tools/demo-portal-server.py",
                     "/%2e%2e/tools/demo-portal-server.py", "/no-such-page", "/assets/", "/games/vadmo/nothing"):
            with self.subTest(path=path):
                self.assertEqual(self.status_of_raw_path(path), 404)


if __name__ == "__main__":
    unittest.main(verbosity=2)
