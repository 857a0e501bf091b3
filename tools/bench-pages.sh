#!/usr/bin/env bash
# Main-window benchmarks, under Wine and Xvfb in the build's prefix, over the
# emulated mouse:
#   page      the window with all six pages switched RUNS times (default
#             1000); median ms per switch, GDI objects and memory after the
#             first and the last switch
#   profiles  the profiles page: its list filled RUNS times (default 200),
#             and create, rename, copy, delete through the page with their
#             popups answered by messages; medians, GDI objects and memory
# Usage: tools/bench-pages.sh [RUNS] [page|profiles]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
which="${2:-page}"
case "$which" in
  page) runs="${1:-1000}" ;;
  profiles) runs="${1:-200}" ;;
  *) echo "usage: tools/bench-pages.sh [RUNS] [page|profiles]" >&2; exit 2 ;;
esac
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
state="$(mktemp -d)"
# Every Wine command runs under the X server: one started without it would
# leave the session with a desktop that has no display.
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p 30
  wine "$1/tests/probe.exe" hold 0 </dev/null >/dev/null 2>&1
  export TARN_DEVICE_STATE="$(winepath -w "$3/state.txt")"
  module="$(winepath -w "$1/bin/")"
  wine "$1/tests/bench_$4.exe" "$2" --module-dir "$module" </dev/null | tr -d "\r"
  status=${PIPESTATUS[0]}
  wineserver -k 2>/dev/null || true
  exit $status' bench "$build" "$runs" "$state" "$which"
rm -rf "$state"
