#!/bin/sh
# Installs the Debian packages Brivo builds and tests with (Debian 12, as root).
set -eu
PACKAGES="cmake g++ make pkg-config libpng-dev libjpeg-dev zlib1g-dev libtiff-dev liblcms2-dev \
libcli11-dev nlohmann-json3-dev libgtest-dev libgmock-dev libbenchmark-dev libfltk1.3-dev \
xvfb xauth fluid fonts-dejavu-core imagemagick libjpeg-turbo-progs libexiv2-dev exiv2 valgrind \
clang libclang-rt-14-dev libssl-dev parallel"
missing=""
for package in $PACKAGES; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
        missing="$missing $package"
done
if [ -n "$missing" ]; then
    SUDO=""
    [ "$(id -u)" -eq 0 ] || SUDO=sudo
    $SUDO apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
fi
