#!/usr/bin/env python3
"""Lays out the demo web site from the UTF-8 sources in demo/content.

The client speaks code page 936 (GBK): catalogs and version files are served
as GBK text with CR LF line ends, and everything it downloads sits under its
GBK file name, because the client percent-encodes the GBK bytes of a name and
the web server maps the decoded bytes straight onto the file system. The
repository keeps UTF-8 only; this script is the one place that converts.

Output (DIR):
  content/    catalogs, video catalogs, packages, version files, video pages
  community/  community web site      forum/  forum host      task/  task page
"""

import argparse
import html
import io
import json
import os
import random
import re
import shutil
import sys
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
MARKER = ".resourcebox-demo-site"
ROOTS = {"content": "resources", "community": "community", "forum": "forum",
         "task": "task"}
# Files whose text gets the base URLs filled in (pages stay UTF-8).
PAGE_TEXT = (".html", ".php", ".css", ".js", ".svg")
TOKEN = re.compile(r"@[A-Z_]+@")
# Characters a package name cannot hold: it becomes a file name on both
# Windows and Linux, and "|" would end the catalog field.
BAD_NAME = re.compile(r'[\\/:*?"<>|\x00-\x1f]')


class LayoutError(Exception):
    pass


def gbk(text, what):
    try:
        return text.encode("gbk")
    except UnicodeEncodeError as e:
        raise LayoutError(f"{what}: {text[e.start:e.end]!r} has no GBK form")


def fill(text, values, what):
    for key, value in values.items():
        text = text.replace(f"@{key}@", value)
    left = TOKEN.search(text)
    if left:
        raise LayoutError(f"{what}: unknown placeholder {left.group(0)}")
    return text


def crlf_lines(text):
    """Source lines (any line end) without empty trailing lines."""
    lines = text.replace("\r\n", "\n").split("\n")
    while lines and lines[-1] == "":
        lines.pop()
    return lines


def write_bytes(path_bytes, data):
    os.makedirs(os.path.dirname(path_bytes), exist_ok=True)
    with open(path_bytes, "wb") as f:
        f.write(data)


def zip_date(date_text):
    m = re.match(r"(\d{4})-(\d{1,2})-(\d{1,2})", date_text)
    if not m:
        return (2013, 1, 1, 12, 0, 0)
    return (int(m.group(1)), int(m.group(2)), int(m.group(3)), 12, 0, 0)


def make_package(name, kb, texts, date_text):
    """A real zip of exactly kb * 1024 bytes: the texts, compressed, and a
    stored filler whose length makes the total come out exact, so that the
    client's "received KB reached the catalog size" test fires exactly at the
    end of the file."""
    when = zip_date(date_text)

    def build(filler_len):
        buf = io.BytesIO()
        with zipfile.ZipFile(buf, "w") as z:
            for arcname, text in texts:
                info = zipfile.ZipInfo(f"{name}/{arcname}", when)
                info.compress_type = zipfile.ZIP_DEFLATED
                info.external_attr = 0o644 << 16
                z.writestr(info, text.encode("utf-8-sig"))
            info = zipfile.ZipInfo(f"{name}/资源数据.bin", when)
            info.compress_type = zipfile.ZIP_STORED
            info.external_attr = 0o644 << 16
            z.writestr(info, random.Random(name).randbytes(filler_len))
        return buf.getvalue()

    # Stored data adds exactly its length, so one measurement suffices.
    filler = kb * 1024 - len(build(0))
    if filler < 0:
        raise LayoutError(f"{name}: {kb} KB is too small for a package")
    data = build(filler)
    assert len(data) == kb * 1024
    return data


