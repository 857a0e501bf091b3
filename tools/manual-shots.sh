#!/usr/bin/env bash
# The manual's pictures, taken from the real program in each shipped language:
# the main window on each page, the drop-down list, the profile row menu, and
# the popups the program fills itself (key entry, sensitivity stages,
# profile preview, macro name, predefined commands, the close question, the
# file dialog), then every other popup drawn by skinview as the pages show
# it. PNG files in BUILD_DIR/bin/Manuals/img/<code>/, and a stamp
# (BUILD_DIR/manual-shots.made) that tools/build.sh compares with the
# program and its skins.
#
# The program runs on a fresh emulated mouse of its own (a state file in a
# scratch folder), so the pictures never depend on what the mouse held. The
# installation's language is switched in the build's prefix for each
# language's pictures and put back afterwards.
#
# Usage: tools/manual-shots.sh [BUILD_DIR]   (starts its own Xvfb)
#        tools/manual-shots.sh --stale [BUILD_DIR]   succeeds when the
#          pictures are missing or older than what they show
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
if [ "${1:-}" = --stale ]; then
  build="$(realpath "${2:-${TARN_BUILD_DIR:-$root/build}}")"
  made="$build/manual-shots.made"
  [ -f "$build/bin/TarnConfig.exe" ] || exit 1
  [ ! -f "$made" ] && exit 0
  [ -n "$(find "$build/bin/TarnConfig.exe" "$build/bin/skinview.exe" "$build/bin/xml" "$build/bin/skins" \
             "$build/bin/lang" "$build/bin/fonts" "$root/tools/manual-shots.sh" -newer "$made" -print -quit 2>/dev/null)" ]
  exit
fi
build="$(realpath "${1:-${TARN_BUILD_DIR:-$root/build}}")"
bin="$build/bin"
probe="$build/tests/probe.exe"
# The build's prefix, or a copy of it (TARN_SHOTS_PREFIX) when the pictures
# are taken while the tests run in the build's own.
export WINEPREFIX="${TARN_SHOTS_PREFIX:-$build/wineprefix}" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# The pictures are of the configurator alone: the tray companion it starts
# would keep the session open.
export TARN_COMPANION=off
for need in "$bin/TarnConfig.exe" "$bin/skinview.exe" "$bin/tarnctl.exe" "$probe"; do
  [ -f "$need" ] || { echo "manual-shots: $need is missing (build first)" >&2; exit 1; }
done
if [ -z "${TARN_SHOTS_DISPLAY:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env TARN_SHOTS_DISPLAY=1 bash "${BASH_SOURCE[0]}" "$build"
fi

started=$SECONDS
out="$bin/Manuals/img"
cls=SINGLE_INSTANCE_APP_TARN
work="$(mktemp -d)"
key='HKLM\Software\Korvo\Tarn'
# The installation's language as it was ("" when the value was missing).
wine "$probe" hold 0 </dev/null >/dev/null 2>&1 || true
language_before="$(wine reg query "$key" /v Language 2>/dev/null | tr -d '\r' |
  awk '$1 == "Language" { $1 = ""; $2 = ""; sub(/^ +/, ""); print }')"
restore() {
  if [ -n "$language_before" ]; then
    wine reg add "$key" /v Language /d "$language_before" /f >/dev/null 2>&1
  else
    wine reg delete "$key" /v Language /f >/dev/null 2>&1
  fi
  # The session ends with the last program; the display goes with this script.
  timeout 30 wineserver -w 2>/dev/null || wineserver -k 2>/dev/null || true
  rm -rf "$work"
}
trap restore EXIT

