#!/usr/bin/env bash
# Builds the libFuzzer targets (preset fuzz: clang 14, AddressSanitizer + UndefinedBehaviorSanitizer)
# and runs each for the given time, starting from its seed corpus in fuzz/corpus/<target>/ with
# the markup dictionary. Installs clang-14 and its runtime with apt-get when missing.
#   scripts/fuzz.sh                    every target for 60 seconds
#   scripts/fuzz.sh 600 job tokenizer  the named targets for 600 seconds each
# Targets: formfile tokenizer sectionline job. New inputs go to build/fuzz/corpus/<target>/
# (the seeds stay untouched); a crash, leak or timeout is saved in build/fuzz/artifacts/<target>/
# and makes the script fail. Each run's output is kept in build/fuzz/logs/. Set FUZZ_JOBS=n to run n fuzzing processes per target.
# Set FUZZ_RUNS=n to stop each target after n executions instead; the time, when given, is then
# a limit besides (0: none):
#   FUZZ_RUNS=10000000 scripts/fuzz.sh 0 formfile
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-60}"
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(formfile tokenizer sectionline job)

. scripts/lib/packages.sh
ensure_packages fuzz.sh clang-14:clang++-14 libclang-rt-14-dev cmake:cmake make:make

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
status=0
summary=()
for target in "${targets[@]}"; do
    exe="build/fuzz/fuzz/fuzz_$target"
    [ -x "$exe" ] || { echo "fuzz.sh: no target $target" >&2; exit 2; }
    work="build/fuzz/corpus/$target"
    artifacts="build/fuzz/artifacts/$target"
    log="build/fuzz/logs/$target-$(date +%Y%m%d-%H%M%S)-$$.log"
    mkdir -p "$work" "$artifacts" build/fuzz/logs
    extra=()
    if [ -n "${FUZZ_RUNS:-}" ]; then
        echo "==== fuzz_$target for $FUZZ_RUNS executions ===="
        extra+=(-runs="$FUZZ_RUNS")
    else
        echo "==== fuzz_$target for ${seconds}s ===="
    fi
    if [ "${FUZZ_JOBS:-1}" -gt 1 ]; then
        extra+=(-fork="$FUZZ_JOBS")
    fi
    started=$SECONDS
    if "$exe" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
        -dict=fuzz/dict/pagewright.dict -artifact_prefix="$artifacts/" -print_final_stats=1 \
        "${extra[@]}" "$work" "fuzz/corpus/$target" >"$log" 2>&1; then
        runs=$(grep -aE '^stat::number_of_executed_units' "$log" | tail -1 | awk '{print $2}')
        [ -n "$runs" ] || runs=$(grep -aoE 'Done [0-9]+ runs' "$log" | tail -1 | awk '{print $2}')
        summary+=("fuzz_$target: ${runs:-?} executions in $((SECONDS - started))s, no finding")
    else
        tail -40 "$log"
        summary+=("fuzz_$target: FAILED (see $log and $artifacts/)")
        status=1
    fi
done
printf '%s\n' "${summary[@]}"
exit $status
