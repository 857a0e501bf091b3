#!/usr/bin/env bash
# tarnctl backup and restore end to end: a mouse with several profiles,
# macros and assignments that point at them is backed up, changed beyond
# recognition and restored; `tarnctl dump` must then read as before (the
# identities the mouse hands out aside, renamed consistently). A damaged,
# missing or foreign file in a backup is refused by name and changes
# nothing, on the mouse or in the folder; a mouse that refuses part way is
# put back as it was.
set -u
ctl="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
state="$work/state.txt"
export TARN_DEVICE_STATE="$(winepath -w "$state" 2>/dev/null)"
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
run() {  # run NAME ARGS...: output to $work/NAME.out/.err, exit code to $work/NAME.rc
  local name="$1"; shift
  wine "$ctl" "$@" >"$work/$name.out" 2>"$work/$name.err" </dev/null
  echo $? >"$work/$name.rc"
}
rc() { tr -d '\r\n' <"$work/$1.rc"; }
win() { winepath -w "$1" 2>/dev/null; }
# Every identity renamed by its first appearance: two dumps that differ only
# in the identities the mouse gave out read the same, and an assignment
# that points at the wrong profile or macro still differs.
# The revision counts the mouse's changes, so it never reads "as before".
normalise() {
  awk '/"revision":/ { next }
  {
    line = $0
    out = ""
    while (match(line, /\{[0-9A-Fa-f-]+\}/)) {
      id = substr(line, RSTART, RLENGTH)
      if (!(id in seen)) seen[id] = "{ID" (++n) "}"
      out = out substr(line, 1, RSTART - 1) seen[id]
      line = substr(line, RSTART + RLENGTH)
    }
    print out line
  }' "$1"
}
same_dump() { cmp -s <(normalise "$1") <(normalise "$2"); }
tree_sum() { (cd "$1" && find . -type f | sort | xargs -r md5sum); }

# A mouse as a user builds it over months: three profiles in a chosen order,
# the second running; a button that plays a macro, one that switches to the
# third profile, a thumb key that plays the other macro; the third profile
# switches back to the first. Identities are byte-symmetric, so the action
# records' bytes are the same in either byte order.
P1='{A0A0A0A0-A0A0-A0A0-A0A0-A0A0A0A0A0A0}'
P2='{B2B2B2B2-B2B2-B2B2-B2B2-B2B2B2B2B2B2}'
P3='{C3C3C3C3-C3C3-C3C3-C3C3-C3C3C3C3C3C3}'
M1='{D1D1D1D1-D1D1-D1D1-D1D1-D1D1D1D1D1D1}'
M2='{E2E2E2E2-E2E2-E2E2-E2E2-E2E2E2E2E2E2}'
hex() { printf '%s' "$1" | tr -d '{}-'; }
cat >"$state" <<EOF
TarnMouseState 1
product=21
polling=1
acceleration=7
accelerationEnabled=1
activeProfile=$P2
[profile]
id=$P1
name=Everyday
button=4 2 $(hex "$M1")
button=5 3 03000000$(hex "$P3")
[profile]
id=$P2
name=Ärger Spiel
programPath=C:\\\\Games\\\\arena.exe
flags=5
stages=400x400 1600x800 3200x3200
activeStage=2
current=1600x800
light.4=0
key=3 2 $(hex "$M2")
[profile]
id=$P3
name=Third
stages=5600x5600
activeStage=1
current=5600x5600
light.1=0
button=5 3 03000000$(hex "$P1")
[macro]
id=$M1
name=Combo
event=2 29 0
event=3 100
event=2 30 0
event=2 30 1
event=2 29 1
event=1 1 0
[macro]
id=$M2
name=Burst
event=1 1 0
event=3 250
event=1 2 0
end
EOF

run before dump
check "the prepared mouse reads" test "$(rc before)" = 0
check "it holds the three profiles, the second running" \
  grep -q '"name": "Ärger Spiel",' "$work/before.out"
check "it holds both macros" test "$(grep -c '"events"' "$work/before.out")" = 2
check "a button plays Combo by identity" grep -q '"macro": "Combo"' "$work/before.out"
check "a thumb key plays Burst by identity" grep -q '"macro": "Burst"' "$work/before.out"
check "a button switches to Third by identity" grep -q '"profile": "Third"' "$work/before.out"
check "Third switches back to Everyday" grep -q '"profile": "Everyday"' "$work/before.out"
check "polling 1 ms, acceleration 7 on" grep -q '"pollingIntervalMs": 1' "$work/before.out"

