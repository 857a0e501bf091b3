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
