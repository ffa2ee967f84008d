#!/usr/bin/env bash
# Compares two builds side by side in one run: the 10 MB inline job of `pagewright generate`
# (pagewright_process_bench) and the batch of 1,000 requests (pagewright_batch_bench
# --batch-table-only, pages in /dev/shm where it is a tmpfs), the two builds taking turns.
#   scripts/bench-compare.sh BEFORE_TREE AFTER_TREE [ROUNDS]
# Each tree is a checkout built with `cmake --preset bench && cmake --build --preset bench`.
# Prints one line per run; bench/COMPARISONS.md keeps the figures of past comparisons.
set -euo pipefail
[ $# -ge 2 ] || { sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
rounds=${3:-6}
batch_dir=/tmp
[ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && batch_dir=/dev/shm
for tree in "$1" "$2"; do
    [ -x "$tree/build/bench/tools/pagewright" ] ||
        { echo "bench-compare.sh: $tree has no bench build (build/bench/tools/pagewright)" >&2; exit 2; }
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
for round in $(seq "$rounds"); do
    for tree in "$1" "$2"; do
        b=$tree/build/bench
        t=$("$b/bench/pagewright_process_bench" --pagewright "$b/tools/pagewright" --reps 9 |
            awk -F'|' '/^\| inline \| 10.00 MB/ {gsub(/ /, "", $5); print $5}')
        w=$(TMPDIR=$batch_dir "$b/bench/pagewright_batch_bench" --batch-table-only |
            awk -F'|' '/^\| IPagewright, waits woken at once \|/ {gsub(/ /, "", $3); print $3}')
        echo "round $round, $tree: 10 MB inline job $t, batch of 1000 $w"
    done
done
