#!/usr/bin/env bash
# End to end: the gadget started without a settings file shows the first-run
# question before its main loop runs; SIGTERM then closes the question as if
# answered No and ends the gadget within two seconds, with status 0, writing
# the window's keys as the Exit command does.
#
#   end-while-asking-test.sh TELLVANE OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
OUT=$2
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
start_display
start "$WORK/tellvane" >"$OUT/end-while-asking.log" 2>&1
APP_PID=$LAST_PID

# The question's box is titled with the application's title.
wait_window "Tellvane"
import -window root "$OUT/first-run-question.png"
kill -TERM "$APP_PID"
expect_exit "$APP_PID" 2

[ -f "$WORK/tellvane.ini" ] || fail "no settings file was written"
KEYS=$(section_keys "$(hostname)")
for key in "Theme=-1" "AppMinToTray=0" "AppMinOnClose=0"; do
  echo "$KEYS" | grep -x >/dev/null "$key" || fail "the window's keys were not written; the file holds: $KEYS"
done
echo "SIGTERM during the first-run question ended the gadget cleanly"
