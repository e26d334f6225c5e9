#!/usr/bin/env bash
# End to end: the gadget watches another machine, a real node_exporter on
# 127.0.0.1 reading a copy of a captured tree whose processor counters a loop
# here advances (half busy). The server first hangs (SIGSTOP: connections are
# taken but never answered), then ends and starts again on its port. Each
# time the memory caption leaves its value within a few seconds and comes back
# to it after the server does; while the server hangs, F10 opens the exit
# question at once and Esc closes it; the processor diagram draws no load for
# the seconds the server is gone and draws it again after the restart.
#
#   remote-machine-test.sh TELLVANE SCREENSHOT_CHECK FIXTURE_ROOT OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
CHECK=$2
FIXTURE=$3
OUT=$4
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

# The tree the server reads, with a processor that is busy half the time.
cp -r "$FIXTURE" "$WORK/tree"
chmod -R u+w "$WORK/tree"
advance_counters() {
  while true; do
    awk '/^cpu[0-9]* / { $2 += 10; $5 += 10 } { print }' "$WORK/tree/proc/stat" >"$WORK/tree/proc/stat.new"
    mv "$WORK/tree/proc/stat.new" "$WORK/tree/proc/stat"
    sleep 0.2
  done
}
start advance_counters

# The server picks a free port the first time and is started on it again.
EXPORTER_PID=""
start_exporter() {
  start prometheus-node-exporter --web.listen-address="127.0.0.1:$1" --path.procfs="$WORK/tree/proc" \
    --path.sysfs="$WORK/tree/sys" --path.rootfs="$WORK/tree" --collector.cpu.info --log.level=info \
    >"$WORK/exporter.log" 2>&1
  EXPORTER_PID=$LAST_PID
  local _
  for _ in $(seq 100); do
    PORT=$(sed -n 's/.*address=127\.0\.0\.1:\([0-9][0-9]*\).*/\1/p' "$WORK/exporter.log" | head -n1)
    [ -n "$PORT" ] && return 0
    sleep 0.1
  done
  fail "node_exporter did not start: $(cat "$WORK/exporter.log")"
}
start_exporter 0
# A server stopped by this test is let go on again before the clean-up ends it.
trap 'kill -CONT "$EXPORTER_PID" 2>/dev/null || true; cleanup' EXIT

cp "$TELLVANE" "$WORK/tellvane"
printf '[%s]\r\nServer=127.0.0.1:%s\r\nTheme=0\r\nCPUload=/cpu/0/load/0\r\nRAMused=/ram/data/0\r\nRAMfree=/ram/data/1\r\n' \
  "$(hostname)" "$PORT" >"$WORK/tellvane.ini"
start_display
start_window_manager
start "$WORK/tellvane" >"$OUT/remote-machine.log" 2>&1
APP_PID=$LAST_PID
wait_window "My Computer - Hardware Status"
MAIN=$WINDOW
LEFT=$(field "Absolute upper-left X"); TOP=$(field "Absolute upper-left Y")
WIDTH=$(field "Width"); HEIGHT=$(field "Height")
xdotool windowactivate --sync "$MAIN" >/dev/null 2>&1 || true

SHOT="$WORK/shot.png"
shoot() { import -window root "$SHOT"; }
# The memory caption (Label5 at 46,417) cut out of the last screenshot into $1.
caption() { convert "$SHOT" -crop "260x26+$((LEFT + 46))+$((TOP + 417))" +repage "$1"; }
same_caption() { [ "$(compare -metric AE "$1" "$2" null: 2>&1 || true)" = 0 ]; }
# The processor diagram (8,112, 300 x 71): the column of its cursor, and
# whether the 6 pixel columns left of it show load (the dark blue of a
# column, in the lower part that a half-busy processor fills).
cursor() { "$CHECK" --cursor "$SHOT" $((LEFT + 8)) $((TOP + 112)) 300 71; }
recent_load() { # $1: ~ (some load drawn) or ! (none)
  local x
  x=$(cursor) || return 1
  [ "$x" -ge 8 ] || return 1
  "$CHECK" "$SHOT" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" "$((8 + x - 6)),$((112 + 45)),6,20$1#0066AA" 2>/dev/null
}
# Waits up to $1 seconds for the command after it to hold on a new screenshot.
within() {
  local limit=$1 _
  shift
  for _ in $(seq $((limit * 2))); do
    shoot
    "$@" && return 0
    sleep 0.5
  done
  return 1
}
caption_is() { caption "$WORK/now.png"; same_caption "$WORK/now.png" "$1"; }
caption_is_not() { caption "$WORK/now.png"; ! same_caption "$WORK/now.png" "$1"; }

# The other machine's memory and processor load are shown.
within 15 recent_load "~" || { cp "$SHOT" "$OUT/remote-start.png"; fail "the processor diagram shows no load"; }
sleep 1
shoot
cp "$SHOT" "$OUT/remote-up.png"
caption "$WORK/up.png"

# The server hangs: the caption leaves its value within a few seconds, and the
# window answers keys at once although every scrape waits for its timeout.
kill -STOP "$EXPORTER_PID"
within 8 caption_is_not "$WORK/up.png" || fail "the memory caption kept its value while the server hung"
cp "$SHOT" "$OUT/remote-hung.png"
xdotool key F10
wait_window "Tellvane"
QUESTION=$WINDOW
xdotool key Escape
for _ in $(seq 50); do
  xwininfo -id "$QUESTION" 2>/dev/null | grep >/dev/null "Map State: IsViewable" || break
  sleep 0.1
done
xwininfo -id "$QUESTION" 2>/dev/null | grep >/dev/null "Map State: IsViewable" && fail "Esc did not close the exit question"
kill -0 "$APP_PID" 2>/dev/null || fail "the gadget ended although the exit question was not answered Yes"
kill -CONT "$EXPORTER_PID"
within 10 caption_is "$WORK/up.png" || fail "the memory caption did not come back after the server went on"

# The server ends: no load is drawn while it is gone ...
kill -TERM "$EXPORTER_PID"
wait "$EXPORTER_PID" 2>/dev/null || true
within 8 caption_is_not "$WORK/up.png" || fail "the memory caption kept its value after the server ended"
within 8 recent_load "!" || { cp "$SHOT" "$OUT/remote-down.png"; fail "the processor diagram goes on drawing load"; }
cp "$SHOT" "$OUT/remote-down.png"
DOWN_AT=$(cursor)
# ... and after it starts again on its port, the diagrams go on.
start_exporter "$PORT"
within 10 caption_is "$WORK/up.png" || fail "the memory caption did not come back after the server started again"
within 10 recent_load "~" || { cp "$SHOT" "$OUT/remote-back.png"; fail "the processor diagram did not go on"; }
cp "$SHOT" "$OUT/remote-back.png"
# The seconds without load stay in the history behind the new ones.
"$CHECK" "$SHOT" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" "$((8 + DOWN_AT - 6)),$((112 + 45)),6,20!#0066AA" \
  || fail "the outage is not in the processor diagram's history"

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5
echo "the gadget followed another machine's server through a hang and a restart and answered keys meanwhile"
