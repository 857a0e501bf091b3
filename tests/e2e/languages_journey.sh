#!/usr/bin/env bash
# The program started once in each shipped language (the installation's
# registry value "Language" set, and put back afterwards), with a picture of
# every page kept in SHOT_DIR/<language>/. Each page's heading must be drawn,
# and drawn differently from the English one: a language that fell back to
# the English file fails here. Two more starts cover stored names the
# program must take as they come: "japanese" in small letters is Japanese,
# an unknown name is English.
#
# Usage: languages_journey.sh MODULE_DIR PROBE SHOT_DIR
set -u
bin="$1"
probe="$2"
shots="$3"
cls=SINGLE_INSTANCE_APP_TARN
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
mkdir -p "$shots"
key='HKLM\Software\Korvo\Tarn'

# The languages of Language.xml, by the names the registry holds (the text
# file's name without .txt).
mapfile -t languages < <(sed -n 's/.*<LANG name="[A-Z_]*" file="\([A-Za-z]*\)\.txt".*/\1/p' "$bin/xml/Language.xml")
check "Language.xml declares nine languages (${languages[*]})" test "${#languages[@]}" -eq 9

language_before="$(wine reg query "$key" /v Language 2>/dev/null | tr -d '\r' |
  awk '$1 == "Language" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }')"
restore() {
  if [ -n "$language_before" ]; then
    wine reg add "$key" /v Language /d "$language_before" /f >/dev/null 2>&1
  else
    wine reg delete "$key" /v Language /f >/dev/null 2>&1
  fi
}
trap restore EXIT

# page: the tab to click, the skin of the page, the heading that names it.
pages=(BUTTON_ASSIGNBUTTONS:AssignButtons.xml:TEXT_TOPVIEW_HEADING:assign
       THUMBS:AssignKeys.xml:TEXT_THUMBGRIDVIEW_HEADING:thumbs
       BUTTON_ADJUSTPERFORMANCE:AdjustPerformance.xml:TEXT_SENSITIVITYSTAGE_HEADING:performance
       BUTTON_MANAGEPROFILES:ManageProfiles.xml:TEXT_INFO_PROFILE_OPTIONS:profiles
       BUTTON_MANAGEMACROS:ManageMacros.xml:TEXT_MACROLIST_HEADING:macros
       BUTTON_LIGHTINGMAINTENANCE:LightingMaintenance.xml:TEXT_LIGHTINGHEADING:lighting)

# One start in the registry name STORED, pictures into SHOT_DIR/FOLDER.
pictures() {  # pictures STORED FOLDER
  local dir="$shots/$2" page tab skin heading name x y w h wr wb
  rm -rf "$dir"
  mkdir -p "$dir"
  wine reg add "$key" /v Language /d "$1" /f >/dev/null 2>&1
  start_program "$2: the program shows its window"
  read -r _ _ wr wb < <(p rect "$cls")
  for page in "${pages[@]}"; do
    IFS=: read -r tab skin heading name <<<"$page"
    if [ "$tab" = THUMBS ]; then
      click_control AssignButtons.xml TEXT_THUMBGRIDVIEW_BUTTON
    else
      click_control MainPage.xml "$tab"
    fi
    xdotool mousemove 1020 760 2>/dev/null || true
    sleep 0.7
    import -window root "$dir/screen.png" 2>/dev/null
    convert "$dir/screen.png" -crop "$((wr - ox))x$((wb - oy))+$ox+$oy" +repage "$dir/$name.png"
    read -r x y w h < <(rect_of "$skin" "$heading")
    convert "$dir/$name.png" -crop "${w}x${h}+$x+$y" +repage "$dir/$name-heading.png"
    # Back to the top view for the next language's first picture.
    [ "$tab" = THUMBS ] && click_control AssignKeys.xml TEXT_TOPVIEW_BUTTON
  done
  rm -f "$dir/screen.png"
  p close "$cls" 10000 >/dev/null 2>&1 || true
  wait_program
}
differing_pixels() { compare -metric AE -fuzz 8% "$1" "$2" null: 2>&1 | sed 's/[^0-9.].*//'; }
colours() { identify -format '%k' "$1" 2>/dev/null; }

fresh_mouse
for language in "${languages[@]}"; do
  stored="$language"
  # The registry's letter case does not matter.
  [ "$language" = Japanese ] && stored=japanese
  pictures "$stored" "$language"
done
pictures Klingon unknown-language

for page in "${pages[@]}"; do
  IFS=: read -r _ _ _ name <<<"$page"
  english="$shots/English/$name-heading.png"
  check "English $name: the heading is drawn ($(colours "$english") colours)" test "$(colours "$english")" -gt 8
  for language in "${languages[@]}"; do
    [ "$language" = English ] && continue
    shown="$shots/$language/$name-heading.png"
    if [ ! -s "$shown" ]; then
      check "$language $name: a picture" false
      continue
    fi
    changed="$(differing_pixels "$english" "$shown")"
    check "$language $name: the heading is drawn in $language (${changed:-?} pixels differ from English)" \
      test "${changed%.*}" -gt 150
  done
  changed="$(differing_pixels "$shots/English/$name.png" "$shots/unknown-language/$name.png")"
  check "an unknown stored language shows English on $name (${changed:-?} pixels differ)" test "${changed%.*}" -lt 200
done
echo "pictures: $shots"
summary
