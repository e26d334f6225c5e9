#!/usr/bin/env bash
# The gadget's footprint beside a peer's, on this machine, one after the
# other: processor time of each program (all its threads) and of its own
# private X server over DURATION seconds after SETTLE seconds, its resident
# memory, and its wake-ups per second (context switches of all its threads).
# Then the gadget again with a 1000 Hz sine playing into its sound input (the
# tests' private sound server), with that server running but its default
# input silent (the null sink's monitor), and, under a steady light disk load
# (4 KiB written and flushed every second), with its four disk bars on the
# first disk's activity, read, write and write rate, beside conky under the
# same load. Prints one table with the ratios.
#
#   bench/footprint.sh [BUILD_DIR] [DURATION] [RUNS] [SETTLE]
#
# Defaults: build, 60 s, 3 runs, 10 s. The peers are conky (Debian's
# conky-std) with five graphs refreshed once a second, and gkrellm with its
# own defaults (a fresh configuration), both installed when missing. Two more
# rows, when bench/qt_floor is built, give the floor under the gadget's
# figures: a bare Qt window doing only what the gadget must do to the screen
# at rest (one history column and six labels a second) and with the sine (a
# spectrum band 40 times a second). Not part of `make test`.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD=${1:-$ROOT/build}
DURATION=${2:-60}
RUNS=${3:-3}
SETTLE=${4:-10}
TELLVANE="$BUILD/src/shell/tellvane"
SENSORS="$BUILD/src/shell/tellvane-sensors"
LIBBASS="$BUILD/src/shell/libbass.so"
[ -x "$TELLVANE" ] && [ -x "$SENSORS" ] || { echo "build the gadget first (make build)" >&2; exit 1; }

for peer in conky:conky-std gkrellm:gkrellm; do
  command -v "${peer%%:*}" >/dev/null && continue
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q --no-install-recommends "${peer#*:}" >/tmp/footprint-apt.log 2>&1 ||
    { echo "could not install ${peer#*:}" >&2; exit 1; }
done

. "$ROOT/bench/every-row.sh"
WORK=$(mktemp -d)
PIDS=()
cleanup() { stop_all "${PIDS[@]}"; rm -rf "$WORK"; }
trap cleanup EXIT

# --- the gadget's settings: every row this machine can feed ---
write_every_row_settings "$SENSORS" "$WORK/tellvane.ini"

cat >"$WORK/conky.conf" <<'CONF'
conky.config = { update_interval = 1, out_to_x = true, own_window = true, own_window_type = 'normal',
                 double_buffer = true, minimum_width = 300, background = false, out_to_console = false }
conky.text = [[
CPU ${cpu}% ${cpugraph 40,280}
RAM ${memperc}% ${memgraph 40,280}
Down ${downspeedgraph eth0 40,280}
Up ${upspeedgraph eth0 40,280}
Disk ${diskiograph 40,280}
]]
CONF

