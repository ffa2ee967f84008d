"""The package as users get it: from `cmake --install` into a prefix, and from `pip install`
against that installed library; each imported by a fresh interpreter whose environment names
nothing but the package's folder (no LD_LIBRARY_PATH), from a folder outside both trees."""

import os
import re
import shutil
import site
import subprocess
import sys

import pytest
from conftest import build_setting, plain_page

# Makes a page, then says where the package and the library it loaded are.
USER = """
import sys, pagewright
print(pagewright.generate("From an installed package", sys.argv[1], "NONE"))
print(pagewright.__file__)
print(next(line.split()[-1] for line in open("/proc/self/maps") if "libpagewright" in line))
"""


@pytest.fixture(scope="module")
def prefix(tmp_path_factory):
    prefix = tmp_path_factory.mktemp("prefix")
    subprocess.run([build_setting("PAGEWRIGHT_TEST_CMAKE"), "--install",
                    build_setting("PAGEWRIGHT_TEST_BUILD_DIR"), "--prefix", prefix],
                   check=True, stdout=subprocess.DEVNULL)
    return prefix


def run_as_user(package_folder, forms, tmp_path):
    """Runs USER with PYTHONPATH alone set: the page, the package's file, the library's file."""
    done = subprocess.run([sys.executable, "-c", USER, forms["plain"]], cwd=tmp_path,
                          env={"PYTHONPATH": str(package_folder)}, capture_output=True,
                          text=True)
    assert done.returncode == 0, done.stderr
    page, package, library = done.stdout.splitlines()
    assert open(page, "rb").read() == plain_page(b"From an installed package")
    return package, library


def test_cmake_install_puts_the_package_where_the_prefix_python_looks(prefix, forms, tmp_path):
    folder = prefix / build_setting("PAGEWRIGHT_TEST_PYTHON_DIR")
    assert str(folder) in site.getsitepackages([str(prefix)])
    assert (folder / "pagewright" / "py.typed").is_file()
    package, library = run_as_user(folder, forms, tmp_path)
    assert package == str(folder / "pagewright" / "__init__.py")
    assert library.startswith(str(prefix) + "/")


def test_pip_install_uses_the_installed_library(prefix, forms, tmp_path):
    pytest.importorskip("pip")
    source = tmp_path / "source"  # pip builds in the folder it is given: not in the tree
    shutil.copytree(build_setting("PAGEWRIGHT_TEST_PACKAGE_SOURCE"), source,
                    ignore=shutil.ignore_patterns("build", "*.egg-info", "_location.py"))
    target = tmp_path / "site"
    pkgconfig = next(prefix.glob("lib*/**/pkgconfig"))
    done = subprocess.run([sys.executable, "-m", "pip", "install", "--no-build-isolation",
                           "--no-deps", "--no-index", "--no-cache-dir", "--target", target, source],
                          env={"PATH": "/usr/bin:/bin", "HOME": str(tmp_path),
                               "PKG_CONFIG_PATH": str(pkgconfig)}, capture_output=True, text=True)
    assert done.returncode == 0, done.stdout + done.stderr
    package, library = run_as_user(target, forms, tmp_path)
    assert package == str(target / "pagewright" / "__init__.py")
    assert library.startswith(str(prefix) + "/")


def readme_example(name):
    """The fenced block after the README's "<!-- example: NAME -->" line."""
    readme = open(os.path.join(build_setting("PAGEWRIGHT_TEST_SOURCE_DIR"), "README.md")).read()
    found = re.search(r"^<!-- example: %s -->\n```\w*\n(.*?)^```$" % re.escape(name), readme,
                      re.M | re.S)
    assert found, f"README.md has no example {name}"
    return found.group(1)


def test_the_readme_examples_run_as_shown(prefix, tmp_path):
    # Where the README runs them: a folder with examples/ and an empty build/pages/.
    shutil.copytree(prefix / "share/doc/pagewright/examples", tmp_path / "examples")
    (tmp_path / "build/pages").mkdir(parents=True)
    env = {"PATH": "/usr/bin:/bin",
           "PYTHONPATH": str(prefix / build_setting("PAGEWRIGHT_TEST_PYTHON_DIR"))}
    outputs = {}
    for name in ("hello.py", "batch.py"):
        (tmp_path / name).write_text(readme_example(name))
        command = ["bash", "-ec", readme_example("hello.py.sh")] if name == "hello.py" else \
            [sys.executable, name]
        done = subprocess.run(command, cwd=tmp_path, env=env, capture_output=True, text=True)
        assert done.returncode == 0, done.stderr
        outputs[name] = done.stdout.splitlines()
    pages = outputs["hello.py"] + outputs["batch.py"][:2]
    for page, text in zip(pages, ["Planned maintenance", "Planned maintenance", "Back on Monday"]):
        assert page.startswith("build/pages/HTML")
        assert (tmp_path / page).read_text().endswith(f">{text}</p></body></html>")
    assert outputs["batch.py"][2:] == \
        ["request 2: text, offset 6: a list begun with <LB> is never ended"]
