#!/usr/bin/env bash
# Builds Orvalis in Release and starts it. On the very first start (no
# profile yet) it opens a demo register; after that it starts as the
# installed program does: the named file, else the register last used.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVALIS_TESTS=OFF >/dev/null
cmake --build build/release -j2
if [ $# -eq 0 ]; then
  config="${XDG_CONFIG_HOME:-}"
  [ "${config#/}" != "$config" ] || config="$HOME/.config"
  profile="${ORVALIS_PROFILE:-$config/orvalis/orvalis.ini}"
  if [ ! -e "$profile" ]; then
    data="${XDG_DATA_HOME:-$HOME/.local/share}/orvalis"
    mkdir -p "$data"
    # Made once and kept, so the desk's own bookings in it survive.
    [ -f "$data/demo.kv" ] || build/release/tools/kvtool/kvtool demo "$data/demo.kv"
    exec build/release/orvalis "$data/demo.kv"
  fi
fi
exec build/release/orvalis "$@"
