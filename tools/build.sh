#!/bin/sh
# Configures and builds Brivo into build/ (or the directory given as BUILD_DIR).
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release "$@" >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)"
