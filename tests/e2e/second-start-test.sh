#!/usr/bin/env bash
# End to end: on a session bus (the test's own), a second start of the same
# gadget brings the running one's window back to the front and ends at once
# with status 0; a copy in another folder, with its own settings file, runs
# beside it. Without a session bus every start runs (the other tests).
#
#   second-start-test.sh TELLVANE OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
OUT=$2
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
printf '[%s]\r\nTheme=0\r\n' "$(hostname)" > "$WORK/tellvane.ini"
mkdir "$WORK/other"
cp "$TELLVANE" "$WORK/other/tellvane"
cp "$WORK/tellvane.ini" "$WORK/other/tellvane.ini"

start_display
start_window_manager
start_session_bus
start "$WORK/tellvane" >"$OUT/second-start-first.log" 2>&1
FIRST=$LAST_PID
wait_window "My Computer - Hardware Status"
MAIN=$WINDOW

xdotool windowminimize --sync "$MAIN"
xwininfo -id "$MAIN" | grep >/dev/null "IsViewable" && fail "the window did not minimize"

start "$WORK/tellvane" >"$OUT/second-start-second.log" 2>&1
SECOND=$LAST_PID
expect_exit "$SECOND" 5
for _ in $(seq 50); do xwininfo -id "$MAIN" | grep >/dev/null "IsViewable" && break; sleep 0.1; done
xwininfo -id "$MAIN" | grep >/dev/null "IsViewable" || fail "the second start did not bring the first one's window back"
kill -0 "$FIRST" 2>/dev/null || fail "the first gadget ended"
[ "$(xdotool search --onlyvisible --name '^My Computer - Hardware Status$' | wc -l)" -ge 1 ] || fail "no window"

# Another copy keeps its own settings: it runs beside the first.
start "$WORK/other/tellvane" >"$OUT/second-start-other.log" 2>&1
OTHER=$LAST_PID
sleep 3
kill -0 "$OTHER" 2>/dev/null || fail "a copy with its own settings file did not run beside the first: $(cat "$OUT/second-start-other.log")"

kill -TERM "$OTHER" "$FIRST"
expect_exit "$OTHER" 5
expect_exit "$FIRST" 5
echo "a second start showed the running gadget and ended; another copy ran beside it"
