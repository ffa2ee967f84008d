"""generate(), Generator and GenerationError over the C library's generator object."""

import collections
import math
import os
import threading
import time
import weakref
from concurrent.futures import Future
from pathlib import Path
from types import TracebackType
from typing import Callable, Deque, Optional, Tuple, Type, Union

from . import _native
from ._native import lib

# The public signatures say what a caller passes; bytes also do for a form or a section, and
# bytearray or memoryview for a text.
Text = Union[str, bytes]
PathArg = Union[str, os.PathLike]
Section = str


class GenerationError(Exception):
    """A request that made no page.

    ``reason`` is the library's one line on why, naming the place (the form file and line, the
    section and its line, or the offset in the text); a byte in it that is no UTF-8 is kept as
    ``os.fsdecode`` keeps it. ``index`` is the request's index, the number the page's file name
    would have carried. ``str()`` of the error is the reason.
    """

    def __init__(self, reason: str, index: int) -> None:
        super().__init__(reason, index)
        self.reason: str = reason
        self.index: int = index

    def __str__(self) -> str:
        return self.reason


GenerationError.__module__ = "pagewright"

# The library's answer for a request it could not queue.
_NOT_QUEUED = -1
# How long one wait on the calling thread lasts before Python looks at its signals again. The
# wait itself ends the moment the job hands its result back; this only keeps Ctrl-C working.
_WAIT_SLICE_MS = 250


def _queue(handle: int, text: Optional[Text], text_path: Optional[PathArg], form: PathArg,
           section: Section) -> int:
    """Queues one request on the C object: its index. Arguments are checked before anything."""
    form_c = _native.c_path("form", form)
    section_c = _native.c_string("section", section)
    if text_path is not None:
        index = lib.pagewright_generate_file(handle, _native.c_path("text_path", text_path),
                                             form_c, section_c)
    else:
        text_c = _native.text_bytes(text)  # type: ignore[arg-type]
        index = lib.pagewright_generate(handle, text_c, len(text_c), form_c, section_c)
    if index == _NOT_QUEUED:
        raise OSError("pagewright: the request could not be queued: its text is too long for "
                      "one request (2 GB or more), or no memory or worker thread could be had")
    return index


def _outcome(handle: int, index: int) -> Union[Path, GenerationError]:
    """A finished request's page, or the error that says why it made none."""
    page = _native.take_string(lib.pagewright_page(handle, index))
    if page is not None:
        return Path(os.fsdecode(page))
    reason = _native.take_string(lib.pagewright_reason(handle, index)) or b""
    # As os.fsdecode does for names: a byte that is no UTF-8 (in a path or a section name the
    # reason quotes) survives, and os.fsencode(reason) gives the library's bytes back.
    return GenerationError(reason.decode("utf-8", "surrogateescape"), index)


class _SharedObject:
    """The module's own generator object, behind generate() and generate_file().

    One object for every call, so that the requests of one process get distinct indexes and so
    distinct page names (a name is the second it was made in and the request's index; two
    objects would both start at 0). It is replaced by a fresh one once it is idle, has handed
    out enough indexes, and its last page was named in an earlier second than now: its result
    list stays short and no new name can meet an old one.
    """

    RENEW_AFTER = 1024

    def __init__(self) -> None:
        self._lock = threading.Lock()
        self._handle = 0
        self._issued = 0
        self._running = 0
        self._last_second = 0

    def _forget(self) -> None:
        # In a child process the parent's jobs do not exist: never wait for them there.
        self._lock = threading.Lock()
        self._handle = self._issued = self._running = self._last_second = 0

    def run(self, text: Optional[Text], text_path: Optional[PathArg], form: PathArg,
            section: Section) -> Path:
        with self._lock:
            if self._handle and self._running == 0 and self._issued >= self.RENEW_AFTER \
                    and math.floor(time.time()) > self._last_second:
                lib.pagewright_destroy(self._handle)
                self._handle = 0
            if not self._handle:
                self._handle = _native.new_generator()
                self._issued = 0
            handle = self._handle
            self._running += 1
        try:
            index = _queue(handle, text, text_path, form, section)
            with self._lock:
                self._issued = max(self._issued, index + 1)
            while not lib.pagewright_wait_request(handle, index, _WAIT_SLICE_MS):
                pass
            outcome = _outcome(handle, index)
        finally:
            with self._lock:
                self._running -= 1
                self._last_second = math.floor(time.time())
        if isinstance(outcome, GenerationError):
            raise outcome
        return outcome


