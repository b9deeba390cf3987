#!/usr/bin/env bash
# Another desk books while the register is on the screen: without any input
# the new booking's box appears beside today's within five seconds.
source "$(dirname "$0")/desk.sh"

find_green_box 300 || { echo "no booking box on the screen" >&2; cat "$work/app.log" >&2; exit 1; }
w0=$w x0=$x y0=$y

# The next facility at the same hours, booked from outside the program.
"$KVTOOL" book "$reg" --facility 2 --date "$today" --start 10:00 --end 12:00 --user 外部 >/dev/null
deadline=$(( $(date +%s) + 5 ))
while [ "$(date +%s)" -lt "$deadline" ]; do
  import -window root "$work/shot.png"
  box=$(convert "$work/shot.png" -alpha off -fill black +opaque '#00FF00' -trim -format '%w %h %X %Y' info: 2>/dev/null || true)
  read -r w h x y <<<"${box:-0 0 0 0}"
  x=${x#+}; y=${y#+}
  # Both boxes side by side: the green reaches twice as far to the right.
  if [ "$x" -eq "$x0" ] && [ "$y" -eq "$y0" ] && [ "$w" -ge $(( w0 * 3 / 2 )) ]; then
    echo "the other desk's booking shows: green ${w}x${h} from ${w0} wide"
    exit 0
  fi
done
echo "the other desk's booking did not show within five seconds (green ${w}x${h} at $x,$y, before ${w0} wide)" >&2
cat "$work/app.log" >&2
exit 1