# Processor time in nanoseconds, summed over the live threads (the scheduler's
# own account: clock ticks are too coarse for a program near 0.3 % of a core).
cpu_ns() { cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{s += $1} END {printf "%.0f\n", s}'; }
switches() { cat /proc/"$1"/task/*/status 2>/dev/null | awk '/ctxt_switches/ {s += $2} END {print s + 0}'; }
rss_mib() { awk '/^VmRSS/ {printf "%.1f", $2 / 1024}' "/proc/$1/status"; }

# measure NAME COMMAND...: one run under a fresh private X server; prints
# "cpu_percent x_percent rss_mib wakeups_per_s".
measure() {
  local xpid app a0 a1 x0 x1 s0 s1 rss
  start_private_x "$WORK"
  xpid=$XPID; PIDS+=("$xpid")
  DISPLAY="$XDISPLAY" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK" "$@" >/dev/null 2>&1 &
  app=$!; PIDS+=("$app")
  sleep "$SETTLE"
  a0=$(cpu_ns "$app"); x0=$(cpu_ns "$xpid"); s0=$(switches "$app")
  sleep "$DURATION"
  a1=$(cpu_ns "$app"); x1=$(cpu_ns "$xpid"); s1=$(switches "$app"); rss=$(rss_mib "$app")
  kill "$app" "$xpid" 2>/dev/null || true
  wait "$app" "$xpid" 2>/dev/null || true
  awk -v a=$((a1 - a0)) -v x=$((x1 - x0)) -v s=$((s1 - s0)) -v d="$DURATION" -v r="$rss" \
    'BEGIN {printf "%.3f %.3f %s %.1f\n", a / 1e9 / d * 100, x / 1e9 / d * 100, r, s / d}'
}

# average NAME COMMAND...: RUNS runs, the mean of each column.
average() {
  local name=$1; shift
  local i out=""
  for i in $(seq "$RUNS"); do out+="$(measure "$@")"$'\n'; done
  echo "$out" | awk -v n="$name" 'NF == 4 {a += $1; x += $2; r += $3; w += $4; k++}
    END {printf "%s %.2f %.2f %.1f %.1f\n", n, a / k, x / k, r / k, w / k}'
}

cp "$TELLVANE" "$WORK/tellvane"
[ -f "$LIBBASS" ] && cp "$LIBBASS" "$WORK/"
# At rest: no sound server reachable, so the sound panel stands still.
export PULSE_SERVER="unix:$WORK/no-sound-server"
REST=$(average gadget-rest "$WORK/tellvane")
PEER=$(average conky conky -c "$WORK/conky.conf")
mkdir -p "$WORK/gkrellm-home"
SECOND_PEER=$(HOME="$WORK/gkrellm-home" average gkrellm gkrellm)

FLOOR=""
if [ -x "$BUILD/bench/qt_floor" ]; then
  FLOOR="$(average qt-floor-rest "$BUILD/bench/qt_floor" rest)"$'\n'"$(average qt-floor-spectrum "$BUILD/bench/qt_floor" spectrum)"
fi

SERVER=$("$ROOT/scripts/sound-server" "$WORK/sound")
export PULSE_SERVER=$(echo "$SERVER" | sed -n 's/^PULSE_SERVER=//p')
PIDS+=("$(echo "$SERVER" | sed -n 's/^PID=//p')")
SOUND=$(average gadget-sine "$WORK/tellvane")

SILENT_SERVER=$("$ROOT/scripts/sound-server" "$WORK/silent" silent)
export PULSE_SERVER=$(echo "$SILENT_SERVER" | sed -n 's/^PULSE_SERVER=//p')
PIDS+=("$(echo "$SILENT_SERVER" | sed -n 's/^PID=//p')")
SILENT=$(average gadget-silent-server "$WORK/tellvane")

# The four disk bars on the first disk, under a steady light load.
export PULSE_SERVER="unix:$WORK/no-sound-server"
DISK=$("$SENSORS" | awk '/ Total Activity +Load / {sub(/\/load\/0$/, "", $NF); print $NF; exit}')
awk -v d="$DISK" 'BEGIN {RS = "\r\n"; ORS = "\r\n"} /^HDD[1-4x]=|^DiskDiagram=/ {next} {print}
  END {print "HDD1=" d "/load/0"; print "HDD2=" d "/load/1"; print "HDD3=" d "/load/2"; print "HDD4=" d "/throughput/1"
       print "DiskDiagram=0"}' "$WORK/tellvane.ini" >"$WORK/disk-bars.ini"
disk_load() { while :; do dd if=/dev/zero of="$WORK/disk-load" bs=4k count=1 oflag=dsync conv=notrunc status=none; sleep 1; done; }
disk_load &
PIDS+=("$!")
DISK_BARS=$(average gadget-4-disk-bars "$WORK/tellvane" --settings "$WORK/disk-bars.ini")
DISK_PEER=$(average conky-disk-load conky -c "$WORK/conky.conf")

printf '%s\n%s\n%s\n%s\n%s\n%s\n%s\n%s\n' "$REST" "$PEER" "$SECOND_PEER" "$SOUND" "$SILENT" "$DISK_BARS" "$DISK_PEER" "$FLOOR" | awk -v d="$DURATION" -v r="$RUNS" '
  NF == 5 {k++; name[k] = $1; cpu[k] = $2; x[k] = $3; rss[k] = $4; wake[k] = $5; total[k] = $2 + $3}
  END {
    printf "%d run(s) of %d s each, CPU in %% of one core\n\n", r, d
    printf "| program | CPU | its X server | together | resident MiB | wake-ups/s | together / conky | together / gkrellm |\n"
    printf "|---|---|---|---|---|---|---|---|\n"
    for (i = 1; i <= k; i++)
      printf "| %s | %.2f | %.2f | %.2f | %.1f | %.1f | %.2f | %.2f |\n", name[i], cpu[i], x[i], total[i], rss[i], wake[i],
             (total[2] > 0 ? total[i] / total[2] : 0), (total[3] > 0 ? total[i] / total[3] : 0)
  }'
