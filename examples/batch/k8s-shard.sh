#!/bin/sh
# The command of one pod of the Kubernetes Indexed Job (k8s-indexed-job.yaml): its completion
# index is its shard.   k8s-shard.sh INPUT_FOLDER OUTPUT_FOLDER [BRIVO_OPTIONS...]
# SHARD_COUNT must equal the job's completions.
set -eu
input=$1 output=$2
shift 2
mkdir -p "$output/reports"
exec "${BRIVO:-brivo}" apply "$input" -o "$output/" --recursive --skip-existing \
    --shard "$JOB_COMPLETION_INDEX/$SHARD_COUNT" \
    --report "$output/reports/shard-$JOB_COMPLETION_INDEX.jsonl" "$@"
