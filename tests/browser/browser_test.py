#!/usr/bin/env python3
"""The pages as the W3C Nu HTML Checker and Chromium see them.

Usage: browser_test.py vnu|browser|examples|escape PAGEWRIGHT_EXE REPO_ROOT. Exit status 77
(skipped) without the tool: Java and node_modules/vnu-jar (npm ci) for "vnu", chromium for the
others.

"vnu" and "browser" make HTML5 pages with the command: every example form switched to HTML5,
and the pages of PAGES below, which between them hold every layout item, every style tag, both
run modes, both kinds of list, pictures by absolute path, relative name and URL (spaces and
non-ASCII in the names), and a background picture and colour. "vnu" wants no message at all from
the checker. "browser" wants, for each style, the computed style the form asked for, lists
outside paragraphs, and every local picture loaded. "examples" makes the example pages as they
ship and wants Chromium's document to hold what was counted by hand from the example inputs,
and every picture, the background's included, to load from the page's folder. "escape" makes
pages of hostile texts with TEXT_ESCAPING = HTML, both kinds, and wants no script to run (each
would add its mark to the title) and Chromium to show the text as typed; the same texts written
as they stand (--text-escaping none) must run their scripts, or the test could not see one.
"vnu" checks the escaped HTML5 pages too (without the form's own scripts).
"""
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

# A style section per style tag (one with several tags and a name that needs escaping as a
# class), and what getComputedStyle must give an element in it: CSS pixels are 4/3 of points.
STYLES = [
    ("BOLD", "<BOLD>", {"fontWeight": "700"}),
    ("ITALIC", "<ITALIC>", {"fontStyle": "italic"}),
    ("FONT", "<FONT> Georgia", {"fontFamily": "Georgia"}),
    ("FONT_LIST", "<FONT>Courier New, monospace", {"fontFamily": '"Courier New", monospace'}),
    ("FONT_SIZE", "<FONT_SIZE>12", {"fontSize": "16px"}),
    ("ALIGN_LEFT", "<ALIGN_LEFT>", {"textAlign": "left"}),
    ("ALIGN_RIGHT", "<ALIGN_RIGHT>", {"textAlign": "right"}),
    ("ALIGN_CENTER", "<ALIGN_CENTER>", {"textAlign": "center"}),
    ("COLOR_BLACK", "<COLOR_BLACK>", {"color": "rgb(0, 0, 0)"}),
    ("COLOR_WHITE", "<COLOR_WHITE>", {"color": "rgb(255, 255, 255)"}),
    ("COLOR_RED", "<COLOR_RED>", {"color": "rgb(255, 0, 0)"}),
    ("COLOR_BLUE", "<COLOR_BLUE>", {"color": "rgb(0, 0, 255)"}),
    ("COLOR_GREEN", "<COLOR_GREEN>", {"color": "rgb(0, 255, 0)"}),
    ("Wärme 2_x", "<BOLD>\n<COLOR_RED>\n<FONT_SIZE>7.5",
     {"fontWeight": "700", "color": "rgb(255, 0, 0)", "fontSize": "10px"}),
    ("BODY", "<FONT_SIZE>9", {"fontSize": "12px"}),  # the default style
]
STYLE_OF = {name: wanted for name, _, wanted in STYLES}

