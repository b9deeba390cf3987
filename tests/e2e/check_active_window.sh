#!/usr/bin/env bash
# Two registers with their lists minimised: a booking, its deletion, the facility editor and another
# desk's booking leave the schedule in front active (the caption names it) for the next Ctrl+A.
source "$(dirname "$0")/desk.sh"
caption() { xdotool getwindowname "$win"; }; fail() { echo "$1: $(caption)" >&2; cat "$work/app.log" >&2; exit 1; }
until_true() { timeout 20 bash -c "until $1; do :; done" || fail "$2"; }
wait_caption() { until_true "[ \"\$(xdotool getwindowname $win)\" = '$1' ]" "$2: wanted '$1'"; }
keys() { xdotool windowfocus --sync "$win"; xdotool key --window "$win" "$@"; }
shown() { local id; id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1) &&
  xdotool windowfocus --sync "$id" || fail "no window $1"; }
gone() { until_true "! xdotool search --onlyvisible --name '$1' >/dev/null" "$1 stayed"; }
# w h x y: the box of the colour $1 (fuzz $2) on the screen; of the green of a booking.
box() { import -window root "$work/shot.png"; read -r w h x y <<<"$(convert "$work/shot.png" -alpha off -fuzz "$2" \
  -fill black +opaque "$1" -trim -format '%w %h %X %Y' info: | tr -d + || echo 0 0 0 0)"; }
green() { for _ in $(seq 1 100); do box '#00FF00' 0; [ "$w" -ge "$1" ] && [ "$h" -ge "$1" ] && return; done; false; }
# The About box opened and closed: the windows are done with what came before; the front is the same.
front_stays() { keys alt+h; xdotool key a; shown 'バージョン情報'; xdotool key Return; gone 'バージョン情報'
  [ "$(caption)" = "Orvalis - [s.kv:1]" ] || fail "the front window changed $1"; }
# The list maximised, then minimised by the menu bar's button; the schedule maximised by its blue title bar.
list_and_minimise() {
  keys alt+v; xdotool key l; wait_caption "Orvalis - [$1:2]" "no reservation list of $1"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH - 51)) $((Y + 9)) click 1; wait_caption "Orvalis - $1" "the list stayed"
  for _ in $(seq 1 50); do box 'rgb(48,140,200)' 6%; [ "$w" -ge 200 ] && [ "$y" -ge 40 ] && break; done
  xdotool mousemove $((x + w / 2)) $((y + 10)) click --repeat 2 1
  wait_caption "Orvalis - [$1:1]" "the schedule of $1 did not come back maximised"
}
list_and_minimise r.kv
"$KVTOOL" build "$work/r.json" "$work/s.kv"; "$ORVALIS" "$work/s.kv" >>"$work/app.log" 2>&1
wait_caption "Orvalis - [s.kv]" "the second register did not open"
list_and_minimise s.kv
keys ctrl+a; shown '予約の入力'; xdotool type abc; xdotool key Return; gone '予約の入力'; green 20 || fail "no booking"
front_stays "after OK in the entry dialog"
# 削除(&D) shares its letter with 日付(&D): Alt+D goes to the button, Space presses it.
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat 2 1; shown '予約の入力'
xdotool key alt+d space; shown '^Orvalis$'; xdotool key Return; gone '予約の入力'; front_stays "after deleting a booking"
keys alt+e; xdotool key e; shown '施設の編集'; xdotool key Escape; gone '施設の編集'; front_stays "after the facility editor"
"$KVTOOL" book "$work/s.kv" --facility 2 --date "$today" --start 10:00 --end 12:00 --user 外部 >/dev/null
green 40 || fail "the other desk's booking did not show"
front_stays "after another desk's booking"
echo "the front window stayed through a booking, a deletion, the facility editor and a live refresh"
