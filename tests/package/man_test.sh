#!/usr/bin/env bash
# Formats each manual page with every groff warning on and fails on any output: what `man`
# would show with a broken macro, a line it cannot break or a bad escape.
#   man_test.sh PAGE...        exit 77 (skipped) without groff; scripts/test.sh installs it
set -uo pipefail
command -v groff >/dev/null || { echo "SKIPPED: groff is not installed"; exit 77; }
status=0
for page in "$@"; do
    out=$(groff -ww -z -man "$page" 2>&1)
    if [ -n "$out" ]; then
        printf '%s:\n%s\n' "$page" "$out"
        status=1
    fi
done
exit $status
