#!/usr/bin/env bash
# Popup benchmark, under Wine and Xvfb in the build's prefix (its virtual
# desktop): a warning popup opened, painted, clicked OK and closed RUNS times;
# median ms per cycle, GDI objects and memory after the first and the last.
# Usage: tools/bench-popup.sh [RUNS] [SKIN_FILE]   (default 1000, NoMousePopup.xml)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
runs="${1:-1000}"
skin="${2:-NoMousePopup.xml}"
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p 30
  # Start the session (with the display) unpiped: its helper processes would
  # hold a pipe open.
  wine "$1" 1 "$3" </dev/null >/dev/null 2>&1
  module="$(winepath -w "$4")"
  wine "$1" "$2" "$3" --module-dir "$module" </dev/null | tr -d "\r"
  status=${PIPESTATUS[0]}
  wineserver -k 2>/dev/null || true
  exit $status' bench "$build/tests/bench_popup.exe" "$runs" "$skin" "$build/bin/"
