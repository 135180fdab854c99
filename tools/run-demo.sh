#!/bin/sh
# Installs what is missing, builds, and lights the bundled example photograph.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/build.sh
build/brivo apply examples/harbour.jpg -o build/harbour-lit.jpg --preset examples/window-light.json -v
echo "wrote build/harbour-lit.jpg"
