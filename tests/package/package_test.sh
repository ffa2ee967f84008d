#!/usr/bin/env bash
# Installs the build tree into a scratch prefix and uses the result as a user would: the
# library's SONAME, CMake projects in C and C++ with find_package(Pagewright), plain compiler
# lines from pkg-config, the README's C and C++ examples as they stand, the installed command,
# its manual pages and examples.
#   package_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build="$1"
source="$2"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
prefix="$work/prefix"
fail() { echo "package_test: $*" >&2; exit 1; }

cmake --install "$build" --prefix "$prefix" >/dev/null

lib=$(find "$prefix" -name 'libpagewright.so.*.*.*' | head -1)
[ -n "$lib" ] || fail "no versioned libpagewright.so in the installed tree"
soname=$(readelf -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
[ "$soname" = "libpagewright.so.1" ] || fail "SONAME is '$soname', not libpagewright.so.1"
libdir=$(dirname "$lib")
[ -L "$libdir/libpagewright.so" ] || fail "no development link libpagewright.so"
# Hosts include <pagewright/...>: nothing but those headers on their include path.
for header in PagewrightApi.h pagewright.h pagewright.hpp; do
    [ -f "$prefix/include/pagewright/$header" ] || fail "no include/pagewright/$header"
done
[ "$(find "$prefix/include" -mindepth 1 -type d)" = "$prefix/include/pagewright" ] ||
    fail "folders under include/: $(find "$prefix/include" -mindepth 1 -type d)"
for file in man/man1/pagewright.1 man/man1/pagewright-generate.1 man/man1/pagewright-check.1 \
    man/man5/pagewright.5 man/man3/pagewright.3 doc/pagewright/examples/notice.frm \
    doc/pagewright/examples/pictures/logo.png; do
    [ -f "$prefix/share/$file" ] || fail "share/$file is not installed"
done

# A form that writes into the scratch folder; expected page start as hosts know it.
mkdir -p "$work/pages"
printf '[SYSTEM]\nDEFAULT_STYLE=<<>>\nHTML_DEST_DIR=%s\n' "$work/pages" >"$work/form.frm"
head='<html><head><title>User Notification</title></head><body bgcolor="#FFFFFF"><p>'
expect_page() { # $1: page path printed by a host, $2: the text it was given
    [ -f "$1" ] || fail "no page at '$1'"
    [ "$(cat "$1")" = "$head$2</p></body></html>" ] || fail "page $1 holds: $(cat "$1")"
}

# The README's examples exactly as they stand (the fenced block after each "<!-- example: NAME
# -->" line), in a folder with examples/ and an empty build/pages/, as the README says.
readme="$work/readme"
mkdir -p "$readme/build/pages" && cp -r "$prefix/share/doc/pagewright/examples" "$readme/"
for example in hello.c hello.c.sh hello.cpp hello.cpp.sh; do
    awk -v mark="<!-- example: $example -->" '$0 == mark { found = 1; next }
        found && /^```/ { if (inside) exit; inside = 1; next } inside { print }' \
        "$source/README.md" >"$readme/$example"
    [ -s "$readme/$example" ] || fail "README.md has no example $example"
done
expect_banner() { # $1: page path printed by an example, relative to its folder; $2: which
    case "$(cat "$readme/$1" 2>/dev/null)" in
    *'>Planned maintenance</p></body></html>') ;;
    *) fail "$2 printed '$1'" ;;
    esac
}

# A C++ host, and the README's C example as a C host.
cmake -S "$source/tests/package/consumer" -B "$work/consumer" -DCMAKE_PREFIX_PATH="$prefix" \
    -DPAGEWRIGHT_C_HOST="$readme/hello.c" >/dev/null
cmake --build "$work/consumer" >/dev/null
expect_page "$("$work/consumer/consumer" "$work/form.frm" NONE "From CMake")" "From CMake"
[ "$("$work/consumer/consumer" "$work/form.frm" NONE "A<LB>b" 2>&1)" = \
    "no page: text, offset 1: a list begun with <LB> is never ended" ] || fail "consumer: no reason"
expect_banner "$(cd "$readme" && "$work/consumer/consumer-c")" "the C host built with CMake"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
[ "$(pkg-config --modversion pagewright)" = "$(sed -n 's/^Version: //p' "$libdir/pkgconfig/pagewright.pc")" ]
# shellcheck disable=SC2046
c++ -std=c++17 "$source/tests/package/consumer/main.cpp" -o "$work/pc-consumer" \
    $(pkg-config --cflags --libs pagewright) -Wl,-rpath,"$libdir"
expect_page "$("$work/pc-consumer" "$work/form.frm" NONE "From pkg-config")" "From pkg-config"
for example in hello.c hello.cpp; do
    expect_banner "$(cd "$readme" && bash -e "$example.sh")" "README's $example"
done

# The installed command finds the installed module; its registry is the user's, here scratch.
export XDG_DATA_HOME="$work/data"
"$prefix/bin/pagewright" --version | grep -q "^pagewright " || fail "pagewright --version"
expect_page "$("$prefix/bin/pagewright" generate --form "$work/form.frm" --section NONE \
    --text "From the command")" "From the command"
# A registry file the user names through the environment is theirs: never replaced.
printf 'my notes\n' >"$work/notes.txt"
if PAGEWRIGHT_REGISTRY="$work/notes.txt" "$prefix/bin/pagewright" generate --form "$work/form.frm" \
    --section NONE --text x >/dev/null 2>&1; then fail "a foreign PAGEWRIGHT_REGISTRY file was used"; fi
[ "$(cat "$work/notes.txt")" = "my notes" ] || fail "PAGEWRIGHT_REGISTRY file was rewritten"
echo "package_test: SONAME $soname; find_package, pkg-config, the README's examples and the" \
    "installed command all work"
