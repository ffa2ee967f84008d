#!/usr/bin/env bash
# Makes PNG screenshots of the example pages in headless Chromium, into docs/screenshots/:
#   notice.png         examples/notice.txt laid out by section NOTICE of examples/notice.frm
#   inline.png         examples/inline.txt, which names its own styles
#   notice-html5.png   notice.png's page as an HTML5 page (PAGE_FORMAT = HTML5)
#   inline-html5.png   inline.png's page as an HTML5 page
# The pages are made from a copy of the example form whose picture paths are absolute, since a
# browser resolves the relative "file:" names of the shipped form against the page's own folder;
# the HTML5 pages from a second copy that asks for them.
#   scripts/screenshots.sh [WIDTHxHEIGHT]     (default 820x500)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
size=${1:-820x500}

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
sed -e 's|^\[SYSTEM\]$|[SYSTEM]\nPAGE_FORMAT = HTML5|' "$work/notice.frm" >"$work/notice-html5.frm"
mkdir -p "$work/pages" docs/screenshots

for name in notice inline notice-html5 inline-html5; do
    page=$(build/release/tools/pagewright generate --form "$work/${name/inline/notice}.frm" \
        --section NOTICE --text-file "examples/${name%-html5}.txt")
    "$chromium" --headless --no-sandbox --disable-gpu --user-data-dir="$work/profile" \
        --disable-quic --no-first-run --disable-background-networking \
        --disable-component-update --disable-sync --hide-scrollbars \
        --window-size="${size/x/,}" --screenshot="$root/docs/screenshots/$name.png" \
        "file://$page" >/dev/null 2>&1
    # Each run counts requests from 0: the next page could take this one's name.
    rm -f "$page"
    echo "docs/screenshots/$name.png"
done
