#!/usr/bin/env bash
# End to end: with a window manager and a system tray on the private display,
# the gadget's tray icon is there from the start. With "Minimize To Tray" on,
# the window has no task-bar entry (a utility window); a left click on the
# icon minimizes the window and a second one brings it back; a right click
# opens the menu, whose "&Hide/Show" restores the minimized window.
#
#   tray-test.sh TELLVANE OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
OUT=$2
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"
for tool in openbox trayer xdotool; do
  command -v "$tool" >/dev/null || fail "$tool is missing: scripts/install-deps --tests installs it"
done

cp "$TELLVANE" "$WORK/tellvane"
printf '[%s]\r\nAppMinToTray=1\r\nX=0\r\nY=100\r\n' "$(hostname)" > "$WORK/tellvane.ini"
start_display
export HOME="$WORK" # the window manager and the tray read no user's files
start_window_manager
start trayer --edge top --align right --widthtype pixel --width 64 --heighttype pixel --height 24 \
  --transparent false --tint 0x404040 >"$WORK/trayer.log" 2>&1
sleep 1
start "$WORK/tellvane" >"$OUT/tray.log" 2>&1
APP_PID=$LAST_PID

TITLE="My Computer - Hardware Status"
wait_window "$TITLE"
xprop -id "$WINDOW" _NET_WM_WINDOW_TYPE | grep >/dev/null UTILITY || fail "the window keeps a task-bar entry"

# The icon is the gadget's window embedded in the tray: the one that is not
# the main window, of the tray icon's size.
ICON=""
for _ in $(seq 50); do
  for id in $(xdotool search --pid "$APP_PID" 2>/dev/null); do
    [ "$id" = "$WINDOW" ] && continue
    geometry=$(xdotool getwindowgeometry "$id" 2>/dev/null || true)
    size=$(echo "$geometry" | sed -n 's/.*Geometry: \([0-9]*\)x\([0-9]*\).*/\1 \2/p')
    read -r w h <<<"${size:-0 0}"
    if [ "$w" -gt 8 ] && [ "$w" -le 64 ] && [ "$h" -gt 8 ] && [ "$h" -le 64 ] &&
       xwininfo -id "$id" 2>/dev/null | grep >/dev/null "IsViewable"; then ICON=$id; break 2; fi
  done
  sleep 0.1
done
[ -n "$ICON" ] || fail "no tray icon of the gadget in the tray"
import -window root "$OUT/tray.png"

state() { xwininfo -id "$WINDOW" | sed -n 's/.*Map State: *//p'; }
click_icon() { xdotool mousemove --window "$ICON" 5 5 click 1; }
wait_state() {
  for _ in $(seq 50); do [ "$(state)" = "$1" ] && return 0; sleep 0.1; done
  fail "the window is $(state) after the tray click, want $1"
}
click_icon
wait_state IsUnMapped
sleep 1 # two quick clicks are a double click
click_icon
wait_state IsViewable

# Minimized, a right click on the icon opens the full menu at the pointer;
# its "&Hide/Show" brings the window back.
sleep 1
click_icon
wait_state IsUnMapped
sleep 1
xdotool mousemove --window "$ICON" 5 5 click 3
wait_popup "$APP_PID" "a right click on the tray icon opened no menu" "$WINDOW" "$ICON"
import -window root "$OUT/tray-menu.png"
sleep 0.5 # the menu takes the keyboard once it shows
xdotool key h
wait_state IsViewable

kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5
echo "the tray icon minimizes and restores the window, and opens the menu"
