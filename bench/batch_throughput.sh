#!/bin/sh
# Images per second of a batch for several --jobs values, on 100 photographs of 12 megapixels
# (4000 x 3000 JPEGs enlarged from scikit-image's sample photographs).
#   bench/batch_throughput.sh BUILD_DIR [JOBS...]     (default jobs: 1 2)
# The photographs are made once into BUILD_DIR/bench-photos-12mp; outputs go to a temporary
# folder. The module's threads share the cores with the jobs as brivo arranges it, unless
# BRIVO_THREADS is set.
set -eu
build=$1
shift
[ $# -gt 0 ] || set -- 1 2
root=$(cd "$(dirname "$0")/.." && pwd)
data=/usr/lib/python3/dist-packages/skimage/data
[ -f "$data/coffee.png" ] || data="$root/.test-data/skimage"
photos="$build/bench-photos-12mp"
if [ "$(find "$photos" -name '*.jpg' 2>/dev/null | wc -l)" -ne 100 ]; then
    mkdir -p "$photos"
    i=0
    while [ "$i" -lt 100 ]; do
        for name in astronaut.png chelsea.png coffee.png rocket.jpg motorcycle_left.png; do
            [ "$i" -lt 100 ] || break
            # Each copy is turned a little so that no two files are alike.
            convert "$data/$name" -resize 4000x3000! -modulate 100,100,$((90 + i % 20)) \
                -quality 92 "$photos/photo-$(printf %03d "$i").jpg"
            i=$((i + 1))
        done
    done
fi
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
echo "100 photographs of 4000 x 3000, preset examples/window-light.json, $(nproc) cores"
for jobs in "$@"; do
    rm -rf "${out:?}"/*
    summary=$("$build/brivo" apply "$photos" -o "$out/" --jobs "$jobs" \
        --preset "$root/examples/window-light.json" 2>&1 | tail -1)
    echo "--jobs $jobs: $summary"
done
