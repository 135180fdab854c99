#!/bin/sh
# One machine, several shards under GNU parallel.
#   parallel-local.sh INPUT_FOLDER OUTPUT_FOLDER SHARDS [SHARD_INDEX...] [-- BRIVO_OPTIONS...]
# Runs shards 0 .. SHARDS-1 (or only the indexes given) at once, each with one job, and joins
# their reports into OUTPUT_FOLDER/report.jsonl. Rerun it to resume: finished files are skipped.
# BRIVO names the brivo command (default: brivo on the PATH).
set -eu
[ $# -ge 3 ] || { echo "usage: $0 INPUT OUTPUT SHARDS [INDEX...] [-- OPTIONS...]" >&2; exit 2; }
input=$1 output=$2 shards=$3
shift 3
indexes=""
while [ $# -gt 0 ] && [ "$1" != "--" ]; do indexes="$indexes $1"; shift; done
[ $# -gt 0 ] && shift
[ -n "$indexes" ] || indexes=$(seq 0 $((shards - 1)))
mkdir -p "$output/reports"
status=0
# shellcheck disable=SC2086  # the indexes are separate words
parallel --line-buffer --jobs "$shards" \
    "${BRIVO:-brivo}" apply "$input" -o "$output/" --recursive --jobs 1 --skip-existing \
    --shard "{}/$shards" --report "$output/reports/shard-{}.jsonl" "$@" ::: $indexes || status=$?
cat "$output"/reports/shard-*.jsonl > "$output/report.jsonl"
exit "$status"
