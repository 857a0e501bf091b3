#!/usr/bin/env bash
# Drop-down benchmark, under Wine and Xvfb in the build's prefix (its virtual
# desktop): a drop-down of fifteen entries opened, painted, a row pressed and
# the list closed RUNS times; medians of opening, of the choice and of the
# whole cycle, GDI objects and memory after the first and the last.
# Usage: tools/bench-listpanel.sh [RUNS]   (default 200)
#        tools/bench-listpanel.sh macro    the macro display instead: showing
#        10,000 events, one scroll step, the recorder's cost per raw event
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
runs="${1:-200}"
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p 30
  # Start the session (with the display) unpiped: its helper processes would
  # hold a pipe open.
  wine "$1" 1 </dev/null >/dev/null 2>&1
  wine "$1" "$2" </dev/null | tr -d "\r"
  status=${PIPESTATUS[0]}
  wineserver -k 2>/dev/null || true
  exit $status' bench "$build/tests/bench_listpanel.exe" "$runs"
