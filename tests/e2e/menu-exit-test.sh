#!/usr/bin/env bash
# End to end: the context-menu key opens the gadget's menu below its menu
# button, and choosing "E&xit" there by its access key ends the gadget, which
# writes the window's keys (its position and options) to the settings file.
#
#   menu-exit-test.sh TELLVANE OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
OUT=$2
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"
for tool in openbox xdotool; do
  command -v "$tool" >/dev/null || fail "$tool is missing: scripts/install-deps --tests installs it"
done

cp "$TELLVANE" "$WORK/tellvane"
SECTION=$(hostname)
printf '[%s]\r\nX=40\r\nY=60\r\nTheme=1\r\n' "$SECTION" > "$WORK/tellvane.ini"
start_display
export HOME="$WORK"
start_window_manager
start "$WORK/tellvane" >"$OUT/menu-exit.log" 2>&1
APP_PID=$LAST_PID

TITLE="My Computer - Hardware Status"
wait_window "$TITLE"
MAIN=$WINDOW
xdotool windowactivate --sync "$MAIN" >/dev/null 2>&1 || true
xdotool key Menu

# The menu is a window of the gadget's own besides the main window.
wait_popup "$APP_PID" "the context-menu key opened no menu" "$MAIN"
import -window root "$OUT/menu.png"

sleep 0.5 # the menu takes the keyboard once it shows
xdotool key x
expect_exit "$APP_PID" 10
KEYS=$(section_keys "$SECTION")
for key in X Y DX DY Theme AppMinToTray AppMinOnClose; do
  echo "$KEYS" | grep >/dev/null "^$key=" || fail "Exit did not write $key: $KEYS"
done
echo "$KEYS" | grep >/dev/null "^Theme=1$" || fail "the theme was not written back: $KEYS"
echo "the context-menu key opens the menu and its Exit ends the gadget with the window's keys written"
