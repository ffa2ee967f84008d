#!/usr/bin/env python3
"""Every face of the generator object makes the requests of requests.txt (whose head describes
the table and the runners): each must give what the table expects, every face the same.

  faces_test.py REQUESTS SOURCE_DIR PAGEWRIGHT [NAME=RUNNER ...]
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

FIELDS = (b"form", b"section", b"text", b"text file", b"reason", b"page holds")


def read_table(path):
    derives, rows, block = [], [], None
    for line in open(path, "rb").read().split(b"\n"):
        if block is not None and line.startswith(b"    "):
            block.append(line[4:])
            continue
        block = None
        key, _, value = line.partition(b": ")
        value = re.sub(rb"\\\\|\\x([0-9A-Fa-f]{2})",
                       lambda m: bytes.fromhex(m[1].decode()) if m[1] else b"\\", value)
        if line.startswith(b"=== "):
            rows.append({"heading": line[4:].decode()})
        elif key == b"derive":
            derives.append(re.match(rb"(.*) = (.*) \+ (.*)", value).groups())
        elif line == b"page:":
            rows[-1]["page"] = block = []
        elif rows and key in FIELDS:
            rows[-1][key.decode()] = value
    for row in filter(lambda row: "page" in row, rows):  # a "\" at a line's end joins the next
        row["page"] = b"\n".join(row["page"]).replace(b"\\\n", b"")
    return derives, rows


def run_face(name, runner, requests):
    """The face's line for each request, run in the current folder."""
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
    wanted, problems = "reason" if "reason" in row else "page", []
    for face, (kind, value) in results.items():
        if kind != wanted:
            problems.append(f"{face} gave a {kind or 'nothing'}")
        elif kind == "reason" and value != row["reason"]:
            problems.append(f"{face} gave the reason {value!r}")
        elif kind == "page" and value not in (row.get("page", value), row.get("page", b"") + b"\n"):
            problems.append(f"{face} made another page:\n{value.decode('latin-1')}")
        elif kind == "page" and row.get("page holds", b"") not in value:
            problems.append(f"{face} made a page without {row['page holds']!r}")
    return problems + (["the faces differ"] if len(set(results.values())) > 1 else [])


def main():
    table, source, pagewright = (os.path.abspath(arg) for arg in sys.argv[1:4])
    derives, rows = read_table(table)
    faces = {"cli": pagewright, **dict(spec.split("=", 1) for spec in sys.argv[4:])}
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
        os.chdir(source)
    failures = [f"request {number} ({row['heading']}): {problem}"
                for number, row in enumerate(rows) for problem in check(row, results[number])]
    print("\n".join(failures) or f"{len(rows)} requests, the same results through {', '.join(faces)}")
    sys.exit(1 if failures else 0)


if __name__ == "__main__":
    main()
