#!/usr/bin/env bash
# Builds Orvalis with AddressSanitizer and UBSan and runs every test, then
# checks that the Release build with tests builds, and makes a short bounded
# run of each fuzz target on its corpus.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
# Registers on a server: the client library to build them, a server for their tests.
pg_missing=()
for p in postgresql libpq-dev; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || pg_missing+=("$p")
done
if [ ${#pg_missing[@]} -gt 0 ]; then
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${pg_missing[@]}" >/dev/null
fi
export TZ=Asia/Tokyo QT_QPA_PLATFORM=offscreen
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVALIS_SANITIZE=ON >/dev/null
cmake --build build/asan -j2
# The server tests find their private server's socket in ORVALIS_PG_SOCKET.
(cd build/asan && ../../tests/pg/with-server.sh ctest --output-on-failure -j2 "$@")
if [ $# -eq 0 ]; then
  # A packager builds Release with the tests; -O3 finds warnings that -O0 does
  # not, so that build must stay clean too. Built only, its tests are the same.
  # Hardened as ./package.sh builds it, so the package comes from this build.
  cmake -S . -B build/release-check -G Ninja -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS="-D_FORTIFY_SOURCE=2 -fstack-protector-strong" \
        -DCMAKE_EXE_LINKER_FLAGS="-Wl,-z,relro,-z,now" >/dev/null
  cmake --build build/release-check -j2
  # The package a desk's administrator installs: its files and lintian's word.
  rm -f build/release-check/orvalis_*.deb
  (cd build/release-check && cpack -G DEB >/dev/null)
  version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/release-check/CMakeCache.txt)
  bash packaging/check-deb.sh build/release-check "$version"
  ./fuzz.sh "${ORVALIS_FUZZ_SECONDS:-30}"
fi
