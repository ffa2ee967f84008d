#!/usr/bin/env python3
"""Renders every example page in headless Chromium and checks the DOM it built.

Usage: render_test.py PAGEWRIGHT_EXE REPO_ROOT

The pages are made with the pagewright command from the shipped example form, from the
repository's root (the form's paths are relative to it). Chromium parses each page as a browser
would, so the counts below are those of the document it built, not of the markup text: a <UL> or
<OL> inside a styled paragraph closes that paragraph, and the "</p>" after the list then opens
and closes an empty one. Exit status 77 (skipped) when chromium is not installed.
"""
import html.parser
import os
import shutil
import subprocess
import sys
import tempfile

SKIP = 77

NOTICE_ITEMS = ["Save your work", "Log off before you leave",
                "Servers stop at 08:00", "Backups run until 10:00", "Servers are back by 12:00"]
INLINE_ITEMS = ["One sign-in for every service", "A search that finds documents",
                "Your own start page"]

# What each page must hold, counted by hand from the form file's layout and the text.
#   p: all paragraphs; styled_p: those with a style attribute; ul/ol: lists; li_ul/li_ol: items
#   of each kind of list; img, hr, br, a: pictures, rules, line breaks, links; items: the item
#   texts in order; texts: words that must appear in some paragraph.
CASES = [
    {
        "name": "notice",
        "args": ["--section", "NOTICE", "--text-file", "examples/notice.txt"],
        # logo, title, body, styled list (2), warning, styled numbered list (2), link, signature
        "p": 10, "styled_p": 8, "ul": 1, "ol": 1, "li_ul": 2, "li_ol": 3,
        "img": 1, "hr": 2, "br": 1, "a": 1, "items": NOTICE_ITEMS,
        "texts": ["Planned maintenance", "Unsaved changes will be lost.", "Live status",
                  "Your IT team"],
    },
    {
        "name": "inline",
        "args": ["--section", "NOTICE", "--text-file", "examples/inline.txt"],
        # title, body, styled list (2), warning, body
        "p": 6, "styled_p": 5, "ul": 1, "ol": 0, "li_ul": 3, "li_ol": 0,
        "img": 0, "hr": 0, "br": 0, "a": 0, "items": INLINE_ITEMS,
        "texts": ["Welcome to the new intranet", "Bookmarks to the old pages stop working.",
                  "Questions? Ask the help desk."],
    },
    {
        "name": "banner",
        "args": ["--section", "BANNER_PAGE", "--text", "Welcome to the new intranet"],
        "p": 1, "styled_p": 1, "ul": 0, "ol": 0, "li_ul": 0, "li_ol": 0,
        "img": 0, "hr": 0, "br": 0, "a": 0, "items": [],
        "texts": ["Welcome to the new intranet"],
    },
]


class DomCounter(html.parser.HTMLParser):
    """Counts the elements of a serialized DOM and collects paragraph and item texts."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.counts = {k: 0 for k in ("p", "styled_p", "ul", "ol", "li_ul", "li_ol",
                                      "img", "hr", "br", "a")}
        self.lists = []     # open ul/ol elements
        self.capture = []   # open p/li elements whose text is being collected: [tag, text]
        self.items, self.paragraphs = [], []
        self.title = ""
        self.in_title = False
        self.body_attrs = {}

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag in self.counts:
            self.counts[tag] += 1
        if tag == "p":
            if "style" in attrs:
                self.counts["styled_p"] += 1
            self.capture.append(["p", ""])
        elif tag in ("ul", "ol"):
            self.lists.append(tag)
        elif tag == "li":
            self.counts["li_" + (self.lists[-1] if self.lists else "ul")] += 1
            self.capture.append(["li", ""])
        elif tag == "title":
            self.in_title = True
        elif tag == "body":
            self.body_attrs = attrs

    def handle_endtag(self, tag):
        if tag in ("ul", "ol") and self.lists:
            self.lists.pop()
        elif tag in ("p", "li") and self.capture and self.capture[-1][0] == tag:
            kind, text = self.capture.pop()
            (self.paragraphs if kind == "p" else self.items).append(text.strip())
        elif tag == "title":
            self.in_title = False

    def handle_data(self, data):
        if self.in_title:
            self.title += data
        for entry in self.capture:
            entry[1] += data


def chromium_args(profile):
    return ["--headless", "--no-sandbox", "--disable-gpu", "--user-data-dir=" + profile,
            "--disable-quic", "--no-first-run", "--disable-background-networking",
            "--disable-component-update", "--disable-sync"]


def main():
    if len(sys.argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    exe, root = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    if not chromium:
        print("SKIPPED: chromium is not installed (scripts/test.sh installs it)")
        return SKIP
    os.makedirs(os.path.join(root, "build", "pages"), exist_ok=True)
    failures = 0
    with tempfile.TemporaryDirectory(prefix="pagewright-browser-") as profile:
        for case in CASES:
            run = subprocess.run([exe, "generate", "--form", "examples/notice.frm"] +
                                 case["args"], cwd=root, capture_output=True, text=True,
                                 timeout=60)
            page = run.stdout.strip()
            if run.returncode != 0 or not page:
                print(f"FAIL {case['name']}: generate gave {run.returncode}: {run.stderr}")
                failures += 1
                continue
            page = os.path.join(root, page)
            # Each run counts requests from 0, so a page made in the same second by the next
            # run would take this one's name: read it and remove it now.
            try:
                dom = subprocess.run([chromium] + chromium_args(profile) +
                                     ["--dump-dom", "file://" + page],
                                     capture_output=True, text=True, timeout=120)
            finally:
                os.remove(page)
            counter = DomCounter()
            counter.feed(dom.stdout)
            counter.close()
            problems = []
            for key, value in counter.counts.items():
                if value != case[key]:
                    problems.append(f"{key}: {value}, expected {case[key]}")
            if counter.items != case["items"]:
                problems.append(f"items: {counter.items}, expected {case['items']}")
            for text in case["texts"]:
                if not any(text in p for p in counter.paragraphs):
                    problems.append(f"no paragraph holds {text!r}")
            if counter.title != "User Notification":
                problems.append(f"title: {counter.title!r}")
            if counter.body_attrs.get("background") != "file:examples/pictures/paper.png":
                problems.append(f"body attributes: {counter.body_attrs}")
            if problems:
                failures += 1
                print(f"FAIL {case['name']} ({page}):\n  " + "\n  ".join(problems))
                if not dom.stdout:
                    print("  chromium said: " + dom.stderr[-2000:])
            else:
                print(f"ok   {case['name']}: {counter.counts}")
    print(f"{len(CASES) - failures} of {len(CASES)} pages rendered as asked")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
