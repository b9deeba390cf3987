#!/usr/bin/env bash
# Starts Orvalis as a new user would, in a real X server, on a register with
# a booking today from 10:00 to 12:00, and looks at the screen from outside:
# the schedule window is maximised and the booking is a box of pure green.
source "$(dirname "$0")/desk.sh"

if find_green_box 200; then
  # Maximised, the schedule window has no border of its own: the first
  # facility column begins right after the left heading pane (88 pixels)
  # and the 3-pixel gap, and the box's fill one pixel inside its frame.
  if [ "$x" -ge 90 ] && [ "$x" -le 93 ]; then
    echo "green box ${w}x${h} at $x,$y"
    exit 0
  fi
  echo "green box at $x,$y: the schedule window is not maximised" >&2
  exit 1
fi
echo "no pure green box on the screen" >&2
cat "$work/app.log" >&2
exit 1