_shared = _SharedObject()
if hasattr(os, "register_at_fork"):
    os.register_at_fork(after_in_child=_shared._forget)


def generate(text: Text, form: PathArg, section: Section) -> Path:
    """Makes one page and returns its path.

    ``text`` is the markup text: a ``str`` is encoded as UTF-8, ``bytes`` are used exactly as
    they are. ``form`` is the form file's path (``str``, ``bytes`` or ``os.PathLike``) and
    ``section`` the layout section to pour the text into. The path is the form file's
    ``HTML_DEST_DIR`` joined with the page's name, so it is relative when that folder is.

    Raises ``GenerationError`` (with ``.reason`` and ``.index``) when the request makes no
    page; ``TypeError`` or ``ValueError`` for an argument that is no text or path, or holds a
    NUL character where the library reads a C string; ``OSError`` when the library could not
    queue the request. The GIL is released while the page is made, so other Python threads
    run, and may call ``generate`` at the same time. All these calls share one generator object
    of the library's, so that the pages they make never take each other's names.
    """
    return _shared.run(text, None, form, section)


def generate_file(text_path: PathArg, form: PathArg, section: Section) -> Path:
    """Like ``generate``, with the text read from the file ``text_path`` as its bytes stand.

    The library reads the file on the request's own thread; a file that cannot be read makes
    no page, and the reason names it and the system's error.
    """
    return _shared.run(None, text_path, form, section)


class _Batch:
    """A Generator's state: the C object, the requests in flight, and the thread that waits.

    One thread per generator, started with the first request, waits for the requests in the
    order they were queued (each wait ends when that job hands its result back) and resolves
    their futures. The counts below let reset() and close() wait, without polling, until every
    request has been queued and its outcome taken.
    """

    def __init__(self) -> None:
        self.handle = _native.new_generator()
        self.cv = threading.Condition(threading.Lock())
        self.queue: Deque[Tuple[int, Future]] = collections.deque()
        self.admitting = 0  # callers inside pagewright_generate
        self.busy = 0  # queued requests whose outcome is not taken yet
        self.resetting = False
        self.closed = False  # no more requests
        self.released = False  # the Generator is gone: the C object goes with the waiter
        self.waiter: Optional[threading.Thread] = None

    def submit(self, text: Optional[Text], text_path: Optional[PathArg], form: PathArg,
               section: Section) -> "Future[Path]":
        future: Future = Future()
        # A queued request cannot be taken back, so its future is never cancellable.
        future.set_running_or_notify_cancel()
        with self.cv:
            # The waiter itself (a future's callback) goes on, so that a reset can settle.
            while self.resetting and threading.current_thread() is not self.waiter:
                self.cv.wait()
            if self.closed:
                raise RuntimeError("pagewright: this Generator is closed")
            self.admitting += 1
        index = _NOT_QUEUED
        try:
            index = _queue(self.handle, text, text_path, form, section)
        finally:
            with self.cv:
                self.admitting -= 1
                if index != _NOT_QUEUED:
                    self.queue.append((index, future))
                    self.busy += 1
                    if self.waiter is None:
                        self.waiter = threading.Thread(target=self._serve, daemon=True,
                                                       name="pagewright-waiter")
                        self.waiter.start()
                self.cv.notify_all()
        return future

    def _serve(self) -> None:
        while True:
            with self.cv:
                while not self.queue and not self.closed:
                    self.cv.wait()
                if not self.queue:
                    self.waiter = None
                    if self.released:
                        lib.pagewright_destroy(self.handle)
                    return
                index, future = self.queue.popleft()
            lib.pagewright_wait_request(self.handle, index, -1)
            try:
                outcome: Union[Path, BaseException] = _outcome(self.handle, index)
            except Exception as error:  # no memory for the path: the future says so
                outcome = error
            with self.cv:
                self.busy -= 1
                self.cv.notify_all()
            # After the count: a callback may submit again, even while a reset waits.
            if isinstance(outcome, BaseException):
                future.set_exception(outcome)
            else:
                future.set_result(outcome)

    def _refuse_waiter(self) -> None:
        # The waiter would wait for the futures that only it resolves.
        if threading.current_thread() is self.waiter:
            raise RuntimeError("pagewright: a future's callback cannot wait for its Generator")

    def _settle(self) -> None:
        """Waits (holding cv) until every request is queued and its outcome taken."""
        while self.admitting or self.busy:
            self.cv.wait()

    def reset(self) -> None:
        with self.cv:
            self._refuse_waiter()
            while self.resetting:
                self.cv.wait()
            # Raised first, so that new requests wait instead of keeping the reset waiting.
            self.resetting = True
            try:
                self._settle()
            except BaseException:
                self.resetting = False
                self.cv.notify_all()
                raise
        try:
            lib.pagewright_reset(self.handle)
        finally:
            with self.cv:
                self.resetting = False
                self.cv.notify_all()

    def close(self) -> None:
        with self.cv:
            self._refuse_waiter()
            self.closed = True
            self.cv.notify_all()
            self._settle()
            waiter = self.waiter
        if waiter is not None:
            waiter.join()  # its last futures are resolved once it has ended

    def release(self) -> None:
        """The Generator is gone: the C object is destroyed now, or by the waiter at its end."""
        with self.cv:
            self.closed = self.released = True
            self.cv.notify_all()
            if self.waiter is not None:
                return
        lib.pagewright_destroy(self.handle)


