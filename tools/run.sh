#!/usr/bin/env bash
# Sets up, builds and starts the configurator under Wine. On a machine with a
# display it runs there; without one it runs under Xvfb for a few seconds and
# leaves a screenshot in build/screenshot.png.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
"$root/tools/build.sh"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
exe="$build/bin/TarnConfig.exe"
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec wine "$exe"
fi
shot="$build/screenshot.png"
echo "run: no display, running headless under Xvfb"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wine "$1" &
  sleep "${TARN_RUN_SECONDS:-6}"
  import -window root "$2"
  wineserver -k 2>/dev/null || true' run-headless "$exe" "$shot"
echo "run: screenshot in $shot"
