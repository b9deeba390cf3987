#!/usr/bin/env bash
# Starts Orvalis as a new user would, in a real X server, on a register with
# a booking today from 10:00 to 12:00, and looks at the screen from outside:
# the schedule window is maximised and the booking is a box of pure green.
set -euo pipefail
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
: "${ORVALIS:?path of the orvalis program}" "${KVTOOL:?path of kvtool}"

work=$(mktemp -d)
xpid="" apid=""
cleanup() {
  [ -n "$apid" ] && kill "$apid" 2>/dev/null || true
  [ -n "$xpid" ] && kill "$xpid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT

# A desk that never ran Orvalis: empty home, no profile.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset ORVALIS_PROFILE QT_QPA_PLATFORM

cat > "$work/r.json" <<'JSON'
{"facilities":[{"id":1,"name":"大会議室","max_people":20,"comment":""},
               {"id":2,"name":"和室","max_people":8,"comment":""}],
 "reservations":[],"users":[]}
JSON
"$KVTOOL" build "$work/r.json" "$work/r.kv"
"$KVTOOL" book "$work/r.kv" --facility 1 --date "$(date +%F)" --start 10:00 --end 12:00 --user テスト >/dev/null

# The server tells its display number once it accepts clients.
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 20 _ xpid <&3
read -r -t 20 display <&3
export DISPLAY=":$display"

"$ORVALIS" "$work/r.kv" >"$work/app.log" 2>&1 &
apid=$!
timeout 30 xdotool search --sync --onlyvisible --name '^Orvalis' >/dev/null

# The first frames may still be on their way; each look is a fresh screenshot.
for _ in $(seq 1 100); do
  import -window root "$work/shot.png"
  box=$(convert "$work/shot.png" -alpha off -fill black +opaque '#00FF00' -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
  read -r w h x y <<<"${box:-0 0 0 0}"
  if [ "${w:-0}" -ge 40 ] && [ "${h:-0}" -ge 40 ] && [ "$w" -lt 200 ] && [ "$h" -lt 200 ]; then
    # Maximised, the schedule window has no border of its own: the first
    # facility column begins right after the left heading pane (88 pixels)
    # and the 3-pixel gap, and the box's fill one pixel inside its frame.
    x=${x#+}; y=${y#+}
    if [ "$x" -ge 90 ] && [ "$x" -le 93 ]; then
      echo "green box ${w}x${h} at $x,$y"
      exit 0
    fi
    echo "green box at $x,$y: the schedule window is not maximised" >&2
    exit 1
  fi
done
echo "no pure green box on the screen" >&2
cat "$work/app.log" >&2
exit 1