# check.sh: p (the probe), rect_of, origin, click_control, choose, fg,
# popup_open, main_front, popup_click.
. "$root/tests/e2e/check.sh"
# The pointer off the window (no hover, no tool tip), then the screen.
screen() {
  xdotool mousemove 1020 760 2>/dev/null || true
  sleep "${1:-0.3}"
  import -window root "$work/screen.png" 2>/dev/null
}
window_shot() {  # window_shot NAME: the main window
  screen
  convert "$work/screen.png" -crop "$((wr - ox))x$((wb - oy))+$ox+$oy" +repage "$dir/$1.png"
}
popup_shot() {  # popup_shot NAME: the window in front (a popup or dialog)
  fg
  screen
  fg
  convert "$work/screen.png" -crop "$((fgr - fgl))x$((fgb - fgt))+$fgl+$fgt" +repage "$dir/$1.png"
}
status_shot() {  # status_shot NAME: the bottom row (profile, status text, Apply, OK)
  screen
  convert "$work/screen.png" -crop "$((wr - ox))x$((wb - oy - 548))+$ox+$((oy + 548))" +repage "$dir/$1.png"
}

# One run of the program in LANGUAGE (registry name) into img/CODE.
program_pictures() {  # program_pictures CODE NAME
  dir="$out/$1"
  mkdir -p "$dir"
  wine reg add "$key" /v Language /d "$2" /f >/dev/null 2>&1
  export TARN_DEVICE_STATE
  TARN_DEVICE_STATE="$(winepath -w "$work/state-$1.txt" 2>/dev/null)"
  TARN_DEVICE_SCENARIO=fresh wine "$bin/tarnctl.exe" info >/dev/null 2>&1
  wine "$bin/TarnConfig.exe" >/dev/null 2>&1 &
  local app=$!
  p wait "$cls" 20000 || { echo "manual-shots: the program did not show its window" >&2; return 1; }
  sleep 1.2
  p activate "$cls"
  origin
  read -r _ _ wr wb < <(p rect "$cls")

  # The pages as they open, nothing changed yet.
  local tab
  for tab in BUTTON_ASSIGNBUTTONS:assign BUTTON_ADJUSTPERFORMANCE:performance \
             BUTTON_MANAGEPROFILES:profiles BUTTON_MANAGEMACROS:macros \
             BUTTON_LIGHTINGMAINTENANCE:lighting; do
    click_control MainPage.xml "${tab%%:*}"
    sleep 0.5
    window_shot "${tab##*:}"
  done
  click_control MainPage.xml BUTTON_ASSIGNBUTTONS
  sleep 0.5
  click_control AssignButtons.xml TEXT_THUMBGRIDVIEW_BUTTON
  sleep 0.5
  window_shot thumbs

  # Thumb key 5: the key popup, F5 pressed.
  choose AssignKeys.xml BUTTON_ASSNTHUMBGRID05 10
  popup_open && { p key 116; sleep 0.3; popup_shot key-popup; popup_click SingleKeyPopup.xml BUTTON_POPUP_OK; }
  main_front
  # The top view with a drop-down list open.
  click_control AssignKeys.xml TEXT_TOPVIEW_BUTTON
  sleep 0.5
  click_control AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT
  popup_open && { window_shot assign-list; p key 27; }
  main_front || click_control AssignButtons.xml BUTTON_ASSNLEFTCLICKFRONT
  sleep 0.3

  # The stages popup as it opens.
  click_control MainPage.xml BUTTON_ADJUSTPERFORMANCE
  sleep 0.5
  click_control AdjustPerformance.xml BUTTON_SENSITIVITY_STAGES
  popup_open && { popup_shot stages-popup; popup_click DPIStagesPopup.xml BUTTON_DPISTAGES_CANCEL; }
  main_front

  # The profile row menu, the preview and the import dialog.
  click_control MainPage.xml BUTTON_MANAGEPROFILES
  sleep 0.5
  local lx ly
  read -r lx ly _ _ < <(rect_of ManageProfiles.xml LIST_PROFILELIST)
  # The first row's name; once more when a busy machine missed the click.
  p rclick $((ox + lx + 108)) $((oy + ly + 20 + 8))
  popup_open || p rclick $((ox + lx + 108)) $((oy + ly + 20 + 8))
  if popup_open; then
    window_shot profiles-menu
    p click $((fgl + 30)) $((fgt + 1 + 1 * 18 + 9))  # Preview
    popup_open && { sleep 0.3; popup_shot preview-popup; popup_click PreviewPopup.xml BUTTON_POPUP_PREVIEW_OK; }
  fi
  main_front
  click_control ManageProfiles.xml BUTTON_IMPORTPROFILE
  popup_open && { sleep 0.5; popup_shot file-dialog; p key 27; }
  main_front

  # A macro: its name typed, Ctrl+C recorded, then the predefined commands.
  click_control MainPage.xml BUTTON_MANAGEMACROS
  sleep 0.5
  click_control ManageMacros.xml BUTTON_MACRO_CREATE
  if popup_open; then
    p type Combo
    sleep 0.2
    popup_shot macro-name
    p key 13
  fi
  main_front
  click_control ManageMacros.xml BUTTON_INSERTDEFAULT_DELAY
  sleep 0.3
  click_control ManageMacros.xml EDITCTRL_DEFAULT_DELAY
  p type 50
  click_control ManageMacros.xml BUTTON_MACRO_RECORD
  sleep 0.4
  p down 17; p key 67; p up 17
  sleep 0.2
  click_control ManageMacros.xml BUTTON_MACRO_RECORD
  sleep 0.4
  window_shot macros-recorded
  click_control ManageMacros.xml BUTTON_MACRO_ADVANCED
  popup_open && { popup_shot commands-popup; popup_click AdvancedMacroPopup.xml BUTTON_POPUP_CANCEL; }
  main_front

  # Unsaved changes: the mark on Apply and the status text; after Apply the
  # mouse holds them.
  status_shot status-unsaved
  click_control MainPage.xml BUTTON_APPLY
  sleep 2.5
  status_shot status-saved
  # A change left unsent: closing asks; Stay, then close and Discard.
  click_control MainPage.xml BUTTON_LIGHTINGMAINTENANCE
  sleep 0.5
  click_control LightingMaintenance.xml GLOW_LEDOFF
  sleep 0.3
  click_control MainPage.xml BUTTON_CANCEL
  popup_open && { popup_shot unsaved-popup; popup_click UnsavedChangesPopup.xml BUTTON_POPUP_CANCEL; }
  main_front
  click_control MainPage.xml BUTTON_CANCEL
  popup_open && popup_click UnsavedChangesPopup.xml BUTTON_POPUP_OK
  p close "$cls" 10000 >/dev/null 2>&1 || true
  wait "$app" 2>/dev/null || true
}