dir="$work/backups/first"
run backup backup "$(win "$dir")"
check "backup succeeds" test "$(rc backup)" = 0
check "backup keeps an index, three profiles and two macros" \
  test "$(ls "$dir" | tr '\n' ' ')" = "backup.txt macro-001.vxm macro-002.vxm profile-1.vxp profile-2.vxp profile-3.vxp "
check "no scratch folder is left beside it" test "$(ls "$work/backups")" = first
run again backup "$(win "$dir")"
check "a backup never writes over another" test "$(rc again)" = 4
check "and says why" grep -q "already exists" "$work/again.err"
sum_backup="$(tree_sum "$dir")"

# Change everything: a factory mouse, then a profile and a macro more.
TARN_DEVICE_SCENARIO=fresh run fresh info
run add_profile import-profile "$(win "$dir/profile-3.vxp")"
run add_macro import-macro "$(win "$dir/macro-002.vxm")"
run changed dump
check "the changes reached the mouse" test "$(rc add_profile)$(rc add_macro)" = 00
check "the mouse is now different" test "$(grep -c '"autoSwitch"' "$work/changed.out")" = 2
check "...and nothing points at Combo" bash -c "! grep -q '\"macro\": \"Combo\"' '$work/changed.out'"

run restore restore "$(win "$dir")"
check "restore succeeds" test "$(rc restore)" = 0
run after dump
check "the restored mouse reads exactly as before (identities renamed alike)" \
  same_dump "$work/before.out" "$work/after.out"
if ! same_dump "$work/before.out" "$work/after.out"; then
  diff <(normalise "$work/before.out") <(normalise "$work/after.out") | head -20
fi
check "the identities are the mouse's new ones" bash -c "! grep -q 'A0A0A0A0' '$work/after.out'"
check "restore leaves the backup as it was" test "$(tree_sum "$dir")" = "$sum_backup"

# Bad backups: each refused by name, the mouse and the folder unchanged.
bad() {  # bad NAME WHAT FILE-NAMED: NAME's folder is prepared by the caller
  local name="$1" what="$2" named="$3"
  local sum
  sum="$(tree_sum "$work/$name")"
  run "$name" restore "$(win "$work/$name")"
  check "$what: refused" test "$(rc "$name")" = 4
  check "$what: the message names $named" grep -q "$named" "$work/$name.err"
  check "$what: the message says nothing changed" grep -q "nothing was changed" "$work/$name.err"
  run "$name.dump" dump
  check "$what: the mouse is unchanged" cmp -s "$work/after.out" "$work/$name.dump.out"
  check "$what: the backup folder is unchanged" test "$(tree_sum "$work/$name")" = "$sum"
}
cp -r "$dir" "$work/flipped"
sed -i 's/^flags=5/flags=4/' "$work/flipped/profile-2.vxp"
bad flipped "a profile file with a changed byte" "profile-2.vxp"
cp -r "$dir" "$work/cut"
head -c 30 "$dir/macro-001.vxm" >"$work/cut/macro-001.vxm"
bad cut "a macro file cut short" "macro-001.vxm"
cp -r "$dir" "$work/missing"
rm "$work/missing/profile-3.vxp"
bad missing "a missing profile file" "profile-3.vxp"
cp -r "$dir" "$work/index"
sed -i 's/^activeProfile=2/activeProfile=3/' "$work/index/backup.txt"
bad index "an edited index" "backup.txt"
mkdir "$work/empty"
bad empty "a folder that holds no backup" "backup.txt"

run nowhere restore "$(win "$work/no-such-folder")"
check "a folder that is not there: exit 3" test "$(rc nowhere)" = 3

# The mouse refuses the second profile part way: what it held is put back.
TARN_DEVICE_FAULT=Profiles.Import:2 run refused restore "$(win "$dir")"
check "a restore the mouse refuses part way fails" test "$(rc refused)" = 4
check "it says the mouse was put back" grep -q "put back as it was" "$work/refused.err"
run putback dump
check "the mouse holds what it held before that restore" same_dump "$work/after.out" "$work/putback.out"

TARN_DEVICE_SCENARIO=none run nomouse backup "$(win "$work/backups/second")"
check "no mouse: exit 2" test "$(rc nomouse)" = 2
check "no mouse: no backup folder" test ! -e "$work/backups/second"

summary
