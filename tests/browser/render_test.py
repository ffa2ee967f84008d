#!/usr/bin/env python3
"""Renders every example page in headless Chromium and checks the DOM it built.

Usage: render_test.py PAGEWRIGHT_EXE REPO_ROOT. Exit status 77 (skipped) without chromium.
The pages are made from the shipped example form, from the repository's root. The counts are
those of the document the browser built: a <UL> or <OL> inside a styled paragraph closes it, and
the "</p>" after the list then makes an empty paragraph of its own.
"""
import html.parser
import os
import shutil
import subprocess
import sys
import tempfile
import urllib.parse

# Counted by hand from examples/notice.frm and the texts. p: paragraphs, of which "styled" have
# a style attribute; "ul li"/"ol li": items of each kind of list, with their texts in "items".
NOTICE = {"p": 10, "styled": 8, "ul": 1, "ol": 1, "ul li": 2, "ol li": 3, "img": 1, "hr": 2,
          "br": 1, "a": 1, "items": ["Save your work", "Log off before you leave",
                                     "Servers stop at 08:00", "Backups run until 10:00",
                                     "Servers are back by 12:00"]}
INLINE = {"p": 6, "styled": 5, "ul": 1, "ul li": 3, "items": [
    "One sign-in for every service", "A search that finds documents", "Your own start page"]}
BANNER = {"p": 1, "styled": 1}
CASES = [("notice", ["--section", "NOTICE", "--text-file", "examples/notice.txt"], NOTICE),
         ("inline", ["--section", "NOTICE", "--text-file", "examples/inline.txt"], INLINE),
         ("banner", ["--section", "BANNER_PAGE", "--text", "Welcome"], BANNER)]
COUNTED = ("p", "styled", "ul", "ol", "ul li", "ol li", "img", "hr", "br", "a")


class Dom(html.parser.HTMLParser):
    def __init__(self, text):
        super().__init__()
        self.found = dict.fromkeys(COUNTED, 0)
        self.found["items"], self.lists, self.item, self.title = [], [], None, ""
        self.body, self.tag, self.pictures = {}, None, []
        self.feed(text)
        self.close()

    def handle_starttag(self, tag, attrs):
        self.tag, attrs = tag, dict(attrs)
        if tag == "li":
            tag = (self.lists[-1] if self.lists else "?") + " li"
            self.item = ""
        if tag in self.found:
            self.found[tag] += 1
        if tag == "p" and "style" in attrs:
            self.found["styled"] += 1
        if tag in ("ul", "ol"):
            self.lists.append(tag)
        if tag == "body":
            self.body = attrs
            self.pictures.append(attrs.get("background") or "(none)")
        if tag == "img":
            self.pictures.append(attrs.get("src") or "(none)")

    def handle_endtag(self, tag):
        if tag in ("ul", "ol"):
            self.lists.pop()
        if tag == "li":
            self.found["items"].append(self.item)
            self.item = None

    def handle_data(self, data):
        if self.item is not None:
            self.item += data
        if self.tag == "title":
            self.title += data


def main():
    exe, root = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    chromium = shutil.which("chromium")
    if not chromium:
        print("SKIPPED: chromium is not installed (scripts/test.sh installs it)")
        return 77
    os.makedirs(os.path.join(root, "build", "pages"), exist_ok=True)
    failures = 0
    with tempfile.TemporaryDirectory() as profile:
        for name, args, wanted in CASES:
            made = subprocess.run([exe, "generate", "--form", "examples/notice.frm"] + args,
                                  cwd=root, capture_output=True, text=True, timeout=60)
            page = os.path.join(root, made.stdout.strip())
            # The next run counts from request 0 again and may take this page's name: read
            # the page and remove it before that.
            try:
                dom = subprocess.run(
                    [chromium, "--headless", "--no-sandbox", "--disable-gpu",
                     "--user-data-dir=" + profile, "--disable-quic", "--no-first-run",
                     "--disable-background-networking", "--disable-component-update",
                     "--disable-sync", "--dump-dom", "file://" + page],
                    capture_output=True, text=True, timeout=120).stdout
            finally:
                if made.returncode == 0:
                    os.remove(page)
            got = Dom(dom)
            expected = {key: wanted.get(key, 0) for key in COUNTED}
            expected["items"] = wanted.get("items", [])
            problems = [f"{key}: {got.found[key]}, expected {value}"
                        for key, value in expected.items() if got.found[key] != value]
            if got.title != "User Notification":
                problems.append(f"title {got.title!r}")
            # A browser resolves a picture's path against the page's own folder: from there it
            # must reach a shipped picture, or the logo and background do not show.
            for url in got.pictures:
                found = urllib.parse.urlparse(urllib.parse.urljoin("file://" + page, url)).path
                if not os.path.isfile(found) or "/examples/pictures/" not in found:
                    problems.append(f"picture {url} resolves to {found}")
            if made.returncode != 0:
                problems = [f"generate: {made.stderr}"]
            failures += bool(problems)
            print(("FAIL " if problems else "ok   ") + name + ": " +
                  ("; ".join(problems) or str(got.found)))
    print(f"{len(CASES) - failures} of {len(CASES)} pages rendered as asked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
