#!/usr/bin/env bash
# Recording a macro through real keys and clicks on the running program: on
# the macros page create "Combo", record Ctrl+Shift+A and a left click with
# a fixed delay of 100 ms, stop, insert a predefined command after the first
# row, edit the second delay to 250 ms, give the macro to thumb key 3 on the
# assign page and Apply; the mouse then holds the events in order and the
# key runs the macro (tarnctl dump). Deleting the macro and Apply gives the
# key its default back.
#
# Usage: macros_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"
skin=ManageMacros.xml
read -r dx dy dw dh < <(rect_of "$skin" MACRO_DISPLAY)
row=18
display_row() { echo $((dy + $1 * row + row / 2)); }  # display_row INDEX (from the top of the view)
fg() { read -r fgcls fgl fgt _ _ < <(p fgrect); }
popup_open() { local i; for i in $(seq 1 30); do fg; [ "$fgcls" != "$cls" ] && return 0; sleep 0.2; done; return 1; }
main_front() { local i; for i in $(seq 1 30); do fg; [ "$fgcls" = "$cls" ] && return 0; sleep 0.2; done; return 1; }

state_dir="$(mktemp -d)"
export TARN_DEVICE_STATE="$(winepath -w "$state_dir/state.txt" 2>/dev/null)"
TARN_DEVICE_SCENARIO=fresh wine "$bin/tarnctl.exe" info >/dev/null 2>&1

wine "$bin/TarnConfig.exe" >/dev/null 2>&1 &
app=$!
check "the program shows its window" p wait "$cls" 20000
sleep 1.5
check "the window takes the focus" p activate "$cls"
origin
click_control MainPage.xml BUTTON_MANAGEMACROS
sleep 0.8

# New macro "Combo".
click_control "$skin" BUTTON_MACRO_CREATE
check "the name popup opens" popup_open
p type Combo
p key 13
check "the name popup closed" main_front
# A fixed delay of 100 ms between the recorded events.
click_control "$skin" BUTTON_INSERTDEFAULT_DELAY
sleep 0.3
click_control "$skin" EDITCTRL_DEFAULT_DELAY
p type 100
# Record Ctrl+Shift+A, then a left click on the display; stop.
click_control "$skin" BUTTON_MACRO_RECORD
sleep 0.6
p down 17; p down 16; p key 65; p up 16; p up 17
sleep 0.3
p click $((ox + dx + dw / 2)) $((oy + dy + dh - 20))
sleep 0.3
shot macros-recording
click_control "$skin" BUTTON_MACRO_RECORD
sleep 0.8
shot macros-recorded

# To be continued: select the first row, insert a predefined command after
# it, edit the second delay to 250, assign the macro to thumb key 3, Apply,
# check tarnctl dump, delete the macro, Apply, check the key's default.
check "the program closes" p close "$cls" 10000
wait "$app" 2>/dev/null
rm -rf "$state_dir"
summary
