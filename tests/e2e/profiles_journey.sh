#!/usr/bin/env bash
# Managing profiles through real clicks and keys on the running program: on
# the profiles page create "Ärger" (its name typed into the name popup), give
# it a double click on a button, copy it (the copy is "Ärger00"), rename the
# copy in place, tie it to a program and switch automatic switching on,
# Apply, export it, delete it, import the exported file again (first refused
# while the deletion is not on the mouse), make it current and Apply, then
# import it once more (a copy, "Ärger Team00", and closing asks nothing).
# The mouse then holds exactly those profiles (tarnctl dump), and the
# program started again shows the same list.
#
# Usage: profiles_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"
skin=ManageProfiles.xml

# The profile list: its rectangle, header and row height, and its columns
# (number, name, program, automatic switching) as the skin gives them.
read -r lx ly lw lh < <(rect_of "$skin" LIST_PROFILELIST)
header=${TARN_LIST_HEADER:-20}
row=${TARN_LIST_ROW:-17}
name_x=$((lx + 48 + 60))
number_x=$((lx + 24))
row_y() { echo $((ly + header + $1 * row + row / 2)); }  # row_y INDEX
# Right-clicks row INDEX and picks menu entry ENTRY of the list's menu.
menu() {  # menu ROW ENTRY
  p rclick $((ox + name_x)) $((oy + $(row_y "$1")))
  popup_open || return 1
  p click $((fgl + 30)) $((fgt + 1 + $2 * 18 + 9))
  sleep 0.6
}
# The menu's entries, in the skin's order.
NEW=0 PREVIEW=1 DELETE=2 COPY=3 IMPORT=4 EXPORT=5 RESTORE=6 ASSIGN=7 UNASSIGN=8

fresh_mouse
export_file="$(winepath -w "$state_dir")\\journey.vxp"

start_program "the program shows its window"
click_control MainPage.xml BUTTON_MANAGEPROFILES
sleep 0.8
shot profiles-start

# New: the name popup takes "Ärger"; Enter is OK.
click_control "$skin" BUTTON_NEWPROFILE
check "the name popup opens" popup_open
p type "Ärger"
sleep 0.3
shot profiles-name-popup
p key 13
check "the name popup closed" main_front
shot profiles-created
# Its front button beside the left button double-clicks (the assign page
# shows the current profile, "Ärger").
click_control MainPage.xml BUTTON_ASSIGNBUTTONS
sleep 0.8
choose AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT 3
click_control MainPage.xml BUTTON_MANAGEPROFILES
sleep 0.8

# Copy it from the row's menu: "Ärger00", which becomes current.
check "the row menu opens" menu 1 $COPY
shot profiles-copied
# Rename the copy in place: a double click on its name opens the editor.
p dblclick $((ox + name_x)) $((oy + $(row_y 2)))
sleep 0.5
p key 35  # End
for i in 1 2; do p key 8; done  # "Ärger" is left
p type " Team"
p key 13
sleep 0.6
shot profiles-renamed
# Tie it to a program: the row menu's "assign a program" opens the file dialog.
check "the program menu opens" menu 2 $ASSIGN
check "the program dialog opens" popup_open
p type 'C:\windows\notepad.exe'
p key 13
check "the program dialog closed" main_front
shot profiles-program
# Automatic switching on for it.
p click $((ox + lx + 48 + 222 + 262 + 64)) $((oy + $(row_y 2)))
sleep 0.4

# Apply puts both new profiles on the mouse; then the copy can be exported.
click_control MainPage.xml BUTTON_APPLY
sleep 1.5
click_control "$skin" BUTTON_EXPORTPROFILE
check "the save dialog opens" popup_open
p type "$export_file"
p key 13
check "the save dialog closed" main_front
check "the profile was exported" test -s "$state_dir/journey.vxp"

# Delete it: the confirmation answers with Enter.
click_control "$skin" BUTTON_DELETEPROFILE
check "the delete confirmation opens" popup_open
shot profiles-confirm-delete
p key 13
check "the confirmation closed" main_front
shot profiles-deleted
# Import while the deletion is not yet on the mouse: refused with a warning.
click_control "$skin" BUTTON_IMPORTPROFILE
check "an import before Apply is refused" popup_open
shot profiles-import-refused
p key 13
main_front
click_control MainPage.xml BUTTON_APPLY
sleep 1.5
click_control "$skin" BUTTON_IMPORTPROFILE
check "the open dialog opens" popup_open
p type "$export_file"
p key 13
check "the open dialog closed" main_front
sleep 0.5
shot profiles-imported
# The imported profile is the third row; a double click on its number makes it current.
p dblclick $((ox + number_x)) $((oy + $(row_y 2)))
sleep 0.6
shot profiles-current
click_control MainPage.xml BUTTON_APPLY
sleep 1.5
# The same file once more, while its profile is there: it comes in as a
# copy, "Ärger Team00", and a popup says so; Enter closes it.
click_control "$skin" BUTTON_IMPORTPROFILE
check "the open dialog opens again" popup_open
p type "$export_file"
p key 13
sleep 1
check "a popup says the import took a copy name" popup_open
shot profiles-imported-as-copy
p key 13
check "the popup closed" main_front
# The list as the user sees it, for the restart.
crop="$((lw))x$((lh))+$((ox + lx))+$((oy + ly))"
import -window root -crop "$crop" "$state_dir/list-before.png" 2>/dev/null
# The mouse holds the import: closing asks nothing.
check "the program closes" p close "$cls" 10000
check "closing after the import asks nothing" wait_program

dump="$(wine "$bin/tarnctl.exe" dump 2>/dev/null | tr -d '\r\n' | tr -s ' ')"
echo "$dump" > "$shots/profiles-dump.json"
profiles="${dump%%\"macros\"*}"
names="$(grep -o '"name": *"[^"]*"' <<<"$profiles" | sed 's/"name": *//' | tr '\n' ' ')"
check "the mouse holds the four profiles in order" test "$names" = '"Profile 1" "Ärger" "Ärger Team" "Ärger Team00" '
check "the imported profile is the current one, tied to its program, switching automatically" \
  grep -q '"name": *"Ärger Team", *"identity": *"[^"]*", *"current": *true, *"program": *"C:\\\\windows\\\\notepad.exe", *"autoSwitch": *true' <<<"$dump"
# The copy went out and came back with the source's assignments.
mapfile -t buttons < <(grep -o '"buttons": *\[[^]]*\]' <<<"$profiles")
check "the source profile's front button double-clicks" grep -q '"button": 25, "code": 3,' <<<"${buttons[1]:-}"
check "exported and imported, the copy has the same assignments" test "${buttons[1]:-}" = "${buttons[2]:-x}"
check "the first profile kept its own" grep -q '"button": 25, "code": 32,' <<<"${buttons[0]:-}"

# Started again, the program shows the same list.
start_program "the program starts again"
click_control MainPage.xml BUTTON_MANAGEPROFILES
sleep 0.8
crop="$((lw))x$((lh))+$((ox + lx))+$((oy + ly))"
import -window root -crop "$crop" "$state_dir/list-after.png" 2>/dev/null
shot profiles-restarted
check "after a restart the list is the same" \
  test "$(compare -metric AE "$state_dir/list-before.png" "$state_dir/list-after.png" null: 2>&1)" = 0
check "the program closes" p close "$cls" 10000
wait_program

rm -rf "$state_dir"
summary
