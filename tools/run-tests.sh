#!/bin/sh
# Installs what is missing, builds, and runs the whole test suite.
set -eu
cd "$(dirname "$0")/.."
tools/install-deps.sh
tools/fetch-test-images.sh
tools/build.sh
# The window tests need a display and a HOME of their own: a virtual X server and a
# throwaway folder, so no user's settings or desktop are touched.
HOME=$(mktemp -d)
export HOME
cd build && xvfb-run -a -s "-screen 0 1280x1024x24" ctest --output-on-failure -j"$(nproc)"
