"""Python threads on the package: many at once, and none held up by another's wait."""

import os
import threading
import time

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


def held_form(tmp_path, dest):
    """A form file that a job's read waits on (a pipe) until the returned call writes it."""
    fifo = tmp_path / "held.frm"
    os.mkfifo(fifo)

    def release():
        with open(fifo, "w", encoding="utf-8") as form:
            form.write(f"[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR={dest}\n")
    return fifo, release


def test_waiting_for_a_page_lets_other_threads_run(tmp_path, dest):
    # If the generator's waiting thread kept the GIL while it waits for the held job, this
    # thread could not run again to write the form that the job waits for: the test would hang.
    form, release = held_form(tmp_path, dest)
    with pagewright.Generator() as gen:
        future = gen.submit("Through a pipe", form, "NONE")
        time.sleep(0.2)  # time for that thread to begin its wait
        release()
        assert future.result().read_bytes() == plain_page(b"Through a pipe")


def test_reset_waits_for_running_requests_and_deletes_their_pages(tmp_path, forms, dest):
    form, release = held_form(tmp_path, dest)
    with pagewright.Generator() as gen:
        futures = [gen.submit("Held", form, "NONE")]
        futures += [gen.submit(f"page {n}", forms["plain"], "NONE") for n in range(30)]
        resetting = threading.Thread(target=gen.reset)
        resetting.start()  # it waits for the held request, and so do the futures behind it
        release()
        resetting.join()
        # Every future has its page, although reset deleted them all.
        assert len({future.result() for future in futures}) == 31
        assert list(dest.iterdir()) == []
