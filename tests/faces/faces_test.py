#!/usr/bin/env python3
"""Every face of the generator object makes the requests of requests.txt (its head describes
the table and what a runner prints): each request must give the page or the reason the table
expects, and every face the same page bytes and the same reason.

  faces_test.py REQUESTS SOURCE_DIR PAGEWRIGHT [NAME=RUNNER ...]

PAGEWRIGHT is the command, driven once per request; each RUNNER (a command line) is started as
RUNNER REQUESTS in a folder of its own.
"""
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile


def unescape(text):
    return re.sub(rb"\\\\|\\x([0-9A-Fa-f]{2})",
                  lambda m: bytes([int(m.group(1), 16)]) if m.group(1) else b"\\", text)


def read_table(path):
    derives, rows = [], []
    block = None
    for line in open(path, "rb").read().split(b"\n"):
        if block is not None and line.startswith(b"    "):
            block.append(line[4:])
            continue
        block = None
        key, sep, value = line.partition(b": ")
        if not sep and line.endswith(b":"):
            key, value = line[:-1], b""
        if line.startswith(b"=== "):
            rows.append({"heading": line[4:].decode()})
        elif key == b"derive":
            new, old_line = value.split(b" = ", 1)
            derives.append((new, *old_line.split(b" + ", 1)))
        elif rows and key in (b"form", b"section", b"text", b"text file", b"reason",
                              b"page holds"):
            rows[-1][key.decode()] = unescape(value)
        elif rows and key == b"page":
            rows[-1]["page"] = block = []
    for row in rows:
        if "page" in row:  # a "\" at a line's end joins the next line without a break
            row["page"] = re.sub(rb"\\\n", b"", b"\n".join(row["page"]))
    return derives, rows


def prepare(folder, source, derives):
    shutil.copytree(os.path.join(source, "examples"), os.path.join(folder, "examples"))
    os.makedirs(os.path.join(folder, "build", "pages"))
    for new, old, line in derives:
        text = open(os.path.join(folder, os.fsdecode(old)), "rb").read()
        with open(os.path.join(folder, os.fsdecode(new)), "wb") as f:
            f.write(text.replace(b"[SYSTEM]\n", b"[SYSTEM]\n" + line + b"\n", 1))


def run_command(pagewright, folder, rows):
    """The command as a user runs it, once per request; its pages are renamed apart, since
    every run counts its requests from 0 and runs in the same second share page names."""
    results = []
    for number, row in enumerate(rows):
        text = ["--text-file", row["text file"]] if "text file" in row else ["--text", row["text"]]
        done = subprocess.run([pagewright, b"generate", b"--form", row["form"], b"--section",
                               row["section"], *text], cwd=folder, capture_output=True)
        page = done.stdout.rstrip(b"\n")
        if page:
            os.rename(os.path.join(folder, os.fsdecode(page)),
                      os.path.join(folder, os.fsdecode(page)) + f".{number}")
            results.append(b"page " + page + f".{number}".encode())
        else:
            results.append(b"reason " + re.sub(rb"^pagewright: request 0: ", b"",
                                               done.stderr.rstrip(b"\n")))
    return results


def check(rows, faces):
    failures = []
    for number, row in enumerate(rows):
        seen, wanted = {}, b"reason" if "reason" in row else b"page"
        for face, (folder, lines) in faces.items():
            kind, _, value = lines[number].partition(b" ") if number < len(lines) else (b"",) * 3
            if kind == b"page":
                with open(os.path.join(folder, os.fsdecode(value)), "rb") as f:
                    value = f.read()
            seen[face] = (kind, value)
            if kind != wanted:
                problem = f"{kind.decode() or 'nothing'} where the table has a {wanted.decode()}"
            elif kind == b"reason" and value != row["reason"]:
                problem = f"reason {value!r}, expected {row['reason']!r}"
            elif kind == b"page" and "page" in row and value not in (row["page"],
                                                                     row["page"] + b"\n"):
                problem = f"the page is not the table's:\n{value.decode('latin-1')}"
            elif kind == b"page" and row.get("page holds", b"") not in value:
                problem = f"the page lacks {row['page holds']!r}"
            else:
                continue
            failures.append(f"request {number} ({row['heading']}), {face}: {problem}")
        if len(set(seen.values())) > 1:
            failures.append(f"request {number} ({row['heading']}): the faces differ: " + ", ".join(
                f"{face} {kind.decode()} of {len(value)} bytes" for face, (kind, value) in
                seen.items()))
    return failures


def main():
    requests, source, pagewright = sys.argv[1], sys.argv[2], os.path.abspath(sys.argv[3])
    derives, rows = read_table(requests)
    faces = {}
    with tempfile.TemporaryDirectory() as work:
        for spec in ["cli=", *sys.argv[4:]]:
            name, _, runner = spec.partition("=")
            folder = os.path.join(work, name)
            prepare(folder, source, derives)
            if name == "cli":
                lines = run_command(pagewright, folder, rows)
            else:
                done = subprocess.run([*shlex.split(runner), os.path.abspath(requests)],
                                      cwd=folder, capture_output=True)
                if done.returncode != 0:
                    sys.exit(f"faces_test: {name} exited {done.returncode}: {done.stderr!r}")
                lines = done.stdout.split(b"\n")[:-1]
            faces[name] = (folder, lines)
        failures = check(rows, faces)
    for failure in failures:
        print(f"faces_test: {failure}", file=sys.stderr)
    if failures:
        sys.exit(1)
    print(f"faces_test: {len(rows)} requests, the same results through {', '.join(faces)}")


if __name__ == "__main__":
    main()
