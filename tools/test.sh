#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine, with an X server of its own
# (Xvfb) so that windowed tests run on any machine. Ends with ctest's summary.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
"$root/tools/build.sh"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
cd "$build"
status=0
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p 30
  # Start the session (desktop, services) outside ctest: processes that Wine
  # starts on the first run would otherwise inherit ctest'"'"'s output pipe and
  # keep it open, and ctest would wait for them.
  wine tests/probe.exe hold 0 </dev/null >/dev/null 2>&1
  ctest --output-on-failure -j 1 "$@"
  rc=$?
  wineserver -k 2>/dev/null || true
  exit $rc' ctest-under-xvfb "$@" || status=$?
exit $status
