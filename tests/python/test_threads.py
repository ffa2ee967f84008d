"""Python threads on the package: many at once, and none held up by another's wait."""

import os
import threading

import pagewright
import pytest
from conftest import plain_page

THREADS, REQUESTS = 4, 100


def one_call_each(form, texts):
    return [pagewright.generate(text, form, "NONE") for text in texts]


def futures_of_one_generator(form, texts, gen):
    return [future.result() for future in [gen.submit(text, form, "NONE") for text in texts]]


@pytest.mark.parametrize("mode", ["generate", "one Generator"])
def test_four_threads_of_a_hundred_requests(mode, forms, dest):
    texts = [[f"thread {t} request {n}" for n in range(REQUESTS)] for t in range(THREADS)]
    pages, failures = [None] * THREADS, []
    with pagewright.Generator() as gen:
        def run(t):
            try:
                if mode == "generate":
                    pages[t] = one_call_each(forms["plain"], texts[t])
                else:
                    pages[t] = futures_of_one_generator(forms["plain"], texts[t], gen)
            except BaseException as error:  # reported by the main thread
                failures.append(error)

        threads = [threading.Thread(target=run, args=(t,)) for t in range(THREADS)]
        for thread in threads:
            thread.start()
        for thread in threads:
            thread.join()
    assert failures == []
    made = [page for thread_pages in pages for page in thread_pages]
    assert len(set(made)) == THREADS * REQUESTS
    assert sorted(made) == sorted(dest.iterdir())
    # Each page holds its own request's text: no future got another request's page.
    for t in range(THREADS):
        for text, page in zip(texts[t], pages[t]):
            assert page.read_bytes() == plain_page(text.encode())


def test_waiting_for_a_page_lets_other_threads_run(tmp_path, dest):
    # The job's read of this form blocks until this thread opens the other end: if waiting
    # for the page kept the GIL, this thread could not, and the test would hang.
    fifo = tmp_path / "form.frm"
    os.mkfifo(fifo)
    with pagewright.Generator() as gen:
        future = gen.submit("Through a pipe", fifo, "NONE")
        with open(fifo, "w", encoding="utf-8") as form:
            form.write(f"[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR={dest}\n")
        assert future.result().read_bytes() == plain_page(b"Through a pipe")
