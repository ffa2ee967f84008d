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
ensure_packages test.sh cmake:cmake g++:g++ make:make python3:python3 chromium:chromium \
    groff:groff libgtest-dev libgmock-dev googletest \
    g++-mingw-w64-i686 g++-mingw-w64-x86-64 mingw-w64-tools wine wine64 libwine-dev

echo "test.sh: browser test (BrowserRender.ExamplePages) uses $(command -v chromium)"

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(release asan tsan mingw64 mingw32 fuzz)

# A module any Windows host can load: the four exports in order, and imports from system DLLs
# only (no mingw runtime DLLs beside it).
check_dll() {
    local dll="$1" objdump="$2"
    local exports imports
    exports=$("$objdump" -p "$dll" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
        grep -o 'Dll[A-Za-z]*' | tr '\n' ' ')
    if [ "$exports" != "DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer " ]; then
        echo "test.sh: $dll exports '$exports'" >&2
        return 1
    fi
    imports=$("$objdump" -p "$dll" | sed -n 's/^\s*DLL Name: //p' | tr 'a-z' 'A-Z' |
        grep -vxE 'KERNEL32.DLL|USER32.DLL|ADVAPI32.DLL|OLE32.DLL|OLEAUT32.DLL|MSVCRT.DLL' || true)
    if [ -n "$imports" ]; then
        echo "test.sh: $dll needs DLLs that Windows does not have: $imports" >&2
        return 1
    fi
    echo "test.sh: $dll exports the four entry points and imports system DLLs only"
}

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
        check_dll build/mingw32/module/PAGEWRIGHT.DLL i686-w64-mingw32-objdump
        continue
        ;;
    mingw64)
        cmake --preset "$preset" >/dev/null
        cmake --build --preset "$preset"
        check_dll build/mingw64/module/PAGEWRIGHT.DLL x86_64-w64-mingw32-objdump
        ctest --preset "$preset"
        continue
        ;;
    esac
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
