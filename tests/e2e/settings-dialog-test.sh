#!/usr/bin/env bash
# End to end: F2 on the gadget opens the "Settings" dialog at its client size
# on a desktop with a window manager; on its "Sensors" page the tree of this
# machine's hardware and sensors is drawn; Esc closes the dialog and the gadget
# runs on. Keys and clicks are real X events (the X test extension).
#
#   settings-dialog-test.sh TELLVANE SCREENSHOT_CHECK OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
CHECK=$2
OUT=$3
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
# A settings file, so that neither the first-run question nor the welcome message shows.
printf '[%s]\r\nTheme=0\r\n' "$(hostname)" > "$WORK/tellvane.ini"

start_display
start_window_manager
start "$WORK/tellvane" >"$OUT/settings-dialog.log" 2>&1
APP_PID=$LAST_PID

wait_window "My Computer - Hardware Status"
MAIN=$WINDOW
xdotool windowactivate --sync "$MAIN" >/dev/null 2>&1 || true
xdotool key F2

wait_window "Settings"
DIALOG=$WINDOW
WIDTH=$(field "Width"); HEIGHT=$(field "Height")
[ "$WIDTH" = 649 ] && [ "$HEIGHT" = 583 ] || fail "the dialog's client area is ${WIDTH}x${HEIGHT}, want 649x583"
LEFT=$(field "Absolute upper-left X"); TOP=$(field "Absolute upper-left Y")

# The page "Sensors": its tab is the second, at the top left of the pages.
xdotool mousemove --window "$DIALOG" 105 18 click 1
sleep 1
import -window root "$OUT/settings-sensors.png"
# The tree (8,27 409x418 on the page) holds this machine's groups in its first
# rows, with their icons and texts; below them its background is plain, which
# the page "Monitors" with its lists is not.
"$CHECK" "$OUT/settings-sensors.png" $((LEFT + 20)) $((TOP + 62)) 300 60 \
  || fail "the tree on the page \"Sensors\" holds no text"
"$CHECK" "$OUT/settings-sensors.png" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" 30,330,360,100=plain \
  || fail "the page \"Sensors\" is not shown"

xdotool key Escape
for _ in $(seq 50); do
  xwininfo -id "$DIALOG" 2>/dev/null | grep >/dev/null "Map State: IsViewable" || break
  sleep 0.1
done
xwininfo -id "$DIALOG" 2>/dev/null | grep >/dev/null "Map State: IsViewable" && fail "Esc did not close the dialog"
kill -0 "$APP_PID" 2>/dev/null || fail "the gadget ended with the dialog"
xwininfo -id "$MAIN" | grep >/dev/null "Map State: IsViewable" || fail "the gadget's window is gone"

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5
echo "F2 opened the settings with the machine's sensor tree; Esc closed them and the gadget ran on"
