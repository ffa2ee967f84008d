"""The package's calls, results and errors: every request through each of its four routes."""

import errno
import inspect
import os
import pydoc
import re
import time
from concurrent.futures import Future
from pathlib import Path

import pagewright
import pytest
from conftest import (NOTICE_PAGE, NOTICE_TEXT, UNCLOSED_LIST, UNCLOSED_LIST_REASON,
                      build_setting, plain_page)

NOFILE = os.strerror(errno.ENOENT)
# "HTML%d2%d2%d2%d2%d2%d2%d2.htm": the time's six numbers and the request index.
PAGE_NAME = re.compile(r"HTML(-?\d+2){7}\.htm")


def via_generate(text, form, section, tmp_path):
    return pagewright.generate(text, form, section)


def via_submit(text, form, section, tmp_path):
    with pagewright.Generator() as gen:
        return gen.submit(text, form, section).result()


def text_file(text, tmp_path):
    path = tmp_path / "text.txt"
    path.write_bytes(text.encode("utf-8") if isinstance(text, str) else text)
    return path


def via_generate_file(text, form, section, tmp_path):
    return pagewright.generate_file(text_file(text, tmp_path), form, section)


def via_submit_file(text, form, section, tmp_path):
    with pagewright.Generator() as gen:
        return gen.submit_file(str(text_file(text, tmp_path)), form, section).result()


ROUTES = [via_generate, via_submit, via_generate_file, via_submit_file]

# name: (text, form, section, the page's bytes or the reason); {form} is the form's path.
REQUESTS = {
    "README example, text as str": (NOTICE_TEXT, "notice", "NOTICE", NOTICE_PAGE),
    "README example, text as bytes": (NOTICE_TEXT.encode(), "notice", "NOTICE", NOTICE_PAGE),
    "str is written as UTF-8": ("Grüße, 東京", "plain", "NONE", plain_page("Grüße, 東京".encode())),
    "bytes that are no UTF-8 stay as they are": (b"caf\xe9 \xff\x00x", "plain", "NONE",
                                                 plain_page(b"caf\xe9 \xff\x00x")),
    "an unclosed list makes no page": (UNCLOSED_LIST, "notice", "NOTICE", UNCLOSED_LIST_REASON),
    "a form file that does not exist": ("A", "missing", "NOTICE",
                                        f'cannot open the form file "{{form}}": {NOFILE}'),
}


@pytest.mark.parametrize("route", ROUTES, ids=lambda route: route.__name__)
@pytest.mark.parametrize("name", REQUESTS)
@pytest.mark.parametrize("form_type", [str, Path, os.fsencode], ids=["str", "Path", "bytes"])
def test_request(route, name, form_type, forms, dest, tmp_path):
    text, form_name, section, expected = REQUESTS[name]
    form = forms.get(form_name, tmp_path / "none.frm")
    if isinstance(expected, bytes):
        page = route(text, form_type(form), section, tmp_path)
        assert isinstance(page, Path)
        assert page.parent == dest and PAGE_NAME.fullmatch(page.name), page
        assert page.read_bytes() == expected
    else:
        with pytest.raises(pagewright.GenerationError) as raised:
            route(text, form_type(form), section, tmp_path)
        assert raised.value.reason == expected.format(form=form)
        assert str(raised.value) == raised.value.reason
        assert list(dest.iterdir()) == []


def submit_file_and_wait(text_path, form, section):
    with pagewright.Generator() as gen:
        return gen.submit_file(text_path, form, section).result()


@pytest.mark.parametrize("call", [pagewright.generate_file, submit_file_and_wait])
def test_text_file_that_cannot_be_read(call, forms, tmp_path):
    missing = tmp_path / "notes.txt"
    with pytest.raises(pagewright.GenerationError) as raised:
        call(missing, forms["plain"], "NONE")
    assert raised.value.reason == f'cannot open the text file "{missing}": {NOFILE}'


def test_a_relative_page_folder_gives_a_relative_path(tmp_path, monkeypatch):
    (tmp_path / "out").mkdir()
    (tmp_path / "rel.frm").write_text("[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=out\n")
    monkeypatch.chdir(tmp_path)
    page = pagewright.generate("Hi", "rel.frm", "NONE")
    assert page.parent == Path("out") and page.read_bytes() == plain_page(b"Hi")


