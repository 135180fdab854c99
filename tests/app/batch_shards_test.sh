#!/bin/sh
# A batch of 200 small images in 4 shards under GNU parallel, through the recipe scripts:
# one shard is killed mid-way and resumed with --skip-existing; every output must then exist
# once and match, byte for byte, a single process's run. The Slurm and Kubernetes scripts are
# run the same way, with their schedulers' variables set by hand.
#   batch_shards_test.sh BRIVO EXAMPLES_BATCH_FOLDER
set -eu
brivo=$1 recipes=$2
command -v parallel >/dev/null || { echo "GNU parallel is not installed" >&2; exit 1; }
command -v convert >/dev/null || { echo "ImageMagick's convert is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }

# 200 different 24 x 20 images, cut from one noise picture, in two folders.
mkdir -p "$work/in/a" "$work/in/b"
convert -seed 7 -size 480x200 xc:gray +noise Random -depth 8 -type TrueColor -crop 24x20 +repage \
    -scene 0 "$work/in/a/tile-%03d.png"
for f in "$work/in/a"/tile-1[0-9][0-9].png; do mv "$f" "$work/in/b/"; done
[ "$(find "$work/in" -name '*.png' | wc -l)" -eq 200 ] || fail "expected 200 inputs"
# The light goes through a shape, so the action's pattern reaches every worker.
options="--set lightBrightness=80 --set shapeFile=spot.png --set shapeScaleX=60"

# The reference: one process, one job.
# shellcheck disable=SC2086
"$brivo" apply "$work/in" -o "$work/ref/" --recursive --jobs 1 $options 2>"$work/ref.log" ||
    fail "the single-process run: $(tail -3 "$work/ref.log")"

# A wrapper that notes shard 2's process id, so the test can kill that shard alone.
cat > "$work/brivo-wrapper" <<WRAPPER
#!/bin/sh
case "\$*" in *"--shard 2/4"*) echo \$\$ > "$work/shard2.pid" ;; esac
exec "$brivo" "\$@"
WRAPPER
chmod +x "$work/brivo-wrapper"

# shellcheck disable=SC2086
BRIVO="$work/brivo-wrapper" "$recipes/parallel-local.sh" "$work/in" "$work/out" 4 -- $options \
    >"$work/run1.log" 2>&1 &
runner=$!
report2="$work/out/reports/shard-2.jsonl"
tries=0
until [ -s "$work/shard2.pid" ] && [ -f "$report2" ] && [ "$(wc -l <"$report2")" -ge 3 ]; do
    tries=$((tries + 1))
    [ "$tries" -lt 3000 ] || fail "shard 2 never got going: $(tail -3 "$work/run1.log")"
    sleep 0.01
done
kill -KILL "$(cat "$work/shard2.pid")"
wait "$runner" && fail "the run with a killed shard reported success"
finished_before=$(grep -c '"status":"ok"' "$report2" || true)
[ "$finished_before" -lt 50 ] || fail "shard 2 finished before it could be killed"
echo "shard 2 killed after $finished_before of its 50 files"

# Resume shard 2 alone; what it finished before is skipped.
# shellcheck disable=SC2086
BRIVO="$brivo" "$recipes/parallel-local.sh" "$work/in" "$work/out" 4 2 -- $options \
    >"$work/run2.log" 2>&1 || fail "the resumed shard: $(tail -3 "$work/run2.log")"
skipped=$(grep -c '"status":"skipped"' "$report2" || true)
[ "$skipped" -ge "$finished_before" ] || fail "resumed shard skipped $skipped, not $finished_before"
[ "$(wc -l <"$report2")" -eq 50 ] || fail "shard 2's report does not list its 50 files"

# Every output once, identical to the single process's, and one report line per input.
(cd "$work/ref" && find . -type f ! -name '.*' | sort) >"$work/ref.list"
(cd "$work/out" && find . -path ./reports -prune -o -type f ! -name '.*' ! -name '*.jsonl' \
    -print | sort) >"$work/out.list"
cmp -s "$work/ref.list" "$work/out.list" || fail "outputs differ: $(diff "$work/ref.list" "$work/out.list")"
[ "$(wc -l <"$work/ref.list")" -eq 200 ] || fail "the reference has $(wc -l <"$work/ref.list") files"
while read -r name; do
    cmp -s "$work/ref/$name" "$work/out/$name" || fail "$name differs from the single run's"
done <"$work/ref.list"
[ "$(sed 's/.*"input":"\([^"]*\)".*/\1/' "$work/out/report.jsonl" | sort -u | wc -l)" -eq 200 ] ||
    fail "the joined report does not name each input once"
grep -q '"status":"failed"' "$work/out/report.jsonl" && fail "a file failed"

# The ssh recipe with this machine as its one login (":") does the whole batch as one shard.
echo ":" >"$work/hosts"
# shellcheck disable=SC2086
BRIVO="$brivo" "$recipes/parallel-ssh.sh" "$work/hosts" "$work/in" "$work/ssh" -- $options \
    >"$work/ssh.log" 2>&1 || fail "the ssh recipe: $(tail -3 "$work/ssh.log")"
while read -r name; do
    cmp -s "$work/ref/$name" "$work/ssh/$name" || fail "ssh recipe: $name differs"
done <"$work/ref.list"

# The Slurm and Kubernetes entries: shard 1 of 4 on a fresh folder gives shard 1's outputs.
for scheduler in slurm k8s; do
    target="$work/$scheduler"
    if [ "$scheduler" = slurm ]; then
        # shellcheck disable=SC2086
        SLURM_ARRAY_TASK_ID=1 SLURM_ARRAY_TASK_COUNT=4 SLURM_CPUS_PER_TASK=2 BRIVO="$brivo" \
            bash "$recipes/slurm-array.sbatch" "$work/in" "$target" $options 2>"$work/$scheduler.log"
    else
        # shellcheck disable=SC2086
        JOB_COMPLETION_INDEX=1 SHARD_COUNT=4 BRIVO="$brivo" \
            "$recipes/k8s-shard.sh" "$work/in" "$target" $options 2>"$work/$scheduler.log"
    fi
    [ "$(grep -c '"status":"ok"' "$target/reports/shard-1.jsonl")" -eq 50 ] ||
        fail "$scheduler: $(tail -3 "$work/$scheduler.log")"
    for name in $(cd "$target" && find . -type f -name '*.png'); do
        cmp -s "$work/ref/$name" "$target/$name" || fail "$scheduler: $name differs"
    done
done
# The killed shard's workers finish their file, so no temporary file is left behind.
leftovers=$(find "$work/out" -name '.*' -type f)
[ -z "$leftovers" ] || fail "temporary files left: $leftovers"
echo "1 passed, 0 failed"
