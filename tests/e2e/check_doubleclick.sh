#!/usr/bin/env bash
# A desk books from the timetable in a real X server: a double-click on an
# empty place of the next facility's column at the hour of today's booking
# opens the entry dialog with the user field focused; typing a name and
# pressing Enter stores hour:00 to (hour + 1):00 for that facility.
source "$(dirname "$0")/desk.sh"

# Today's booking on the screen: its box is the first facility's column from
# 10:00 down to 12:00.
find_green_box 300 || { echo "no booking box on the screen" >&2; cat "$work/app.log" >&2; exit 1; }

# The same hour one column to the right: the next facility, empty.
xdotool mousemove $((x + w + w / 2)) $((y + 4)) click --repeat 2 --delay 80 1
dlg=$(timeout 20 xdotool search --sync --onlyvisible --name '予約の入力' | head -1)
[ -n "$dlg" ] || { echo "the entry dialog did not open" >&2; exit 1; }
# Typed straight away, the name goes where the focus is.
xdotool type --delay 20 'Shinonome'
xdotool key Return

for _ in $(seq 1 400); do
  if "$KVTOOL" dump "$work/r.kv" | python3 -c '
import json, sys, time
d = json.load(sys.stdin)
r = [x for x in d["reservations"] if x["user"] == "Shinonome"]
if not r: sys.exit(1)
r = r[0]
s, e = time.localtime(r["start"]), time.localtime(r["end"])
ok = r["facility"] == 2 and (s.tm_hour, s.tm_min) == (10, 0) and (e.tm_hour, e.tm_min) == (11, 0) \
     and time.strftime("%F", s) == sys.argv[1]
print("stored: facility %d %02d:%02d-%02d:%02d" % (r["facility"], s.tm_hour, s.tm_min, e.tm_hour, e.tm_min))
sys.exit(0 if ok else 2)
' "$today"; then
    exit 0
  elif [ $? -eq 2 ]; then
    echo "the booking was stored with the wrong facility or hours" >&2
    exit 1
  fi
done
echo "no booking by Shinonome reached the file" >&2
cat "$work/app.log" >&2
exit 1
