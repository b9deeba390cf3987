#!/usr/bin/env bash
# Builds Orvalis with AddressSanitizer and UBSan and runs every test.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export TZ=Asia/Tokyo QT_QPA_PLATFORM=offscreen
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DORVALIS_SANITIZE=ON >/dev/null
cmake --build build/asan -j2
cd build/asan
ctest --output-on-failure -j2 "$@"
