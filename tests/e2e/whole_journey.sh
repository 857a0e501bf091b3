#!/usr/bin/env bash
# Everything a user sets, in one sitting, through real clicks and keys on the
# running program: a new profile "Team"; on the assign pages a button and a
# thumb key; a recorded macro given to another thumb key; three sensitivity
# stages with the second active; acceleration; the 1 ms polling interval;
# the under-glow light off; Apply. `tarnctl dump` holds exactly that, and the
# program started again shows every page as it was (pixel for pixel).
#
# Usage: whole_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"
tabs="BUTTON_ASSIGNBUTTONS:assign BUTTON_ADJUSTPERFORMANCE:performance BUTTON_MANAGEPROFILES:profiles
      BUTTON_MANAGEMACROS:macros BUTTON_LIGHTINGMAINTENANCE:lighting"
every_page() {  # every_page SUFFIX: a screenshot of each page
  local tab
  for tab in $tabs; do
    click_control MainPage.xml "${tab%%:*}"
    sleep 0.8
    shot "${tab##*:}-$1"
  done
  click_control AssignButtons.xml TEXT_THUMBGRIDVIEW_BUTTON
  sleep 0.8
  shot "thumbs-$1"
}

fresh_mouse

start_program "the program shows its window"

# A new profile, which becomes the one shown.
click_control MainPage.xml BUTTON_MANAGEPROFILES
sleep 0.8
click_control ManageProfiles.xml BUTTON_NEWPROFILE
check "the profile name popup opens" popup_open
p type Team
p key 13
check "the profile name popup closed" main_front

# A macro: one key recorded.
click_control MainPage.xml BUTTON_MANAGEMACROS
sleep 0.8
click_control ManageMacros.xml BUTTON_MACRO_CREATE
check "the macro name popup opens" popup_open
p type Quick
p key 13
check "the macro name popup closed" main_front
click_control ManageMacros.xml BUTTON_MACRO_RECORD
sleep 0.6
p key 66
sleep 0.3
click_control ManageMacros.xml BUTTON_MACRO_RECORD
sleep 0.6

# The front button beside the left button double-clicks; thumb key 5 sends
# F5; thumb key 3 runs the macro.
click_control MainPage.xml BUTTON_ASSIGNBUTTONS
sleep 0.8
choose AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT 3
click_control AssignButtons.xml TEXT_THUMBGRIDVIEW_BUTTON
sleep 0.8
choose AssignKeys.xml BUTTON_ASSNTHUMBGRID05 10
check "the key popup is open" popup_open
p key 116
sleep 0.4
popup_click SingleKeyPopup.xml BUTTON_POPUP_OK
check "the key popup closed" main_front
choose AssignKeys.xml BUTTON_ASSNTHUMBGRID03 4
check "the list of macros opens" popup_open
p click $((fgl + 20)) $((fgt + 1 + 9))
check "the list of macros closed" main_front

# Three stages, the second active; acceleration on; 1 ms.
click_control MainPage.xml BUTTON_ADJUSTPERFORMANCE
sleep 0.8
click_control AdjustPerformance.xml BUTTON_SENSITIVITY_STAGES
check "the stages popup opens" popup_open
for i in 1 2 3 4 5; do popup_click DPIStagesPopup.xml BUTTON_DPISTAGES_DEC; done
popup_click DPIStagesPopup.xml BUTTON_DPISTAGES_INC
popup_click DPIStagesPopup.xml BUTTON_DPISTAGES_INC
popup_click DPIStagesPopup.xml DPISTAGEWINDOW_02
popup_click DPIStagesPopup.xml BUTTON_DPISTAGES_OK
check "the stages popup closed" main_front
click_control AdjustPerformance.xml BUTTON_ENABLEACCELERATION
sleep 0.3
click_control AdjustPerformance.xml BUTTON_RATE3
sleep 0.3
# The under-glow light off.
click_control MainPage.xml BUTTON_LIGHTINGMAINTENANCE
sleep 0.8
click_control LightingMaintenance.xml GLOW_LEDOFF
sleep 0.3
click_control MainPage.xml BUTTON_APPLY
sleep 3
every_page before
check "the program closes" p close "$cls" 10000
wait_program

dump="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d '\r\n ')"
echo "$dump" > "$shots/whole-dump.json"
team="${dump#*\"name\":\"Team\"}"
team="${team%%\"name\":\"Profile*}"
check "the new profile is on the mouse" grep -q '"name":"Team"' <<<"$dump"
check "its front button double-clicks" grep -q '{"button":25,"code":3,' <<<"$team"
check "its thumb key 5 sends F5" grep -q '{"key":6,"code":4,"function":"$SingleKey","scanCode":63,' <<<"$team"
check "its thumb key 3 runs the macro" grep -q '{"key":4,"code":5,"function":"$macro","macroId":"[^"]*","macro":"Quick"}' <<<"$team"
check "the macro holds the key B" grep -q '"name":"Quick".*"scanCode":48,"virtualKey":0,"action":"press"' <<<"$dump"
check "three stages, the second active" grep -q '"stages":{"count":5,"inUse":3,"active":2,' <<<"$team"
check "the under-glow light off" grep -q '"underGlow":false' <<<"$team"
check "acceleration on" grep -q '"acceleration":{"enabled":true,' <<<"$dump"
check "the 1 ms polling interval" grep -q '"pollingIntervalMs":1,' <<<"$dump"

# Started again, every page shows what was set.
start_program "the program starts again"
every_page after
check "the program closes again without asking" p close "$cls" 10000
wait_program
same() {  # the page area (below the tabs, above the bottom row) of two screenshots
  compare -metric AE -crop 880x330+$((ox + 40))+$((oy + 232)) "$shots/$1-before.png" "$shots/$1-after.png" null: 2>/dev/null
}
for page in assign thumbs performance profiles macros lighting; do
  check "the $page page shows the same after a restart" same "$page"
done
rm -rf "$state_dir"
summary
