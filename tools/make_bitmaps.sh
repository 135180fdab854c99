#!/usr/bin/env bash
# Writes the module's two bitmap resources into plugin/resources/bitmaps/:
#   splash.png   450 x 231, 24-bit RGB: the example photograph lit by Brivo with the preset
#                from examples/, cropped to size, with the name set in it;
#   dropper.png  20 x 10, 4-bit palette: a small eyedropper.
# Needs a built brivo command (BRIVO=path, default build/brivo) and ImageMagick's convert.
# Run from the source root: tools/make_bitmaps.sh
set -euo pipefail
cd "$(dirname "$0")/.."
BRIVO=${BRIVO:-build/brivo}
OUT=plugin/resources/bitmaps
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
mkdir -p "$OUT"

"$BRIVO" apply examples/coffee.png -o "$WORK/lit.png" --preset examples/window-light.json
convert "$WORK/lit.png" -resize '450x231^' -gravity center -extent 450x231 \
    \( -size 450x231 gradient:'rgba(0,0,0,0)-rgba(0,0,0,0.55)' \) -composite \
    -font DejaVu-Sans-Bold -pointsize 54 -fill 'rgba(0,0,0,0.45)' -gravity southwest \
    -annotate +22+18 'Brivo!' -fill white -annotate +20+20 'Brivo!' \
    -font DejaVu-Sans -pointsize 14 -fill white -gravity southeast \
    -annotate +18+24 'light and shadow' \
    -strip -define png:color-type=2 -define png:bit-depth=8 "PNG24:$OUT/splash.png"

# The eyedropper, one character per pixel: . background, k outline, g glass, w highlight,
# r the drop.
cat > "$WORK/dropper.txt" <<'PIXELS'
....................
..............kkk...
.............kwwgk..
...........kkwggk...
.........kkgggkk....
.......kkgggkk......
.....kkgggkk........
...kkgggkk..........
.rkgggkk............
rrkkkk..............
PIXELS
python3 - "$WORK/dropper.txt" "$WORK/dropper.ppm" <<'PYTHON'
import sys
colours = {".": (192, 192, 192), "k": (0, 0, 0), "g": (96, 160, 208), "w": (255, 255, 255),
           "r": (200, 0, 0)}
rows = [line.rstrip("\n") for line in open(sys.argv[1]) if line.strip()]
pixels = bytearray()
for row in rows:
    for c in row:
        pixels.extend(colours[c])
with open(sys.argv[2], "wb") as out:
    out.write(b"P6\n%d %d\n255\n" % (len(rows[0]), len(rows)) + bytes(pixels))
PYTHON
convert "$WORK/dropper.ppm" -strip -type Palette -define png:bit-depth=4 \
    -define png:color-type=3 "$OUT/dropper.png"
identify "$OUT/splash.png" "$OUT/dropper.png"
