"""The C library behind the package: where it is, its calls, and the conversions at its edge.

The library is the one whose path the installation recorded in ``_location.py`` beside this
file (``cmake --install`` writes it relative to the package's folder, so that a prefix can be
moved as a whole; ``pip install`` writes the library in the folder pkg-config named when the
package was built). Without that file (the package run from the source tree), it is
``libpagewright.so.1`` wherever the dynamic loader looks (``ld.so.cache``, ``LD_LIBRARY_PATH``).
"""

from __future__ import annotations

import ctypes
import os
from pathlib import Path
from typing import Optional, Union

SONAME = "libpagewright.so.1"

Text = Union[str, bytes, bytearray, memoryview]
PathArg = Union[str, bytes, "os.PathLike[str]", "os.PathLike[bytes]"]


def _recorded_library() -> Optional[Path]:
    try:
        from ._location import LIBRARY  # written when the package is installed
    except ImportError:
        return None
    # A relative path counts from this folder, not from the current directory.
    return Path(__file__).resolve().parent / LIBRARY


def _load() -> ctypes.CDLL:
    recorded = _recorded_library()
    if recorded is not None:
        # The installation said where its library is: another one found elsewhere would be
        # another version, so a missing file is an error, not a reason to look further.
        return ctypes.CDLL(str(recorded))
    try:
        return ctypes.CDLL(SONAME)
    except OSError as error:
        raise ImportError(
            f"pagewright: cannot load {SONAME} ({error}); install the library "
            "(cmake --install) and then this package, or put the library where the "
            "dynamic loader looks (ldconfig)") from error


def _declare(lib: ctypes.CDLL) -> ctypes.CDLL:
    """Gives each call its C prototype, so that ctypes converts and checks every argument."""
    gen = ctypes.c_void_p  # pagewright_generator*, opaque
    lib.pagewright_new.argtypes = []
    lib.pagewright_new.restype = gen
    lib.pagewright_generate.argtypes = [gen, ctypes.c_char_p, ctypes.c_size_t, ctypes.c_char_p,
                                        ctypes.c_char_p]
    lib.pagewright_generate.restype = ctypes.c_int
    lib.pagewright_generate_file.argtypes = [gen, ctypes.c_char_p, ctypes.c_char_p,
                                             ctypes.c_char_p]
    lib.pagewright_generate_file.restype = ctypes.c_int
    lib.pagewright_wait.argtypes = [gen, ctypes.c_long]
    lib.pagewright_wait.restype = ctypes.c_int
    lib.pagewright_wait_request.argtypes = [gen, ctypes.c_int, ctypes.c_long]
    lib.pagewright_wait_request.restype = ctypes.c_int
    # The two strings are the caller's to free: kept as raw pointers for pagewright_free.
    for call in (lib.pagewright_page, lib.pagewright_reason):
        call.argtypes = [gen, ctypes.c_int]
        call.restype = ctypes.c_void_p
    lib.pagewright_reset.argtypes = [gen]
    lib.pagewright_reset.restype = None
    lib.pagewright_destroy.argtypes = [gen]
    lib.pagewright_destroy.restype = None
    lib.pagewright_free.argtypes = [ctypes.c_void_p]
    lib.pagewright_free.restype = None
    lib.pagewright_version.argtypes = []
    lib.pagewright_version.restype = ctypes.c_char_p
    return lib


# A CDLL (not a PyDLL): ctypes lets go of the GIL for the length of every call, so a thread
# that waits for a page does not stop the others.
lib = _declare(_load())


def text_bytes(text: Text) -> bytes:
    """A request's text as the library takes it: a str as UTF-8, bytes exactly as they are."""
    if isinstance(text, str):
        return text.encode("utf-8")
    if isinstance(text, bytes):
        return text
    if isinstance(text, (bytearray, memoryview)):
        return bytes(text)
    raise TypeError(f"text must be str or bytes, not {type(text).__name__}")


def c_string(what: str, value: Union[str, bytes]) -> bytes:
    """A section name as a C string: a NUL would cut it short without anyone noticing."""
    if isinstance(value, str):
        value = value.encode("utf-8")
    elif not isinstance(value, bytes):
        raise TypeError(f"{what} must be str or bytes, not {type(value).__name__}")
    if b"\0" in value:
        raise ValueError(f"{what} holds a NUL character")
    return value


def c_path(what: str, path: PathArg) -> bytes:
    """A file name as the system spells it (os.fsencode), as a C string."""
    try:
        encoded = os.fsencode(path)
    except TypeError:
        raise TypeError(f"{what} must be str, bytes or os.PathLike, not "
                        f"{type(path).__name__}") from None
    return c_string(what, encoded)


def take_string(pointer: Optional[int]) -> Optional[bytes]:
    """The bytes of a string the library handed over, which is then freed."""
    if not pointer:
        return None
    try:
        return ctypes.string_at(pointer)
    finally:
        lib.pagewright_free(pointer)


def new_generator() -> int:
    handle = lib.pagewright_new()
    if not handle:
        raise MemoryError("pagewright: no memory for a generator object")
    return handle
