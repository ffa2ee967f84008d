#!/usr/bin/env python3
"""pagewright check --format json against the schema of docs/check-json.md, run by run: every
object has the five keys in order with their types, and says what the text format's line says.
    check_json_test.py PAGEWRIGHT_EXE EXAMPLES_DIR"""
import json
import os
import subprocess
import sys
import tempfile

exe, examples = sys.argv[1], sys.argv[2]
b = "examples/broken/"
# Arguments after "check", and the standard input piped in.
RUNS = [
    (["--form", b + "errors.frm", "--section", "NOTICE", "--text-file", b + "unclosed-list.txt"], ""),
    (["--form", b + "warnings.frm", "--section", "NOTICE", "--text-file", b + "leftover.txt",
      "--", b + "stray-tag.txt"], ""),
    (["--strict", "--form", b + "warnings.frm"], ""),
    (["--form", b + "no-system.frm"], ""),
    (["--form", "examples/notice.frm", "--section", "NOTICE", "--text-file", "examples/notice.txt"], ""),
    (["--form", "-", "--text", "<LB>a<b\n\\c\x1b[1m><LE>", "--text", "\xff<T>x<\xff>y"],
     "[SYSTEM]\nDEFAULT_STYLE=<<\"Q\">>\nHTML_DEST_DIR=/nonexistent\n"),
]
KEYS = ["severity", "file", "line", "request", "message"]
failures = 0

with tempfile.TemporaryDirectory() as tmp:
    os.symlink(examples, os.path.join(tmp, "examples"))
    os.makedirs(os.path.join(tmp, "build", "pages"))

    def run(args, stdin):
        p = subprocess.run([exe, "check"] + args, cwd=tmp, input=stdin.encode("latin-1"),
                           capture_output=True)
        return p.returncode, p.stdout

    for args, stdin in RUNS:
        args = [a.encode("latin-1").decode("utf-8", "surrogateescape") for a in args]
        status, text = run(args, stdin)
        json_status, out = run(["--format", "json"] + args, stdin)
        problems = []
        try:
            findings = json.loads(out.decode("utf-8"))
        except (UnicodeDecodeError, json.JSONDecodeError) as e:
            findings, problems = [], ["not UTF-8 JSON: %s" % e]
        if not isinstance(findings, list):
            findings, problems = [], problems + ["not an array"]
        lines = []
        for f in findings:
            ok = (isinstance(f, dict) and list(f) == KEYS
                  and f["severity"] in ("error", "warning")
                  and isinstance(f["file"], str) and f["file"]
                  and (f["line"] is None or (type(f["line"]) is int and f["line"] >= 1))
                  and (f["request"] is None or (type(f["request"]) is int and f["request"] >= 0))
                  and isinstance(f["message"], str)
                  and all(c >= " " and c != "\x7f" for c in f["message"]))
            if not ok:
                problems.append("object off the schema: %r" % (f,))
                continue
            lines.append("%s%s: %s: %s%s" % (
                f["file"], "" if f["line"] is None else ":%d" % f["line"], f["severity"],
                "" if f["request"] is None else "request %d: " % f["request"], f["message"]))
        errors = sum(f.get("severity") == "error" for f in findings if isinstance(f, dict))
        count = "%d error%s, %d warning%s" % (errors, "" if errors == 1 else "s",
                                              len(findings) - errors,
                                              "" if len(findings) - errors == 1 else "s")
        if text.decode("utf-8").splitlines() != lines + [count]:
            problems.append("text format says otherwise:\n%s\njson made:\n%s" % (
                text.decode("utf-8"), "\n".join(lines + [count])))
        if json_status != status:
            problems.append("exit status %d, text format %d" % (json_status, status))
        if not findings and "examples/notice.frm" not in args:  # only the example is clean
            problems.append("no findings")
        for p in problems:
            failures += 1
            print("check %s: %s" % (" ".join(args), p))

print("check_json_test: %d runs, %d problems" % (len(RUNS), failures))
sys.exit(1 if failures else 0)
