#!/usr/bin/env bash
# Builds the libFuzzer targets (preset `fuzz`) and runs each for a bounded
# time from its seed corpus. A crash fails the run; its reproducer is kept in
# build/fuzz/artifacts/ and can be replayed with `build/fuzz/fuzz/<target> <file>`.
#
# Usage: scripts/fuzz.sh [seconds-per-target]   (default 60)
set -uo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}

cmake --preset fuzz >/dev/null && cmake --build --preset fuzz || exit 1

artifacts=build/fuzz/artifacts
mkdir -p "$artifacts"
failed=0
results=()
for seeds in fuzz/corpus/*/; do
    target=$(basename "$seeds")
    binary=build/fuzz/fuzz/$target
    [ -x "$binary" ] || { results+=("$target: not built"); failed=1; continue; }
    # The seeds stay as committed; what the run learns goes into a scratch
    # corpus of its own.
    work=build/fuzz/corpus/$target
    mkdir -p "$work"
    log=build/fuzz/$target.log
    "$binary" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$artifacts/$target-" "$work" "$seeds" >"$log" 2>&1
    status=$?
    runs=$(grep -Eo 'stat::number_of_executed_units: *[0-9]+' "$log" | grep -Eo '[0-9]+$')
    if [ $status -eq 0 ]; then
        results+=("$target: ${runs:-?} executions, no crash")
    else
        results+=("$target: FAILED (exit $status), reproducer in $artifacts/")
        tail -n 40 "$log"
        failed=1
    fi
done
printf '%s\n' "${results[@]}"
exit $failed
