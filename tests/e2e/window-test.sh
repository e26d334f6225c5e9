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
WORK=$(mktemp -d)
XVFB_PID=""
APP_PID=""
cleanup() {
  [ -n "$APP_PID" ] && kill "$APP_PID" 2>/dev/null || true
  [ -n "$XVFB_PID" ] && kill "$XVFB_PID" 2>/dev/null || true
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cp "$TELLVANE" "$WORK/tellvane"
# A file that exists (so no first-run question) and holds another computer's keys.
printf '[SomeOtherComputer]\r\nX=77\r\nCPUload=/cpu/0/load/0\r\n' > "$WORK/tellvane.ini"

# A private display: Xvfb picks a free number and writes it to fd 3.
exec 3>"$WORK/display"
Xvfb -displayfd 3 -screen 0 1024x800x24 -nolisten tcp >"$WORK/xvfb.log" 2>&1 &
XVFB_PID=$!
for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
[ -s "$WORK/display" ] || fail "Xvfb did not start"
export DISPLAY=":$(head -n1 "$WORK/display")"
export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK"

"$WORK/tellvane" >"$OUT/tellvane.log" 2>&1 &
APP_PID=$!

TITLE="My Computer - Hardware Status"
INFO=""
for _ in $(seq 150); do
  INFO=$(xwininfo -name "$TITLE" 2>/dev/null || true)
  if echo "$INFO" | grep -q "Map State: IsViewable"; then break; fi
  INFO=""
  sleep 0.1
done
[ -n "$INFO" ] || fail "no window titled '$TITLE' appeared"
field() { echo "$INFO" | sed -n "s/^ *$1: *\\(-\\?[0-9]*\\).*/\\1/p"; }
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

kill -TERM "$APP_PID"
for _ in $(seq 100); do kill -0 "$APP_PID" 2>/dev/null || break; sleep 0.1; done
kill -0 "$APP_PID" 2>/dev/null && fail "the gadget did not end on SIGTERM"
wait "$APP_PID" || fail "the gadget ended with status $?"
APP_PID=""

SECTION=$(hostname)
cp "$WORK/tellvane.ini" "$OUT/tellvane.ini"
section_keys() { awk -v s="[$1]" 'BEGIN{RS="\r?\n"} $0==s{on=1;next} /^\[/{on=0} on' "$WORK/tellvane.ini"; }
KEYS=$(section_keys "$SECTION")
for key in "X=0" "Y=0" "DX=628" "DY=528" "Theme=-1" "AppMinToTray=0" "AppMinOnClose=0"; do
  echo "$KEYS" | grep -qx "$key" || fail "section [$SECTION] lacks $key; it holds: $KEYS"
done
section_keys SomeOtherComputer | grep -qx "X=77" || fail "the other computer's section was changed"
echo "end-to-end window test passed; screenshot in $OUT/screenshot.png"
