#!/usr/bin/env bash
# The Wine checks of PAGEWRIGHT.DLL that are not C++: registration with regsvr32 as a user does
# it, a VBScript client and unregistration (the entries themselves, written and removed, are the
# module tests' job).
#   wine-test.sh PREFIX DLL register|unregister
#   wine-test.sh PREFIX DLL vbscript SCRIPT WORKDIR
set -uo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
run="$here/../../scripts/wine-run.sh"
prefix="$1" dll="$2" step="$3"
shift 3

winpath() { # a Linux path as Wine's drive Z: sees it
    local p
    p="$(realpath -m "$1")"
    echo "Z:${p//\//\\}"
}
wine_run() { "$run" "$prefix" "$@"; }
fail() {
    echo "FAIL: $*" >&2
    exit 1
}

case "$step" in
register)
    wine_run regsvr32 /s "$(winpath "$dll")" || fail "regsvr32 /s exited with $?"
    ;;
vbscript)
    script="$1" work="$2"
    rm -rf "$work" && mkdir -p "$work"
    out="$(wine_run cscript //nologo "$(winpath "$script")" "$(winpath "$work")" 2>&1)"
    rc=$?
    printf '%s\n' "$out"
    # Wine's cscript exits 0 even when the script dies of an error: the script's last line tells.
    last="$(printf '%s\n' "$out" | tr -d '\r' | sed '/^$/d' | tail -1)"
    [ "$rc" -eq 0 ] || fail "cscript exited with $rc"
    [ "$last" = "VBSCRIPT CLIENT PASSED" ] || fail "the script did not finish (last line: '$last')"
    ;;
unregister)
    wine_run regsvr32 /u /s "$(winpath "$dll")" || fail "regsvr32 /u /s exited with $?"
    ;;
*)
    fail "unknown step '$step'"
    ;;
esac