# The popups taken from the running program above; skinview draws the rest.
from_program() {
  case "$1" in
    SingleKeyPopup | DPIStagesPopup | PreviewPopup | MacroNamePopup | AdvancedMacroPopup | UnsavedChangesPopup) ;;
    *) return 1 ;;
  esac
}

# The other popups, drawn by skinview with what the pages put into their
# headings (as the skin test does).
popup_text() {
  case "$1" in
    DuplicateProfileWarningPopup | ExportProfileWarningPopup | DisallowDeletePopup | ConfirmDeletePopup | \
      ExportProfileFailedPopup)
      printf '%s\n' --append ': Game' ;;
    DuplicateMacroWarningPopup | ExportMacroWarningPopup | ConfirmDeleteMacroPopup | ExportMacroFailedPopup)
      printf '%s\n' --append ': Combo' ;;
    ProfileLimitReachedPopup) printf '%s\n' --message '$CreateProfile' ;;
    ImporttProfileWarningPopup) printf '%s\n' --message '$ImportProfile' ;;
    ImportProfileFailedPopup) printf '%s\n' --append ': Game.vxp' ;;
    ImportMacroFailedPopup) printf '%s\n' --append ': Combo.vxm' ;;
    ImportedAsCopyPopup) printf '%s\n' --append ': Game00' --detail '$ImportedAsCopyMessage Game' ;;
  esac
}
skin_picture() {  # skin_picture CODE LANGUAGE_NUMBER STEM
  local extra attempt
  mapfile -t extra < <(popup_text "$3")
  # A Wine process start very rarely stalls or draws nothing: once more.
  for attempt in 1 2; do
    timeout 30 wine "$bin/skinview.exe" "$3.xml" --language "$2" "${extra[@]}" \
      --screenshot "$(winepath -w "$work/$1-$3.bmp" 2>/dev/null)" </dev/null >/dev/null 2>&1
    [ -s "$work/$1-$3.bmp" ] && break
  done
  if [ -s "$work/$1-$3.bmp" ]; then
    convert "$work/$1-$3.bmp" "$out/$1/$3.png"
  else
    echo "manual-shots: skinview drew no $3 ($1)" >&2
  fi
}
# The manual's languages: folder code, registry name, language number.
languages=(en:English:318 de:German:323 fr:French:321 fr-CA:FrenchCanadian:322 ru:Russian:325
           ja:Japanese:326 ko:Korean:324 zh-Hans:ChineseSimplified:319 zh-Hant:ChineseTraditional:320)
