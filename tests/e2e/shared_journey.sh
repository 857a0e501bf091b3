#!/usr/bin/env bash
# The program beside tarnctl on one mouse, through real clicks: while the
# window is open, tarnctl restores a backup (every profile gets a new
# identity) and later imports a profile. Apply then asks what to do; "Apply
# over it" writes the window's edit into the restored profile, "Reload"
# drops the edit and shows the mouse. After either answer the mouse holds
# every profile the other program added, and the window writes as usual.
#
# Usage: shared_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"
popup=MouseChangedPopup.xml
ctl() { wine "$bin/tarnctl.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
ctl_ok() { wine "$bin/tarnctl.exe" "$@" </dev/null >/dev/null 2>&1; }
dump() { ctl dump | tr -d '\n' | tr -s ' '; }
names() { local d="$(dump)"; d="${d%%\"macros\"*}"; grep -o '"name": *"[^"]*"' <<<"$d" | sed 's/"name": *//' | tr '\n' ' '; }
# The first profile's record of button 25 (the front button beside the left one).
front_code() { dump | grep -o '"button": 25, "code": [0-9-]*' | head -1 | grep -o '[0-9-]*$'; }

fresh_mouse
dir="$(winepath -w "$state_dir")"
check "tarnctl backs up the factory mouse" ctl_ok backup "$dir\\backup"
check "the factory front button goes forward" test "$(front_code)" = 32

start_program "the program shows its window"
shot shared-start
# An edit in the window: the front button double-clicks.
choose AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT 3

# Case 1: a restore while the window is open, then Apply.
check "tarnctl restores while the window is open" ctl_ok restore "$dir\\backup"
click_control MainPage.xml BUTTON_APPLY
check "Apply asks what to do about the other program's change" popup_open
shot shared-changed-popup
popup_click "$popup" BUTTON_POPUP_APPLY
check "the popup closed" main_front
sleep 2
check "the mouse still holds its profile" test "$(names)" = '"Profile 1" '
check "the window's edit went over the restored profile" test "$(front_code)" = 3
shot shared-applied-over

# Case 2: an import while the window is open, another edit, then Apply and Reload.
ctl export-profile "Profile 1" "$dir\\one.vxp" >/dev/null
check "tarnctl imports a profile while the window is open" ctl_ok import-profile "$dir\\one.vxp"
check "the mouse holds both profiles" test "$(names)" = '"Profile 1" "Profile 100" '
choose AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT 0
click_control MainPage.xml BUTTON_APPLY
check "Apply asks again" popup_open
popup_click "$popup" BUTTON_POPUP_OK
check "the popup closed" main_front
sleep 1
check "the imported profile is still there" test "$(names)" = '"Profile 1" "Profile 100" '
check "Reload wrote nothing" test "$(front_code)" = 3
# The reloaded window writes without asking, and keeps the imported profile.
choose AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT 0
click_control MainPage.xml BUTTON_APPLY
sleep 2.5
fg
check "no question this time" test "$fgcls" = "$cls"
check "the edit reached the mouse" test "$(front_code)" = 0
check "and the imported profile stays" test "$(names)" = '"Profile 1" "Profile 100" '
shot shared-reloaded
check "the program closes" p close "$cls" 10000
wait_program

rm -rf "$state_dir"
summary
