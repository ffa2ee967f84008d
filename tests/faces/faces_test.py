#!/usr/bin/env python3
"""faces_test.py REQUESTS SOURCE_DIR PAGEWRIGHT [NAME=RUNNER ...]: every face of the generator
object makes the requests of requests.txt (whose head describes the table and the runners)."""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile


def read_table(path):
    derives, rows = [], []
    for line in open(path, "rb").read().split(b"\n"):
        key, _, value = line.partition(b": ")
        value = re.sub(rb"\\\\|\\n|\\x([0-9A-Fa-f]{2})", lambda m: {b"\\\\": b"\\", b"\\n": b"\n"}.get(
            m[0]) or bytes.fromhex(m[1].decode()), value)
        if line.startswith(b"=== "):
            rows.append({"heading": line[4:].decode()})
        elif key == b"derive":
            derives.append(re.match(rb"(.*) = (.*) \+ (.*)", value).groups())
        elif rows and key in (b"form", b"section", b"text", b"text file", b"reason", b"page holds"):
            rows[-1][key.decode()] = value
    return derives, rows


def run_face(name, runner, requests):  # a line per request, run in the current folder
    if name != "cli":
        return subprocess.run(shlex.split(runner) + [a for r in requests for a in r],
                              capture_output=True, check=True).stdout.split(b"\n")[:-1]
    lines = []  # the command, once per request
    for number, (form, section, kind, text) in enumerate(requests):
        option = b"--text-file" if kind == b"file" else b"--text"
        done = subprocess.run([runner, "generate", "--form", form, "--section", section, option,
                               text], capture_output=True)
        page = done.stdout.rstrip(b"\n")
        if page:  # every run counts from 0, so runs in one second name their pages alike
            os.rename(page, page + b".%d" % number)
            lines.append(b"page " + page + b".%d" % number)
        else:
            lines.append(b"reason " + done.stderr.rstrip(b"\n").split(b": ", 2)[-1])
    return lines


def check(row, results):
    problems = [f"{face} gave the {kind or 'nothing'} {value[:300]!r}"
                for face, (kind, value) in results.items()
                if ((kind, value) != ("reason", row["reason"]) if "reason" in row
                    else kind != "page" or row.get("page holds", b"") not in value)]
    return problems + (["the faces differ"] if len(set(results.values())) > 1 else [])


def main():
    table, source, pagewright = (os.path.abspath(arg) for arg in sys.argv[1:4])
    derives, rows = read_table(table)
    faces = {"cli": pagewright, **dict(arg.split("=", 1) for arg in sys.argv[4:])}
    requests = [(row["form"], row["section"], b"file" if "text file" in row else b"text",
                 row.get("text file", row.get("text"))) for row in rows]
    results = [{} for _ in rows]
    with tempfile.TemporaryDirectory() as work:
        for name, runner in faces.items():
            os.chdir(work)
            shutil.copytree(os.path.join(source, "examples"), os.path.join(name, "examples"))
            os.makedirs(os.path.join(name, "build", "pages"))
            os.chdir(name)
            for new, old, line in derives:
                with open(old, "rb") as f, open(new, "wb") as out:
                    out.write(f.read().replace(b"[SYSTEM]\n", b"[SYSTEM]\n" + line + b"\n", 1))
            lines = run_face(name, runner, requests)
            for number in range(len(rows)):
                kind, _, value = (lines[number] if number < len(lines) else b"").partition(b" ")
                if kind == b"page":
                    with open(value, "rb") as f:
                        value = f.read()
                results[number][name] = (kind.decode(), value)
    failures = [f"request {number} ({row['heading']}): {problem}"
                for number, row in enumerate(rows) for problem in check(row, results[number])]
    print("\n".join(failures) or f"{len(rows)} requests, the same results through {', '.join(faces)}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
