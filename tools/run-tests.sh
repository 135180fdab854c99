#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/fetch-test-images.sh
tools/build.sh
cd build && ctest --output-on-failure -j"$(nproc)"
