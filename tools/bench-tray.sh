#!/usr/bin/env bash
# The tray companion's figures, under Wine and Xvfb, on a mouse of its own
# with a profile "Team" tied to Wine's notepad:
#   - foreground change -> profile active on the mouse, and back (median and
#     maximum of N, default 50);
#   - idle CPU and wake-ups over 60 s without a foreground change (the
#     companion's process as Linux sees it: CPU ticks, context switches of
#     all its threads);
#   - memory after start and after the switches plus 1,000 profile changes
#     made through the service (each read by the companion and shown on its
#     display): RssAnon of the process, what stays private to it;
#   - start to icon shown, against the platform's floor (a program with a
#     hidden window and an icon, nothing else) measured the same way.
# Usage: tools/bench-tray.sh [N] [IDLE_SECONDS]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
. "$root/tools/locale.sh"
build="${TARN_BUILD_DIR:-$root/build}"
runs="${1:-50}"
idle="${2:-60}"
"$root/tools/build.sh" >/dev/null
export WINEPREFIX="$build/wineprefix" WINEDEBUG=-all
unset TARN_COMPANION
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  set -u
  build=$1 runs=$2 idle=$3
  bin=$build/bin bench=$build/tests/bench_tray.exe probe=$build/tests/probe.exe
  wineserver -p 30
  wine "$probe" hold 0 </dev/null >/dev/null 2>&1
  state="$(mktemp -d)"
  export TARN_DEVICE_STATE="$(winepath -w "$state/state.txt")"
  ctl() { wine "$bin/tarnctl.exe" "$@" </dev/null >/dev/null 2>&1; }
  TARN_DEVICE_SCENARIO=fresh ctl info
  dir="$(winepath -w "$state")"
  ctl export-profile "Profile 1" "$dir\\one.vxp"
  ctl import-profile "$dir\\one.vxp"
  NOTEPAD="C:\\\\windows\\\\system32\\\\notepad.exe" awk '"'"'
    /^\[profile\]/ { n++ }
    { cr = /\r$/ ? "\r" : "" }
    n == 1 && /^flags=/ { $0 = "flags=2" cr }
    n == 2 && /^name=/ { $0 = "name=Team" cr }
    n == 2 && /^programPath=/ { $0 = "programPath=" ENVIRON["NOTEPAD"] cr }
    n == 2 && /^flags=/ { $0 = "flags=7" cr }
    { print }'"'"' "$state/state.txt" >"$state/edit.txt" && mv "$state/edit.txt" "$state/state.txt"
  wine "$probe" hold 3600 </dev/null >/dev/null 2>&1 &
  wine notepad </dev/null >/dev/null 2>&1 &
  wine "$probe" wait Notepad 15000 </dev/null >/dev/null 2>&1
  wine "$probe" activate TarnProbeHold </dev/null >/dev/null 2>&1
  wine "$bin/TarnTray.exe" </dev/null >/dev/null 2>&1 &
  wine "$probe" exists TarnTrayCompanion 10000 </dev/null >/dev/null 2>&1
  sleep 3
  pid=$(pgrep -x TarnTray.exe | head -1)  # the process itself, by its name
  rss() { awk "/^RssAnon/ { print \$2 }" /proc/$pid/status; }
  ticks() { awk "{ print \$14 + \$15 }" /proc/$pid/stat; }
  switches() { cat /proc/$pid/task/*/status | awk "/ctxt_switches/ { n += \$2 } END { print n }"; }
  echo "memory after start: $(rss) KiB anonymous resident (private)"
  t0=$(ticks) s0=$(switches)
  sleep "$idle"
  t1=$(ticks) s1=$(switches)
  hz=$(getconf CLK_TCK)
  echo "idle over $idle s: CPU $(( (t1 - t0) * 1000 / hz )) ms, $(( (s1 - s0) * 60 / idle )) wake-ups (context switches of all threads) per minute"
  wine "$bench" latency "$runs" Team Notepad TarnProbeHold </dev/null 2>&1 | tr -d "\r"
  sleep 2
  echo "memory after $runs foreground switches each way (the display made): $(rss) KiB anonymous resident (private)"
  wine "$bench" changes 1000 "Profile 1" Team </dev/null 2>&1 | tr -d "\r"
  sleep 3
  echo "memory after 1000 profile changes more: $(rss) KiB anonymous resident (private)"
  wine "$probe" post TarnTrayCompanion 273 103 </dev/null >/dev/null 2>&1
  sleep 2
  # The floor of an idle Wine program: a hidden window, an icon and a
  # message loop, nothing else.
  wine "$bench" floor-child </dev/null >/dev/null 2>&1 &
  sleep 3
  pid=$(pgrep -x bench_tray.exe | head -1)
  t0=$(ticks) s0=$(switches)
  sleep "$idle"
  t1=$(ticks) s1=$(switches)
  echo "idle floor over $idle s: CPU $(( (t1 - t0) * 1000 / hz )) ms, $(( (s1 - s0) * 60 / idle )) wake-ups per minute; memory $(rss) KiB"
  wine "$probe" post TarnTrayBenchFloor 16 0 </dev/null >/dev/null 2>&1
  sleep 1
  wine "$bench" start "$(winepath -w "$bin/TarnTray.exe")" 10 </dev/null 2>&1 | tr -d "\r"
  wine "$bench" start floor 10 </dev/null 2>&1 | tr -d "\r"
  rm -rf "$state"
  wineserver -k 2>/dev/null || true
' bench-tray "$build" "$runs" "$idle"
