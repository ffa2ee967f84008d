#!/usr/bin/env bash
# Builds the benchmarks and runs them all, writing bench/RESULTS.md. Takes about three minutes,
# most of it the pure-polling batch (1,000 requests at 100 ms each).
#   scripts/bench.sh [--skip-polling]
set -euo pipefail
cd "$(dirname "$0")/.."

. scripts/lib/packages.sh
ensure_packages bench.sh libbenchmark-dev
cmake --preset bench >/dev/null
cmake --build --preset bench >/dev/null

bin=build/bench/bench
# Keeps freed memory in the process instead of returning it to the system after every job.
warm="glibc.malloc.mmap_threshold=1073741824:glibc.malloc.trim_threshold=4294967295"
out=bench/RESULTS.md
tmp=$(mktemp)
trap 'rm -f "$tmp"' EXIT
{
    echo "# Benchmark results"
    echo
    echo "Written by \`scripts/bench.sh\` on $(date -u '+%Y-%m-%d %H:%M UTC'). Machine: $(hostname),"
    echo "$(nproc) cores ($(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//')),"
    echo "$(free -g | awk '/Mem:/ {print $2}') GiB, Linux $(uname -r), $(g++ --version | head -1)."
    echo "Every ratio compares figures measured in the same run."
    echo
    "$bin/pagewright_batch_bench" "$@"
    echo
    "$bin/pagewright_engine_bench" --benchmark_min_time=0.5 --benchmark_color=false 2>/dev/null |
        sed -n '/^## Engine scaling/,$p' | sed 's/^## Engine scaling/## Engine scaling, default allocator/'
    echo
    echo "Each job allocates its token list and page afresh. With glibc's defaults, memory freed"
    echo "at the end of a large job goes back to the system, and the next job faults it in again;"
    echo "on this virtual machine a page fault costs several microseconds, which dominates large"
    echo "jobs and makes a size that follows a smaller one (warm heap) look faster than it is."
    echo "The same run with the allocator keeping freed memory (GLIBC_TUNABLES=$warm)"
    echo "shows the engine's own cost:"
    echo
    GLIBC_TUNABLES=$warm "$bin/pagewright_engine_bench" --benchmark_min_time=0.5 \
        --benchmark_color=false 2>/dev/null |
        sed -n '/^## Engine scaling/,$p' | sed 's/^## Engine scaling/## Engine scaling, freed memory kept/'
} >"$tmp"
mv "$tmp" "$out"
trap - EXIT
cat "$out"
