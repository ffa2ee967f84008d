"""Shared by the Python package's tests, which CTest runs with the build's copy of the package
first on PYTHONPATH (tests/python/CMakeLists.txt)."""
import os

import pytest


def plain_page(text: bytes) -> bytes:
    """The page of a one-paragraph text in a section the form lacks, with no default style."""
    return (b'<html><head><title>User Notification</title></head><body bgcolor="#FFFFFF"><p>' +
            text + b"</p></body></html>")


def setting(name):
    return os.environ.get(name) or pytest.skip(f"{name} is not set: run through ctest")


@pytest.fixture
def form(tmp_path):
    """A form without styles or layouts that writes its pages to tmp_path/pages."""
    (tmp_path / "pages").mkdir()
    (tmp_path / "plain.frm").write_text(f"[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR={tmp_path}/pages\n")
    return tmp_path / "plain.frm"
