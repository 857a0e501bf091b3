#!/usr/bin/env bash
# Draws the program icon (a mouse silhouette on a dark tile, accent blue) into
# a multi-size .ico. Usage: make-icon.sh OUT.ico
set -euo pipefail
out="${1:?output .ico}"
convert -size 256x256 xc:none \
  -fill '#141418' -draw "roundrectangle 8,8 247,247 44,44" \
  -fill '#00C8FF' -draw "roundrectangle 74,26 182,230 54,54" \
  -fill '#141418' -draw "rectangle 124,26 132,104" \
  -fill '#141418' -draw "roundrectangle 118,56 138,92 8,8" \
  -define icon:auto-resize=48,32,16 "$out"