def lay_out(src, out, values, announce):
    with open(os.path.join(src, "site.json"), encoding="utf-8") as f:
        site = json.load(f)
    with open(os.path.join(src, "templates", "readme.txt"),
              encoding="utf-8") as f:
        readme = f.read()
    with open(os.path.join(src, "templates", "player.html"),
              encoding="utf-8") as f:
        player = f.read()
    values = dict(values, VERSION=announce or site["version"])
    content_out = os.path.join(os.fsencode(out), b"content")

    def readme_for(name, category, date, note, kb):
        return fill(readme, dict(values, NAME=name, CATEGORY=category,
                                 DATE=date, NOTE=note, KB=str(kb)),
                    f"readme of {name}")

    # Plain files of every root: GBK text on the content server, UTF-8 pages
    # elsewhere.
    for root, folder in ROOTS.items():
        base = os.path.join(src, folder)
        for dirpath, _, files in os.walk(base):
            for fn in sorted(files):
                path = os.path.join(dirpath, fn)
                rel = os.path.relpath(path, base).replace(os.sep, "/")
                dest_root = os.path.join(os.fsencode(out), root.encode())
                if root == "content":
                    dest = os.path.join(dest_root, gbk(rel, rel))
                    if fn.endswith(".txt"):
                        with open(path, encoding="utf-8") as f:
                            text = fill(f.read(), values, rel)
                        lines = crlf_lines(text)
                        data = gbk("".join(l + "\r\n" for l in lines), rel)
                        write_bytes(dest, data)
                    else:
                        os.makedirs(os.path.dirname(dest), exist_ok=True)
                        shutil.copyfile(path, dest)
                    continue
                if fn.endswith(PAGE_TEXT):
                    with open(path, encoding="utf-8") as f:
                        data = fill(f.read(), values, rel).encode("utf-8")
                else:
                    with open(path, "rb") as f:
                        data = f.read()
                # A browser sends a non-ASCII name as UTF-8; the client's own
                # HTTP code sends GBK. Serve the page under both byte names.
                names = {rel.encode("utf-8"), gbk(rel, rel)}
                for n in names:
                    write_bytes(os.path.join(dest_root, n), data)

    # One package per catalog line, named and sized as the line says.
    packages = 0
    for folder, category in site["categories"].items():
        catalog = os.path.join(src, "resources", folder, "123.txt")
        with open(catalog, encoding="utf-8") as f:
            lines = crlf_lines(f.read())
        for number, line in enumerate(lines, 1):
            where = f"{folder}/123.txt line {number}"
            fields = line.split("|")
            if len(fields) < 4:
                raise LayoutError(f"{where}: fewer than four fields")
            name, size, date, note = fields[:4]
            if not name or BAD_NAME.search(name):
                raise LayoutError(f"{where}: {name!r} is no usable file name")
            if not size.isdigit() or int(size) < 1:
                raise LayoutError(f"{where}: size {size!r} is not a whole KB")
            kb = int(size)
            data = make_package(name, kb, [
                ("说明.txt", readme_for(name, category, date, note, kb))],
                date)
            write_bytes(os.path.join(content_out, folder.encode(),
                                     gbk(name, where) + b".zip"), data)
            packages += 1

    # Update packages and the version files that announce them. No line end
    # after the last field: the client compares field 2 byte for byte.
    for pkg, info in site["update_packages"].items():
        data = make_package(pkg[:-len(".zip")], info["kb"], [
            ("更新说明.txt", readme_for(pkg, "程序更新", info["date"],
                                    info["note"], info["kb"]))],
            info["date"])
        write_bytes(os.path.join(content_out, gbk(pkg, pkg)), data)
    for vfile, pkg in site["version_files"].items():
        record = "|".join([values["CONTENT_BASE"] + pkg, values["VERSION"],
                           str(site["update_packages"][pkg]["kb"])])
        write_bytes(os.path.join(content_out, gbk(vfile, vfile)),
                    gbk(record, vfile))

    # Video pages: every video catalog line points at a page under shipin/
    # that plays one of the committed clips.
    shipin = os.path.join(content_out, b"shipin")
    os.makedirs(shipin, exist_ok=True)
    for clip in sorted(set(site["video_clips"].values())):
        shutil.copyfile(os.path.join(src, "videos", clip),
                        os.path.join(shipin, clip.encode()))
    prefix = values["CONTENT_BASE"] + "shipin/"
    videos = 0
    for catalog, clip in site["video_clips"].items():
        path = os.path.join(src, "resources", "zaixianshiping", catalog)
        with open(path, encoding="utf-8") as f:
            lines = crlf_lines(fill(f.read(), values, catalog))
        for number, line in enumerate(lines, 1):
            fields = line.split("|")
            where = f"zaixianshiping/{catalog} line {number}"
            if len(fields) < 3:
                raise LayoutError(f"{where}: fewer than three fields")
            title, teaches, address = fields[:3]
            page = address[len(prefix):]
            if not address.startswith(prefix) or not re.fullmatch(
                    r"[a-z0-9-]+\.html", page):
                raise LayoutError(f"{where}: {address} is not a shipin/ page")
            text = fill(player, dict(values, TITLE=html.escape(title),
                                     TEACHES=html.escape(teaches), CLIP=clip),
                        where)
            write_bytes(os.path.join(shipin, page.encode()),
                        text.encode("utf-8"))
            videos += 1
    return packages, videos


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("--out", required=True, help="site folder to (re)create")
    p.add_argument("--src", default=os.path.join(HERE, "content"))
    p.add_argument("--content-base", default="http://127.0.0.1:18080/")
    p.add_argument("--community-base", default="http://127.0.0.1:18081/")
    p.add_argument("--forum-base", default="http://127.0.0.1:18082/")
    p.add_argument("--task-base", default="http://127.0.0.1:18083/")
    p.add_argument("--announce", default="",
                   help="version text in the version files (default: the "
                        "one in site.json, the client's own)")
    a = p.parse_args()

    out = os.path.abspath(a.out)
    # Never wipe a folder this script did not make.
    if os.path.isdir(out) and os.listdir(out) and not os.path.exists(
            os.path.join(out, MARKER)):
        sys.exit(f"layout_site: {out} is not empty and not a demo site; "
                 "refusing to overwrite it")
    for root in ROOTS:
        shutil.rmtree(os.path.join(out, root), ignore_errors=True)
    os.makedirs(out, exist_ok=True)
    with open(os.path.join(out, MARKER), "w") as f:
        f.write("generated by demo/layout_site.py; safe to delete\n")

    values = {"CONTENT_BASE": a.content_base,
              "COMMUNITY_BASE": a.community_base,
              "COMMUNITY_SITE": a.community_base.rstrip("/"),
              "FORUM_BASE": a.forum_base, "TASK_BASE": a.task_base}
    for key in ("CONTENT_BASE", "COMMUNITY_BASE", "FORUM_BASE", "TASK_BASE"):
        if not values[key].endswith("/"):
            sys.exit(f"layout_site: base URLs end with '/': {values[key]}")
    try:
        packages, videos = lay_out(a.src, out, values, a.announce)
    except LayoutError as e:
        sys.exit(f"layout_site: {e}")
    print(f"layout_site: {out}: {packages} packages, {videos} video pages")


if __name__ == "__main__":
    main()
