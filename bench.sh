#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them on a register of 100,000
# reservations, 200 facilities and 10,000 users: open, save, a booking, the
# six sorts, the five exports, filling both lists, painting the busy day and
# hit-testing it, beside the raw read and write of the same bytes; then the
# program's peak memory with that register open. Arguments go to every
# benchmark, e.g. ./bench.sh --benchmark_repetitions=5 (docs/performance.md).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
export TZ=Asia/Tokyo
# An empty CMAKE_CXX_FLAGS clears whatever an earlier configuration cached.
cmake -S . -B build/bench -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVALIS_BENCH=ON -DORVALIS_GUI=ON -DORVALIS_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="" >/dev/null
cmake --build build/bench -j2
for b in build/bench/bench/bench_*; do
  if [ -f "$b" ] && [ -x "$b" ]; then "$b" "$@"; fi
done
build/bench/bench/peak_memory
