#!/usr/bin/env bash
# End to end: the gadget with its audio library beside it, recording from a
# private sound server whose default input is a 1000 Hz sine. Its sound panel
# (PaintBox12, 300 x 71 at 320,448) shows a full bar in band 9's columns and
# nothing tall in band 3's.
#
#   sound-panel-test.sh TELLVANE LIBBASS SCREENSHOT_CHECK OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
LIBBASS=$2
CHECK=$3
OUT=$4
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"
ROOT="$(cd "$(dirname "$0")/../.." && pwd)"

cp "$TELLVANE" "$LIBBASS" "$WORK/"
printf '[%s]\r\nTheme=0\r\n' "$(hostname)" > "$WORK/tellvane.ini"

SERVER=$("$ROOT/scripts/sound-server" "$WORK/sound") || fail "the private sound server did not start"
export PULSE_SERVER=$(echo "$SERVER" | sed -n 's/^PULSE_SERVER=//p')
STARTED_PIDS+=("$(echo "$SERVER" | sed -n 's/^PID=//p')")

start_display
start "$WORK/tellvane" >"$OUT/sound-panel.log" 2>&1
APP_PID=$LAST_PID
wait_window "My Computer - Hardware Status"
LEFT=$(field "Absolute upper-left X"); TOP=$(field "Absolute upper-left Y")

# Band x fills columns 6x+2 .. 6x+6, three pixels each: band 9 from x 170,
# band 3 from x 62. The bars' outline colour of the light theme fills band 9 to the top.
for _ in $(seq 10); do
  sleep 0.5
  import -window root "$OUT/sound-panel.png"
  "$CHECK" "$OUT/sound-panel.png" "$LEFT" "$TOP" 628 528 \
    $((320 + 172)),$((448 + 3)),10,8~#0066AA $((320 + 64)),$((448 + 3)),10,8=plain 2>/dev/null && break
done
"$CHECK" "$OUT/sound-panel.png" "$LEFT" "$TOP" 628 528 \
  $((320 + 172)),$((448 + 3)),10,8~#0066AA $((320 + 64)),$((448 + 3)),10,8=plain \
  || fail "the sound panel shows no full bar in band 9 alone"

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5
echo "the sound panel shows the sine's band"
