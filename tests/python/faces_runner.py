"""The Python package's runner of the table of requests every face makes (tests/faces/requests.txt,
whose head gives its format and this output): every request on one Generator, then one line
per request, "page PATH" or "reason REASON", in table order.
    faces_runner.py requests.txt"""

import os
import re
import sys

import pagewright


def unescape(text):
    return re.sub(rb"\\\\|\\x([0-9A-Fa-f]{2})",
                  lambda m: bytes([int(m.group(1), 16)]) if m.group(1) else b"\\", text)


def requests(path):
    rows = []
    for line in open(path, "rb").read().split(b"\n"):
        key, _, value = line[:-1].partition(b": ") if line.endswith(b":") else \
            line.partition(b": ")
        if line.startswith(b"=== "):
            rows.append({})
        elif rows and key in (b"form", b"section", b"text", b"text file"):
            rows[-1][key] = unescape(value)
    return rows


def main():
    with pagewright.Generator() as gen:
        futures = [gen.submit_file(row[b"text file"], row[b"form"], row[b"section"])
                   if b"text file" in row else
                   gen.submit(row[b"text"], row[b"form"], row[b"section"])
                   for row in requests(sys.argv[1])]
    for future in futures:
        error = future.exception()
        sys.stdout.buffer.write(b"reason " + os.fsencode(error.reason) if error else
                                b"page " + os.fsencode(future.result()))
        sys.stdout.buffer.write(b"\n")


main()
