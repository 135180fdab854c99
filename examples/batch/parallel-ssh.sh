#!/bin/sh
# Several machines over ssh with GNU parallel, one shard per machine.
#   parallel-ssh.sh HOSTS_FILE INPUT_FOLDER OUTPUT_FOLDER [-- BRIVO_OPTIONS...]
# HOSTS_FILE lists one ssh login per line (user@host; ":" is this machine). Every machine must
# see INPUT_FOLDER and OUTPUT_FOLDER under the same paths (a shared file system) and have brivo
# installed; each shard uses all the cores of its machine. Rerun to resume.
set -eu
[ $# -ge 3 ] || { echo "usage: $0 HOSTS INPUT OUTPUT [-- OPTIONS...]" >&2; exit 2; }
hosts=$1 input=$2 output=$3
shift 3
[ $# -gt 0 ] && [ "$1" = "--" ] && shift
shards=$(grep -c -v '^[[:space:]]*$' "$hosts")
mkdir -p "$output/reports"
status=0
# One job per machine; the shard index is the job's slot number minus one.
seq 0 $((shards - 1)) | parallel --line-buffer --sshloginfile "$hosts" --jobs 1 \
    "${BRIVO:-brivo}" apply "$input" -o "$output/" --recursive --skip-existing \
    --shard "{}/$shards" --report "$output/reports/shard-{}.jsonl" "$@" || status=$?
cat "$output"/reports/shard-*.jsonl > "$output/report.jsonl"
exit "$status"
