# Sourced by the end-to-end checks: a desk that never ran Orvalis (empty home,
# no profile) starts it in a fresh X server on a register with two facilities
# and one booking today from 10:00 to 12:00 on the first.
# Before sourcing, a check may set register (the register's file name,
# default r.kv), profile (the text of the profile to start with) and
# a11y=1 (a session bus on which the program tells its accessibility tree).
# Afterwards: $work (removed on exit), $reg (the register's path), $today,
# $win (the main window's id), DISPLAY, the program running.
set -euo pipefail
for tool in Xvfb xdotool import convert; do
  command -v "$tool" >/dev/null || { echo "skipped: $tool is not installed"; exit 77; }
done
: "${ORVALIS:?path of the orvalis program}" "${KVTOOL:?path of kvtool}"

if [ -n "${a11y:-}" ]; then
  command -v dbus-daemon >/dev/null && [ -x /usr/libexec/at-spi-bus-launcher ] && /usr/bin/python3 -c 'import dbus' ||
    { echo "skipped: no session bus, AT-SPI or python3-dbus"; exit 77; }
fi

work=$(mktemp -d)
xpid="" apid="" bpid=""
cleanup() {
  [ -n "$apid" ] && kill "$apid" 2>/dev/null || true
  [ -n "$bpid" ] && kill "$bpid" 2>/dev/null || true
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
reg="$work/${register:-r.kv}"
"$KVTOOL" build "$work/r.json" "$reg"
"$KVTOOL" book "$reg" --facility 1 --date "$today" --start 10:00 --end 12:00 --user テスト >/dev/null
if [ -n "${profile:-}" ]; then
  mkdir -p "$XDG_CONFIG_HOME/orvalis"
  printf '%s\n' "$profile" > "$XDG_CONFIG_HOME/orvalis/orvalis.ini"
fi

# The server tells its display number once it accepts clients.
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 20 _ xpid <&3
read -r -t 20 display <&3
export DISPLAY=":$display"

if [ -n "${a11y:-}" ]; then
  exec 4< <(dbus-daemon --session --nofork --print-address=1 --print-pid=1 2>/dev/null)
  read -r -t 20 DBUS_SESSION_BUS_ADDRESS <&4
  read -r -t 20 bpid <&4
  export DBUS_SESSION_BUS_ADDRESS QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
fi

"$ORVALIS" "$reg" >"$work/app.log" 2>&1 &
apid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Orvalis' | head -1)

# Sets w h x y to the bounding box of the pure green on the screen, once it is
# between 40 and maxSide pixels each way; the first frames may still be on
# their way, so each look is a fresh screenshot (tries of them, default 100).
# False when none appears.
find_green_box() {
  local maxSide=$1 tries=${2:-100} box
  for _ in $(seq 1 "$tries"); do
    import -window root "$work/shot.png"
    box=$(convert "$work/shot.png" -alpha off -fill black +opaque '#00FF00' -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
    read -r w h x y <<<"${box:-0 0 0 0}"
    x=${x#+}; y=${y#+}
    if [ "${w:-0}" -ge 40 ] && [ "${h:-0}" -ge 40 ] && [ "$w" -lt "$maxSide" ] && [ "$h" -lt "$maxSide" ]; then
      return 0
    fi
  done
  return 1
}

# Sets cw ch to the size of the document window that holds the green box
# found last: from the box outward to the grey of the empty window area on
# the right and below, and from the area's top and left edges, beside and
# under the window. False when no such grey is there.
child_window_size() {
  local size
  size=$(convert "$work/shot.png" -depth 8 ppm:- | python3 -c '
import sys
data = sys.stdin.buffer.read()
parts = data.split(maxsplit=4)
W, H = int(parts[1]), int(parts[2])
px = parts[4]
def grey(x, y):
    # a run of the area background, not a grey pixel of some control
    return all(0 <= x + i < W and px[3 * (y * W + x + i):3 * (y * W + x + i) + 3] == b"\x80\x80\x80" for i in range(6))
bx, by = int(sys.argv[1]), int(sys.argv[2])
right = next((x for x in range(bx, W) if grey(x, by)), None)
bottom = next((y for y in range(by, H) if grey(bx, y)), None)
if right is None or bottom is None: sys.exit(1)
top = next((y for y in range(H) if grey(right + 2, y)), None)
left = next((x for x in range(W) if grey(x, bottom + 2)), None)
if top is None or left is None: sys.exit(1)
print(right - left, bottom - top)
' "$((x + w / 2))" "$((y + h / 2))") || return 1
  read -r cw ch <<<"$size"
}
