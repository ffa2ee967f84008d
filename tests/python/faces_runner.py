"""The Python package's runner of the table every face makes (tests/faces/requests.txt gives its
arguments and this output): every request on one Generator, then "page PATH" or "reason REASON"
for each, in order.    faces_runner.py [FORM SECTION text|file TEXT-OR-PATH]..."""
import os
import sys

import pagewright

requests = [os.fsencode(argument) for argument in sys.argv[1:]]
with pagewright.Generator() as gen:
    futures = [(gen.submit_file if kind == b"file" else gen.submit)(text, form, section)
               for form, section, kind, text in zip(*[iter(requests)] * 4)]
for future in futures:
    error = future.exception()
    sys.stdout.buffer.write(b"reason " + os.fsencode(error.reason) + b"\n" if error else
                            b"page " + os.fsencode(future.result()) + b"\n")
