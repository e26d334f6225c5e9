#!/usr/bin/env bash
# End to end: the gadget reads a copy of a captured tree (--root) whose
# processor package runs at 85 C, above its chip's limit of 81 C (critical
# 91 C), on a private session bus with the tests' notification service.
# Light and Dark: the caption is drawn in the theme's warning colour and the
# desktop is told exactly once. Alerts=0: neither. No service: the gadget
# runs on and says once why nothing is sent.
#
#   alerts-test.sh TELLVANE SCREENSHOT_CHECK NOTIFICATION_SERVICE FIXTURE_ROOT OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
CHECK=$2
SERVICE=$3
FIXTURE=$4
OUT=$5
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp -r "$FIXTURE" "$WORK/tree"
chmod -R u+w "$WORK/tree"
echo 85000 >"$WORK/tree/sys/class/hwmon/hwmon0/temp1_input"
cp "$TELLVANE" "$WORK/tellvane"

start_display
start_window_manager
start_session_bus
start "$SERVICE" >"$WORK/notices.txt" 2>"$WORK/service.log"
SERVICE_PID=$LAST_PID
for _ in $(seq 50); do grep -q '^ready$' "$WORK/notices.txt" && break; sleep 0.1; done
grep -q '^ready$' "$WORK/notices.txt" || fail "the notification service did not start: $(cat "$WORK/service.log")"

notices() { grep -c '^Notify' "$WORK/notices.txt" || true; }
SHOT="$WORK/shot.png"

# Runs the gadget with settings $1 until its window shows; its id in APP_PID.
run_gadget() {
  printf '[%s]\r\nCPUtemp=/cpu/0/temperature/coretemp/temp1\r\n%s' "$(hostname)" "$1" >"$WORK/tellvane.ini"
  start "$WORK/tellvane" --root "$WORK/tree" --settings "$WORK/tellvane.ini" >"$WORK/gadget.log" 2>&1
  APP_PID=$LAST_PID
  wait_window "My Computer - Hardware Status"
  LEFT=$(field "Absolute upper-left X"); TOP=$(field "Absolute upper-left Y")
  WIDTH=$(field "Width"); HEIGHT=$(field "Height")
}
end_gadget() {
  kill -TERM "$APP_PID"
  expect_exit "$APP_PID" 5
}
# Waits up to 10 s until the processor temperature caption (Label3 at 46,193)
# holds a pixel of colour $1 ("~") or none ("!") as $2 says.
caption_colour() {
  local _
  for _ in $(seq 20); do
    import -window root "$SHOT"
    "$CHECK" "$SHOT" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" "46,193,250,22$2$1" 2>/dev/null && return 0
    sleep 0.5
  done
  return 1
}
# Waits up to 10 s for $1 notifications in all.
wait_notices() {
  local _
  for _ in $(seq 100); do [ "$(notices)" -ge "$1" ] && return 0; sleep 0.1; done
  return 1
}

# Light: a dark red caption, one notification with the value and the limits.
run_gadget $'Theme=0\r\n'
caption_colour "#C62828" "~" || { cp "$SHOT" "$OUT/alerts-light.png"; fail "the caption is not drawn in Light's warning colour"; }
wait_notices 1 || fail "no notification was sent: $(cat "$WORK/gadget.log")"
sleep 3
[ "$(notices)" = 1 ] || fail "more than one notification for one crossing: $(cat "$WORK/notices.txt")"
printf 'Notify\tTellvane\torg.tellvane.Tellvane\tProcessor at 85 °C\tPackage id 0: limit 81 °C, critical 91 °C\t1\n' >"$WORK/expected.txt"
grep '^Notify' "$WORK/notices.txt" | diff "$WORK/expected.txt" - || fail "the notification does not say what it should"
cp "$SHOT" "$OUT/alerts-light.png"
end_gadget

# Dark: a light red caption.
run_gadget $'Theme=1\r\n'
caption_colour "#FF6B5B" "~" || { cp "$SHOT" "$OUT/alerts-dark.png"; fail "the caption is not drawn in Dark's warning colour"; }
cp "$SHOT" "$OUT/alerts-dark.png"
wait_notices 2 || fail "the second gadget sent no notification"
end_gadget

# Alerts off: the theme's colour, nothing sent.
run_gadget $'Theme=0\r\nAlerts=0\r\n'
sleep 4
caption_colour "#C62828" "!" || fail "the caption warns with alerts off"
caption_colour "#000000" "~" || fail "the caption is not drawn in the theme's colour"
[ "$(notices)" = 2 ] || fail "a notification was sent with alerts off"
end_gadget

# No notification service: the gadget runs on and says so once.
kill "$SERVICE_PID"
wait "$SERVICE_PID" 2>/dev/null || true
run_gadget $'Theme=0\r\n'
caption_colour "#C62828" "~" || fail "the caption does not warn without a notification service"
sleep 3
kill -0 "$APP_PID" 2>/dev/null || fail "the gadget ended without a notification service"
[ "$(grep -c 'alerts are shown on the window only' "$WORK/gadget.log")" = 1 ] ||
  fail "the missing service was not said exactly once: $(cat "$WORK/gadget.log")"
end_gadget
echo "alerts: ok"
