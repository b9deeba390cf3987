#!/usr/bin/env bash
# A desk looks at the week in a real X server: 表示(&V) 週間表示(&W) by keys
# shows today's 10:00-12:00 booking as a short bar in the first facility's
# row; a double-click on the free cell below it opens the entry dialog for the
# next facility, today, at that hour, and Enter books it.
source "$(dirname "$0")/desk.sh"

# Sets w h x y to the bounding box of the pure green on the screen once it is
# a bar: wider than high and lower than a schedule's box of two hours.
find_bar() {
  local box
  for _ in $(seq 1 100); do
    import -window root "$work/shot.png"
    box=$(convert "$work/shot.png" -alpha off -fill black +opaque '#00FF00' -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
    read -r w h x y <<<"${box:-0 0 0 0}"
    x=${x#+}; y=${y#+}
    if [ "${w:-0}" -ge 8 ] && [ "${h:-0}" -ge 6 ] && [ "$h" -lt 30 ] && [ "$w" -gt "$h" ]; then return 0; fi
  done
  return 1
}

shown=""
for _ in 1 2 3 4 5; do
  xdotool windowfocus --sync "$win"
  xdotool key --window "$win" alt+v
  xdotool key w
  if find_bar; then shown=1; break; fi
done
[ -n "$shown" ] || { echo "no week window with today's bar" >&2; cat "$work/app.log" >&2; exit 1; }

# The row below the bar (a bar leaves two pixels above and below in its row),
# at the bar's first hour: 和室, today, 10:00.
xdotool mousemove $((x + 2)) $((y + h / 2 + h + 4)) click --repeat 2 --delay 80 1
dlg=$(timeout 20 xdotool search --sync --onlyvisible --name '予約の入力' | head -1)
[ -n "$dlg" ] || { echo "the entry dialog did not open" >&2; cat "$work/app.log" >&2; exit 1; }
xdotool type --delay 20 'Shinonome'
xdotool key Return

for _ in $(seq 1 400); do
  if "$KVTOOL" dump "$reg" | python3 -c '
import json, sys, time
d = json.load(sys.stdin)
r = [x for x in d["reservations"] if x["user"] == "Shinonome"]
if not r: sys.exit(1)
r = r[0]
s, e = time.localtime(r["start"]), time.localtime(r["end"])
print("stored: facility %d %s %02d:%02d-%02d:%02d" % (r["facility"], time.strftime("%F", s), s.tm_hour, s.tm_min,
                                                     e.tm_hour, e.tm_min))
sys.exit(0 if (r["facility"], time.strftime("%F", s), s.tm_hour, e.tm_hour) == (2, sys.argv[1], 10, 11) else 2)
' "$today"; then
    exit 0
  elif [ $? -eq 2 ]; then
    echo "the booking was stored with the wrong facility, day or hours" >&2
    exit 1
  fi
done
echo "no booking by Shinonome reached the file" >&2
cat "$work/app.log" >&2
exit 1
