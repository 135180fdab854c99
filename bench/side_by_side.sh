#!/bin/sh
# Times, in one sitting on the same photograph, `brivo apply` against ImageMagick's plain
# re-encode (convert IN OUT) for JPEG and PNG, and render_bench at one and two threads, and
# prints the ratios. Every figure is the fastest of RUNS runs (wall-clock seconds), so other
# work on the machine inflates it as little as possible; the processor seconds (user + system)
# of that run follow in brackets, since on a busy machine they say more than the wall clock.
#
#   bench/side_by_side.sh [PHOTO.jpg]    (BUILD_DIR=build, RUNS=3)
#
# Without a photograph, a 6000 × 4000 one is composed from scikit-image's sample photographs
# (tools/fetch-test-images.sh puts them in .test-data).
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
RUNS=${RUNS:-3}
BRIVO="$BUILD_DIR/brivo"
RENDER_BENCH="$BUILD_DIR/bench/render_bench"
CONVERT=$(command -v convert-im6.q16 || command -v magick || command -v convert)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

photo=${1:-}
if [ -z "$photo" ]; then
    data=/usr/lib/python3/dist-packages/skimage/data
    [ -f "$data/astronaut.png" ] || data=.test-data/skimage
    row() { "$CONVERT" "$@" +append -resize x1000 -background gray -gravity center \
        -extent 6000x1000 miff:-; }
    (cd "$data" && {
        row astronaut.png coffee.png chelsea.png rocket.jpg motorcycle_left.png
        row retina.jpg hubble_deep_field.jpg gravel.png grass.png brick.png
        row motorcycle_right.png color.png ihc.png coffee.png astronaut.png
        row chelsea.png rocket.jpg camera.png moon.png retina.jpg
    }) | "$CONVERT" miff:- -append -colorspace sRGB -type TrueColor -quality 92 "$work/photo.jpg"
    photo="$work/photo.jpg"
fi
[ "$photo" = "$work/photo.jpg" ] || cp "$photo" "$work/photo.jpg"
"$CONVERT" "$photo" "$work/photo.png"

# fastest COMMAND...: prints "seconds peak_kib cpu_seconds" of the fastest of RUNS runs.
fastest() {
    best=""
    i=0
    while [ "$i" -lt "$RUNS" ]; do
        if ! /usr/bin/time -f "%e %M %U %S" -o "$work/time" "$@" >/dev/null 2>"$work/err"; then
            echo "side_by_side: failed: $*" >&2
            cat "$work/err" >&2
            exit 1
        fi
        best=$(printf '%s\n%s\n' "$best" "$(cat "$work/time")" | awk 'NF' | sort -n | head -1)
        i=$((i + 1))
    done
    echo "$best" | awk '{ printf "%s %s %.2f\n", $1, $2, $3 + $4 }'
}
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
bytes() { wc -c <"$1" | tr -d ' '; }

pixels=$("$CONVERT" "$photo" -format '%w %h' info:)
document_bytes=$(echo "$pixels" | awk '{ print $1 * $2 * 3 }')
echo "photograph: $pixels pixels, $(nproc) cores, fastest of $RUNS runs"
echo

set -- $(fastest "$BRIVO" apply "$work/photo.jpg" -o "$work/brivo.jpg")
brivo_jpeg=$1 brivo_jpeg_cpu=$3
set -- $(fastest "$CONVERT" "$work/photo.jpg" -quality 95 "$work/im.jpg")
im_jpeg=$1 im_jpeg_cpu=$3
set -- $(fastest "$BRIVO" apply "$work/photo.png" -o "$work/brivo.png")
brivo_png=$1 brivo_peak_kib=$2 brivo_png_cpu=$3
set -- $(fastest "$CONVERT" "$work/photo.png" "$work/im.png")
im_png=$1 im_png_cpu=$3
"$CONVERT" "$work/brivo.png" "$work/im_same_pixels.png"
brivo_png_bytes=$(bytes "$work/brivo.png")
im_png_bytes=$(bytes "$work/im_same_pixels.png")
peak_allowance=$(awk -v d="$document_bytes" 'BEGIN { print 2.2 * d + 30e6 }')

line() { printf '%-46s %16s %16s %12s  %s\n' "$@"; }
line "run" "brivo" "reference" "ratio" "target"
line "apply JPEG -> JPEG (quality 95) vs convert" "${brivo_jpeg}s (${brivo_jpeg_cpu})" \
    "${im_jpeg}s (${im_jpeg_cpu})" \
    "$(ratio "$brivo_jpeg" "$im_jpeg") ($(ratio "$brivo_jpeg_cpu" "$im_jpeg_cpu"))" "<= 0.8"
line "apply PNG -> PNG vs convert" "${brivo_png}s (${brivo_png_cpu})" \
    "${im_png}s (${im_png_cpu})" \
    "$(ratio "$brivo_png" "$im_png") ($(ratio "$brivo_png_cpu" "$im_png_cpu"))" "<= 0.5"
line "PNG bytes vs convert's of the same pixels" "$brivo_png_bytes" "$im_png_bytes" \
    "$(ratio "$brivo_png_bytes" "$im_png_bytes")" "<= 1"
line "peak memory of apply PNG vs 2.2 doc + 30 MB" "$((brivo_peak_kib * 1024 / 1000000)) MB" \
    "$(awk -v a="$peak_allowance" 'BEGIN { printf "%d", a / 1e6 }') MB" \
    "$(ratio "$((brivo_peak_kib * 1024))" "$peak_allowance")" "<= 1"

# render_bench: the fastest repetition's wall time per benchmark, and its memcpy reference.
render() {
    BRIVO_THREADS=$1 "$RENDER_BENCH" --benchmark_repetitions="$RUNS" --benchmark_format=csv \
        2>/dev/null | awk -F, -v name="$2" '
        $1 ~ "^\"?" name "/" && $1 !~ /_(mean|median|stddev|cv)"?$/ {
            ms = $3; if ($5 ~ /ns/) ms /= 1e6; if ($5 ~ /us/) ms /= 1e3
            if (best == "" || ms < best) best = ms
            memcpy = $(NF - 1) * 1000
        }
        END { printf "%.1f %.2f\n", best, memcpy }'
}
for settings in defaultLight shapedLight; do
    set -- $(render 1 "$settings")
    one=$1
    memcpy_ms=$2
    set -- $(render 2 "$settings")
    two=$1
    target=$([ "$settings" = defaultLight ] && echo 6 || echo 9)
    line "render $settings, 1 thread vs memcpy" "${one} ms" "${memcpy_ms} ms" \
        "$(ratio "$one" "$memcpy_ms")" "<= $target"
    line "render $settings, 2 threads vs 1 thread" "${two} ms" "${one} ms" \
        "$(ratio "$two" "$one")" "<= 0.6"
done
