#!/usr/bin/env bash
# End to end, with real mouse clicks (the X test extension): on the page
# "Sensors", a click on a sensor below an open branch selects that sensor,
# although the branch open before closes and the rows move; "Select Metric 1"
# and OK then store it as the first custom metric. The gadget reads a captured
# machine (--root), so that the tree's rows are known.
#
#   sensor-tree-clicks-test.sh TELLVANE FIXTURE_ROOT OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
ROOT=$2
OUT=$3
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
printf '[%s]\r\nTheme=0\r\n' "$(hostname)" > "$WORK/tellvane.ini"
start_display
start_window_manager
start "$WORK/tellvane" --root "$ROOT" >"$OUT/sensor-tree-clicks.log" 2>&1
APP_PID=$LAST_PID
wait_window "My Computer - Hardware Status"
xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
xdotool key F2
wait_window "Settings"
DIALOG=$WINDOW
# The page "Sensors"; the tree shows the groups with the processor's open.
xdotool mousemove --window "$DIALOG" 105 18 click 1
sleep 0.5

# Rows of the tree in the dialog: 18 pixels high, the first centred at y 68;
# texts start at x 63 and 19 pixels further in at each level, each level's
# arrow at x 28 and 19 pixels further in.
row() { echo $((68 + 18 * $1)); }
click() { xdotool mousemove --window "$DIALOG" "$1" "$(row "$2")" click 1; sleep 0.3; }
click 95 1    # Intel(R) Xeon(R) Processor: its sensors open (rows 2 to 6)
click 120 6   # CPU Total (Load)
click 28 7    # the arrow of Memory
click 47 8    # the arrow of the memory's hardware: Memory (Load), Memory Available, Memory Used (row 11)
import -window root "$OUT/sensor-tree-before-click.png"
click 120 11  # Memory Used (Data), below the processor's open branch
import -window root "$OUT/sensor-tree-after-click.png"

xdotool mousemove --window "$DIALOG" 493 252 click 1   # Select Metric 1
sleep 0.3
xdotool mousemove --window "$DIALOG" 522 563 click 1   # OK
for _ in $(seq 50); do grep -q "^Custom1=" "$WORK/tellvane.ini" && break; sleep 0.1; done
KEYS=$(section_keys "$(hostname)")
echo "$KEYS" | grep -x >/dev/null "Custom1=/ram/data/0" \
  || fail "the clicked sensor was not chosen; the settings hold: $(echo "$KEYS" | grep Custom1)"

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5
echo "clicks in the sensor tree selected the sensor under the pointer and stored it"
