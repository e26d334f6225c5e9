#!/usr/bin/env bash
# End to end: the real gadget under a private Xvfb display, run from a
# temporary copy of its folder. It must open a window of the right client size
# that is not blank, end cleanly on SIGTERM, and leave the window's keys in this
# computer's section of the settings file beside the copy, keeping the others.
# The processor diagram shows its frame and its red cursor where the layout
# puts them, and the cursor moves between two screenshots two seconds apart.
#
#   window-test.sh TELLVANE SCREENSHOT_CHECK OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
CHECK=$2
OUT=$3
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
# A file that exists (so no first-run question) and holds another computer's keys.
printf '[SomeOtherComputer]\r\nX=77\r\nCPUload=/cpu/0/load/0\r\n' > "$WORK/tellvane.ini"

start_display
# The date in its long form ("Thursday, December 10, 2026") leaves no room beside it.
start env LC_ALL=en_US.UTF-8 LANG=en_US.UTF-8 "$WORK/tellvane" >"$OUT/tellvane.log" 2>&1
APP_PID=$LAST_PID

TITLE="My Computer - Hardware Status"
wait_window "$TITLE"
LEFT=$(field "Absolute upper-left X"); TOP=$(field "Absolute upper-left Y")
WIDTH=$(field "Width"); HEIGHT=$(field "Height")
[ "$WIDTH" = 628 ] && [ "$HEIGHT" = 528 ] || fail "client area is ${WIDTH}x${HEIGHT}, want 628x528"

# Let the first hand-overs arrive, then take the picture with an outside tool.
sleep 2
import -window root "$OUT/screenshot.png"
# The top strip, and the processor diagram's frame (PaintBox1: 300 x 71 at 8,112).
"$CHECK" "$OUT/screenshot.png" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" \
  0,0=#5566AA 8,150=#5566AA 307,150=#5566AA 150,112=#5566AA 150,182=#5566AA \
  || fail "screenshot check"
cursor_of() { "$CHECK" --cursor "$1" $((LEFT + 8)) $((TOP + 112)) 300 71; }
FIRST=$(cursor_of "$OUT/screenshot.png") || fail "no cursor in the processor diagram"
sleep 2
import -window root "$OUT/screenshot-2s.png"
SECOND=$(cursor_of "$OUT/screenshot-2s.png") || fail "no cursor in the second screenshot"
# The cursor stands at Round(position x 3) + 2 and moves one column per second.
for x in "$FIRST" "$SECOND"; do
  [ $(( (x - 2) % 3 )) -eq 0 ] || fail "cursor at x=$x is not on a column boundary"
done
[ "$FIRST" != "$SECOND" ] || fail "the cursor did not move in two seconds (x=$FIRST)"
# No text runs into its neighbour: the gap left of the clock picture (the
# computer lines end there; the system line of a Debian machine is long), the
# strip right of the date and week left of the wait bar, and right of it.
"$CHECK" "$OUT/screenshot-2s.png" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" \
  317,15,3,50=plain 612,40,6,36=plain 620,40,8,36=plain || fail "a text runs into its neighbour"

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 10

SECTION=$(hostname)
cp "$WORK/tellvane.ini" "$OUT/tellvane.ini"
KEYS=$(section_keys "$SECTION")
for key in "X=0" "Y=0" "DX=628" "DY=528" "Theme=-1" "AppMinToTray=0" "AppMinOnClose=0"; do
  echo "$KEYS" | grep -x >/dev/null "$key" || fail "section [$SECTION] lacks $key; it holds: $KEYS"
done
section_keys SomeOtherComputer | grep -x >/dev/null "X=77" || fail "the other computer's section was changed"
echo "end-to-end window test passed; screenshot in $OUT/screenshot.png"
