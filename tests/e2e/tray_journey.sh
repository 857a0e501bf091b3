#!/usr/bin/env bash
# The tray companion through the real programs: automatic switching with
# Wine's notepad, the return to the profile before, the pause while the
# configurator runs, the on-screen display after tarnctl changes the stage
# or the profile, the menu's commands (as the menu sends them), a second
# start, and faults: a locked state file, 500 foreground changes, a service
# that fails calls, no mouse.
#
# Usage: tray_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
tray=TarnTrayCompanion
display=TarnTrayDisplay
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
# The probe's own exit status, so that a check on it can fail (the pipe's
# status would be that of tr).
p() { wine "$probe" "$@" </dev/null | tr -d '\r'; return "${PIPESTATUS[0]}"; }
mkdir -p "$shots"
unset TARN_COMPANION
ctl() { wine "$bin/tarnctl.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
# The active profile's name, as tarnctl reads the mouse.
active() { ctl profile list | awk -F '\t' '$3 == "(active)" { print $2 }'; }
# Waits up to $2 seconds (default 1) for profile $1 to be active.
becomes() {
  local until=$((SECONDS * 1000 + ${2:-1} * 1000)) now
  local start=$(date +%s%N)
  while :; do
    [ "$(active)" = "$1" ] && { echo "  ($1 after $((($(date +%s%N) - start) / 1000000)) ms)"; return 0; }
    [ $(( ($(date +%s%N) - start) / 1000000 )) -gt $(( ${2:-1} * 1000 )) ] && return 1
    sleep 0.05
  done
}
stays() { sleep "${2:-1}"; [ "$(active)" = "$1" ]; }
tip() { p title "$tray"; }
tip_says() { local i; for i in $(seq 1 40); do tip | grep -q -- "$1" && return 0; sleep 0.1; done; tip; return 1; }
tip_lacks() { local i; for i in $(seq 1 40); do tip | grep -q -- "$1" || return 0; sleep 0.1; done; tip; return 1; }
display_says() { p title "$display" | grep -q -- "$1"; }
start_tray() {
  wine "$bin/TarnTray.exe" </dev/null >/dev/null 2>&1 &
  tray_pid=$!
  p exists "$tray" 10000
}
tray_ended() { local i; for i in $(seq 1 50); do kill -0 "$tray_pid" 2>/dev/null || return 0; sleep 0.1; done; return 1; }
tray_alive() { kill -0 "$tray_pid" 2>/dev/null && p exists "$tray" 100; }
command() { p post "$tray" 273 "$1"; }  # WM_COMMAND with a menu command

# A mouse with two profiles: "Profile 1" shows its sensitivity on screen;
# "Team" is tied to notepad, with automatic switching and both displays on.
fresh_mouse
dir="$(winepath -w "$state_dir")"
ctl export-profile "Profile 1" "$dir\\one.vxp" >/dev/null
ctl import-profile "$dir\\one.vxp" >/dev/null
# Program paths are escaped in the state file: each backslash doubled.
NOTEPAD='C:\\windows\\system32\\notepad.exe' awk '
  /^\[profile\]/ { n++ }
  { cr = /\r$/ ? "\r" : "" }
  n == 1 && /^flags=/ { $0 = "flags=2" cr }
  n == 2 && /^name=/ { $0 = "name=Team" cr }
  n == 2 && /^programPath=/ { $0 = "programPath=" ENVIRON["NOTEPAD"] cr }
  n == 2 && /^flags=/ { $0 = "flags=7" cr }
  { print }' "$state_dir/state.txt" >"$state_dir/edit.txt" && mv "$state_dir/edit.txt" "$state_dir/state.txt"
check "the mouse holds the two profiles" test "$(ctl profile list | cut -f2 | tr '\n' ' ')" = "Profile 1 Team "

wine "$probe" hold 600 </dev/null >/dev/null 2>&1 &
holder=$!
check "another window is in front" p wait TarnProbeHold 10000
check "the companion starts" start_tray
check "its tool tip names the profile and the sensitivity" tip_says "Profile 1, 1800 DPI"
shot tray-started

# Automatic switching.
wine notepad </dev/null >/dev/null 2>&1 &
np=$!
check "notepad shows" p wait Notepad 15000
check "notepad comes to the front" p activate Notepad
check "within 1 s the mouse has Team active" becomes Team 1
check "the tool tip names Team" tip_says "Team, 1800 DPI"
check "another window in front" p activate TarnProbeHold
check "the previous profile is back within 1 s" becomes "Profile 1" 1
check "notepad again" p activate Notepad
check "Team again" becomes Team 1
check "back to the other window" p activate TarnProbeHold
check "Profile 1 again" becomes "Profile 1" 1

# The configurator pauses switching while it runs.
start_program "the configurator starts"
check "the companion says switching is paused" tip_says "paused"
check "the companion it started ended at once and showed no menu" test "$(p count '#32768')" = 0
check "notepad to the front while the configurator runs" p activate Notepad
check "no switch while paused" stays "Profile 1" 1.5
check "the configurator closes" p close "$cls" 10000
wait_program
check "the pause ends" tip_lacks paused
check "notepad to the front" p activate TarnProbeHold
check "notepad to the front" p activate Notepad
check "switching works again" becomes Team 1
check "away from notepad" p activate TarnProbeHold
check "Profile 1 back" becomes "Profile 1" 1

# The on-screen display.
ctl press stage-up >/dev/null
check "after stage-up a display appears" p wait "$display" 2000
shown=$(date +%s%N)
check "it shows the new value and stage" display_says "4000 DPI · Stage 4 of 5"
p title "$display"
shot tray-display
for i in $(seq 1 60); do [ "$(p count "$display")" = 0 ] && break; sleep 0.05; done
gone=$(( ($(date +%s%N) - shown) / 1000000 ))
echo "  (the display was gone after $gone ms)"
check "the display goes after about 1.5 s" test "$gone" -ge 1000 -a "$gone" -le 2600
check "it never took the focus" test "$(p foreground)" = TarnProbeHold
ctl profile activate Team >/dev/null
check "after profile activate a display appears" p wait "$display" 2000
check "it names the profile" display_says "Profile: Team"
ctl press stage-down >/dev/null
sleep 0.3
check "a new display replaces the last one" test "$(p count "$display")" = 1
check "and shows the new stage" display_says "1200 DPI · Stage 2 of 5"

# The menu's commands, as the menu sends them.
check "the menu's first profile" command 1000
check "makes it active" becomes "Profile 1" 1
check "automatic switching off" command 100
check "the tool tip says so" tip_says "off"
p activate Notepad >/dev/null
check "no switch while it is off" stays "Profile 1" 1.2
check "automatic switching on" command 100
check "the program in front is judged again" becomes Team 1
p activate TarnProbeHold >/dev/null
check "and given back" becomes "Profile 1" 1

# A second copy ends at once and has the first show its menu.
t0=$(date +%s%N)
wine "$bin/TarnTray.exe" </dev/null >/dev/null 2>&1
t1=$(( ($(date +%s%N) - t0) / 1000000 ))
echo "  (the second copy ended after $t1 ms)"
check "a second copy ends at once" test "$t1" -lt 3000
check "the first shows its menu" p wait '#32768' 3000
shot tray-menu
p key 27 >/dev/null
check "still one companion" tray_alive

# Faults: the state file held by another program for 5 s.
wine "$probe" lock "$dir\\state.txt" 5000 </dev/null >/dev/null 2>&1 &
locker=$!
locked() { ! wine "$bin/tarnctl.exe" profile list </dev/null >/dev/null 2>&1; }
for i in $(seq 1 30); do locked && break; sleep 0.1; done
check "the state file is held" locked
p activate Notepad >/dev/null
# The companion's service may still commit over the held file (nobody else
# could change the mouse meanwhile); if it cannot, the tool tip says so.
held_tip() { local i; for i in $(seq 1 40); do tip | grep -q -e "does not answer" -e "Team, " && return 0; sleep 0.1; done; return 1; }
check "while the file is held the companion says the mouse does not answer, or has switched" held_tip
check "and lives" tray_alive
wait "$locker"
check "after the lock, the mouse is back and Team active" becomes Team 5
p activate TarnProbeHold >/dev/null
check "Profile 1 back" becomes "Profile 1" 2
# 500 foreground changes in 10 s, ending on the window no profile names.
check "500 foreground changes" p flip Notepad TarnProbeHold 500 20
p activate TarnProbeHold >/dev/null
check "after them the profile is right" stays "Profile 1" 1
check "the companion lives" tray_alive

check "Exit ends the companion" command 103
check "it ended" tray_ended

# A service that fails one call in 25: switching still gets there, and never to a wrong profile.
TARN_DEVICE_FAULT='*~25' start_tray >/dev/null
check "the companion starts over a failing service" tray_alive
p activate Notepad >/dev/null
check "Team within 8 s" becomes Team 8
p activate TarnProbeHold >/dev/null
check "Profile 1 within 8 s" becomes "Profile 1" 8
check "the companion lives" tray_alive
check "WM_CLOSE ends it gracefully" p post "$tray" 16 0
check "it ended" tray_ended

# No mouse.
TARN_DEVICE_SCENARIO=none start_tray >/dev/null
check "without a mouse the companion says so" tip_says "no mouse"
check "and switching changes nothing" p activate Notepad
check "exit" command 103
check "it ended" tray_ended

kill "$np" "$holder" 2>/dev/null
wait 2>/dev/null
rm -rf "$state_dir"
summary
