"""The package's calls, their results and errors, and Python threads on them."""
import errno
import os
import re
import threading
import time
from concurrent.futures import ThreadPoolExecutor

import pagewright
import pytest
from conftest import plain_page, setting

TEXT, REASON = "Notice<T>Please read<LB>First point", \
    "text, offset 20: a list begun with <LB> is never ended"  # the README's diagnostics example
NAME = re.compile(r"HTML(-?\d+2){7}\.htm")  # the time's six numbers and the request index


def submitted(*request):
    with pagewright.Generator() as gen:
        return gen.submit(*request).result()


REQUESTS = {  # text, whether the form file is missing, the page or the reason
    "str as UTF-8": ("Grüße, 東京", False, plain_page("Grüße, 東京".encode())),
    "bytes as they are": (b"caf\xe9 \xff\x00x", False, plain_page(b"caf\xe9 \xff\x00x")),
    "bad text": (TEXT, False, REASON),
    "no form": ("A", True, f'cannot open the form file "{{}}": {os.strerror(errno.ENOENT)}')}


@pytest.mark.parametrize("route", [pagewright.generate, submitted], ids=["generate", "submit"])
@pytest.mark.parametrize("request_name", REQUESTS)
@pytest.mark.parametrize("form_type", [str, os.PathLike, os.fsencode], ids=["str", "Path", "bytes"])
def test_request(route, request_name, form_type, form):
    text, missing, expected = REQUESTS[request_name]
    path = form.with_name("none.frm") if missing else form
    argument = path if form_type is os.PathLike else form_type(path)
    if isinstance(expected, bytes):
        page = route(text, argument, "NONE")
        assert page.parent == form.parent / "pages" and NAME.fullmatch(page.name), page
        assert page.read_bytes() == expected
    else:
        with pytest.raises(pagewright.GenerationError) as raised:
            route(text, argument, "NONE")
        assert str(raised.value) == raised.value.reason == expected.format(path)


@pytest.mark.parametrize("text,form,section,error", [
    (None, "f", "S", TypeError), ("x", 3.5, "S", TypeError), ("x", "f", None, TypeError),
    ("x", b"f\0", "S", ValueError), ("x", "f", "S\0T", ValueError)])
def test_bad_arguments_queue_nothing(text, form, section, error):
    with pagewright.Generator() as gen:
        for call in (pagewright.generate, gen.submit):
            with pytest.raises(error):
                call(text, form, section)
        assert gen.submit(TEXT, "f", "S").exception().index == 0  # still the first request


def test_a_batch_counts_its_requests_waits_at_the_end_and_keeps_its_pages_until_reset(form):
    assert pagewright.__version__ == setting("PAGEWRIGHT_TEST_VERSION")
    with pagewright.Generator() as gen:
        futures = [gen.submit(text, form, "NONE") for text in ("a", TEXT, "b", TEXT)]
    assert all(future.done() for future in futures)
    assert [future.exception().index for future in futures[1::2]] == [1, 3]
    assert [f.result().read_bytes() for f in futures[::2]] == [plain_page(b"a"), plain_page(b"b")]
    with pytest.raises(RuntimeError):
        gen.submit("late", form, "NONE")
    gen.reset()
    assert list((form.parent / "pages").iterdir()) == []


def test_generate_renews_its_object_only_when_no_name_can_repeat(form, monkeypatch):
    # A new object counts from 0 again: in the second of an earlier page, a name would repeat.
    monkeypatch.setattr(pagewright._generator._SharedObject, "RENEW_AFTER", 1)
    pages = [pagewright.generate(f"page {n}", form, "NONE") for n in range(5)]
    assert [page.read_bytes() for page in pages] == [plain_page(b"page %d" % n) for n in range(5)]
    time.sleep(1.1)
    with pytest.raises(pagewright.GenerationError) as raised:
        pagewright.generate(TEXT, form, "NONE")
    assert raised.value.index == 0


@pytest.mark.parametrize("shared", [False, True], ids=["generate", "one Generator"])
def test_four_threads_of_a_hundred_requests(shared, form):
    texts = [[f"thread {t} request {n}" for n in range(100)] for t in range(4)]
    with pagewright.Generator() as gen, ThreadPoolExecutor(4) as threads:
        def run(texts):
            calls = [gen.submit(text, form, "NONE") if shared else
                     pagewright.generate(text, form, "NONE") for text in texts]
            return [call.result() if shared else call for call in calls]
        pages = [page for thread_pages in threads.map(run, texts) for page in thread_pages]
    assert sorted(pages) == sorted((form.parent / "pages").iterdir())  # 400, all distinct
    assert [page.read_bytes() for page in pages] == [  # each its own request's
        plain_page(text.encode()) for thread_texts in texts for text in thread_texts]


def test_reset_and_the_futures_wait_for_a_held_request_without_holding_the_gil(form):
    held = form.with_name("held.frm")  # a pipe: the job's read waits until this thread writes
    os.mkfifo(held)
    with pagewright.Generator() as gen:
        futures = [gen.submit(text, held if n == 0 else form, "NONE")
                   for n, text in enumerate(["held"] + [f"p{n}" for n in range(2000)])]
        assert not futures[0].cancel()  # a queued request cannot be taken back
        resetting = threading.Thread(target=gen.reset)
        resetting.start()  # it waits for the held request, as the futures behind it do
        time.sleep(0.2)  # had that wait kept the GIL, this thread would hang now
        held.write_bytes(form.read_bytes())
        resetting.join()
        assert len({future.result() for future in futures}) == 2001
        assert list((form.parent / "pages").iterdir()) == []
