#!/usr/bin/env bash
# Builds Orvalis in Release and makes the Debian package orvalis_<version>_<arch>.deb
# here, at the top of the checkout. Installs what the build needs when missing.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD=${BUILD:-build/package}
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVALIS_TESTS=OFF
cmake --build "$BUILD" -j"$(nproc)"
(cd "$BUILD" && cpack -G DEB)
deb=$(ls -t "$BUILD"/orvalis_*.deb | head -1)
cp "$deb" .
echo "$(basename "$deb")"
