#!/usr/bin/env bash
# Skin benchmarks, under Wine and Xvfb in the build's prefix:
#  - a skin file loaded into a panel and painted once (median of RUNS, with the
#    process's GDI object count before and after all runs);
#  - the window region of a 1024x768 mask with a complex outline (median).
# Usage: tools/bench-skin.sh [SKIN_FILE] [RUNS]   (default MainPage.xml, 20)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
skin="${1:-MainPage.xml}"
runs="${2:-20}"
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
viewer="$build/bin/skinview.exe"
if [ ! -f "$build/bin/xml/$skin" ]; then
  echo "bench-skin: $build/bin/xml/$skin does not exist" >&2
  exit 1
fi
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p 30
  # Start the session unpiped: its helper processes would hold a pipe open.
  wine "$1" --bench-mask 1 </dev/null >/dev/null 2>&1
  wine "$1" "$2" --bench "$3" </dev/null | tr -d "\r"
  wine "$1" --bench-mask "$3" </dev/null | tr -d "\r"
  wineserver -k 2>/dev/null || true' bench "$viewer" "$skin" "$runs"
