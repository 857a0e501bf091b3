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

fresh_mouse

start_program "the program shows its window"
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
# The pointer leaves the Record button as a hand moves it (through the X
# server): Wine can otherwise put its cursor back over the button, where the
# press would stop the recording.
xdotool mousemove $((ox + dx + dw / 2)) $((oy + dy + dh - 20))
sleep 0.5
p buttonclick $((ox + dx + dw / 2)) $((oy + dy + dh - 20))
sleep 0.3
shot macros-recording
click_control "$skin" BUTTON_MACRO_RECORD
sleep 0.8
shot macros-recorded

# Back to the first row (Home selects it and scrolls the view to the top),
# then the first basic command ("Cut": four key events) after it.
p click $((ox + dx + 60)) $((oy + $(display_row 0)))
p key 36
sleep 0.3
shot macros-top
click_control "$skin" BUTTON_MACRO_ADVANCED
check "the command popup opens" popup_open
p click $((fgl + 96 + 110)) $((fgt + 90 + 13))
sleep 0.6
p click $((fgl + 96 + 20)) $((fgt + 90 + 26 + 1 + 9))
sleep 0.8
shot macros-command-chosen
p click $((fgl + 326 + 56)) $((fgt + 89 + 14))
check "the command popup closed" main_front
sleep 0.4
p click $((ox + dx + 60)) $((oy + $(display_row 0)))
p key 36
sleep 0.3
shot macros-inserted
# Rows now: Ctrl, the four of Cut, 100 ms, Shift, 100 ms (the second
# delay, row 7), ... Its menu's "Edit" opens it in place.
p rclick $((ox + dx + 60)) $((oy + $(display_row 7)))
check "the row menu opens" popup_open
p click $((fgl + 30)) $((fgt + 1 + 1 * 18 + 9))
sleep 0.5
check "the delay editor has the keyboard" main_front
p key 35
for i in 1 2 3 4 5 6 7; do p key 8; done
p type 250
p key 13
sleep 0.5
shot macros-edited

# Thumb key 3 runs it: the function list's "Macro" entry opens the list of
# macros beside it.
factory="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d ' \r\n' | grep -o '{"key":4,[^}]*}')"
click_control MainPage.xml BUTTON_ASSIGNBUTTONS
sleep 0.6
click_control AssignButtons.xml TEXT_THUMBGRIDVIEW_BUTTON
sleep 0.8
choose AssignKeys.xml BUTTON_ASSNTHUMBGRID03 4
read -r fgcls sl st _ _ < <(p fgrect)
check "the list of macros opens" test "$fgcls" != "$cls"
shot macros-submenu
p click $((sl + 20)) $((st + 1 + 9))
sleep 0.8
check "the list closed" main_front
shot macros-assigned
click_control MainPage.xml BUTTON_APPLY
sleep 2
check "the program closes" p close "$cls" 10000
wait_program

dump="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d '\r\n' | tr -s ' ')"
echo "$dump" > "$shots/macros-dump.json"
flat="$(tr -d ' ' <<<"$dump")"
macro="${flat#*\"macros\"}"
check "the mouse holds the macro Combo" grep -q '"name":"Combo"' <<<"$macro"
# The events in order: key presses and releases by scan code, delays in ms.
delays="$(grep -o '"milliseconds":[0-9]*' <<<"$macro" | grep -o '[0-9]*$' | tr '\n' ' ')"
check "the delays are 100, then 250, then 100" test "${delays:0:12}" = "100 250 100 "
keys="$(grep -o '"scanCode":[0-9]*' <<<"$macro" | grep -o '[0-9]*$' | tr '\n' ' ')"
check "the keys: Ctrl, then Cut (Ctrl X), then Shift A and the releases" \
  test "$keys" = "29 29 45 45 29 42 30 30 42 29 "
check "the click is recorded, pressed and released" \
  grep -q '"kind":"button","button":1,"action":"press"}.*"kind":"button","button":1,"action":"release"}' <<<"$macro"
check "thumb key 3 runs the macro Combo" \
  grep -q '{"key":4,"code":5,"function":"$macro","macroId":"[^"]*","macro":"Combo"}' <<<"$flat"

# Deleting the macro (confirmed) gives the key its default back.
start_program "the program starts again"
click_control MainPage.xml BUTTON_MANAGEMACROS
sleep 0.8
click_control "$skin" BUTTON_MACRO_DELETE
check "the confirmation opens" popup_open
p key 13
check "the confirmation closed" main_front
click_control MainPage.xml BUTTON_APPLY
sleep 2
check "the program closes again" p close "$cls" 10000
wait_program
flat="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d ' \r\n')"
check "the macro is gone from the mouse" bash -c "! grep -q '\"name\":\"Combo\"' <<<'$flat'"
check "thumb key 3 is back at its default" test "$(grep -o '{"key":4,[^}]*}' <<<"$flat")" = "$factory"
rm -rf "$state_dir"
summary
