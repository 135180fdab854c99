#!/bin/sh
# Takes the dialog's screenshots for the README: `brivo edit` on the example photograph in
# real windows on a virtual display, one picture per preview view. Needs xvfb-run.
set -eu
cd "$(dirname "$0")/.."
BRIVO=${BRIVO:-build/brivo}
OUT=docs/images
mkdir -p "$OUT"
script=$(mktemp)
config=$(mktemp -d)
trap 'rm -rf "$script" "$config"' EXIT
cat > "$script" <<SCRIPT
screenshot $OUT/dialog-output.png
click 124 312
screenshot $OUT/dialog-matte.png
click 202 312
screenshot $OUT/dialog-shape.png
click 280 312
screenshot $OUT/dialog-original.png
key escape
SCRIPT
# The kept values of the person running this are neither used nor changed.
XDG_CONFIG_HOME="$config" xvfb-run -a -s "-screen 0 1280x1024x24" \
    "$BRIVO" edit examples/coffee.png -o "$config/unused.png" \
    --preset examples/window-light.json --script "$script" --windows || true
# The about box draws only its splash picture; it needs no display.
"$BRIVO" about --screenshot "$OUT/about.png" >/dev/null
