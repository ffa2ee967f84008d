"""Building the package with pip: it is tied to the installed library that pkg-config finds.

    pip install --no-build-isolation ./bindings/python

records that library's path in the package (pagewright/_location.py) and takes its version.
For a library installed under a prefix that pkg-config does not search, set PKG_CONFIG_PATH to
that prefix's lib/pkgconfig folder first.
"""

import os
import subprocess

from setuptools import setup
from setuptools.command.build_py import build_py

SONAME = "libpagewright.so.1"


def pkg_config(*arguments):
    try:
        found = subprocess.run(["pkg-config", *arguments, "pagewright"], check=True,
                               capture_output=True, text=True)
    except FileNotFoundError:
        raise SystemExit("pagewright: pkg-config is missing (apt-get install pkg-config); it "
                         "finds the installed library") from None
    except subprocess.CalledProcessError as error:
        raise SystemExit("pagewright: pkg-config does not find the library: install it first "
                         "(cmake --install), and for a prefix it does not search set "
                         "PKG_CONFIG_PATH to PREFIX/lib/pkgconfig (" +
                         error.stderr.strip() + ")") from None
    return found.stdout.strip()


class BuildWithLocation(build_py):
    """Writes the library's path beside the package's modules."""

    def run(self):
        super().run()
        library = os.path.normpath(os.path.join(pkg_config("--variable=libdir"), SONAME))
        if not os.path.exists(library):
            raise SystemExit(f"pagewright: pkg-config names {library}, which does not exist")
        target = os.path.join(self.build_lib, "pagewright", "_location.py")
        with open(target, "w", encoding="utf-8") as out:
            out.write(f"LIBRARY = {library!r}\n")


setup(version=pkg_config("--modversion"), cmdclass={"build_py": BuildWithLocation})
