#!/usr/bin/env bash
# Builds Pagewright and runs every test: the plain build (with the test that renders the example
# pages in Chromium), AddressSanitizer with UndefinedBehaviorSanitizer, ThreadSanitizer, the
# Windows module cross-built with mingw-w64 (64-bit, its tests run under Wine; 32-bit, the
# shipped build, checked but not run), then a short smoke run of every fuzz target
# (scripts/fuzz.sh, PAGEWRIGHT_FUZZ_SECONDS per target, 30 by default). Installs missing
# packages with apt-get.
#   scripts/test.sh                   all of them
#   scripts/test.sh release mingw64   only the named presets ("fuzz" for the fuzz smoke run)
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/lib/packages.sh
ensure_packages test.sh cmake:cmake g++:g++ make:make python3:python3 python3-pytest python3-pip \
    pkg-config:pkg-config chromium:chromium groff:groff default-jre-headless:java npm:npm \
    libgtest-dev libgmock-dev googletest g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools \
    wine wine64 libwine-dev

echo "test.sh: browser test (BrowserRender.ExamplePages) uses $(command -v chromium)"
# The W3C Nu HTML Checker for the HTML5 pages, at the version package-lock.json pins (its install
# script, which would fetch a Java runtime of its own, is not run: Debian's Java runs it).
npm ci --ignore-scripts --no-audit --no-fund >/dev/null

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan mingw64 mingw32 fuzz)

for preset in "${presets[@]}"; do
    if [ "$preset" = fuzz ]; then
        echo "==== fuzz (smoke) ===="
        scripts/fuzz.sh "${PAGEWRIGHT_FUZZ_SECONDS:-30}"
        continue
    fi
    echo "==== $preset ===="
    case "$preset" in
    mingw32)
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset"
        ctest --preset "$preset" --output-on-failure # the DLL's exports and imports: its tests run only in mingw64
        continue
        ;;
    esac
    cmake --preset "$preset" -DPAGEWRIGHT_BUILD_TESTS=ON >/dev/null
    cmake --build --preset "$preset"
    # ThreadSanitizer needs the classic address-space layout on kernels with high mmap entropy.
    if [ "$preset" = tsan ] && command -v setarch >/dev/null; then
        setarch "$(uname -m)" -R ctest --preset "$preset" --output-on-failure
    else
        ctest --preset "$preset" --output-on-failure
    fi
done
echo "test.sh: all tests passed (${presets[*]})"
