#!/usr/bin/env python3
"""Checks the demo content server as the client sees it: lays the site out
into a temporary folder, starts lighttpd through demo/serve.sh on free
loopback ports and fetches catalogs, packages, version files, video and
community pages. Exits 77 (skipped) when lighttpd is not installed."""

import http.client
import io
import os
import shutil
import socket
import subprocess
import sys
import tempfile
import unittest
import urllib.parse
import zipfile

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
SERVE = os.path.join(REPO, "demo", "serve.sh")
SOURCES = os.path.join(REPO, "demo", "content", "resources")
FOLDERS = ["jar", "guanfanglicheng", "jingpinlicheng",
           "jingpinbianchenggongju", "jisuanjikaoti", "kovkaoti",
           "kovrinjichushenru", "kovrinxiangguanshiping"]
VIDEO_CATALOGS = ["tamskjichupeixun", "tamskqianghuapeixun", "jjichu",
                  "jjinjie", "jqianghua"]

site_dir = None
ports = []


def free_ports(n):
    socks = []
    try:
        for _ in range(n):
            s = socket.socket()
            s.bind(("127.0.0.1", 0))
            socks.append(s)
        return [s.getsockname()[1] for s in socks]
    finally:
        for s in socks:
            s.close()


def gbk_path(text):
    """A path as the client sends it: GBK bytes, percent-encoded."""
    return urllib.parse.quote(text.encode("gbk"), safe="/")


def get(port, path, headers=None, method="GET"):
    conn = http.client.HTTPConnection("127.0.0.1", port, timeout=20)
    try:
        conn.request(method, path, headers=headers or {})
        r = conn.getresponse()
        return r.status, r.getheader("Content-Type", ""), r.read(), r
    finally:
        conn.close()


def serve(*args):
    return subprocess.run([SERVE, *args, "--dir", site_dir], text=True,
                          capture_output=True, timeout=120)


def setUpModule():
    global site_dir, ports
    site_dir = tempfile.mkdtemp(prefix="demo-site-")
    ports = free_ports(4)
    r = serve("start", "--ports", ",".join(map(str, ports)), "--rate", "0")
    if r.returncode != 0:
        raise RuntimeError(f"serve.sh start failed:\n{r.stdout}{r.stderr}")


def tearDownModule():
    try:
        serve("stop")
    finally:
        shutil.rmtree(site_dir, ignore_errors=True)


def catalog(folder):
    status, _, body, _ = get(ports[0], f"/{folder}/123.txt")
    assert status == 200, (folder, status)
    return body


