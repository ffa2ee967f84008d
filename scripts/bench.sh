#!/usr/bin/env bash
# Builds the benchmarks and runs them all, writing bench/RESULTS.md. Takes three to four minutes,
# most of it the pure-polling batch (1,000 requests at 100 ms each).
#   scripts/bench.sh [--skip-polling]
# Every figure and every ratio in the file comes from this one run; the targets are judged from
# its figures with the default allocator.
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/lib/packages.sh
ensure_packages bench.sh libbenchmark-dev pkg-config:pkg-config
# The speed references. Without them the process table says so and has no row for them.
md4c_missing="" cmark_missing=""
ensure_packages bench.sh libmd4c-dev libmd4c-html0-dev ||
    md4c_missing="Debian's libmd4c-dev and libmd4c-html0-dev could not be installed"
ensure_packages bench.sh cmark:cmark || cmark_missing="Debian's cmark could not be installed"
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

bin=build/bench/bench
load=$(cut -d' ' -f1-3 /proc/loadavg | sed 's/ /, /g')
# The default allocator unless said otherwise below.
unset GLIBC_TUNABLES
# Keeps freed memory in the process instead of returning it to the system after every job.
warm="glibc.malloc.mmap_threshold=1073741824:glibc.malloc.trim_threshold=4294967295"
references=()
[ -x "$bin/md4c_html" ] && references+=(--md4c "$bin/md4c_html")
command -v cmark >/dev/null && references+=(--cmark "$(command -v cmark)")
out=bench/RESULTS.md
body=$(mktemp)
tmp=$(mktemp)
engine=$(mktemp)
trap 'rm -f "$body" "$tmp" "$engine"' EXIT
# The engine runs first, while the disk is quiet: the batch on the disk below creates and
# deletes thousands of files, and for half a minute after a deletion this machine's file system
# creates files several times more slowly, which the small pages would show.
{
    "$bin/pagewright_engine_bench" --benchmark_min_time=0.5 --benchmark_color=false --targets \
        2>/dev/null |
        sed -n '/^## Engine scaling/,$p' | sed 's/^## Engine scaling/## Engine scaling, default allocator/'
    echo
    echo "A job's own working set is small and bounded (a window of its token list, a chunk of"
    echo "the page, the file writer's buffer), but each job's text and form file are allocated"
    echo "afresh, and with glibc's defaults a large block goes back to the system when it is freed,"
    echo "so the next job faults it in again. The same run with the allocator keeping freed memory"
    echo "(GLIBC_TUNABLES=$warm)"
    echo "shows what that costs; no target is judged on it:"
    echo
    GLIBC_TUNABLES=$warm "$bin/pagewright_engine_bench" --benchmark_min_time=0.5 \
        --benchmark_color=false 2>/dev/null |
        sed -n '/^## Engine scaling/,$p' | sed 's/^## Engine scaling/## Engine scaling, freed memory kept/'
} >"$engine"
# The batch measures what the object and its threads cost, so its pages go to memory where the
# machine has a tmpfs: on the disk, creating and deleting thousands of files costs more, and
# varies more from run to run, than the jobs themselves. The same batch on the disk follows, for
# comparison.
batch_dir=/tmp
[ "$(stat -f -c %T /dev/shm 2>/dev/null)" = tmpfs ] && batch_dir=/dev/shm
{
    TMPDIR=$batch_dir "$bin/pagewright_batch_bench" "$@"
    if [ "$batch_dir" != /tmp ]; then
        echo
        echo "### The same batch, pages on the disk"
        echo
        TMPDIR=/tmp "$bin/pagewright_batch_bench" --batch-table-only
    fi
    echo
    "$bin/pagewright_process_bench" --pagewright build/bench/tools/pagewright "${references[@]}"
    [ -z "$md4c_missing" ] || echo "$md4c_missing."
    [ -z "$cmark_missing" ] || echo "$cmark_missing."
    echo
    cat "$engine"
} >"$body"

# The verdict rows the benchmarks printed, gathered at the top.
verdicts=$(grep -E '^\| .* \| (met|missed) \|$' "$body" || true)
{
    echo "# Benchmark results"
    echo
    echo "Written by \`scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'). Machine: $(hostname),"
    echo "$(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')),"
    echo "$(free -g | awk '/Mem:/ {print $2}') GiB, Linux $(uname -r), $(g++ --version | head -1)."
    echo "Every figure and ratio below was measured in this one run; load average at the start of"
    echo "the run: $load."
    echo "Comparisons of a change against the tree before it, and runs repeated by hand, are in"
    echo "\`bench/COMPARISONS.md\`."
    echo
    echo "## Targets"
    echo
    met=$(grep -c '| met |$' <<<"$verdicts" || true)
    echo "Judged by the benchmarks from this run's figures (default allocator), as their own target"
    echo "tables below show: $met of $(grep -c . <<<"$verdicts" || true) met."
    echo
    echo "| target | this run | bound | verdict |"
    echo "|---|---|---|---|"
    echo "$verdicts"
    echo
    cat "$body"
} >"$tmp"
mv "$tmp" "$out"
trap - EXIT
rm -f "$body"
cat "$out"
