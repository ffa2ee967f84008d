"""What the Python package's tests share: form files written into a test's own page folder, and
the pages hosts know. CTest runs them with the build's copy of the package first on PYTHONPATH
(tests/python/CMakeLists.txt); the installation tests also need the build's folders."""

import os

import pytest

HEAD = b'<html><head><title>User Notification</title></head><body bgcolor="#FFFFFF">'

# The README's first example: its form file, its text and the page it shows for NOTICE.
NOTICE_FORM = """[SYSTEM]
DEFAULT_STYLE  = <<>>          ; no default style
HTML_DEST_DIR  = {dest}    ; where pages are written; it must exist
PIC_SOURCE_DIR = /srv/pictures/

[TITLE]                        ; a style
<BOLD>
<COLOR_BLUE>

[NOTICE]                       ; a layout
<<TITLE>>                      ; a text slot in style TITLE: takes the next paragraph
<LINE>                         ; a rule
<<TITLE>>
<BUL_LIST>                     ; takes the next list
<LITERAL><i>raw HTML</i>
"""
NOTICE_TEXT = ("Planned maintenance<T>The servers are offline on Saturday.<LB>Save your work<T>"
               "Log off<LE>Your IT team")
NOTICE_PAGE = (HEAD + b'<p STYLE="font-weight=extra-bold; color=#0000FF">Planned maintenance</p>'
               b'<hr><p STYLE="font-weight=extra-bold; color=#0000FF">The servers are offline on '
               b'Saturday.</p><UL><LI>Save your work<LI>Log off</UL><p><i>raw HTML</i></p>'
               b'</body></html>')
# The README's diagnostics example.
UNCLOSED_LIST = "Notice<T>Please read<LB>First point"
UNCLOSED_LIST_REASON = "text, offset 20: a list begun with <LB> is never ended"


def plain_page(text: bytes) -> bytes:
    """The page of a one-paragraph text in a section the form does not have: the paragraph in
    the default style, here none."""
    return HEAD + b"<p>" + text + b"</p></body></html>"


def build_setting(name):
    """A folder or program of the build that CTest names in the environment."""
    value = os.environ.get(name)
    if not value:
        pytest.skip(f"{name} is not set: run through ctest")
    return value


@pytest.fixture
def dest(tmp_path):
    folder = tmp_path / "pages"
    folder.mkdir()
    return folder


@pytest.fixture
def forms(tmp_path, dest):
    """The README's notice form and a plain one (no default style), both writing to dest."""
    notice = tmp_path / "notice.frm"
    notice.write_text(NOTICE_FORM.format(dest=dest), encoding="utf-8")
    plain = tmp_path / "plain.frm"
    plain.write_text(f"[SYSTEM]\nDEFAULT_STYLE = <<>>\nHTML_DEST_DIR = {dest}\n",
                     encoding="utf-8")
    return {"notice": notice, "plain": plain}
