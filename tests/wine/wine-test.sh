#!/usr/bin/env bash
# A VBScript client of PAGEWRIGHT.DLL, run by Wine's cscript in the build tree's prefix after
# regsvr32 registered it (tests/wine/CMakeLists.txt).
#   wine-test.sh PREFIX SCRIPT WORKDIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
prefix="$1" script="$2" work="$3"
winpath() { # a Linux path as Wine's drive Z: sees it
    local p
    p="$(realpath -m "$1")"
    echo "Z:${p//\//\\}"
}
rm -rf "$work" && mkdir -p "$work"
out="$("$here/../../scripts/wine-run.sh" "$prefix" cscript //nologo "$(winpath "$script")" \
    "$(winpath "$work")" 2>&1)"
rc=$?
printf '%s\n' "$out"
# Wine's cscript exits 0 even when the script dies of an error: the script's last line tells.
last="$(printf '%s\n' "$out" | tr -d '\r' | sed '/^$/d' | tail -1)"
[ "$rc" -eq 0 ] || { echo "FAIL: cscript exited with $rc" >&2; exit 1; }
[ "$last" = "VBSCRIPT CLIENT PASSED" ] ||
    { echo "FAIL: the script did not finish (last line: '$last')" >&2; exit 1; }
