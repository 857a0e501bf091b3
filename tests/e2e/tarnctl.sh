#!/usr/bin/env bash
# tarnctl end to end against the emulated mouse: info, dump, export and
# import of a profile, refusals with their exit codes.
set -u
ctl="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
export TARN_DEVICE_STATE="$(winepath -w "$work/state.txt" 2>/dev/null)"
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
run() {  # run NAME ARGS...: output to $work/NAME.out/.err, exit code to $work/NAME.rc
  local name="$1"; shift
  wine "$ctl" "$@" >"$work/$name.out" 2>"$work/$name.err" </dev/null
  echo $? >"$work/$name.rc"
}
rc() { tr -d '\r\n' <"$work/$1.rc"; }
profiles() { grep -c '"autoSwitch"' "$work/$1.out"; }

TARN_DEVICE_SCENARIO=fresh run info info
check "info succeeds" test "$(rc info)" = 0
check "info lists one device" grep -q "devices found: 1" "$work/info.out"
check "info names the product and firmware" grep -q "product: 21" "$work/info.out"
check "info lists the polling rates" grep -q "polling rates: " "$work/info.out"

run dump1 dump
check "dump succeeds" test "$(rc dump1)" = 0
check "a fresh mouse holds one profile" test "$(profiles dump1)" = 1
check "dump shows the left button's click" grep -q '"function": "\$click"' "$work/dump1.out"
check "dump shows the stages" grep -q '"value": 5600' "$work/dump1.out"
name=$(grep -m1 '"name"' "$work/dump1.out" | sed 's/.*"name": "\(.*\)",*/\1/')

file="$(winepath -w "$work/exported.vxp" 2>/dev/null)"
run export export-profile "$name" "$file"
check "export-profile succeeds" test "$(rc export)" = 0
check "the export file exists" test -s "$work/exported.vxp"

run import import-profile "$file"
check "import-profile succeeds" test "$(rc import)" = 0
run dump2 dump
check "the imported profile shows in a second dump" test "$(profiles dump2)" = 2

head -c 20 "$work/exported.vxp" >"$work/damaged.vxp"
run damaged import-profile "$(winepath -w "$work/damaged.vxp" 2>/dev/null)"
check "a truncated profile file is refused" test "$(rc damaged)" = 4
check "the refusal is explained" grep -q "refused" "$work/damaged.err"
run dump3 dump
check "the refused import changed nothing" test "$(profiles dump3)" = 2

run unknown export-profile "No Such Profile" "$file"
check "an unknown profile is reported" test "$(rc unknown)" = 3
run usage frobnicate
check "an unknown command prints usage" test "$(rc usage)" = 1

TARN_DEVICE_SCENARIO=none run nomouse dump
check "no mouse: non-zero exit" test "$(rc nomouse)" = 2
check "no mouse: a clear message" grep -q "no mouse" "$work/nomouse.err"

summary
