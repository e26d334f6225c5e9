# Shared steps of the end-to-end tests: a private Xvfb display, a temporary
# copy of the gadget's folder, waiting for windows, ending what was started.
# Source it after `set -euo pipefail`; it sets WORK and DISPLAY.

WORK=$(mktemp -d)
STARTED_PIDS=()
cleanup() {
  local pid
  for pid in "${STARTED_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  # Ended for good before the test ends, so that no dying X server outlives it.
  for pid in "${STARTED_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
  rm -rf "$WORK"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts a command in the background and remembers it for the clean-up; its
# id is in LAST_PID.
start() {
  "$@" &
  LAST_PID=$!
  STARTED_PIDS+=("$LAST_PID")
}

# A private display: Xvfb picks a free number and writes it to fd 3. Without
# -noreset the server resets whenever its last client leaves (a waiting
# xdotool, say), and a client that connects during the reset is refused.
# $1: the screen's size and depth (1024x800x24 when not given).
start_display() {
  exec 3>"$WORK/display"
  start Xvfb -displayfd 3 -screen 0 "${1:-1024x800x24}" -nolisten tcp -noreset >"$WORK/xvfb.log" 2>&1
  local xvfb=$LAST_PID _
  for _ in $(seq 100); do [ -s "$WORK/display" ] && break; sleep 0.1; done
  [ -s "$WORK/display" ] || fail "Xvfb did not start: $(cat "$WORK/xvfb.log")"
  export DISPLAY=":$(head -n1 "$WORK/display")"
  export QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK"
  # Never the machine's session bus: a test that needs one starts its own.
  unset DBUS_SESSION_BUS_ADDRESS
  # The display must answer before anything starts on it.
  for _ in $(seq 100); do
    xdpyinfo >/dev/null 2>&1 && return 0
    kill -0 "$xvfb" 2>/dev/null || fail "Xvfb ended on $DISPLAY: $(cat "$WORK/xvfb.log")"
    sleep 0.1
  done
  fail "the private display $DISPLAY does not answer: $(cat "$WORK/xvfb.log")"
}

# A session bus of the test's own (dbus-daemon), in DBUS_SESSION_BUS_ADDRESS.
start_session_bus() {
  exec 4>"$WORK/bus-address"
  start dbus-daemon --session --nofork --nopidfile --print-address=4
  local _
  for _ in $(seq 50); do [ -s "$WORK/bus-address" ] && break; sleep 0.1; done
  [ -s "$WORK/bus-address" ] || fail "the private session bus did not start"
  export DBUS_SESSION_BUS_ADDRESS=$(head -n1 "$WORK/bus-address")
}

# A window manager on the private display (focus, frames, activation). It
# announces itself before it manages windows; it is given a moment more.
start_window_manager() {
  start openbox --sm-disable >"$WORK/openbox.log" 2>&1
  local _
  for _ in $(seq 50); do xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep >/dev/null window && break; sleep 0.1; done
  sleep 1
}

# Waits up to 15 s until a window named $1 is mapped; its id is in WINDOW and
# its xwininfo in INFO. (Qt's hidden helper windows may carry the same name.)
wait_window() {
  local _ id
  INFO=""
  for _ in $(seq 150); do
    for id in $(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null); do
      INFO=$(xwininfo -id "$id" 2>/dev/null || true)
      if echo "$INFO" | grep >/dev/null "Map State: IsViewable"; then WINDOW=$id; return 0; fi
    done
    INFO=""
    sleep 0.1
  done
  fail "no window titled '$1' appeared"
}
# Waits up to 5 s for a viewable window of process $1 other than the windows
# named after it (the main window, the tray icon): a popup menu. Its id is in
# POPUP; fails with message $2 when none shows.
wait_popup() {
  local pid=$1 message=$2 _ id
  shift 2
  POPUP=""
  for _ in $(seq 50); do
    for id in $(xdotool search --onlyvisible --pid "$pid" 2>/dev/null); do
      case " $* " in *" $id "*) continue ;; esac
      if xwininfo -id "$id" 2>/dev/null | grep >/dev/null "IsViewable"; then POPUP=$id; return 0; fi
    done
    sleep 0.1
  done
  fail "$message"
}
field() { echo "$INFO" | sed -n "s/^ *$1: *\\(-\\?[0-9]*\\).*/\\1/p"; }

# Waits up to $2 seconds for process $1 to end; fails when it does not, or
# when it ends with a status other than 0.
expect_exit() {
  local pid=$1 limit=$2 _
  for _ in $(seq $((limit * 10))); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "the gadget did not end within $limit s"
  local status=0
  wait "$pid" || status=$?
  [ "$status" -eq 0 ] || fail "the gadget ended with status $status"
}

# The keys of section $1 of the settings file beside the copy.
section_keys() { awk -v s="[$1]" 'BEGIN{RS="\r?\n"} $0==s{on=1;next} /^\[/{on=0} on' "$WORK/tellvane.ini"; }