# Form A: a background picture, pictures from a relative folder (a relative URL, resolved
# against the page's folder). Form B: no background picture, pictures from an absolute folder.
SYSTEM = {
    "A": "PIC_SOURCE_DIR = bilder ü/\nBACKGROUND_PIC = {tmp}/back ground ü.png\n",
    "B": "PIC_SOURCE_DIR = {tmp}/pics ß/\nPAGE_LANGUAGE = de-CH\n",
}
LAYOUTS = """
[ALL]
<BACK_PICT>
<PICTURE><<BOLD>>{tmp}/abs dir ö/logo ä.png|Company logo
{slots}
<LINE>
<BUL_LIST><<COLOR_GREEN>>
<NEW_LINE>
<<BODY>>
<NUM_LIST><<ITALIC>>
<PICTURE>logo ä.png
<PICTURE>http://127.0.0.1:9/logo.png|Remote logo
<LITERAL><<COLOR_BLUE>> <a href="https://status.example.com/">Live status</a>
[PICS]
<PICTURE>logo ß.png|Logo
<<BODY>>
"""
LISTS = "<LB>green one<T>green two<LE>"
# (page, form, section, text, the elements Chromium must find: text -> (tag, parent, style),
#  local pictures that must load)
PAGES = [
    ("section", "A", "ALL",
     "<T>".join(f"{name} text" for name, _, _ in STYLES) + LISTS + "between lists" +
     "<LB>first<T>second<LE>",
     {**{f"{name} text": ("P", "BODY", wanted) for name, _, wanted in STYLES},
      "green one": ("LI", "UL", STYLE_OF["COLOR_GREEN"]),
      "first": ("LI", "OL", STYLE_OF["ITALIC"])}, 2),
    ("inline", "A", "ALL",
     "<T>".join(f"<<{name}>>{name} inline" for name, _, _ in STYLES[:-1]) +
     LISTS.replace("<LB>", "<LB><<COLOR_GREEN>>") + "no style of its own",
     {**{f"{name} inline": ("P", "BODY", wanted) for name, _, wanted in STYLES[:-1]},
      "green two": ("LI", "UL", STYLE_OF["COLOR_GREEN"]),
      "no style of its own": ("P", "BODY", STYLE_OF["BODY"])}, 0),
    ("plain", "B", "NO_SUCH_SECTION", "first<T>second",
     {"second": ("P", "BODY", STYLE_OF["BODY"])}, 0),
    ("pictures", "B", "PICS", "after the picture",
     {"after the picture": ("P", "BODY", STYLE_OF["BODY"])}, 1),
]
# Counted by hand from examples/notice.frm and the texts: p paragraphs, of which "styled" have a
# style attribute; "ul li"/"ol li" items of each kind of list, their texts in "items". A <UL> or
# <OL> inside a styled paragraph closes it, and the "</p>" after the list makes an empty one.
COUNTS = {
    "notice": {"p": 10, "styled": 8, "ul": 1, "ol": 1, "ul li": 2, "ol li": 3, "img": 1, "hr": 2,
               "br": 1, "a": 1, "items": ["Save your work", "Log off before you leave",
                                          "Servers stop at 08:00", "Backups run until 10:00",
                                          "Servers are back by 12:00"]},
    "inline": {"p": 6, "styled": 5, "ul": 1, "ul li": 3, "items": [
        "One sign-in for every service", "A search that finds documents", "Your own start page"]},
    "banner": {"p": 1, "styled": 1},
}
COUNTED = ("p", "styled", "ul", "ol", "ul li", "ol li", "img", "hr", "br", "a")
EXAMPLES = [("notice", "NOTICE", ["--text-file", "examples/notice.txt"]),
            ("inline", "NOTICE", ["--text-file", "examples/inline.txt"]),
            ("banner", "BANNER_PAGE", ["--text", "Welcome"])]

# TEXT_ESCAPING: texts a stranger might send, each with the section it is laid out by and the
# texts of the page's paragraphs and items in Chromium. Every script in them would add its mark
# to the page's title; those of the texts shown must run where the text is written as it stands.
AMP = "Tom & Jerry's \"&amp;\" &lt;&#60; &copy 5 > 3"
IMG = "<img src=x onerror=\"document.title += ' {}'\">"
HOSTILE = [
    ("script", "PLAIN", AMP + "<T><script>document.title += ' script'</script>",
     [AMP, "<script>document.title += ' script'</script>"]),
    ("img onerror", "PLAIN", AMP + "<T>" + IMG.format("img"), [AMP, IMG.format("img")]),
    ("svg onload", "PLAIN", AMP + "<T>\"><svg onload=\"document.title += ' svg'\">",
     [AMP, "\"><svg onload=\"document.title += ' svg'\">"]),
    ("unclosed style marker", "PLAIN", "a << b " + IMG.format("marker"),
     ["a << b " + IMG.format("marker")]),
    # The name ends at the first ">>", inside the tag; it picks no style and is never written.
    ("markup in a style name", "PLAIN", AMP + "<T><<X\">" + IMG.format("name") + ">>after",
     [AMP, ">after"]),
    ("slots and a list", "L", "Heading & \"more\"<LB>x > y<T>it's<LE>" + IMG.format("slot"),
     ["Heading & \"more\"", "x > y", "it's", IMG.format("slot")]),
]
MARK = re.compile(r"document\.title ?\+= ?' ?([\w-]+)'")
# The HTML5 form's own scripts, which its Content-Security-Policy must stop (";" would start a
# comment in a form file).
FORM_SCRIPTS = """<LITERAL><script>document.title += ' form-script'</script>
<LITERAL><img src=x alt="" onerror="document.title += ' form-img'">
<LITERAL><iframe title="f" src="javascript:parent.document.title+=' form-url'"></iframe>
"""

