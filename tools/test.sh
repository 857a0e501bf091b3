#!/usr/bin/env bash
# Sets up, builds and runs every test under Wine, with an X server of its own
# (Xvfb) so that windowed tests run on any machine. Ends with ctest's summary.
#
# When the manual's pictures must be taken anew, they are taken beside the
# tests, in a copy of the build's prefix with an X server of its own; the
# manual's and the installer's tests run once they are there (the installer
# carries them).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
TARN_SHOTS_LATER=1 "$root/tools/build.sh"
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all

run_ctest() {
  xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    wineserver -p 30
    # Start the session (desktop, services) outside ctest: processes that Wine
    # starts on the first run would otherwise inherit ctest'"'"'s output pipe and
    # keep it open, and ctest would wait for them.
    wine tests/probe.exe hold 0 </dev/null >/dev/null 2>&1
    ctest --output-on-failure -j 1 "$@"
    rc=$?
    wineserver -k 2>/dev/null || true
    exit $rc' ctest-under-xvfb "$@"
}

cd "$build"
status=0
shots_prefix="$build/shots-prefix"
if [ $# -gt 0 ] && "$root/tools/manual-shots.sh" --stale "$build"; then
  # A chosen set of tests: the pictures first, as a build takes them.
  "$root/tools/manual-shots.sh" "$build" && cmake --build "$build" --target installer
  run_ctest "$@" || status=$?
elif "$root/tools/manual-shots.sh" --stale "$build"; then
  rm -rf "$shots_prefix"
  cp -a "$build/wineprefix" "$shots_prefix"
  TARN_SHOTS_PREFIX="$shots_prefix" "$root/tools/manual-shots.sh" "$build" >"$build/manual-shots.log" 2>&1 &
  shots=$!
  sleep 3  # its X server is up before the tests look for a free display
  after='^(e2e\.manual|e2e\.installer)$'
  run_ctest -E "$after" || status=$?
  echo "test: waiting for the manual's pictures"
  wait "$shots" || echo "test: the manual's pictures were not all taken" >&2
  cat "$build/manual-shots.log"
  rm -rf "$shots_prefix"
  cmake --build "$build" --target installer
  run_ctest -R "$after" || status=$?
else
  run_ctest "$@" || status=$?
fi
exit $status
