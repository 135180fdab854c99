#!/bin/sh
# Renders the README's pictures from the example photograph with the built command.
set -eu
cd "$(dirname "$0")/.."
BRIVO=${BRIVO:-build/brivo}
OUT=docs/images
mkdir -p "$OUT"
$BRIVO apply examples/coffee.png -o "$OUT/before.jpg" --view original
$BRIVO apply examples/coffee.png -o "$OUT/after.jpg" --preset examples/window-light.json
$BRIVO apply examples/coffee.png -o "$OUT/light-mask.png" --preset examples/window-light.json --view matte
$BRIVO apply examples/coffee.png -o "$OUT/placed-shape.png" --preset examples/window-light.json --view shape
