#!/usr/bin/env bash
# A desk books from the timetable in a real X server: a double-click on an
# empty place of the next facility's column at the hour of today's booking
# opens the entry dialog with the user field focused; typing a name and
# pressing Enter stores hour:00 to (hour + 1):00 for that facility.
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

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
unset ORVALIS_PROFILE QT_QPA_PLATFORM

cat > "$work/r.json" <<'JSON'
{"facilities":[{"id":1,"name":"大会議室","max_people":20,"comment":""},
               {"id":2,"name":"和室","max_people":8,"comment":""}],
 "reservations":[],"users":[]}
JSON
today=$(date +%F)
"$KVTOOL" build "$work/r.json" "$work/r.kv"
"$KVTOOL" book "$work/r.kv" --facility 1 --date "$today" --start 10:00 --end 12:00 --user テスト >/dev/null

exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 20 _ xpid <&3
read -r -t 20 display <&3
export DISPLAY=":$display"

"$ORVALIS" "$work/r.kv" >"$work/app.log" 2>&1 &
apid=$!
timeout 30 xdotool search --sync --onlyvisible --name '^Orvalis' >/dev/null

# Find today's booking on the screen: its box is the first facility's column
# from 10:00 down to 12:00.
box=""
for _ in $(seq 1 100); do
  import -window root "$work/shot.png"
  box=$(convert "$work/shot.png" -alpha off -fill black +opaque '#00FF00' -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
  read -r w h x y <<<"${box:-0 0 0 0}"
  [ "${w:-0}" -ge 40 ] && [ "${h:-0}" -ge 40 ] && [ "$w" -lt 300 ] && break
  box=""
done
[ -n "$box" ] || { echo "no booking box on the screen" >&2; cat "$work/app.log" >&2; exit 1; }
x=${x#+}; y=${y#+}

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