skin_pictures() {  # skin_pictures: every language's other popups, drawn by one skinview in turn (it grabs each window from the screen, so two popups must never overlap)
  local path stem entry code number list="$work/popups.txt" extra fields wwork
  wwork="$(winepath -w "$work" 2>/dev/null)"
  : >"$list"
  for entry in "${languages[@]}"; do
    code="${entry%%:*}"
    number="${entry##*:}"
    for path in "$bin"/xml/*Popup.xml; do
      stem="$(basename "$path" .xml)"
      from_program "$stem" && continue
      mapfile -t extra < <(popup_text "$stem")
      fields=("$stem.xml" --language "$number" "${extra[@]}" --screenshot "$wwork\\$code-$stem.bmp")
      (IFS=$'\t'; printf '%s\n' "${fields[*]}") >>"$list"
    done
  done
  timeout 600 wine "$bin/skinview.exe" --batch "$(winepath -w "$list" 2>/dev/null)" </dev/null >/dev/null 2>&1
  # What the batch did not draw is drawn on its own (skin_picture tries twice).
  for entry in "${languages[@]}"; do
    code="${entry%%:*}"
    number="${entry##*:}"
    for path in "$bin"/xml/*Popup.xml; do
      stem="$(basename "$path" .xml)"
      from_program "$stem" && continue
      if [ -s "$work/$code-$stem.bmp" ]; then
        convert "$work/$code-$stem.bmp" "$out/$code/$stem.png"
      else
        skin_picture "$code" "$number" "$stem"
      fi
    done
  done
}

rm -rf "$out" "$build/manual-shots.made"
mkdir -p "$out"
program_names=(assign thumbs assign-list key-popup performance stages-popup profiles profiles-menu
               preview-popup file-dialog macros macro-name macros-recorded commands-popup lighting
               status-unsaved status-saved unsaved-popup)
program_complete() {  # program_complete CODE: every picture of the program run is there
  local name
  for name in "${program_names[@]}"; do [ -s "$out/$1/$name.png" ] || return 1; done
}
for entry in "${languages[@]}"; do
  IFS=: read -r code name _ <<<"$entry"
  program_pictures "$code" "$name"
  # A click a busy machine lost leaves a picture out: the run once more.
  if ! program_complete "$code"; then
    echo "manual-shots: taking the $code pictures again"
    program_pictures "$code" "$name"
  fi
done
skin_pictures
# Every picture there in every language, or no stamp (the next build tries again).
missing=()
for entry in "${languages[@]}"; do
  code="${entry%%:*}"
  for name in "${program_names[@]}"; do
    [ -s "$out/$code/$name.png" ] || missing+=("$code/$name")
  done
  for path in "$bin"/xml/*Popup.xml; do
    name="$(basename "$path" .xml)"
    from_program "$name" || [ -s "$out/$code/$name.png" ] || missing+=("$code/$name")
  done
done
echo "manual-shots: $(find "$out" -name '*.png' | wc -l) pictures in $out ($((SECONDS - started)) s)"
if ((${#missing[@]})); then
  echo "manual-shots: missing ${missing[*]}" >&2
  exit 1
fi
touch "$build/manual-shots.made"