# Appended to a copy of a page: on load, writes what Chromium computed into the DOM it dumps.
PROBE = """<script>
const count = s => document.querySelectorAll(s).length;
const counts = {p: count("p"), styled: count("p[style]"), ul: count("ul"), ol: count("ol"),
                "ul li": count("ul > li"), "ol li": count("ol > li"), img: count("img"),
                hr: count("hr"), br: count("br"), a: count("a"),
                items: [...document.querySelectorAll("li")].map(e => e.textContent),
                title: document.title};
const bg = /url\\("(.*)"\\)/.exec(getComputedStyle(document.body).backgroundImage);
const probe = new Image();
if (bg) { probe.src = bg[1]; document.body.append(probe); }
addEventListener("load", () => {
  const props = ["fontWeight", "fontStyle", "fontFamily", "fontSize", "textAlign", "color"];
  const out = {elements: [], images: [], body: getComputedStyle(document.body).backgroundColor,
               background: bg ? probe.naturalWidth : -1, counts};
  for (const e of document.body.querySelectorAll("p, ul, ol, li")) {
    const s = getComputedStyle(e), r = {tag: e.tagName, parent: e.parentElement.tagName,
                                        text: e.textContent};
    for (const p of props) r[p] = s[p];
    out.elements.push(r);
  }
  for (const i of document.images)
    if (i !== probe) out.images.push({src: i.getAttribute("src"), width: i.naturalWidth});
  const pre = document.createElement("pre");
  pre.id = "probe";
  pre.textContent = JSON.stringify(out);
  document.body.append(pre);
});
</script>"""


def generate(exe, root, form, args):
    """Makes one page with the command run in root; gives its path."""
    run = subprocess.run([exe, "generate", "--form", form] + args, cwd=root,
                         capture_output=True, text=True, timeout=60)
    if run.returncode != 0:
        raise SystemExit(f"FAIL generate {args}: {run.stderr}")
    return os.path.join(root, run.stdout.strip())


def dump_dom(chromium, page, tmp):
    """The DOM Chromium makes of a page, after its scripts (if any may) have run."""
    return subprocess.run(
        [chromium, "--headless", "--no-sandbox", "--disable-gpu", "--user-data-dir=" +
         os.path.join(tmp, "profile"), "--disable-quic", "--no-first-run",
         "--disable-background-networking", "--disable-component-update", "--disable-sync",
         "--allow-file-access-from-files", "--virtual-time-budget=5000", "--dump-dom",
         "file://" + page], capture_output=True, text=True, timeout=120).stdout


def probe(chromium, page, tmp):
    """What the probe found in a copy of the page beside it, or None."""
    copy = page[:-len(".htm")] + ".probe.html"
    with open(page, encoding="utf-8") as f:
        text = f.read()
    with open(copy, "w", encoding="utf-8") as f:
        f.write(text.replace("</body>", PROBE + "</body>"))
    dom = dump_dom(chromium, copy, tmp)
    found = re.search(r'<pre id="probe">(.*?)</pre>', dom, re.S)
    return json.loads(html.unescape(found.group(1))) if found else None


def make_pages(exe, root, tmp):
    """Generates every page; returns (page path, expected elements, pictures, form) per page."""
    logo = os.path.join(root, "examples", "pictures", "logo.png")
    for folder, name in [("abs dir ö", "logo ä.png"), ("pics ß", "logo ß.png"),
                         ("pages/bilder ü", "logo ä.png"), (".", "back ground ü.png")]:
        os.makedirs(os.path.join(tmp, folder), exist_ok=True)
        shutil.copy(logo, os.path.join(tmp, folder, name))
    styles = "".join(f"[{name}]\n{lines}\n" for name, lines, _ in STYLES)
    slots = "\n".join(f"<<{name}>>" for name, _, _ in STYLES)
    made = []
    for key, system in SYSTEM.items():
        with open(os.path.join(tmp, key + ".frm"), "w", encoding="utf-8") as f:
            f.write(("[SYSTEM]\nDEFAULT_STYLE = <<BODY>>\nHTML_DEST_DIR = {tmp}/pages\n"
                     "PAGE_FORMAT = HTML5\n" + system + styles + LAYOUTS)
                    .replace("{tmp}", tmp).replace("{slots}", slots))
    for name, form, section, text, elements, pictures in PAGES:
        page = generate(exe, root, os.path.join(tmp, form + ".frm"),
                        ["--section", section, "--text", text])
        made.append((name, page, elements, pictures, form))
    # The example form as it ships, asked for HTML5 pages in the scratch folder.
    os.makedirs(os.path.join(tmp, "examples"))
    for name, section, args in EXAMPLES:
        page = generate(exe, root, "examples/notice.frm", ["--section", section, "--page-format",
                        "html5", "--dest-dir", os.path.join(tmp, "examples")] + args)
        made.append(("example " + name, page, None, 0, "example"))
    return made


