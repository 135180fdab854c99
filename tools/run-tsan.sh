#!/bin/sh
# Builds the module, the render tests and the host tests with ThreadSanitizer into
# build-tsan/ and runs them with four threads, so that any data race between the module's
# workers (or between them and the host thread), or among the host's own copying and
# encoding threads, fails the run.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build-tsan}
cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DBRIVO_TSAN=ON \
    -DBRIVO_BUILD_BENCH=OFF >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target test_render test_host
cd "$BUILD_DIR"
BRIVO_THREADS=4 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" BRIVO_TEST=1 \
    ./tests/test_render --gtest_brief=1
BRIVO_THREADS=4 TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1" BRIVO_TEST=1 \
    ./tests/test_host --gtest_brief=1 \
    --gtest_filter='ChannelPorts*:RunInParts*:HostThreadCount*:*Png*:PlaneGrowth*'
