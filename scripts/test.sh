#!/usr/bin/env bash
# Builds Pagewright and runs every test: the plain build, then AddressSanitizer with
# UndefinedBehaviorSanitizer, then ThreadSanitizer. Installs missing build packages with apt-get,
# and chromium with python3 for the test that renders the example pages in a browser.
#   scripts/test.sh            all three
#   scripts/test.sh release    only the named presets
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v make >/dev/null || missing+=(make)
command -v python3 >/dev/null || missing+=(python3)
command -v chromium >/dev/null || missing+=(chromium)
for pkg in libgtest-dev libgmock-dev; do
    dpkg -s "$pkg" >/dev/null 2>&1 || missing+=("$pkg")
done
if [ ${#missing[@]} -gt 0 ]; then
    echo "test.sh: installing ${missing[*]}"
    sudo=""
    [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get update -q
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

echo "test.sh: browser test (BrowserRender.ExamplePages) uses $(command -v chromium)"

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan)

for preset in "${presets[@]}"; do
    echo "==== $preset ===="
    cmake --preset "$preset" -DPAGEWRIGHT_BUILD_TESTS=ON >/dev/null
    cmake --build --preset "$preset"
    # ThreadSanitizer needs the classic address-space layout on kernels with high mmap entropy.
    if [ "$preset" = tsan ] && command -v setarch >/dev/null; then
        setarch "$(uname -m)" -R ctest --preset "$preset"
    else
        ctest --preset "$preset"
    fi
done
echo "test.sh: all tests passed (${presets[*]})"
