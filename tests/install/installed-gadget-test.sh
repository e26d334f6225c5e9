#!/usr/bin/env bash
# The installed program, as a desktop user meets it: `cmake --install` into a
# temporary prefix; the desktop's validators pass on its launcher and its
# metadata and its manual pages render without warnings; then the installed
# gadget runs under a private X server as a user who does not own the prefix,
# answers the first-run question, presses OK and ends: its settings file is in
# that user's ~/.config/tellvane and its audio library was mapped from the
# private library folder. Needs root to run as another user (skipped without).
#
#   installed-gadget-test.sh BUILD_DIR OUTPUT_DIR
set -euo pipefail

BUILD=$1
OUT=$2
mkdir -p "$OUT"
. "$(dirname "$0")/../e2e/lib.sh"
chmod 0755 "$WORK"

PREFIX="$WORK/prefix"
cmake --install "$BUILD" --prefix "$PREFIX" >"$OUT/install.log" 2>&1 || fail "cmake --install failed: $(tail -5 "$OUT/install.log")"
APP=org.tellvane.Tellvane
for file in bin/tellvane bin/tellvane-sensors share/applications/$APP.desktop share/metainfo/$APP.metainfo.xml \
            share/icons/hicolor/scalable/apps/$APP.svg share/icons/hicolor/48x48/apps/$APP.png \
            share/icons/hicolor/256x256/apps/$APP.png share/man/man1/tellvane.1.gz share/man/man1/tellvane-sensors.1.gz \
            share/doc/tellvane/copyright; do
  [ -f "$PREFIX/$file" ] || fail "not installed: $file"
done
LIBRARY=$(find "$PREFIX" -name libbass.so)
[ -n "$LIBRARY" ] || fail "libbass.so is not installed"
case "$LIBRARY" in "$PREFIX"/bin/*) fail "libbass.so is installed among the programs: $LIBRARY" ;; esac

desktop-file-validate "$PREFIX/share/applications/$APP.desktop" || fail "desktop-file-validate"
appstreamcli validate --no-net "$PREFIX/share/metainfo/$APP.metainfo.xml" >"$OUT/appstream.log" 2>&1 \
  || fail "appstreamcli validate: $(cat "$OUT/appstream.log")"
for page in tellvane tellvane-sensors; do
  man --warnings -l -Tutf8 "$PREFIX/share/man/man1/$page.1.gz" >/dev/null 2>"$OUT/man-$page.log"
  [ ! -s "$OUT/man-$page.log" ] || fail "man $page: $(cat "$OUT/man-$page.log")"
done
"$PREFIX/bin/tellvane-sensors" --version | grep >/dev/null "^tellvane-sensors " || fail "the installed tellvane-sensors does not run"

if [ "$(id -u)" -ne 0 ]; then
  echo "SKIP: running as another user needs root"
  exit 77
fi

# A user who may not write the prefix, with a home of its own.
USER_HOME="$WORK/home"
mkdir -p "$USER_HOME/run"
chown -R nobody "$USER_HOME"
chmod 0700 "$USER_HOME/run"
start_display
start setpriv --reuid=nobody --regid=nogroup --clear-groups \
  env -i HOME="$USER_HOME" XDG_RUNTIME_DIR="$USER_HOME/run" DISPLAY="$DISPLAY" QT_QPA_PLATFORM=xcb \
  PATH=/usr/bin:/bin "$PREFIX/bin/tellvane" >"$OUT/installed-gadget.log" 2>&1
APP_PID=$LAST_PID
wait_window "Tellvane"               # the first-run question
xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
xdotool key Return                   # Yes
wait_window "Settings"
DIALOG=$WINDOW
wait_window "Tellvane"               # the welcome message
xdotool windowactivate --sync "$WINDOW" >/dev/null 2>&1 || true
xdotool key Return
grep >/dev/null " $LIBRARY\$" "/proc/$APP_PID/maps" || fail "the audio library was not mapped from $LIBRARY"
xdotool windowactivate --sync "$DIALOG" >/dev/null 2>&1 || true
xdotool key Return                   # OK
SETTINGS="$USER_HOME/.config/tellvane/tellvane.ini"
for _ in $(seq 50); do [ -f "$SETTINGS" ] && break; sleep 0.1; done
[ -f "$SETTINGS" ] || fail "OK wrote no settings file in the user's home; the log: $(cat "$OUT/installed-gadget.log")"
kill -TERM "$APP_PID"
expect_exit "$APP_PID" 5
grep >/dev/null "^Theme=" "$SETTINGS" || fail "the exit did not write the window's keys: $(cat "$SETTINGS")"
[ "$(stat -c %U "$SETTINGS")" = nobody ] || fail "the settings file is not the user's"
[ -z "$(find "$PREFIX" -name '*.ini')" ] || fail "a settings file was written into the prefix"
echo "the installed gadget kept its settings in the user's home and its audio library in its private folder"
