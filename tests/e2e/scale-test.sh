#!/usr/bin/env bash
# End to end: the gadget on a screen scaled 2x (QT_SCALE_FACTOR=2). The
# processor diagram's frame is exactly two device pixels wide in #5566AA, and
# the disk bar's texts are drawn at the screen's resolution, not stretched.
#
#   scale-test.sh TELLVANE SCREENSHOT_CHECK FIXTURE_ROOT OUTPUT_DIR
set -euo pipefail

TELLVANE=$1
CHECK=$2
FIXTURE=$3
OUT=$4
mkdir -p "$OUT"
. "$(dirname "$0")/lib.sh"

cp "$TELLVANE" "$WORK/tellvane"
printf '[%s]\r\nTheme=0\r\nCPUload=/cpu/0/load/0\r\nHDD1=/storage/vda/load/0\r\n' "$(hostname)" >"$WORK/tellvane.ini"
start_display 1600x1200x24
start_window_manager
QT_SCALE_FACTOR=2 start "$WORK/tellvane" --root "$FIXTURE" >"$WORK/gadget.log" 2>&1
wait_window "My Computer - Hardware Status"
LEFT=$(field "Absolute upper-left X"); TOP=$(field "Absolute upper-left Y")
WIDTH=$(field "Width"); HEIGHT=$(field "Height")
[ "$WIDTH" = 1256 ] || fail "the window is $WIDTH device pixels wide at 2x, not 1256"

# The processor diagram: 300 x 71 at 8,112, so 600 x 142 device pixels at 16,224.
X=16; Y=224; W=600; H=142
# The top edge: its two device rows hold the frame's colour, the row below
# none (the red cursor crosses the frame, so neither row is of one colour).
# The left edge, which nothing crosses: two device columns of #5566AA, the
# column inside them without any.
frame="$X,$Y,$W,1~#5566AA $X,$((Y + 1)),$W,1~#5566AA $((X + 2)),$((Y + 2)),$((W - 4)),1!#5566AA"
frame="$frame $X,$((Y + 2)),2,$((H - 4))=plain $X,$((Y + 2))=#5566AA $((X + 1)),$((Y + H - 3))=#5566AA"
frame="$frame $((X + 2)),$((Y + 2)),1,$((H - 4))!#5566AA"
# The first disk bar (300 x 17 at 320,336): its label and value texts, drawn
# at 2x, have glyph edges finer than a logical pixel.
frame="$frame 640,672,600,34/2>20"
SHOT="$WORK/shot.png"
for _ in $(seq 20); do
  import -window root "$SHOT"
  # shellcheck disable=SC2086
  "$CHECK" "$SHOT" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" $frame 2>"$WORK/check.log" && break
  sleep 0.5
done
cp "$SHOT" "$OUT/scale-2x.png"
# shellcheck disable=SC2086
"$CHECK" "$SHOT" "$LEFT" "$TOP" "$WIDTH" "$HEIGHT" $frame || fail "the diagrams are not drawn at 2x: the frame is not two device pixels of #5566AA or the bar's texts are stretched"
echo "scale: ok"
