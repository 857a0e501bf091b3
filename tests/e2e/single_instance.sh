#!/usr/bin/env bash
# A second copy of the configurator ends by itself within a second, leaves
# one window, and brings the first copy's window forward (restoring it when
# it was minimised).
set -u
exe="$1"
probe="$2"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"

# Time a second copy: it must end on its own, well within a second.
second_copy_ms() {
  local t0 t1
  t0=$(date +%s%N)
  timeout 10 wine "$exe" >/dev/null 2>&1
  t1=$(date +%s%N)
  echo $(((t1 - t0) / 1000000))
}

wine "$exe" >/dev/null 2>&1 &
first=$!
check "first copy shows its window" p wait "$cls" 20000

# Something else in front, then a second copy.
wine "$probe" hold 15 >/dev/null 2>&1 &
holder=$!
p wait TarnProbeHold 10000 >/dev/null
sleep 0.5
check "another window is in front before the second copy" test "$(p foreground)" = TarnProbeHold
ms=$(second_copy_ms)
echo "second copy ended after ${ms} ms"
check "second copy ends within a second" test "$ms" -lt 1000
check "one window of the main class" test "$(p count "$cls")" = 1
check "first copy's window brought forward" test "$(p foreground)" = "$cls"

# A minimised first copy is restored.
p minimize "$cls"
sleep 0.3
check "first copy minimised" test "$(p iconic "$cls")" = 1
ms=$(second_copy_ms)
check "second copy ends within a second (minimised case)" test "$ms" -lt 1000
sleep 0.3
check "minimised first copy restored" test "$(p iconic "$cls")" = 0
check "still one window" test "$(p count "$cls")" = 1

check "first copy closes" p close "$cls" 10000
wait "$first"
kill "$holder" 2>/dev/null
wait "$holder" 2>/dev/null
summary
