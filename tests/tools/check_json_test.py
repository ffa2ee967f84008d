#!/usr/bin/env python3
"""The command as a user runs it: "examples", those of tests/cases/commands.txt; "json", check
--format json against docs/check-json.md, run by run: every object has the five keys in order
with their types, and says what the text format's line says.
    check_json_test.py examples|json PAGEWRIGHT_EXE ROOT"""
import json
import os
import re
import subprocess
import sys
import tempfile

mode, exe, root = sys.argv[1], os.path.abspath(sys.argv[2]), os.path.abspath(sys.argv[3])
# A run beyond the examples: bytes that are no UTF-8 and quotes, in texts and a style name.
ODD_RUN = {"where": "-", "name": "bytes that are no UTF-8, and quotes", "command": "pagewright check --form - --text '<LB>a<b\n\\c\x1b[1m><LE>' --text "
           "'\xff<T>x<\xff>y'", "stdin": "[SYSTEM]\nDEFAULT_STYLE=<<\"Q\">>\nHTML_DEST_DIR=/nonexistent\n"}
TYPES = {"severity": str, "file": str, "line": int, "request": int, "message": str}
ESCAPES = {"\\": "\\", "n": "\n", "r": "\r", "t": "\t", "v": "\v", "f": "\f"}


def unescape(text):
    """The text with its escapes (tests/cases/README.md) undone, and whether it joins the next."""
    join = re.search(r"(?<!\\)(\\\\)*\\$", text) is not None
    return re.sub(r"\\(x[0-9A-Fa-f]{2}|[\\nrtvf])", lambda m: ESCAPES.get(m.group(1)) or
                  chr(int(m.group(1)[1:], 16)), text[:-1] if join else text), join


def examples(path):
    """The examples of a file of the format, as dictionaries of their fields."""
    found, key, join = [], None, False
    for number, line in enumerate(open(path, encoding="latin-1").read().split("\n"), 1):
        if key and line.startswith("    "):
            text, joined = unescape(line[4:])
            found[-1][key] += ("" if fresh or join else "\n") + text
            fresh, join = False, joined
            continue
        key, fresh = None, True
        if line.startswith("=== "):
            found.append({"name": line[4:], "where": "%s:%d" % (os.path.basename(path), number)})
        elif found and line.endswith(":") and ": " not in line:
            key = line[:-1]
            found[-1][key] = ""
        elif found and ": " in line:
            found[-1][line.split(": ", 1)[0]] = unescape(line.split(": ", 1)[1])[0]
        elif line and not line.startswith("#"):
            sys.exit("%s:%d: expected \"=== heading\" or \"key: value\"" % (path, number))
    return found


def folder(tmp):
    """A fresh folder that sees the shipped examples as examples/ and has build/pages."""
    os.symlink(os.path.join(root, "examples"), os.path.join(tmp, "examples"))
    os.makedirs(os.path.join(tmp, "build", "pages"))
    return tmp


def on_schema(f):
    return (isinstance(f, dict) and list(f) == list(TYPES) and f["file"]
            and all(f[k] is None and k in ("line", "request") or type(f[k]) is t
                    for k, t in TYPES.items())
            and f["severity"] in ("error", "warning") and (f["line"] is None or f["line"] >= 1)
            and (f["request"] or 0) >= 0 and all(c >= " " and c != "\x7f" for c in f["message"]))


def run(ex, options=""):
    """Runs an example's command line in a fresh folder; "options" go right after "check"."""
    stdin = (open(os.path.join(root, ex["stdin file"]), encoding="latin-1").read()
             if "stdin file" in ex else ex.get("stdin", ""))
    line = ex["command"].replace("pagewright check", "pagewright check" + options, 1)
    command = "'%s'%s" % (exe, line[len("pagewright"):])
    with tempfile.TemporaryDirectory() as tmp:
        return subprocess.run(command.encode("latin-1"), shell=True, cwd=folder(tmp),
                              capture_output=True, input=stdin.encode("latin-1"))


def json_problems(ex):
    text, out = run(ex), run(ex, " --format json")
    problems, findings = [], []
    try:
        findings = json.loads(out.stdout.decode("utf-8"))
        assert isinstance(findings, list), "not an array"
    except (UnicodeDecodeError, ValueError, AssertionError) as e:
        findings, problems = [], ["not a UTF-8 JSON array: %s" % e]
    problems += ["object off the schema: %r" % (f,) for f in findings if not on_schema(f)]
    findings = [f for f in findings if on_schema(f)]
    errors = sum(f["severity"] == "error" for f in findings)
    lines = ["%s%s: %s: %s%s" % (f["file"], "" if f["line"] is None else ":%d" % f["line"],
                                 f["severity"], "" if f["request"] is None else
                                 "request %d: " % f["request"], f["message"]) for f in findings]
    lines.append("%d error%s, %d warning%s" % (errors, "s"[errors == 1:], len(findings) - errors,
                                               "s"[len(findings) - errors == 1:]))
    if text.stdout.decode("utf-8").splitlines() != lines:
        problems.append("text format says otherwise:\n%s\njson made:\n%s" % (
            text.stdout.decode("utf-8"), "\n".join(lines)))
    if out.returncode != text.returncode:
        problems.append("exit status %d, text format %d" % (out.returncode, text.returncode))
    if not findings and "examples/notice.frm" not in ex["command"]:  # only the example is clean
        problems.append("no findings")
    return ["%s: %s" % (ex["command"], p) for p in problems]


def example_problems(ex):
    done = run(ex)
    got = {"status": str(done.returncode), "stdout": done.stdout.decode("latin-1"),
           "stderr": done.stderr.decode("latin-1")}
    return ["%s %s: %s is %r, not %r" % (ex["where"], ex["name"], key, got[key], ex.get(key, want))
            for key, want in (("status", "0"), ("stdout", ""), ("stderr", ""))
            if got[key] != ex.get(key, want)]


problems, cases = [], examples(os.path.join(root, "tests", "cases", "commands.txt"))
if mode == "json":  # every check example that is no usage error (those print no findings)
    cases = [ex for ex in cases + [ODD_RUN]
             if ex["command"].startswith("pagewright check") and ex.get("status") != "2"]
for ex in cases:
    found = example_problems(ex) if mode == "examples" else json_problems(ex)
    print("FAIL" if found else "ok", ex["where"], ex["name"])
    problems += found
print("\n".join(problems + ["%s: %d problems" % (mode, len(problems))]))
sys.exit(1 if problems else 0)