class CatalogsAndPackages(unittest.TestCase):
    def test_catalogs_are_gbk_crlf_with_every_source_line(self):
        for folder in FOLDERS:
            with self.subTest(folder=folder):
                body = catalog(folder)
                self.assertTrue(body.endswith(b"\r\n"))
                self.assertNotIn(b"\n", body.replace(b"\r\n", b""))
                lines = body.decode("gbk").split("\r\n")[:-1]
                with open(os.path.join(SOURCES, folder, "123.txt"),
                          encoding="utf-8") as f:
                    source = f.read().splitlines()
                self.assertEqual(lines, source)
                self.assertGreaterEqual(len(lines), 3)
                for line in lines:
                    self.assertGreaterEqual(len(line.split("|")), 4, line)

    def test_every_package_has_its_catalog_size_in_kb(self):
        sizes = []
        for folder in FOLDERS:
            for line in catalog(folder).decode("gbk").split("\r\n")[:-1]:
                name, kb = line.split("|")[:2]
                status, ctype, _, r = get(
                    ports[0], f"/{folder}/{gbk_path(name)}.zip", method="HEAD")
                with self.subTest(package=name):
                    self.assertEqual(status, 200)
                    self.assertEqual(ctype, "application/zip")
                    length = int(r.getheader("Content-Length"))
                    self.assertEqual(length // 1024, int(kb))
                    sizes.append(length)
        # Small packages, and one of a few MB so progress can be watched.
        self.assertLessEqual(min(sizes), 64 * 1024)
        self.assertGreaterEqual(max(sizes), 3 * 1024 * 1024)

    def test_package_is_a_real_zip_of_its_resource(self):
        name = "Kovrin核心支持库2.0"
        status, _, body, _ = get(ports[0], f"/jar/{gbk_path(name)}.zip")
        self.assertEqual(status, 200)
        z = zipfile.ZipFile(io.BytesIO(body))
        self.assertIsNone(z.testzip())
        self.assertIn(f"{name}/说明.txt", z.namelist())

    def test_range_request_resumes_inside_a_package(self):
        path = f"/jar/{gbk_path('二维码扫描JAR包')}.zip"
        _, _, whole, _ = get(ports[0], path)
        status, _, part, r = get(ports[0], path, {"Range": "bytes=1024-"})
        self.assertEqual(status, 206)
        self.assertEqual(part, whole[1024:])
        self.assertEqual(r.getheader("Content-Range"),
                         f"bytes 1024-{len(whole) - 1}/{len(whole)}")

    def test_names_resolve_only_as_percent_encoded_gbk(self):
        # A trail byte of 0x7C ("|") inside the name, and a name with blanks.
        for folder, name in [("jingpinlicheng", "觸控手勢範例(繁體版)"),
                             ("jingpinlicheng", "Snake Game Demo (English)")]:
            with self.subTest(name=name):
                status, _, _, _ = get(
                    ports[0], f"/{folder}/{gbk_path(name)}.zip", method="HEAD")
                self.assertEqual(status, 200)
        # A client that sent UTF-8 instead would not find the file.
        utf8 = urllib.parse.quote("Kovrin核心支持库2.0")
        status, _, _, _ = get(ports[0], f"/jar/{utf8}.zip", method="HEAD")
        self.assertEqual(status, 404)


class VersionFiles(unittest.TestCase):
    def test_version_files_announce_v2_0_and_a_package_of_their_size(self):
        for vfile in ["update.txt", "检查更新.txt"]:
            with self.subTest(file=vfile):
                status, _, body, _ = get(ports[0], "/" + gbk_path(vfile))
                self.assertEqual(status, 200)
                fields = body.decode("gbk").split("|")
                self.assertEqual(len(fields), 3)
                self.assertEqual(fields[1], "V2.0")
                url = urllib.parse.urlsplit(fields[0])
                self.assertEqual(url.port, ports[0])
                status, _, _, r = get(ports[0], gbk_path(url.path),
                                      method="HEAD")
                self.assertEqual(status, 200)
                self.assertEqual(int(r.getheader("Content-Length")) // 1024,
                                 int(fields[2]))


class Pages(unittest.TestCase):
    def test_video_catalog_addresses_play_a_served_clip(self):
        for name in VIDEO_CATALOGS:
            status, _, body, _ = get(ports[0], f"/zaixianshiping/{name}.txt")
            self.assertEqual(status, 200, name)
            lines = body.decode("gbk").split("\r\n")[:-1]
            self.assertGreaterEqual(len(lines), 3, name)
            for line in lines:
                title, _, address = line.split("|")[:3]
                with self.subTest(video=title):
                    url = urllib.parse.urlsplit(address)
                    self.assertEqual(url.port, ports[0])
                    status, ctype, page, _ = get(ports[0], url.path)
                    self.assertEqual((status, ctype),
                                     (200, "text/html; charset=utf-8"))
                    text = page.decode("utf-8")
                    self.assertIn(title, text)
                    clip = text.split('<video id="clip" src="')[1].split('"')[0]
                    status, ctype, data, _ = get(
                        ports[0], url.path.rsplit("/", 1)[0] + "/" + clip)
                    self.assertEqual((status, ctype), (200, "video/webm"))
                    self.assertTrue(data.startswith(b"\x1a\x45\xdf\xa3"))

    def test_community_forum_and_task_pages(self):
        community, forum, task = ports[1:]
        pages = [(community, "/ekovrin/"), (community, "/"),
                 (community, "/thread-2775-1-1.html"),
                 (community, "/thread-2792-1-1.html"),
                 (community, "/forum-46-1.html"),
                 (community, "/thread-2009-1-1.html"),
                 (community, "/thread-1804-1-1.html"),
                 (community, "/" + urllib.parse.quote("培训项目.html")),
                 (community, "/" + gbk_path("培训项目.html")),
                 (community, "/plugin.php?id=dsu_paulsign:sign"),
                 (forum, "/"), (forum, "/misc.php?mod=faq&action=faq&id=4"),
                 (task, "/home.php?mod=task")]
        for port, path in pages:
            with self.subTest(port=port, path=path):
                status, ctype, body, _ = get(port, path)
                self.assertEqual((status, ctype),
                                 (200, "text/html; charset=utf-8"))
                # Links point at the ports of this run, not the defaults.
                self.assertNotIn(":1808", body.decode("utf-8"))

    def test_no_directory_listing(self):
        for path in ["/", "/jar/", "/shipin/"]:
            with self.subTest(path=path):
                status, _, _, _ = get(ports[0], path)
                self.assertIn(status, (403, 404))


class Server(unittest.TestCase):
    def test_listens_on_loopback_only(self):
        listening = {}
        for table in ["/proc/net/tcp", "/proc/net/tcp6"]:
            if not os.path.exists(table):
                continue
            with open(table) as f:
                for row in f.readlines()[1:]:
                    local, state = row.split()[1], row.split()[3]
                    addr, port = local.rsplit(":", 1)
                    if state == "0A" and int(port, 16) in ports:
                        listening.setdefault(int(port, 16), set()).add(addr)
        if not listening:
            self.skipTest("no /proc/net/tcp")
        self.assertEqual(listening, {p: {"0100007F"} for p in ports})


if __name__ == "__main__":
    if not (shutil.which("lighttpd") or os.access("/usr/sbin/lighttpd",
                                                  os.X_OK)):
        print("SKIP: lighttpd is not installed")
        sys.exit(77)
    unittest.main(verbosity=2)
