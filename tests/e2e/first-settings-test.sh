#!/usr/bin/env bash
# End to end, as a new user: no settings file; the first-run question answered
# Yes opens the settings; the welcome message is confirmed; Tab goes to the
# processor's "Load:" list, End picks its last item (the total load sorts
# after the per-core loads) and Enter presses OK. The settings file then names
# this machine's total processor load, and the processor diagram fills with
# columns within three seconds. After a restart there is no question and the
# diagram fills again. Every key is a real key event (the X test extension).
#
#   first-settings-test.sh TELLVANE TELLVANE_SENSORS SCREENSHOT_CHECK OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
SENSORS=$2
CHECK=$3
OUT=$4
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
MAIN_TITLE="My Computer - Hardware Status"
TOTAL=$("$SENSORS" | awk '/^ +CPU Total +Load / {print $NF; exit}')
[ -n "$TOTAL" ] || fail "tellvane-sensors lists no total processor load"

start_display
start_window_manager
# A busy processor, so that its load draws columns.
start sh -c 'while :; do :; done'

# Presses a key in the window with the focus, once that window is $1.
key_in() {
  xdotool windowactivate --sync "$1" >/dev/null 2>&1 || true
  shift
  xdotool key "$@"
}

# Waits up to 3 s until the processor diagram (300 x 71 at 8,112) shows its
# columns in the light theme's column colour.
expect_columns() {
  local _ left top
  wait_window "$MAIN_TITLE"
  left=$(field "Absolute upper-left X"); top=$(field "Absolute upper-left Y")
  for _ in $(seq 6); do
    import -window root "$OUT/$1.png"
    "$CHECK" "$OUT/$1.png" "$left" "$top" 628 200 8,112,300,71~#0066AA 2>/dev/null && return 0
    sleep 0.5
  done
  "$CHECK" "$OUT/$1.png" "$left" "$top" 628 200 8,112,300,71~#0066AA || true
  fail "the processor diagram shows no columns ($1)"
}

start "$WORK/tellvane" >"$OUT/first-settings.log" 2>&1
APP_PID=$LAST_PID
wait_window "Tellvane"
key_in "$WINDOW" Return                 # Yes
wait_window "Settings"
DIALOG=$WINDOW
wait_window "Tellvane"                  # the welcome message
key_in "$WINDOW" Return
key_in "$DIALOG" Tab End Return
for _ in $(seq 50); do
  xwininfo -id "$DIALOG" 2>/dev/null | grep >/dev/null "Map State: IsViewable" || break
  sleep 0.1
done
[ -f "$WORK/tellvane.ini" ] || fail "OK wrote no settings file"
KEYS=$(section_keys "$(hostname)")
echo "$KEYS" | grep -x >/dev/null "CPUload=$TOTAL" || fail "CPUload is not $TOTAL; the file holds: $KEYS"
expect_columns first-settings-diagram

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5

# The next start asks nothing and shows the same diagram.
start "$WORK/tellvane" >"$OUT/first-settings-2.log" 2>&1
APP_PID=$LAST_PID
expect_columns first-settings-restart
xdotool search --onlyvisible --name "^Tellvane\$" >/dev/null 2>&1 && fail "a box showed after the restart"
kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5
echo "the first settings chose this machine's total processor load, and its diagram filled, also after a restart"
