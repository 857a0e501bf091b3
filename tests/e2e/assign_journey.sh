#!/usr/bin/env bash
# A user's first job, through real clicks and keys on the running program:
# on the top view give the front button beside the left button the double
# click; try to take the click away from the left button (the only one that
# has it: the warning comes and the click stays); on the thumb-grid view give
# thumb key 5 the single key F5; press Apply. The mouse then holds exactly
# that (tarnctl dump). Screenshots of every page are kept.
#
# Usage: assign_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"

# A mouse in its factory state, kept in a state file of this test.
fresh_mouse

start_program "the program shows its window"
shot page-top-view

# Top view: the front button beside the left button takes the double click.
choose AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT 3
# Taking the click from the left button, the only one that has it.
choose AssignButtons.xml BUTTON_ASSNLEFTCLICK 14
read -r fgcls _ < <(p fgrect)
check "taking the last click away brings up a warning" test "$fgcls" != "$cls"
shot warning-no-click
# Closing the window (as the task bar does) while the warning is open: the
# warning answers first and the window stays.
check "a close request waits for the open warning" bash -c "! wine '$probe' close $cls 1500 >/dev/null"
check "the warning keeps the focus" test "$(p foreground)" != "$cls"
p key 13  # Enter closes the warning
sleep 0.8
check "the warning closed" test "$(p foreground)" = "$cls"

# Thumb-grid view: thumb key 5 takes F5 through the key popup.
click_control AssignButtons.xml TEXT_THUMBGRIDVIEW_BUTTON
sleep 0.8
shot page-thumb-grid
choose AssignKeys.xml BUTTON_ASSNTHUMBGRID05 10
read -r fgcls px py _ _ < <(p fgrect)
check "the key popup is open" test "$fgcls" != "$cls"
p key 116  # F5
sleep 0.5
shot key-popup
read -r kx ky kw kh < <(rect_of SingleKeyPopup.xml BUTTON_POPUP_OK)
p click $((px + kx + kw / 2)) $((py + ky + kh / 2))
sleep 0.8
check "the key popup closed" test "$(p foreground)" = "$cls"
shot page-thumb-grid-assigned

click_control MainPage.xml BUTTON_APPLY
sleep 2

# Every other page, for the record.
for tab in BUTTON_ADJUSTPERFORMANCE:page-performance BUTTON_MANAGEPROFILES:page-profiles \
           BUTTON_MANAGEMACROS:page-macros BUTTON_LIGHTINGMAINTENANCE:page-lighting; do
  click_control MainPage.xml "${tab%%:*}"
  sleep 0.6
  shot "${tab##*:}"
done

check "the program closes" p close "$cls" 10000
wait_program

dump="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d ' \r\n')"
check "the front button beside the left button double-clicks" \
  grep -q '{"button":25,"code":3,"function":"$Double-Click"}' <<<"$dump"
check "the left button still clicks" grep -q '{"button":1,"code":0,"function":"$click"}' <<<"$dump"
check "thumb key 5 sends F5" grep -q '{"key":6,"code":4,"function":"$SingleKey","scanCode":63,' <<<"$dump"
check "the other buttons kept their functions" \
  grep -q '{"button":26,"code":31,"function":"$Backward"}' <<<"$dump"
check "thumb key 4 kept its key" grep -q '{"key":5,"code":4,"function":"$SingleKey","scanCode":5,' <<<"$dump"

rm -rf "$state_dir"
summary
