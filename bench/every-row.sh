# Sourced by the bench scripts: the gadget's settings with every row this
# machine can feed (found through tellvane-sensors), a private X server, and
# the end of what a script started.
#
#   write_every_row_settings SENSORS_PROGRAM SETTINGS_FILE

write_every_row_settings() {
  local listing
  listing=$("$1")
  first() { echo "$listing" | awk -v n="$1" -v t="$2" '$0 ~ "^ +" n " +" t " " {print $NF; exit}'; }
  nth_disk_activity() { echo "$listing" | awk -v k="$1" '/^ +Total Activity +Load / {i++; if (i == k) {print $NF; exit}}'; }
  {
    printf '[%s]\r\n' "$(hostname)"
    printf 'CPUload=%s\r\nCPUtemp=%s\r\n' "$(first 'CPU Total' Load)" "$(echo "$listing" | awk '/\/cpu\/.* Temperature / {print $NF; exit}')"
    printf 'GPUload=%s\r\nGPUtemp=%s\r\n' "$(echo "$listing" | awk '/\/gpu.*\/load\// {print $NF; exit}')" \
      "$(echo "$listing" | awk '/\/gpu.*\/temperature\// {print $NF; exit}')"
    printf 'RAMused=%s\r\nRAMfree=%s\r\n' "$(first 'Memory Used' Data)" "$(first 'Memory Available' Data)"
    printf 'NETupld=%s\r\nNETdown=%s\r\n' "$(first 'Upload Speed' Throughput)" "$(first 'Download Speed' Throughput)"
    for k in 1 2 3 4; do printf 'HDD%d=%s\r\n' "$k" "$(nth_disk_activity "$k")"; done
    printf 'Custom1=%s\r\nCustom2=%s\r\n' "$(first 'Memory' Load)" "$(echo "$listing" | awk '/ Clock .*\/cpu\// {print $NF; exit}')"
    printf 'CpuBars=1\r\nTheme=0\r\n'
  } >"$2"
}

# start_private_x WORK_DIR: starts Xvfb on a free display; sets XPID and XDISPLAY.
start_private_x() {
  local fd_file="$1/display.$$.$RANDOM"
  : >"$fd_file"
  exec 3>"$fd_file"
  Xvfb -displayfd 3 -screen 0 1024x800x24 -nolisten tcp -noreset >/dev/null 2>&1 &
  XPID=$!
  for _ in $(seq 100); do [ -s "$fd_file" ] && break; sleep 0.1; done
  exec 3>&-
  XDISPLAY=":$(head -n1 "$fd_file")"
}

# stop_all PID...: ends the processes and waits up to 2 s for each to be gone,
# so that their folders can be removed after them.
stop_all() {
  local p _
  for p in "$@"; do kill "$p" 2>/dev/null || true; done
  for p in "$@"; do
    for _ in $(seq 20); do kill -0 "$p" 2>/dev/null || break; sleep 0.1; done
  done
}
