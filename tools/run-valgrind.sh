#!/bin/sh
# Runs the golden cases (the example photographs, with the default light and with the lit
# shape) through `brivo apply` under valgrind's memcheck, on the vector and on the reference
# path, and fails on any memory error: a read of bytes nobody wrote, a bad access, a leak.
# Builds the command and the module into build/ (or BUILD_DIR) first.
set -eu
cd "$(dirname "$0")/.."
BUILD_DIR=${BUILD_DIR:-build}
command -v valgrind >/dev/null || {
    echo "run-valgrind: valgrind is not installed" >&2
    exit 1
}
[ -f "$BUILD_DIR/CMakeCache.txt" ] || cmake -S . -B "$BUILD_DIR" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$BUILD_DIR" -j"$(nproc)" --target brivo_app brivo_module >/dev/null

out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failures=0
for input in coffee.png coffee_gray.png coffee_cmyk.tif; do
    for settings in defaults shape; do
        set --
        [ "$settings" = shape ] && set -- --set lightSource=Matte \
            --set "shapeFile=$PWD/patterns/window_panes.png" --set shapeRotate=30 \
            --set lightDisplacement=20
        for simd in 0 1; do
            log="$out/log"
            if BRIVO_NO_SIMD=$simd valgrind --quiet --error-exitcode=99 --leak-check=full \
                --errors-for-leak-kinds=definite,indirect --track-origins=yes \
                "$BUILD_DIR/brivo" apply "examples/$input" -o "$out/${input%.*}.out.${input##*.}" \
                "$@" >"$log" 2>&1; then
                echo "clean  $input $settings BRIVO_NO_SIMD=$simd"
            else
                echo "ERRORS $input $settings BRIVO_NO_SIMD=$simd"
                cat "$log"
                failures=$((failures + 1))
            fi
        done
    done
done
[ "$failures" -eq 0 ] || {
    echo "run-valgrind: $failures of 12 runs had memory errors" >&2
    exit 1
}
echo "run-valgrind: all 12 runs clean"
