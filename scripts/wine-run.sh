#!/usr/bin/env bash
# Runs a Windows program under Wine in the build tree's own prefix, quietly and with a time
# limit, so a hung program cannot stall a test run.
#   wine-run.sh PREFIX_DIR PROGRAM [ARGS...]     run PROGRAM (a path or a Wine built-in)
#   wine-run.sh PREFIX_DIR --init                create the prefix if it is not there yet
#   wine-run.sh PREFIX_DIR --kill                end the prefix's wineserver
# WINE_TIMEOUT (seconds, default 120) bounds every call.
set -uo pipefail
if [ $# -lt 2 ]; then
    echo "usage: wine-run.sh PREFIX_DIR PROGRAM [ARGS...] | --init | --kill" >&2
    exit 2
fi
export WINEPREFIX="$(realpath -m "$1")"
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=" # no Mono or Gecko installer prompts
export WINEARCH=win64
limit="${WINE_TIMEOUT:-120}"

init_prefix() {
    [ -f "$WINEPREFIX/system.reg" ] && return 0
    mkdir -p "$WINEPREFIX"
    timeout "$limit" wine wineboot --init >/dev/null 2>&1
    timeout "$limit" wineserver -w
}

case "$1" in
--init)
    init_prefix
    ;;
--kill)
    [ -d "$WINEPREFIX" ] && timeout 30 wineserver -k 2>/dev/null
    exit 0
    ;;
*)
    init_prefix || { echo "wine-run.sh: cannot create the prefix $WINEPREFIX" >&2; exit 1; }
    errors=$(mktemp)
    trap 'rm -f "$errors"' EXIT
    timeout "$limit" wine "$@" 2>"$errors"
    status=$?
    cat "$errors" >&2
    # A client that reaches its wineserver just as that one shuts down is dropped ("wine client
    # error: ... Connection reset by peer", or another line of Wine's own, "wine: ..." or
    # "wineserver: ...") before the program has run: run it once more. A failing test prints no
    # such line (WINEDEBUG=-all) and is not run again; a crash that Wine reports is, once, and
    # fails again.
    if [ $status -ne 0 ] && grep -q -E "^wine(server)?( client error|:)" "$errors"; then
        echo "wine-run.sh: the wineserver dropped the program; running it again" >&2
        timeout "$limit" wine "$@"
        status=$?
    fi
    exit $status
    ;;
esac
