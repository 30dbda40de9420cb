#!/usr/bin/env bash
# Builds the libFuzzer harnesses with clang (ASan + UBSan + coverage) and runs each for a
# while on a scratch copy of its corpus, with the format's dictionary.
#
#   scripts/fuzz.sh [SECONDS] [HARNESS...]
#
# SECONDS per harness (default 600); HARNESS one or more of decode_record, record_stream,
# replay, corrections (default all). Environment:
#   KORVEL_FUZZ_BUILD_DIR  build directory (default build-fuzz)
#   KORVEL_FUZZ_JOBS       parallel fuzzing jobs per harness, 1 or 2 (default 2)
#   KORVEL_FUZZ_KEEP=1     merge new inputs that add coverage back into fuzz/corpus
#   KORVEL_FUZZ_KEEP_SCRATCH=1  keep the scratch directory after a run without findings
# A finding (crash, sanitizer report, broken promise, leak, timeout) is left as
# crash-*/leak-*/timeout-* in the scratch directory, which is printed, and the script fails.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

seconds=${1:-600}
[[ $# -gt 0 ]] && shift
harnesses=("$@")
[[ ${#harnesses[@]} -eq 0 ]] && harnesses=(decode_record record_stream replay corrections)
build=${KORVEL_FUZZ_BUILD_DIR:-build-fuzz}
jobs=${KORVEL_FUZZ_JOBS:-2}
(( jobs >= 1 && jobs <= 2 )) || { echo "KORVEL_FUZZ_JOBS must be 1 or 2 on this machine" >&2; exit 2; }

targets=()
for h in "${harnesses[@]}"; do
    [[ -d fuzz/corpus/$h ]] || { echo "no such harness: $h" >&2; exit 2; }
    targets+=("korvel_fuzz_$h")
done

CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DKORVEL_FUZZ=ON -DKORVEL_BUILD_TESTS=OFF -DKORVEL_BUILD_BENCH=OFF -DKORVEL_BUILD_GUI=OFF >/dev/null
cmake --build "$build" -j2 --target "${targets[@]}"

scratch=$(mktemp -d "${TMPDIR:-/tmp}/korvel-fuzz.XXXXXX")
echo "== scratch directory: $scratch"
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
status=0
for h in "${harnesses[@]}"; do
    work=$scratch/$h
    mkdir -p "$work/corpus" "$work/artifacts"
    cp fuzz/corpus/"$h"/* "$work/corpus/"
    rm -f "$work/corpus/README.md"
    echo "== $h: $seconds s, $jobs job(s)"
    set +e
    (cd "$work" && "$root/$build/fuzz/korvel_fuzz_$h" corpus \
        -dict="$root/fuzz/korvel.dict" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -jobs="$jobs" -workers="$jobs" -artifact_prefix="$work/artifacts/" -print_final_stats=1 \
        >"$work/log.txt" 2>&1)
    rc=$?
    set -e
    # Each job writes fuzz-N.log; their last status lines tell executions and coverage.
    logs=("$work"/fuzz-*.log)
    [[ -f ${logs[0]} ]] || logs=("$work/log.txt")
    for log in "${logs[@]}"; do
        [[ -f $log ]] || continue
        last=$(grep -E '^#[0-9]+' "$log" | tail -1 || true)
        execs=$(grep -E '^stat::number_of_executed_units' "$log" | tail -1 | awk '{print $2}' || true)
        if [[ -n $last ]]; then
            echo "   $(basename "$log"): ${last}${execs:+  (executions: $execs)}"
        fi
    done
    if ls "$work"/artifacts/* >/dev/null 2>&1 || [[ $rc -ne 0 ]]; then
        echo "!! $h: finding (exit $rc); inputs in $work/artifacts, logs in $work" >&2
        status=1
    fi
    if [[ ${KORVEL_FUZZ_KEEP:-0} == 1 ]]; then
        "$root/$build/fuzz/korvel_fuzz_$h" -merge=1 "$root/fuzz/corpus/$h" "$work/corpus" \
            >>"$work/merge.txt" 2>&1
        echo "   merged new coverage into fuzz/corpus/$h"
    fi
done
if [[ $status -eq 0 && ${KORVEL_FUZZ_KEEP_SCRATCH:-0} != 1 ]]; then
    rm -rf "$scratch"
fi
exit $status
