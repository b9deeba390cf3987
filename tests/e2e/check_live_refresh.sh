#!/usr/bin/env bash
# Another desk books while the register is on the screen, in the schedule and
# in the reservation list side by side: without any input, within five
# seconds, the new booking's box appears beside today's, and the list holds
# its line as a screen reader reads it over the accessibility bus.
a11y=1
source "$(dirname "$0")/desk.sh"
lines() { /usr/bin/python3 "$(dirname "$0")/list_lines.py" 2>>"$work/a11y.log" || true; }
mine="$(date +%y-%m-%d) 10:00 ～ 12:00 大会議室（テスト ）"
theirs="$(date +%y-%m-%d) 10:00 ～ 12:00 和室（外部 ）"

# The reservation list through 表示(&V) 予約リスト(&L), then both windows
# left and right through ウィンドウ(&W) 左右に並べて表示(&V); the keys go
# again now and then until each has taken effect.
for i in $(seq 0 99); do
  if [ $((i % 20)) -eq 0 ]; then
    xdotool windowfocus --sync "$win"
    xdotool key --window "$win" alt+v
    xdotool key l
  fi
  shown=$(lines)
  grep -qxF "$mine" <<<"$shown" && break
done
if ! grep -qxF "$mine" <<<"$shown"; then
  echo "no reservation list with the booking: $shown" >&2
  cat "$work"/*.log >&2
  exit 1
fi
tiled=""
for _ in 1 2 3 4 5; do
  xdotool key --window "$win" alt+w
  xdotool key v
  if find_green_box 300 20; then tiled=1; break; fi
done
[ -n "$tiled" ] || { echo "no booking box beside the list" >&2; cat "$work/app.log" >&2; exit 1; }
w0=$w x0=$x y0=$y

# The next facility at the same hours, booked from outside the program.
"$KVTOOL" book "$reg" --facility 2 --date "$today" --start 10:00 --end 12:00 --user 外部 >/dev/null
deadline=$(( $(date +%s) + 5 ))
boxed="" listed=""
while [ "$(date +%s)" -lt "$deadline" ]; do
  if [ -z "$boxed" ]; then
    import -window root "$work/shot.png"
    box=$(convert "$work/shot.png" -alpha off -fill black +opaque '#00FF00' -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
    read -r w h x y <<<"${box:-0 0 0 0}"
    x=${x#+}; y=${y#+}
    # Both boxes side by side: the green reaches twice as far to the right.
    if [ "$x" -eq "$x0" ] && [ "$y" -eq "$y0" ] && [ "$w" -ge $(( w0 * 3 / 2 )) ]; then boxed=1; fi
  fi
  if [ -z "$listed" ]; then
    shown=$(lines)
    if grep -qxF "$theirs" <<<"$shown"; then listed=1; fi
  fi
  if [ -n "$boxed" ] && [ -n "$listed" ]; then
    echo "the other desk's booking shows: green ${w}x${h} from ${w0} wide, and listed: $theirs"
    exit 0
  fi
done
if [ -z "$boxed" ]; then
  echo "the other desk's box did not show within five seconds (green ${w}x${h} at $x,$y, before ${w0} wide)" >&2
fi
if [ -z "$listed" ]; then
  echo "the other desk's booking was not listed within five seconds; the list read:" >&2
  echo "$shown" >&2
fi
cat "$work"/*.log >&2
exit 1
