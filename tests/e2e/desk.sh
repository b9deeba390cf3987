# Sourced by the end-to-end checks: a desk that never ran Orvalis (empty home,
# no profile) starts it in a fresh X server on a register with two facilities
# and one booking today from 10:00 to 12:00 on the first.
# Afterwards: $work (removed on exit), $today, DISPLAY, the program running.
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

# The server tells its display number once it accepts clients.
exec 3< <(Xvfb -displayfd 1 -screen 0 1024x768x24 -nolisten tcp 2>/dev/null & echo "pid $!")
read -r -t 20 _ xpid <&3
read -r -t 20 display <&3
export DISPLAY=":$display"

"$ORVALIS" "$work/r.kv" >"$work/app.log" 2>&1 &
apid=$!
timeout 30 xdotool search --sync --onlyvisible --name '^Orvalis' >/dev/null

# Sets w h x y to the bounding box of the pure green on the screen, once it is
# between 40 and maxSide pixels each way; the first frames may still be on
# their way, so each look is a fresh screenshot. False when none appears.
find_green_box() {
  local maxSide=$1 box
  for _ in $(seq 1 100); do
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
