"""Pagewright: an HTML page on disk from a short tag-markup text and a form file.

The text carries the words (runs separated by ``<T>``, lists between ``<LB>`` and ``<LE>``,
style names between ``<<`` and ``>>``); the form file says where pages go (``HTML_DEST_DIR``)
and how a page is laid out, one layout section per kind of page. One call makes one page::

    import pagewright

    try:
        path = pagewright.generate("Planned maintenance<T>Servers are offline", "notice.frm",
                                   "NOTICE")
    except pagewright.GenerationError as error:
        print("no page:", error.reason)

A batch runs its jobs side by side on a generator of its own; leaving the block waits for
them all::

    with pagewright.Generator() as gen:
        futures = [gen.submit(text, "notice.frm", "NOTICE") for text in texts]
        paths = [future.result() for future in futures]

Every page, file name and reason is the one the library ``libpagewright.so.1`` gives its C,
C++ and COM hosts: this package calls its C interface (``pagewright/pagewright.h``) through
ctypes. Calls may come from any thread; the GIL is released while a page is made.
"""

from ._generator import GenerationError, Generator, generate, generate_file
from ._native import lib as _lib

__all__ = ["generate", "generate_file", "Generator", "GenerationError", "__version__"]

# The version of the library this package runs on, for instance "1.0.0".
__version__ = _lib.pagewright_version().decode("ascii")
