#!/usr/bin/env bash
# Makes PNG screenshots of the example pages in headless Chromium, into docs/screenshots/:
#   notice.png   examples/notice.txt laid out by section NOTICE of examples/notice.frm
#   inline.png   examples/inline.txt, which names its own styles
# The pages are made from a copy of the example form whose picture paths are absolute, since a
# browser resolves the relative "file:" names of the shipped form against the page's own folder.
#   scripts/screenshots.sh [WIDTHxHEIGHT]     (default 820x440)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
size=${1:-820x440}

chromium=$(command -v chromium || command -v chromium-browser || true)
if [ -z "$chromium" ]; then
    echo "screenshots.sh: chromium is not installed (apt-get install chromium)" >&2
    exit 1
fi

log=$(mktemp)
work=$(mktemp -d)
trap 'rm -rf "$log" "$work"' EXIT
if ! { cmake --preset release &&
       cmake --build --preset release --target pagewright_cli; } >"$log" 2>&1; then
    cat "$log" >&2
    echo "screenshots.sh: the build failed" >&2
    exit 1
fi

sed -e "s|^PIC_SOURCE_DIR *=.*|PIC_SOURCE_DIR = $root/examples/pictures/|" \
    -e "s|^BACKGROUND_PIC *=.*|BACKGROUND_PIC = $root/examples/pictures/paper.png|" \
    -e "s|^HTML_DEST_DIR *=.*|HTML_DEST_DIR = $work/pages|" \
    examples/notice.frm >"$work/notice.frm"
mkdir -p "$work/pages" docs/screenshots

for name in notice inline; do
    page=$(build/release/tools/pagewright generate --form "$work/notice.frm" --section NOTICE \
        --text-file "examples/$name.txt")
    "$chromium" --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
        --disable-quic --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --hide-scrollbars \
        --window-size="${size/x/,}" --screenshot="$root/docs/screenshots/$name.png" \
        "file://$page" >/dev/null 2>&1
    # Each run counts requests from 0: the next page could take this one's name.
    rm -f "$page"
    echo "docs/screenshots/$name.png"
done