class Generator:
    """A generator object of one's own, for batches of requests.

    ::

        with pagewright.Generator() as gen:
            futures = [gen.submit(text, "notice.frm", "NOTICE") for text in texts]
            paths = [future.result() for future in futures]

    ``submit`` queues a request and returns at once with a ``concurrent.futures.Future`` that
    resolves to the page's path or raises ``GenerationError``. The jobs run at once, each on a
    thread of the library's; the futures are resolved in the order the requests were queued,
    by one thread of this generator's that sleeps until each job hands its result back. Any
    thread may call any method.

    Leaving the ``with`` block (or ``close()``) waits for every request and resolves every
    future; the pages stay. ``reset()`` deletes every page this generator made and counts
    requests from 0 again. Pages are named after the second they are made in and the request's
    index, so two generators that write into one folder in the same second can give two pages
    the same name, the later replacing the earlier: use one generator per folder.
    """

    def __init__(self) -> None:
        self._batch = _Batch()
        # Without close() the waiter ends and the C object goes once the Generator is gone.
        self._release: Callable[[], None] = weakref.finalize(self, self._batch.release)

    def submit(self, text: Text, form: PathArg, section: Section) -> "Future[Path]":
        """Queues one request; its future resolves to the page's path.

        The arguments are those of ``pagewright.generate``; a bad one raises here, before
        anything is queued, and so does submitting to a closed generator (``RuntimeError``).
        """
        return self._batch.submit(text, None, form, section)

    def submit_file(self, text_path: PathArg, form: PathArg,
                    section: Section) -> "Future[Path]":
        """Like ``submit``, with the text read from the file ``text_path`` as its bytes stand."""
        return self._batch.submit(None, text_path, form, section)

    def reset(self) -> None:
        """Waits for every request, deletes every page made since the last reset (or since the
        generator was made) and counts requests from 0 again. Also allowed after ``close()``,
        to delete the pages then."""
        self._batch.reset()

    def close(self) -> None:
        """Waits for every request and resolves its future; no request is taken after it.
        The pages stay."""
        self._batch.close()

    def __enter__(self) -> "Generator":
        return self

    def __exit__(self, kind: Optional[Type[BaseException]], error: Optional[BaseException],
                 traceback: Optional[TracebackType]) -> None:
        self.close()


Generator.__module__ = "pagewright"
