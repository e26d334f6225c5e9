#!/usr/bin/env bash
# A long run of the real gadget: every row this machine can feed configured,
# under a private X server, with the test sound server's 1000 Hz sine playing
# into its input. Every INTERVAL seconds it records the gadget's resident
# memory, open file descriptors and threads; at the end it prints them every
# five minutes and judges the run: resident memory may grow by less than
# 1 MiB after the first five minutes, descriptors and threads must not change.
#
#   bench/soak.sh [BUILD_DIR] [SECONDS] [INTERVAL]
#
# Defaults: build, 3600 s, 10 s. The samples go to soak.csv in the current
# folder as well. Exit status 1 when the run fails its limits or the gadget ends.
set -euo pipefail

ROOT="$(cd "$(dirname "$0")/.." && pwd)"
BUILD=${1:-$ROOT/build}
SECONDS_TOTAL=${2:-3600}
INTERVAL=${3:-10}
TELLVANE="$BUILD/src/shell/tellvane"
SENSORS="$BUILD/src/shell/tellvane-sensors"
LIBBASS="$BUILD/src/shell/libbass.so"
[ -x "$TELLVANE" ] && [ -x "$SENSORS" ] || { echo "build the gadget first (make build)" >&2; exit 1; }

. "$ROOT/bench/every-row.sh"
WORK=$(mktemp -d)
PIDS=()
cleanup() { stop_all "${PIDS[@]}"; rm -rf "$WORK"; }
trap cleanup EXIT

cp "$TELLVANE" "$WORK/tellvane"
[ -f "$LIBBASS" ] && cp "$LIBBASS" "$WORK/"
write_every_row_settings "$SENSORS" "$WORK/tellvane.ini"

SERVER=$("$ROOT/scripts/sound-server" "$WORK/sound")
PIDS+=("$(echo "$SERVER" | sed -n 's/^PID=//p')")
export PULSE_SERVER=$(echo "$SERVER" | sed -n 's/^PULSE_SERVER=//p')

start_private_x "$WORK"
PIDS+=("$XPID")
DISPLAY="$XDISPLAY" QT_QPA_PLATFORM=xcb XDG_RUNTIME_DIR="$WORK" "$WORK/tellvane" >"$WORK/gadget.log" 2>&1 &
APP=$!
PIDS+=("$APP")

CSV=soak.csv
echo "seconds,rss_kib,fds,threads" >"$CSV"
sample() {
  local t=$1 rss fds threads
  rss=$(awk '/^VmRSS/ {print $2}' "/proc/$APP/status")
  threads=$(awk '/^Threads/ {print $2}' "/proc/$APP/status")
  fds=$(ls "/proc/$APP/fd" | wc -l)
  echo "$t,$rss,$fds,$threads" >>"$CSV"
}
start=$(date +%s)
for ((t = 0; t <= SECONDS_TOTAL; t += INTERVAL)); do
  # Sample on the schedule, whatever the sampling itself took.
  while [ $(( $(date +%s) - start )) -lt "$t" ]; do sleep 0.2; done
  kill -0 "$APP" 2>/dev/null || { echo "the gadget ended after $t s; its output:" >&2; cat "$WORK/gadget.log" >&2; exit 1; }
  sample "$t"
done

# Memory is judged after the first five minutes (half the run, when shorter).
SETTLE=$(( SECONDS_TOTAL >= 600 ? 300 : SECONDS_TOTAL / 2 / INTERVAL * INTERVAL ))
awk -F, -v settle="$SETTLE" -v every=300 '
  NR == 1 {next}
  {t = $1; rss[t] = $2; fd[t] = $3; th[t] = $4; last = t
   if (t >= settle && base == "") {base = $2; fd0 = $3; th0 = $4}
   if (t >= settle) {if ($2 > top) top = $2; if ($3 != fd0) fdmoved = 1; if ($4 != th0) thmoved = 1}}
  t % every == 0 {rows[++n] = t}
  END {
    printf "| minute | resident MiB | file descriptors | threads |\n|---|---|---|---|\n"
    for (i = 1; i <= n; i++) printf "| %d | %.2f | %d | %d |\n", rows[i] / 60, rss[rows[i]] / 1024, fd[rows[i]], th[rows[i]]
    growth = (top - base) / 1024
    printf "\nresident growth after %d s: %.2f MiB (%.2f MiB then, %.2f MiB at most)\n", settle, growth, base / 1024, top / 1024
    printf "descriptors %s, threads %s\n", fdmoved ? "CHANGED" : "constant", thmoved ? "CHANGED" : "constant"
    ok = growth < 1 && !fdmoved && !thmoved
    print ok ? "PASS" : "FAIL"
    exit ok ? 0 : 1
  }' "$CSV"
