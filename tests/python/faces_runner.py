"""The Python package's runner of the table every face makes (tests/faces/requests.txt gives its
format and this output): every request on one Generator, then "page PATH" or "reason REASON"
for each, in table order.    faces_runner.py requests.txt"""
import os
import sys

import pagewright

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "faces"))
from faces_test import read_table  # noqa: E402  (the driver's own reading of the table)

with pagewright.Generator() as gen:
    futures = [gen.submit_file(row["text file"], row["form"], row["section"]) if "text file" in row
               else gen.submit(row["text"], row["form"], row["section"])
               for row in read_table(sys.argv[1])[1]]
for future in futures:
    error = future.exception()
    sys.stdout.buffer.write(b"reason " + os.fsencode(error.reason) + b"\n" if error else
                            b"page " + os.fsencode(future.result()) + b"\n")
