#!/bin/sh
# Builds the fuzz targets (clang, ASan and UBSan) into build-fuzz/ (or FUZZ_BUILD_DIR), runs
# each for FUZZ_SECONDS seconds (45 by default, so six targets take under five minutes)
# from its seeds and its regression inputs, then replays every regression input. A crash, a
# sanitizer report, a leak or an input that runs past the target's time limit fails the
# run; the input that did it is kept in fuzz/findings/ to be mended and then added to
# fuzz/regressions/<target>/. New inputs found on the way are not kept in the repository.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${FUZZ_BUILD_DIR:-build-fuzz}
SECONDS_PER_TARGET=${FUZZ_SECONDS:-45}
# Target and its time limit per input in seconds: the render runs the whole filter twice.
TARGETS="pattern_decoder:2 image_file:2 descriptor:2 action_preset:2 resource:2 render:4"

CC=clang CXX=clang++ cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DBRIVO_FUZZ=ON -DBRIVO_BUILD_TESTS=OFF -DBRIVO_BUILD_BENCH=OFF >/dev/null
names=""
for entry in $TARGETS; do names="$names fuzz_${entry%%:*}"; done
# shellcheck disable=SC2086
cmake --build "$BUILD_DIR" -j"$(nproc)" --target $names >/dev/null

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p fuzz/findings
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
failures=0
for entry in $TARGETS; do
    name=${entry%%:*}
    limit=${entry#*:}
    program="$BUILD_DIR/fuzz/fuzz_$name"
    mkdir -p "$work/$name" "fuzz/seeds/$name" "fuzz/regressions/$name"
    log="$work/$name.log"
    started=$(date +%s)
    if "$program" -max_total_time="$SECONDS_PER_TARGET" -timeout="$limit" -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="fuzz/findings/$name-" \
        "$work/$name" "fuzz/seeds/$name" "fuzz/regressions/$name" >"$log" 2>&1 &&
        "$program" -runs=0 -timeout="$limit" "fuzz/regressions/$name" >"$log.replay" 2>&1; then
        status=clean
    else
        status=FAILED
        failures=$((failures + 1))
        tail -n 60 "$log"
        [ -f "$log.replay" ] && tail -n 60 "$log.replay"
    fi
    executions=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | head -n 1)
    coverage=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1)
    corpus=$(find "$work/$name" "fuzz/seeds/$name" "fuzz/regressions/$name" -type f | wc -l)
    echo "$status fuzz_$name: ${executions:-?} executions, $coverage, corpus $corpus," \
        "$(($(date +%s) - started)) s"
done
[ "$failures" -eq 0 ] || {
    echo "run-fuzz: $failures target(s) failed; their inputs are in fuzz/findings/" >&2
    exit 1
}
echo "run-fuzz: every target clean"
