#!/bin/sh
# Installs what is missing, builds, and lights the bundled example photograph.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
build/brivo apply examples/coffee.png -o build/coffee-lit.png --preset examples/window-light.json -v
echo "wrote build/coffee-lit.png"
