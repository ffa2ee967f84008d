#!/usr/bin/env bash
# Builds Pagewright and runs every test: the plain build, then AddressSanitizer with
# UndefinedBehaviorSanitizer, then ThreadSanitizer, then a short smoke run of every fuzz target
# (scripts/fuzz.sh, PAGEWRIGHT_FUZZ_SECONDS per target, 45 by default). Installs missing build
# packages with apt-get.
#   scripts/test.sh            all four
#   scripts/test.sh release    only the named presets ("fuzz" for the fuzz smoke run)
set -euo pipefail
cd "$(dirname "$0")/.."

missing=()
command -v cmake >/dev/null || missing+=(cmake)
command -v g++ >/dev/null || missing+=(g++)
command -v make >/dev/null || missing+=(make)
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

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan fuzz)

for preset in "${presets[@]}"; do
    if [ "$preset" = fuzz ]; then
        echo "==== fuzz (smoke) ===="
        scripts/fuzz.sh "${PAGEWRIGHT_FUZZ_SECONDS:-45}"
        continue
    fi
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