def make_escape_pages(exe, root, tmp, form_scripts=True):
    """The pages of HOSTILE on both kinds, escaped and (control) as they stand; gives (kind,
    name, page, expected texts or None, marks its scripts add) per page. With form_scripts the
    HTML5 layout holds FORM_SCRIPTS."""
    made = []
    for kind in ("compatible", "html5"):
        mine = FORM_SCRIPTS if kind == "html5" and form_scripts else ""
        form = os.path.join(tmp, "escape-" + kind + ".frm")
        with open(form, "w", encoding="utf-8") as f:
            f.write("[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = .\nTEXT_ESCAPING = HTML\n" +
                    ("PAGE_FORMAT = HTML5\n" if kind == "html5" else "") +
                    "[S]\n<BOLD>\n[L]\n<<S>>\n<BUL_LIST>\n<<S>>\n" + mine)
        for name, section, text, texts in HOSTILE:
            marks = MARK.findall("".join(texts) + (mine if section == "L" else ""))
            for options, expected in (([], texts + [""] * mine.count("<LITERAL>") * (section == "L")),
                                      (["--text-escaping", "none"], None)):
                if expected is None and not marks:
                    continue
                # A folder per page: compatible pages of one second would share a name.
                folder = os.path.join(tmp, "escape", str(len(made)))
                os.makedirs(folder)
                made.append((kind, name, generate(exe, root, form, [
                    "--section", section, "--dest-dir", folder, *options, "--text", text]),
                    expected, marks))
    return made


def check_escape(chromium, exe, root, tmp):
    made, failures = make_escape_pages(exe, root, tmp), 0
    for kind, name, page, texts, marks in made:
        dom = dump_dom(chromium, page, tmp)
        ran = re.search(r"<title>User Notification(.*?)</title>", dom, re.S)
        ran = ran.group(1).split() if ran else ["(no title)"]
        got = [html.unescape(re.sub(r"<script.*?</script>|<[^>]*>", "", inner)) for _, inner in
               re.findall(r"<(p|li)\b[^>]*>(.*?)</\1>", dom, re.S)]
        problems = [f"scripts ran: {ran}"] if texts is not None and ran else []
        problems += [f"texts {got}, expected {texts}"] if texts not in (None, got) else []
        problems += [f"scripts ran: {ran}, expected {marks}"] if texts is None and \
            sorted(ran) != sorted(marks) else []
        failures += bool(problems)
        print(("FAIL " if problems else "ok   ") + f"{kind} {name}" + (" (as it stands)" if
              texts is None else "") + ": " + ("; ".join(problems) or f"ran {ran}"))
    print(f"{len(made) - failures} of {len(made)} pages as expected")
    return 1 if failures else 0


def check_vnu(root, made):
    jar = os.path.join(root, "node_modules", "vnu-jar", "build", "dist", "vnu.jar")
    if not shutil.which("java") or not os.path.exists(jar):
        print("SKIPPED: needs java and node_modules/vnu-jar (scripts/test.sh installs both)")
        return 77
    run = subprocess.run(["java", "-jar", jar, "--format", "json", "--stdout"] +
                         [page for _, page, _, _, _ in made],
                         capture_output=True, text=True, timeout=300)
    messages = json.loads(run.stdout)["messages"]
    names = {"file:" + page: name for name, page, _, _, _ in made}
    for m in messages:
        print(f"FAIL {names.get(m.get('url'), m.get('url'))}: line {m.get('lastLine')}: "
              f"{m.get('type')}/{m.get('subType', '')}: {m.get('message')}")
    print(f"vnu {json.loads(run.stdout).get('version')}: {len(made)} pages, "
          f"{len(messages)} messages")
    return 1 if messages or run.returncode not in (0, 1) else 0


