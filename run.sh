#!/usr/bin/env bash
# Builds Orvalis in Release and starts it (on a demo register when no file is named).
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVALIS_TESTS=OFF >/dev/null
cmake --build build/release -j2
data="${XDG_DATA_HOME:-$HOME/.local/share}/orvalis"
mkdir -p "$data"
kvtool=build/release/tools/kvtool/kvtool
if [ $# -eq 0 ]; then
  # Made once and kept, so the desk's own bookings in it survive the next start.
  [ -f "$data/demo.kv" ] || "$kvtool" demo "$data/demo.kv"
  exec build/release/orvalis "$data/demo.kv"
fi
exec build/release/orvalis "$@"
