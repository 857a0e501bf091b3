# Sourced by the end-to-end scripts: numbered checks and the summary.
#   check DESCRIPTION COMMAND...   runs COMMAND; counts and prints ok or FAILED
#   summary                        prints the counts; fails when a check failed
#   p ARGS...                      the Windows-side probe ($probe), output without CRs
# and for journeys through the program's window (class $cls, skins in $bin/xml,
# screenshots into $shots):
#   rect_of SKIN CONTROL           "x y w h" of the control in the skin file
#   origin                         reads the window's top-left corner into ox, oy
#   click_control SKIN CONTROL     clicks the middle of the control
#   choose SKIN CONTROL INDEX      opens a drop-down box and picks entry INDEX
#   shot NAME                      a screenshot as $shots/NAME.png
#   fresh_mouse                    a mouse in its factory state, in a state file
#                                  of the caller's own (in $state_dir)
#   start_program DESCRIPTION      starts the program ($app), checks that its
#                                  window shows and takes the focus, then origin
#   fg                             the window in front: fgcls fgl fgt fgr fgb
#   popup_open / main_front        wait (up to 6 s) until a popup / the main
#                                  window is in front
#   popup_click SKIN CONTROL       clicks the middle of a control of the popup
passed=0
failed=0
check() {
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1)); echo "ok: $what"
  else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
summary() {
  echo "$passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
p() { wine "$probe" "$@" | tr -d '\r'; }

# "x y w h" of a control in a skin file: the first RECT after its name.
rect_of() {
  awk -v name="name=\"$2\"" '
    index($0, name) { found = 1 }
    found && /<RECT/ {
      match($0, /left="[0-9]+"/); l = substr($0, RSTART + 6, RLENGTH - 7)
      match($0, /top="[0-9]+"/); t = substr($0, RSTART + 5, RLENGTH - 6)
      match($0, /right="[0-9]+"/); w = substr($0, RSTART + 7, RLENGTH - 8)
      match($0, /bottom="[0-9]+"/); h = substr($0, RSTART + 8, RLENGTH - 9)
      print l, t, w, h; exit
    }' "$bin/xml/$1"
}
read -r ox oy _ _ <<<"0 0 0 0"
origin() { read -r ox oy _ _ < <(p rect "$cls"); }
# Click the middle of a control of a skin file (main window coordinates).
click_control() {
  local x y w h
  read -r x y w h < <(rect_of "$1" "$2")
  p click $((ox + x + w / 2)) $((oy + y + h / 2))
}
# Open a drop-down box and choose entry INDEX of its list (rows of 18 pixels
# right below the box, after a 1-pixel border).
choose() {  # choose SKIN CONTROL INDEX
  local x y w h
  read -r x y w h < <(rect_of "$1" "$2")
  p click $((ox + x + w / 2)) $((oy + y + h / 2))
  sleep 0.6
  p click $((ox + x + 20)) $((oy + y + h + 1 + $3 * 18 + 9))
  sleep 0.8
}
shot() { import -window root "$shots/$1.png" 2>/dev/null; }
fresh_mouse() {
  state_dir="$(mktemp -d)"
  export TARN_DEVICE_STATE="$(winepath -w "$state_dir/state.txt" 2>/dev/null)"
  TARN_DEVICE_SCENARIO=fresh wine "$bin/tarnctl.exe" info >/dev/null 2>&1
}
start_program() {  # start_program DESCRIPTION
  wine "$bin/TarnConfig.exe" >/dev/null 2>&1 &
  app=$!
  check "$1" p wait "$cls" 20000
  sleep 1.5
  check "the window takes the focus" p activate "$cls"
  origin
}
fg() { read -r fgcls fgl fgt fgr fgb < <(p fgrect); }
popup_open() { local i; for i in $(seq 1 30); do fg; [ "$fgcls" != "$cls" ] && return 0; sleep 0.2; done; return 1; }
main_front() { local i; for i in $(seq 1 30); do fg; [ "$fgcls" = "$cls" ] && return 0; sleep 0.2; done; return 1; }
popup_click() {  # popup_click SKIN CONTROL
  local x y w h
  read -r x y w h < <(rect_of "$1" "$2")
  p click $((fgl + x + w / 2)) $((fgt + y + h / 2))
  sleep 0.2
}
# Waits (up to 20 s) for the program of start_program to end. One that is
# still there (a question nobody answers) is ended, so that a journey fails
# on its checks instead of hanging until the test's time is up.
wait_program() {
  local i
  for i in $(seq 1 100); do
    kill -0 "$app" 2>/dev/null || { wait "$app" 2>/dev/null; return 0; }
    sleep 0.2
  done
  echo "the program did not end: ended by force"
  kill "$app" 2>/dev/null
  wait "$app" 2>/dev/null
  return 1
}
