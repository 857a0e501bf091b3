#!/usr/bin/env bash
# Device-link benchmarks against the emulated mouse: a full write and a full
# read (median of N, default 10), then `tarnctl dump` as a whole process.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
runs="${1:-10}"
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
wineserver -p 30
wine "$build/tests/probe.exe" count none </dev/null >/dev/null 2>&1  # session up before timing
out="$(mktemp)"
wine "$build/tests/bench_sync.exe" "$runs" </dev/null >"$out" 2>&1 || { cat "$out"; exit 1; }
tr -d '\r' <"$out"
state="$(mktemp -d)"
export TARN_DEVICE_STATE="$(winepath -w "$state/state.txt")"
times=()
for i in $(seq "$runs"); do
  t0=$(date +%s%N)
  wine "$build/bin/tarnctl.exe" dump </dev/null >/dev/null 2>&1
  t1=$(date +%s%N)
  times+=($(((t1 - t0) / 1000000)))
done
sorted=($(printf '%s\n' "${times[@]}" | sort -n))
n=${#sorted[@]}
if ((n % 2)); then median=${sorted[n / 2]}; else median=$(((sorted[n / 2 - 1] + sorted[n / 2]) / 2)); fi
echo "tarnctl dump as a process: median of $n ${median} ms (min ${sorted[0]}, max ${sorted[n - 1]})"
rm -rf "$state" "$out"
wineserver -k 2>/dev/null || true