BAD_ARGUMENTS = [  # (text, form, section), what is raised before anything is queued
    ((None, "f.frm", "S"), TypeError),
    ((42, "f.frm", "S"), TypeError),
    (("x", None, "S"), TypeError),
    (("x", 3.5, "S"), TypeError),
    (("x", "f.frm", None), TypeError),
    (("x", "f\0.frm", "S"), ValueError),
    (("x", b"f\0.frm", "S"), ValueError),
    (("x", "f.frm", "S\0T"), ValueError),
    (("\ud800", "f.frm", "S"), UnicodeEncodeError),
]


@pytest.mark.parametrize("arguments,error", BAD_ARGUMENTS)
def test_bad_arguments_queue_nothing(arguments, error, forms):
    with pytest.raises(error):
        pagewright.generate(*arguments)
    with pagewright.Generator() as gen:
        with pytest.raises(error):
            gen.submit(*arguments)
        # Nothing was queued: the next request still has index 0.
        with pytest.raises(pagewright.GenerationError) as raised:
            gen.submit(UNCLOSED_LIST, forms["notice"], "NOTICE").result()
        assert raised.value.index == 0


def test_indexes_count_requests_and_start_again_after_reset(forms, dest):
    good, bad = (NOTICE_TEXT, forms["notice"], "NOTICE"), (UNCLOSED_LIST, forms["notice"], "NOTICE")
    with pagewright.Generator() as gen:
        futures = [gen.submit(*request) for request in (good, bad, good, bad)]
        assert all(isinstance(future, Future) for future in futures)
        assert not futures[0].cancel()  # a queued request cannot be taken back
        errors = [future.exception() for future in futures]
        assert [error.index for error in errors if error] == [1, 3]
        assert [isinstance(error, pagewright.GenerationError) for error in errors] == \
            [False, True, False, True]
        pages = [future.result() for future in futures[::2]]
        assert len(set(pages)) == 2 and all(page.read_bytes() == NOTICE_PAGE for page in pages)
        gen.reset()
        assert list(dest.iterdir()) == []
        with pytest.raises(pagewright.GenerationError) as raised:
            gen.submit(*bad).result()
        assert raised.value.index == 0


def test_leaving_the_block_waits_and_keeps_the_pages_until_reset(forms, dest):
    with pagewright.Generator() as gen:
        futures = [gen.submit(f"page {n}", forms["plain"], "NONE") for n in range(20)]
    assert all(future.done() for future in futures)
    pages = [future.result() for future in futures]
    assert [page.read_bytes() for page in pages] == [plain_page(b"page %d" % n) for n in range(20)]
    with pytest.raises(RuntimeError):
        gen.submit("late", forms["plain"], "NONE")
    gen.reset()
    assert list(dest.iterdir()) == []


def test_version_and_help():
    assert pagewright.__version__ == build_setting("PAGEWRIGHT_TEST_VERSION")
    text = pydoc.render_doc(pagewright, renderer=pydoc.plaintext)
    for public, parameters in [
            (pagewright.generate, ["text", "form", "section"]),
            (pagewright.generate_file, ["text_path", "form", "section"]),
            (pagewright.Generator.submit, ["self", "text", "form", "section"]),
            (pagewright.Generator.submit_file, ["self", "text_path", "form", "section"]),
            (pagewright.Generator.reset, ["self"]), (pagewright.Generator.close, ["self"]),
            (pagewright.GenerationError, ["reason", "index"])]:
        assert list(inspect.signature(public).parameters) == parameters
        assert public.__doc__.strip() and public.__doc__.splitlines()[0] in text


def test_generate_renews_its_object_only_when_no_name_can_repeat(forms, dest, monkeypatch):
    # A new object counts from 0 again: within the second of its predecessor's last page,
    # that would give a page the name of an earlier one.
    monkeypatch.setattr(pagewright._generator._SharedObject, "RENEW_AFTER", 1)
    pages = [pagewright.generate(f"page {n}", forms["plain"], "NONE") for n in range(5)]
    assert [page.read_bytes() for page in pages] == [plain_page(b"page %d" % n) for n in range(5)]
    time.sleep(1.1)
    with pytest.raises(pagewright.GenerationError) as raised:
        pagewright.generate(UNCLOSED_LIST, forms["notice"], "NOTICE")
    assert raised.value.index == 0
