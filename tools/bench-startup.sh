#!/usr/bin/env bash
# Start-up benchmark: from process creation to the main window shown, median
# of N runs (default 10), measured inside Wine by tests' probe.exe under Xvfb.
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
  wine "$1" hold 0 </dev/null >/dev/null 2>&1  # session up before timing
  wine "$1" launch "$(winepath -w "$2")" SINGLE_INSTANCE_APP_TARN "$3" | tr -d "\r"
  wineserver -k 2>/dev/null || true' bench "$probe" "$exe" "$runs"
