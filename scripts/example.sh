#!/usr/bin/env bash
# Builds the pagewright command and makes a page from the shipped example (examples/notice.frm,
# layout NOTICE, text examples/notice.txt). Prints the page's path.
set -euo pipefail
cd "$(dirname "$0")/.."

log=$(mktemp)
trap 'rm -f "$log"' EXIT
if ! { cmake --preset release &&
       cmake --build --preset release --target pagewright_cli; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "example.sh: the build failed" >&2
    exit 1
fi

mkdir -p build/pages   # HTML_DEST_DIR of the example form file
exec build/release/tools/pagewright generate --form examples/notice.frm --section NOTICE \
    --text-file examples/notice.txt
