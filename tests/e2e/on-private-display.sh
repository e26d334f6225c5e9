#!/usr/bin/env bash
# Runs a test program on a private Xvfb display with Qt's X11 platform.
#
#   on-private-display.sh PROGRAM [ARGUMENTS...]
set -euo pipefail
. "$(dirname "$0")/lib.sh"
start_display
"$@"
