#!/usr/bin/env bash
# Sensitivity, stages, acceleration, polling and lights through real clicks,
# drags and keys on the running program: in the stages popup three stages in
# use with stage 2 active at 1600; on the performance page X and Y apart with
# X dragged to 2400 and Y to 1200, acceleration on at level 7, the 1 ms
# polling interval; on the lighting page the under-glow light off; Apply.
# The mouse then holds exactly that (tarnctl dump), and the program started
# again shows it (the same pixels as before the restart).
#
# Usage: performance_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"
skin=AdjustPerformance.xml
# The centre of a slider's thumb at POSITION: the slider lies at (SX, SY)
# of its track item; its thumbs travel between 7 pixels from its left and
# 8 from its right, POSITIONS positions apart (the skins' geometry).
thumb_at() {  # thumb_at SKIN TRACK SLIDER POSITIONS POSITION -> "x y" in the skin's coordinates
  local tx ty sx sy sw sh
  read -r tx ty _ _ < <(rect_of "$1" "$2")
  read -r sx sy sw sh < <(rect_of "$1" "$3")
  echo $((tx + sx + 7 + ($5 - 1) * (sw - 15) / ($4 - 1))) $((ty + sy + sh / 2))
}
json_number() { grep -o "\"$1\": *-\?[0-9]*" | head -1 | grep -o '\-\?[0-9]*$'; }

fresh_mouse
before="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d '\r\n ')"
shared=$(json_number value <<<"${before#*\"sensitivity\":}")
stage2=$(json_number value <<<"${before#*\"list\":[*\},}")
level=$(json_number level <<<"${before#*\"acceleration\":}")
check "the factory state is readable" test -n "$shared" -a -n "$stage2" -a -n "$level"

start_program "the program shows its window"
click_control MainPage.xml BUTTON_ADJUSTPERFORMANCE
sleep 0.8
shot performance-page

# The stages popup: down to one stage and up to three, the second tile,
# its thumb dragged to 1600.
click_control "$skin" BUTTON_SENSITIVITY_STAGES
check "the stages popup opens" popup_open
pskin=DPIStagesPopup.xml
for i in 1 2 3 4 5; do popup_click "$pskin" BUTTON_DPISTAGES_DEC; done
popup_click "$pskin" BUTTON_DPISTAGES_INC
popup_click "$pskin" BUTTON_DPISTAGES_INC
popup_click "$pskin" DPISTAGEWINDOW_02
sleep 0.3
read -r ax ay < <(thumb_at "$pskin" BITMAP_SLSENSTRK_XY_POPUP SLIDER_DPI_MULTI_POPUP 56 $((stage2 / 100)))
read -r bx by < <(thumb_at "$pskin" BITMAP_SLSENSTRK_XY_POPUP SLIDER_DPI_MULTI_POPUP 56 16)
p drag $((fgl + ax)) $((fgt + ay)) $((fgl + bx)) $((fgt + by))
sleep 0.4
shot stages-popup
popup_click "$pskin" BUTTON_DPISTAGES_OK
check "the stages popup closed" main_front

# X and Y apart: both start at the shared value; X to 2400, Y to 1200.
click_control "$skin" BUTTON_ENABLEXY
sleep 0.5
read -r ax ay < <(thumb_at "$skin" BITMAP_SLSENSTRK_X SLIDER_DPI_MULTI_X 56 $((1600 / 100)))
read -r bx by < <(thumb_at "$skin" BITMAP_SLSENSTRK_X SLIDER_DPI_MULTI_X 56 24)
p drag $((ox + ax)) $((oy + ay)) $((ox + bx)) $((oy + by))
sleep 0.3
read -r ax ay < <(thumb_at "$skin" BITMAP_SLSENSTRK_Y SLIDER_DPI_MULTI_Y 56 $((1600 / 100)))
read -r bx by < <(thumb_at "$skin" BITMAP_SLSENSTRK_Y SLIDER_DPI_MULTI_Y 56 12)
p drag $((ox + ax)) $((oy + ay)) $((ox + bx)) $((oy + by))
sleep 0.3
# Acceleration on, then its thumb to level 7; the 1 ms interval.
click_control "$skin" BUTTON_ENABLEACCELERATION
sleep 0.5
read -r ax ay < <(thumb_at "$skin" BITMAP_SLACCLTRK SLIDER_ID_ACCEL 10 "$level")
read -r bx by < <(thumb_at "$skin" BITMAP_SLACCLTRK SLIDER_ID_ACCEL 10 7)
p drag $((ox + ax)) $((oy + ay)) $((ox + bx)) $((oy + by))
sleep 0.3
click_control "$skin" BUTTON_RATE3
sleep 0.5
shot performance-set
# The under-glow light off.
click_control MainPage.xml BUTTON_LIGHTINGMAINTENANCE
sleep 0.8
click_control LightingMaintenance.xml GLOW_LEDOFF
sleep 0.5
shot lighting-set
click_control MainPage.xml BUTTON_APPLY
sleep 2
click_control MainPage.xml BUTTON_ADJUSTPERFORMANCE
sleep 0.8
shot performance-before-restart
check "the program closes" p close "$cls" 10000
wait_program

dump="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d '\r\n ')"
echo "$dump" > "$shots/performance-dump.json"
profile="${dump#*\"profiles\":[}"
check "X and Y apart at 2400 and 1200" \
  grep -q '"sensitivity":{"value":[0-9]*,"x":2400,"y":1200,"separateXY":true' <<<"$profile"
check "three stages in use, the second active" grep -q '"stages":{"count":5,"inUse":3,"active":2,' <<<"$profile"
check "stage 2 at 1600" test "$(json_number value <<<"${profile#*\"list\":[*\},}")" = 1600
check "acceleration on at level 7" grep -q '"acceleration":{"enabled":true,"level":7}' <<<"$dump"
check "the 1 ms polling interval" grep -q '"pollingIntervalMs":1,' <<<"$dump"
check "the under-glow light off" grep -q '"underGlow":false}' <<<"$profile"

# Started again, the page shows the same.
start_program "the program starts again"
click_control MainPage.xml BUTTON_ADJUSTPERFORMANCE
sleep 0.8
shot performance-after-restart
check "the program closes again" p close "$cls" 10000
wait_program
same_page() {
  compare -metric AE -crop 880x300+$((ox + 40))+$((oy + 232)) \
    "$shots/performance-before-restart.png" "$shots/performance-after-restart.png" null: 2>/dev/null
}
check "the page shows the same after a restart" same_page
rm -rf "$state_dir"
summary
