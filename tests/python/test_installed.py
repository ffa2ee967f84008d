"""The package as `cmake --install` puts it in a prefix, run by a fresh interpreter whose
environment names nothing but the package's folder (no LD_LIBRARY_PATH); the README's examples
on it, where the README runs them: a folder with examples/ and an empty build/pages/."""
import re
import shutil
import site
import subprocess
import sys

from conftest import plain_page, setting

USER = """import sys, pagewright
print(pagewright.generate("Installed", sys.argv[1], "NONE"), pagewright.__file__)
print(next(line.split()[-1] for line in open("/proc/self/maps") if "libpagewright" in line))"""


def test_installed_package_and_the_readme_examples(form, tmp_path):
    prefix, folder = tmp_path / "prefix", tmp_path / "prefix" / setting("PAGEWRIGHT_TEST_PYTHON_DIR")
    subprocess.run([setting("PAGEWRIGHT_TEST_CMAKE"), "--install", setting(
        "PAGEWRIGHT_TEST_BUILD_DIR"), "--prefix", prefix], check=True, stdout=subprocess.DEVNULL)
    assert str(folder) in site.getsitepackages([str(prefix)])  # where that prefix's Python looks

    def run(*command, pythonpath=folder):
        done = subprocess.run(command, cwd=tmp_path, capture_output=True, text=True,
                              env={"PATH": "/usr/bin:/bin", "PYTHONPATH": str(pythonpath)})
        assert done.returncode == 0, done.stderr
        return done.stdout.split()
    page, package, library = run(sys.executable, "-c", USER, form)
    assert open(page, "rb").read() == plain_page(b"Installed")
    assert package == f"{folder}/pagewright/__init__.py" and library.startswith(f"{prefix}/")
    assert (folder / "pagewright/py.typed").exists()

    # pip, from a copy of the package (pip builds in the tree it is given), against the library
    # of the prefix that pkg-config is pointed at.
    source, pipped = tmp_path / "package", tmp_path / "pipped"
    shutil.copytree(setting("PAGEWRIGHT_TEST_PACKAGE_SOURCE"), source)
    subprocess.run([sys.executable, "-m", "pip", "install", "-q", "--no-build-isolation",
                    "--no-index", "--target", pipped, source], check=True, env={
                        "PATH": "/usr/bin:/bin", "PKG_CONFIG_PATH": f"{prefix}/lib/pkgconfig"})
    page, package, library = run(sys.executable, "-c", USER, form, pythonpath=pipped)
    assert open(page, "rb").read() == plain_page(b"Installed")
    assert package == f"{pipped}/pagewright/__init__.py" and library.startswith(f"{prefix}/")

    readme = open(setting("PAGEWRIGHT_TEST_SOURCE_DIR") + "/README.md").read()
    example = {name: re.search(r"^<!-- example: %s -->\n```\w*\n(.*?)^```$" % re.escape(name),
                               readme, re.M | re.S).group(1) for name in ("hello.py", "hello.py.sh", "batch.py")}
    shutil.copytree(prefix / "share/doc/pagewright/examples", tmp_path / "examples")
    (tmp_path / "build/pages").mkdir(parents=True)
    for name in ("hello.py", "batch.py"):
        (tmp_path / name).write_text(example[name])
    hello, batch = run("bash", "-ec", example["hello.py.sh"]), run(sys.executable, "batch.py")
    for page, text in zip(hello + batch[:2], ["Planned maintenance"] * 2 + ["Back on Monday"]):
        assert (tmp_path / page).read_text().endswith(f">{text}</p></body></html>"), page
    assert " ".join(batch[2:]) == "request 2: text, offset 6: a list begun with <LB> is never ended"
