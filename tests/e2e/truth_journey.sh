#!/usr/bin/env bash
# What the window says and keeps, through real clicks and keys on the running
# program. A write that fails (the program's first save on the mouse fails)
# says so, and the window stays with the edit; Escape then Enter on "Unsaved
# changes" keeps the edits and stays; the next Apply writes them. A check
# box's label clicks its box and does not drag the window; the delay boxes'
# labels do nothing while a recording has the boxes off. An edit made while
# OK waits for its write reaches the mouse before the window closes.
#
# Usage: truth_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"
dump() { wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d '\r\n '; }
# The first profile's record of button 25 (the front button beside the left one).
front_code() { dump | grep -o '"button":25,"code":[0-9-]*' | head -1 | grep -o '[0-9-]*$'; }
alive() { kill -0 "$app" 2>/dev/null; }
# The middle of a control, in screen coordinates.
at() { local x y w h; read -r x y w h < <(rect_of "$1" "$2"); echo $((ox + x + w / 2)) $((oy + y + h / 2)); }
# A picture of a control as it is on screen.
crop_of() {  # crop_of SKIN CONTROL FILE
  local x y w h
  read -r x y w h < <(rect_of "$1" "$2")
  import -window root -crop "${w}x${h}+$((ox + x))+$((oy + y))" "$3" 2>/dev/null
}
same_picture() { test "$(compare -metric AE "$1" "$2" null: 2>&1)" = 0; }
other_picture() { ! same_picture "$1" "$2"; }

fresh_mouse
check "the factory front button goes forward" test "$(front_code)" = 32

# A write that fails: the popup says why, its OK leaves the window open.
TARN_DEVICE_FAULT=Save:1 start_program "the program shows its window"
choose AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT 3
click_control MainPage.xml BUTTON_APPLY
check "a failed write opens a popup" popup_open
shot truth-write-failed
p key 13
check "after its OK the window is back" main_front
sleep 1
check "and the program still runs" alive
check "nothing was written" test "$(front_code)" = 32

# Escape asks about the unsaved edit; Enter there stays and keeps it.
p key 27
check "Escape asks about unsaved changes" popup_open
shot truth-unsaved
p key 13
check "Enter closes the question" main_front
sleep 1
check "the window stays" alive
check "Enter discarded nothing and wrote nothing" test "$(front_code)" = 32
click_control MainPage.xml BUTTON_APPLY
sleep 2
fg
check "the next Apply asks nothing" test "$fgcls" = "$cls"
check "and writes the kept edit" test "$(front_code)" = 3

# A check box's label clicks its box; dragging on one leaves the window where it is.
click_control MainPage.xml BUTTON_ADJUSTPERFORMANCE
sleep 0.8
click_control AdjustPerformance.xml TEXT_ENABLEACCELERATION
sleep 0.5
shot truth-label-clicked
click_control MainPage.xml BUTTON_APPLY
sleep 2
accelerated="$(dump | grep -o '"acceleration":{"enabled":[a-z]*' | head -1)"
check "its label's click switched acceleration on" test "$accelerated" = '"acceleration":{"enabled":true'
read -r lx ly < <(at AdjustPerformance.xml TEXT_ENABLEXY)
read -r wx wy < <(p rect "$cls")
p drag "$lx" "$ly" $((lx + 60)) $((ly + 40))
sleep 0.5
read -r wx2 wy2 < <(p rect "$cls")
check "a drag on a label leaves the window where it is" test "$wx $wy" = "$wx2 $wy2"

# The delay boxes' labels: ignored while a recording has the boxes off.
click_control MainPage.xml BUTTON_MANAGEMACROS
sleep 0.8
click_control ManageMacros.xml BUTTON_MACRO_CREATE
check "the name popup opens" popup_open
p type "Labels"
p key 13
check "the name popup closed" main_front
crop_of ManageMacros.xml BUTTON_IGNORE_DELAY "$state_dir/box-before.png"
click_control ManageMacros.xml BUTTON_MACRO_RECORD
sleep 0.5
click_control ManageMacros.xml TEXT_IGNORE_DELAY
sleep 0.4
click_control ManageMacros.xml BUTTON_MACRO_RECORD
sleep 0.5
crop_of ManageMacros.xml BUTTON_IGNORE_DELAY "$state_dir/box-recorded.png"
check "a label of a box switched off by the recording does nothing" \
  same_picture "$state_dir/box-before.png" "$state_dir/box-recorded.png"
click_control ManageMacros.xml TEXT_IGNORE_DELAY
sleep 0.4
crop_of ManageMacros.xml BUTTON_IGNORE_DELAY "$state_dir/box-after.png"
check "after the recording the same label clicks its box" \
  other_picture "$state_dir/box-before.png" "$state_dir/box-after.png"

# OK, and an edit right behind it while the write runs: both reach the mouse.
click_control MainPage.xml BUTTON_LIGHTINGMAINTENANCE
sleep 0.8
click_control LightingMaintenance.xml GLOW_LEDOFF
sleep 0.4
p clicks $(at MainPage.xml BUTTON_OK) $(at LightingMaintenance.xml SCROLL_LEDOFF)
check "OK closes the window" wait_program
lights="$(dump | grep -o '"scrollWheel":[a-z]*,"underGlow":[a-z]*' | head -1)"
check "the edit made while OK waited is on the mouse too" \
  test "$lights" = '"scrollWheel":false,"underGlow":false'

rm -rf "$state_dir"
summary
