#!/usr/bin/env bash
# Start-up benchmark: from process creation to the main window shown and to
# its first paint, median of N runs (default 10), measured inside Wine by the
# tests' probe.exe under Xvfb. A window-holding process keeps the Wine desktop
# up during the runs, as Windows always has its desktop; beside the program,
# the platform's floor is measured the same way: a bare program that
# initialises COM and shows one empty window.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
runs="${1:-10}"
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
probe="$build/tests/probe.exe"
exe="$build/bin/TarnConfig.exe"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p 30
  wine "$1" hold 600 </dev/null >/dev/null 2>&1 &
  holder=$!
  wine "$1" wait TarnProbeHold 20000
  echo "TarnConfig.exe (all six pages):"
  wine "$1" launch "$(winepath -w "$2")" SINGLE_INSTANCE_APP_TARN "$3" | tr -d "\r"
  echo "platform floor (COM and one empty window):"
  wine "$1" launch "$(winepath -w "$1")" TarnProbeFloor "$3" floor | tr -d "\r"
  kill $holder 2>/dev/null
  wineserver -k 2>/dev/null || true' bench "$probe" "$exe" "$runs"
