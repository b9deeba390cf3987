#!/usr/bin/env bash
# Runs each fuzz target for the given number of seconds (default 60) on its corpus.
# New inputs found go to build/fuzz/corpus-*; crashes to build/fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")"
seconds="${1:-60}"
scripts/install-deps.sh
CXX=clang++ cmake -S . -B build/fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVALIS_FUZZ=ON \
  -DORVALIS_GUI=OFF -DORVALIS_TESTS=OFF -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build/fuzz -j2 --target fuzz_register fuzz_profile
mkdir -p build/fuzz/artifacts
# The profile target writes a file per input; tmpfs keeps its fsync cheap.
[ -d /dev/shm ] && export TMPDIR=/dev/shm
status=0
for t in register profile; do
  work="build/fuzz/corpus-$t"
  mkdir -p "$work"
  echo "fuzz_$t: ${seconds}s"
  if ! ASAN_OPTIONS=detect_leaks=1 build/fuzz/fuzz/fuzz_$t -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -max_len=65536 -artifact_prefix=build/fuzz/artifacts/ -print_final_stats=1 "$work" "fuzz/corpus/$t" \
       2> "build/fuzz/fuzz_$t.log"; then
    tail -40 "build/fuzz/fuzz_$t.log"
    status=1
  else
    grep -E "^stat::number_of_executed_units|^#[0-9]+ *DONE" "build/fuzz/fuzz_$t.log" | tail -2
  fi
done
exit $status