def check_browser(chromium, made, tmp):
    failures = 0
    for name, page, elements, pictures, form in made:
        if elements is None:
            continue  # the examples are for the checker
        got = probe(chromium, page, tmp)
        if not got:
            print(f"FAIL {name}: no probe result in the DOM")
            failures += 1
            continue
        problems = []
        for want_text, (tag, parent, style) in elements.items():
            hits = [e for e in got["elements"] if e["text"] == want_text and e["tag"] == tag]
            if len(hits) != 1 or hits[0]["parent"] != parent:
                problems.append(f"{tag} {want_text!r}: found {hits}")
                continue
            problems += [f"{want_text!r}: {p} {hits[0][p]!r}, expected {v!r}"
                         for p, v in style.items() if hits[0][p] != v]
        problems += [f"list inside {e['parent']}" for e in got["elements"]
                     if e["tag"] in ("UL", "OL") and e["parent"] != "BODY"]
        local = [i for i in got["images"] if not i["src"].startswith("http")]
        problems += [f"picture not loaded: {i['src']}" for i in local if i["width"] <= 0]
        if len(local) != pictures:
            problems.append(f"{len(local)} local pictures, expected {pictures}")
        if got["body"] != "rgb(255, 255, 255)":
            problems.append(f"background colour {got['body']}")
        if (got["background"] > 0) != (form == "A"):
            problems.append(f"background picture width {got['background']}")
        failures += bool(problems)
        print(("FAIL " if problems else "ok   ") + name + ": " + ("; ".join(problems) or
              f"{len(elements)} styled elements, {len(local)} pictures loaded"))
    print(f"{len(PAGES) - failures} of {len(PAGES)} pages rendered as their forms ask")
    return 1 if failures else 0


def check_examples(chromium, exe, root, tmp):
    os.makedirs(os.path.join(root, "build", "pages"), exist_ok=True)
    failures = 0
    for name, section, args in EXAMPLES:
        page = generate(exe, root, "examples/notice.frm", ["--section", section] + args)
        # The next run counts from request 0 again and may take this page's name: read the
        # page and remove it before that.
        try:
            got = probe(chromium, page, tmp) or {"counts": {}, "images": [], "background": -1}
        finally:
            os.remove(page)
            os.remove(page[:-len(".htm")] + ".probe.html")
        wanted = {key: COUNTS[name].get(key, 0) for key in COUNTED}
        wanted.update(items=COUNTS[name].get("items", []), title="User Notification")
        problems = [f"{key}: {got['counts'].get(key)}, expected {value}"
                    for key, value in wanted.items() if got["counts"].get(key) != value]
        # The browser resolves picture paths against the page's own folder: from there each
        # must reach a shipped picture, or the logo and background do not show.
        problems += [f"picture not loaded: {i['src']}" for i in got["images"] if i["width"] <= 0]
        if got["background"] <= 0:
            problems.append(f"background picture width {got['background']}")
        failures += bool(problems)
        print(("FAIL " if problems else "ok   ") + name + ": " +
              ("; ".join(problems) or str(got["counts"])))
    print(f"{len(EXAMPLES) - failures} of {len(EXAMPLES)} example pages rendered as asked")
    return 1 if failures else 0


def main():
    mode, exe, root = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
    chromium = shutil.which("chromium")
    if mode != "vnu" and not chromium:
        print("SKIPPED: chromium is not installed (scripts/test.sh installs it)")
        return 77
    with tempfile.TemporaryDirectory() as tmp:
        if mode == "examples":
            return check_examples(chromium, exe, root, tmp)
        if mode == "escape":
            return check_escape(chromium, exe, root, tmp)
        made = make_pages(exe, root, tmp)
        if mode == "vnu":
            # The escaped HTML5 pages too; without the form's own scripts, of which the checker
            # warns that the page's policy blocks them.
            made += [("escaped " + name, page, None, 0, "escape") for kind, name, page, texts, _
                     in make_escape_pages(exe, root, tmp, False) if kind == "html5" and texts]
        return check_vnu(root, made) if mode == "vnu" else check_browser(chromium, made, tmp)


if __name__ == "__main__":
    sys.exit(main())
