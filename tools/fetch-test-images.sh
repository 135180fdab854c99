#!/bin/sh
# Puts scikit-image's sample photographs (PNG and JPEG files written by other programs) where
# the tests look for them: the system's copy when python3-skimage is installed, otherwise the
# package's data folder unpacked into .test-data/skimage without installing the package and
# its many dependencies. Without network access the tests that need them are skipped.
set -u
cd "$(dirname "$0")/.."
SYSTEM_DATA=/usr/lib/python3/dist-packages/skimage/data
LOCAL_DATA=.test-data/skimage
[ -f "$SYSTEM_DATA/camera.png" ] && exit 0
[ -f "$LOCAL_DATA/camera.png" ] && exit 0
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
if (cd "$work" && apt-get download -qq python3-skimage >/dev/null 2>&1) &&
    dpkg-deb -x "$work"/python3-skimage_*.deb "$work/unpacked" &&
    [ -f "$work/unpacked$SYSTEM_DATA/camera.png" ]; then
    mkdir -p "$LOCAL_DATA"
    cp -r "$work/unpacked$SYSTEM_DATA/." "$LOCAL_DATA/"
else
    echo "fetch-test-images: scikit-image sample data unavailable; its tests will be skipped" >&2
fi
exit 0
