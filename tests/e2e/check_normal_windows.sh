#!/usr/bin/env bash
# A desk whose profile says schedule windows open normal (Settings/ShowCmd=1):
# the first window shows the grid at a sensible size, not a bare title bar,
# and the caption names it.
profile=$'[Settings]\nShowCmd=1'
source "$(dirname "$0")/desk.sh"

for _ in $(seq 1 40); do
  if find_green_box 200 1 && child_window_size && [ "$cw" -ge 400 ] && [ "$ch" -ge 300 ]; then
    caption=$(xdotool getwindowname "$win")
    [ "$caption" = "Orvalis - r.kv" ] || { echo "caption: '$caption'" >&2; exit 1; }
    echo "window ${cw}x${ch}, booking box ${w}x${h} at $x,$y"
    exit 0
  fi
done
echo "window: ${cw:-no}x${ch:-size}, wanted at least 400x300 with the grid" >&2
cat "$work/app.log" >&2
exit 1
