#!/usr/bin/env bash
# End to end: with a settings file that cannot be written (here a folder
# stands where the file goes), SIGTERM still ends the gadget within two
# seconds with status 0: the failed write is said on standard error, no box
# waits for a click.
#
#   end-unwritable-test.sh TELLVANE OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
OUT=$2
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
mkdir "$WORK/tellvane.ini"
start_display
start "$WORK/tellvane" >"$OUT/end-unwritable.log" 2>&1
APP_PID=$LAST_PID
wait_window "My Computer - Hardware Status"

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 2
grep >/dev/null "tellvane: Unable to write to $WORK/tellvane.ini" "$OUT/end-unwritable.log" \
  || fail "the failed write was not said on standard error: $(cat "$OUT/end-unwritable.log")"
if xdotool search --name '^Tellvane$' >/dev/null 2>&1; then fail "a box opened at the end"; fi
echo "SIGTERM with an unwritable settings file ended the gadget at once, saying why on standard error"
