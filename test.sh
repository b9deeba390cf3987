#!/usr/bin/env bash
# Builds Orvalis with AddressSanitizer and UBSan and runs every test, then
# checks that the Release build with tests builds, and makes a short bounded
# run of each fuzz target on its corpus.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export TZ=Asia/Tokyo QT_QPA_PLATFORM=offscreen
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVALIS_SANITIZE=ON >/dev/null
cmake --build build/asan -j2
(cd build/asan && ctest --output-on-failure -j2 "$@")
if [ $# -eq 0 ]; then
  # A packager builds Release with the tests; -O3 finds warnings that -O0 does
  # not, so that build must stay clean too. Built only, its tests are the same.
  cmake -S . -B build/release-check -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
  cmake --build build/release-check -j2
  ./fuzz.sh "${ORVALIS_FUZZ_SECONDS:-30}"
fi
