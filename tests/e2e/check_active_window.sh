#!/usr/bin/env bash
# Two registers open, each with its reservation list minimised, the second
# register's schedule in front: a booking, its deletion, closing the facility
# editor and another desk's bookings in both registers leave that schedule the
# active window each time (the caption names it), so the next Ctrl+A books
# into the register the desk is looking at.
a11y=1
source "$(dirname "$0")/desk.sh"
lines() { /usr/bin/python3 "$(dirname "$0")/list_lines.py" 2>>"$work/a11y.log" || true; }
caption() { xdotool getwindowname "$win"; }
fail() { echo "$1 (caption '$(caption)')" >&2; cat "$work"/*.log >&2; exit 1; }
wait_caption() {
  local want=$1 why=$2
  timeout 20 bash -c 'until [ "$(xdotool getwindowname "$1")" = "$2" ]; do :; done' _ "$win" "$want" ||
    fail "$why: wanted '$want'"
}
keys() { xdotool windowfocus --sync "$win"; xdotool key --window "$win" "$@"; }
# Waits for a window of that name and gives it the keys.
wait_shown() {
  local id
  id=$(timeout 20 xdotool search --sync --onlyvisible --name "$1" | head -1) && [ -n "$id" ] &&
    xdotool windowfocus --sync "$id"
}
wait_gone() { timeout 20 bash -c "while xdotool search --onlyvisible --name '$1' >/dev/null; do :; done"; }
# Sets w h x y to the green box of a one-hour booking once it shows; false
# when none does.
booking_box() {
  local box
  for _ in $(seq 1 100); do
    import -window root "$work/shot.png"
    box=$(convert "$work/shot.png" -alpha off -fill black +opaque '#00FF00' -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
    read -r w h x y <<<"${box:-0 0 0 0}"
    x=${x#+}; y=${y#+}
    [ "$w" -ge 20 ] && [ "$h" -ge 20 ] && [ "$w" -lt 400 ] && return 0
  done
  return 1
}
# The About box opened and closed: whatever the windows did about an earlier
# step has been done by the time it is gone.
settle() {
  keys alt+h
  xdotool key a
  wait_shown 'バージョン情報' || fail "no About box"
  xdotool key Return
  wait_gone 'バージョン情報' || fail "the About box did not close"
}
# A register's reservation list, opened maximised and then minimised with its
# button left of restore and close at the right end of the menu bar; its
# schedule, then in front and normal, maximised again by a double click on its
# title bar, the blue one below the tool bar.
list_and_minimise() {
  local name=$1 box bw bh bx by
  keys alt+v
  xdotool key l
  wait_caption "Orvalis - [$name:2]" "no reservation list of $name"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  xdotool mousemove $((X + WIDTH - 51)) $((Y + 9)) click 1
  wait_caption "Orvalis - $name" "the list of $name did not go down"
  for _ in $(seq 1 50); do
    import -window root "$work/shot.png"
    box=$(convert "$work/shot.png" -alpha off -fuzz 6% -fill black +opaque 'rgb(48,140,200)' -trim \
      -format '%w %h %X %Y' info: 2>/dev/null || true)
    read -r bw bh bx by <<<"${box:-0 0 0 0}"
    bx=${bx#+}; by=${by#+}
    [ "$bw" -ge 200 ] && [ "$by" -ge 40 ] && break
  done
  xdotool mousemove $((bx + bw / 2)) $((by + 10)) click --repeat 2 1
  wait_caption "Orvalis - [$name:1]" "the schedule of $name did not come back maximised"
}

list_and_minimise r.kv
"$KVTOOL" build "$work/r.json" "$work/s.kv"
"$ORVALIS" "$work/s.kv" >>"$work/app.log" 2>&1
wait_caption "Orvalis - [s.kv]" "the second register did not open"
list_and_minimise s.kv
front="Orvalis - [s.kv:1]"

# A booking through Ctrl+A and the entry dialog's OK.
keys ctrl+a
wait_shown '予約の入力' || fail "no entry dialog"
xdotool type abc
xdotool key Return
wait_gone '予約の入力' || fail "the entry dialog did not close"
booking_box || fail "no booking box after OK"
settle
[ "$(caption)" = "$front" ] || fail "after OK in the entry dialog"

# Its deletion: a double click on the box, 削除, OK.
xdotool mousemove $((x + w / 2)) $((y + h / 2)) click --repeat 2 1
wait_shown '予約の入力' || fail "no entry dialog on the booking"
# 削除(&D) shares its letter with 日付(&D): the key goes to the button, Space presses it.
xdotool key alt+d space
wait_shown '^Orvalis$' || fail "no question before deleting"
xdotool key Return
wait_gone '予約の入力' || fail "the entry dialog did not close after deleting"
settle
[ "$(caption)" = "$front" ] || fail "after deleting a booking"

# The facility editor, closed with Esc.
keys alt+e
xdotool key e
wait_shown '施設の編集' || fail "no facility editor"
xdotool key Escape
wait_gone '施設の編集' || fail "the facility editor did not close"
settle
[ "$(caption)" = "$front" ] || fail "after closing the facility editor"

# Another desk books into both registers: the box shows in front, the other
# register's list gets its line, and the front stays.
"$KVTOOL" book "$reg" --facility 2 --date "$today" --start 10:00 --end 12:00 --user 外部 >/dev/null
"$KVTOOL" book "$work/s.kv" --facility 2 --date "$today" --start 10:00 --end 12:00 --user 外部 >/dev/null
theirs="$(date +%y-%m-%d) 10:00 ～ 12:00 和室（外部 ）"
find_green_box 400 || fail "the other desk's booking did not show"
for _ in $(seq 1 100); do [ "$(lines | grep -cxF "$theirs")" -ge 2 ] && break; done
[ "$(lines | grep -cxF "$theirs")" -ge 2 ] || fail "the lists did not take the other desk's bookings"
settle
[ "$(caption)" = "$front" ] || fail "after another desk's bookings"
echo "the front window stayed '$front' through a booking, a deletion, the facility editor and two live refreshes"
