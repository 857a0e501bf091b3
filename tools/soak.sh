#!/usr/bin/env bash
# Soak of the main window, under Wine and Xvfb in the build's prefix, over the
# emulated mouse with a state file of its own: 10,000 page switches, 1,000
# popups and 500 Apply cycles (times SCALE, default 1) with the mouse failing
# one call in 50 at random (TARN_SOAK_FAULT overrides `*~50`, in
# TARN_DEVICE_FAULT's syntax; empty for no faults).
# Prints GDI objects, user objects and memory at the start and after each
# phase, the writes that went and failed, and a last line PASS or FAIL.
# TARN_SOAK_KEEP=DIR keeps the state file there, and both sides of the first
# difference found between a write and the mouse. Then the shared-mouse
# model (the window beside tarnctl under faults) runs 3,000 steps times
# SCALE from a random seed it prints (TARN_MODEL_SEED repeats one).
# Not part of tools/test.sh.
# Usage: tools/soak.sh [SCALE]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
scale="${1:-1}"
fault="${TARN_SOAK_FAULT-*~50}"
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
state="${TARN_SOAK_KEEP:-$(mktemp -d)}"
[ -n "${TARN_SOAK_KEEP:-}" ] || trap 'rm -rf "$state"' EXIT
# Every Wine command runs under the X server: one started without it would
# leave the session with a desktop that has no display.
set +e
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  wineserver -p 30
  wine "$1/tests/probe.exe" hold 0 </dev/null >/dev/null 2>&1
  export TARN_DEVICE_STATE="$(winepath -w "$3/state.txt")"
  unset TARN_DEVICE_FAULT TARN_DEVICE_SCENARIO
  module="$(winepath -w "$1/bin/")"
  wine "$1/tests/bench_soak.exe" "$2" --fault "$4" --module-dir "$module" ${TARN_SOAK_ARGS:-} </dev/null | tr -d "\r"
  status=${PIPESTATUS[0]}
  if [ "$status" -eq 0 ]; then
    TARN_MODEL_STEPS=$((3000 * $2)) wine "$1/tests/app_tests.exe" --gtest_filter="SharedModel.*" --gtest_brief=1 \
      </dev/null | tr -d "\r" | grep -v "^wine:"
    status=${PIPESTATUS[0]}
  fi
  wineserver -k 2>/dev/null || true
  exit $status' soak "$build" "$scale" "$state" "$fault"
status=$?
set -e
if [ "$status" -ne 0 ]; then
  echo "soak: bench_soak.exe ended with status $status"
fi
exit "$status"
