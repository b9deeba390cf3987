#!/usr/bin/env bash
# Builds Orvalis in Release and makes the Debian package orvalis_<version>_<arch>.deb
# here, at the top of the checkout. Installs what the build needs when missing.
set -euo pipefail
cd "$(dirname "$0")"
./scripts/install-deps.sh
BUILD=${BUILD:-build/package}
# Hardened as Debian builds its own packages: fortified C library calls, a
# stack protector, and relocations read-only once the program has started.
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVALIS_TESTS=OFF \
      -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
      -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now"
cmake --build "$BUILD" -j"$(nproc)"
(cd "$BUILD" && cpack -G DEB)
deb=$(ls -t "$BUILD"/orvalis_*.deb | head -1)
cp "$deb" .
echo "$(basename "$deb")"
