#!/usr/bin/env bash
# A register named in Japanese, in a real X server: the caption reads the file
# name as the file system spells it (UTF-8) and nothing after it; Down scrolls
# the schedule at once; the dialogs carry their own captions alone. The maximised schedule window, restored
# with its button, keeps a size that shows the grid, and the caption then
# names the window without brackets.
register='予約 台帳.kv'
source "$(dirname "$0")/desk.sh"

caption() { xdotool getwindowname "$win"; }
want='Orvalis - [予約 台帳.kv]'
if ! timeout 20 xdotool search --sync --name '^Orvalis - \[予約 台帳\.kv\]$' >/dev/null; then
  echo "caption: '$(caption)', wanted '$want'" >&2
  exit 1
fi
[ "$(caption)" = "$want" ] || { echo "caption: '$(caption)', wanted '$want'" >&2; exit 1; }

# Down, pressed before any click, scrolls the schedule by one row.
find_green_box 200 || { echo "no booking box on the screen" >&2; cat "$work/app.log" >&2; exit 1; }
y0=$y
xdotool key Down
for _ in $(seq 1 40); do find_green_box 200 1 && [ "$y" -lt "$y0" ] && break; done
[ "$y" -lt "$y0" ] || { echo "Down did not scroll the schedule (box at $y, was $y0)" >&2; exit 1; }

# The About box through the keyboard: its caption alone, no program name after it.
xdotool windowfocus --sync "$win"
xdotool key --window "$win" alt+h
xdotool key a
about=$(timeout 20 xdotool search --sync --onlyvisible --name 'バージョン情報' | head -1)
[ "$(xdotool getwindowname "$about")" = "バージョン情報" ] ||
  { echo "About caption: '$(xdotool getwindowname "$about")'" >&2; exit 1; }
xdotool key Return
timeout 20 bash -c 'while xdotool search --onlyvisible --name "バージョン情報" >/dev/null; do :; done' ||
  { echo "the About box did not close" >&2; exit 1; }

find_green_box 200 || { echo "no booking box on the screen" >&2; cat "$work/app.log" >&2; exit 1; }
# A maximised window's buttons stand at the right end of the menu bar:
# minimise, restore, close.
eval "$(xdotool getwindowgeometry --shell "$win")"
xdotool mousemove $((X + WIDTH - 32)) $((Y + 9)) click 1
want='Orvalis - 予約 台帳.kv'
if ! timeout 20 xdotool search --sync --name '^Orvalis - 予約 台帳\.kv$' >/dev/null; then
  echo "caption after restoring: '$(caption)', wanted '$want'" >&2
  exit 1
fi
for _ in $(seq 1 40); do
  if find_green_box 200 1 && child_window_size && [ "$cw" -ge 400 ] && [ "$ch" -ge 300 ]; then
    echo "restored window ${cw}x${ch}, booking box ${w}x${h} at $x,$y"
    exit 0
  fi
done
echo "restored window: ${cw:-no}x${ch:-size}, wanted at least 400x300 with the grid" >&2
exit 1
