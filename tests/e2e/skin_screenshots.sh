#!/usr/bin/env bash
# The main window's skin and every popup skin of the module directory, drawn
# by skinview in English and in German as the pages show them (with the name
# or title a page puts into a popup's heading), kept as PNG pictures under
# OUTDIR/<language>/ for review.
# Checks per picture: the window has exactly the size of the skin's
# background, it is not blank, its items (texts, buttons) were drawn over
# the background, and the two languages differ.
#
# Usage: skin_screenshots.sh MODULE_DIR OUTDIR   (under Xvfb, with WINEPREFIX)
set -u
bin="$(realpath "$1")"
out="$(realpath -m "$2")"
skinview="$bin/skinview.exe"
passed=0
failed=0
check() {  # check DESCRIPTION COMMAND...
  local what="$1"; shift
  if "$@"; then passed=$((passed + 1))
  else failed=$((failed + 1)); echo "FAILED: $what"; fi
}
for tool in identify convert compare; do
  command -v "$tool" >/dev/null || { echo "skin_screenshots: $tool is missing (run tools/setup.sh)"; exit 1; }
done
[ -f "$skinview" ] || { echo "skin_screenshots: no $skinview"; exit 1; }
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
rm -rf "$out"
mkdir -p "$out"

# What the pages put into a popup's heading: an appended ": name" or a
# message (a title key) that replaces it. The long name shows that the
# heading wraps without running into the message.
page_text() {
  case "$1" in
    DuplicateProfileWarningPopup.xml | ExportProfileWarningPopup.xml | DisallowDeletePopup.xml | \
      ConfirmDeletePopup.xml)
      printf '%s\n' --append ': Tournament Setup 01' ;;
    DuplicateMacroWarningPopup.xml | ExportMacroWarningPopup.xml | ConfirmDeleteMacroPopup.xml | \
      ExportMacroFailedPopup.xml)
      printf '%s\n' --append ': Quick Build Macro' ;;
    ProfileLimitReachedPopup.xml) printf '%s\n' --message '$CreateProfile' ;;
    ImporttProfileWarningPopup.xml) printf '%s\n' --message '$ImportProfile' ;;
    ImportProfileFailedPopup.xml) printf '%s\n' --append ': Tournament Setup 01.vxp' ;;
    ExportProfileFailedPopup.xml) printf '%s\n' --append ': Tournament Setup 01' ;;
    ImportMacroFailedPopup.xml) printf '%s\n' --append ': Quick Build Macro.vxm' ;;
  esac
}

# The BACKGROUND picture a skin file names ("" for none).
background_of() {
  tr -d '\r' <"$1" | sed -n 's:.*<BACKGROUND>[[:space:]]*\([^<]*[^<[:space:]]\)[[:space:]]*</BACKGROUND>.*:\1:p' |
    head -n 1
}

# Pixels that differ between two pictures of the same size.
differing_pixels() {
  compare -metric AE "$1" "$2" null: 2>&1 | sed 's/[^0-9.].*//'
}

shopt -s nullglob
files=(MainPage.xml)
for path in "$bin"/xml/*Popup.xml; do files+=("$(basename "$path")"); done
check "popup skins in $bin/xml" test "${#files[@]}" -gt 1

declare -A languages=([en]=318 [de]=323)
for file in "${files[@]}"; do
  stem="${file%.xml}"
  background="$(background_of "$bin/xml/$file")"
  check "$file names a background" test -n "$background"
  want="$(identify -format '%wx%h' "$bin/skins/$background" 2>/dev/null)"
  mapfile -t extra < <(page_text "$file")
  for language in en de; do
    mkdir -p "$out/$language"
    shot="$work/$stem-$language.bmp"
    # A Wine process start very rarely stalls: one more try, said aloud.
    for attempt in 1 2; do
      timeout 20 wine "$skinview" "$file" --language "${languages[$language]}" "${extra[@]}" \
        --screenshot "$(winepath -w "$shot" 2>/dev/null)" </dev/null >"$work/skinview.log" 2>&1
      status=$?
      [ "$status" != 124 ] && break
      echo "note: skinview $file ($language) stalled; trying again"
    done
    check "$file ($language): skinview ends well (status $status)" test "$status" = 0
    if [ ! -s "$shot" ]; then
      check "$file ($language): a screenshot is written" false
      continue
    fi
    convert "$shot" "$out/$language/$stem.png"
    got="$(identify -format '%wx%h' "$shot")"
    check "$file ($language): window $got is the background's size $want" test "$got" = "$want"
    # A blank or single-coloured window means nothing was drawn at all.
    colours="$(identify -format '%k' "$shot")"
    check "$file ($language): $colours colours" test "${colours:-0}" -gt 64
    # Texts and buttons: a few thousand pixels differ from the bare frame
    # (about 3 % of the window), not a stray few.
    if [ "$got" = "$want" ]; then
      changed="$(differing_pixels "$shot" "$bin/skins/$background")"
      check "$file ($language): items drawn over the background (${changed:-?} pixels)" \
        test "${changed%.*}" -gt 2500
    fi
  done
  if [ -s "$work/$stem-en.bmp" ] && [ -s "$work/$stem-de.bmp" ]; then
    changed="$(differing_pixels "$work/$stem-en.bmp" "$work/$stem-de.bmp")"
    check "$file: English and German differ (${changed:-?} pixels)" test "${changed%.*}" -gt 500
  fi
done

# The file may also be named with its folder, as skin authors type it.
shot="$work/with-folder.bmp"
timeout 20 wine "$skinview" 'xml\MainPage.xml' --language 318 --screenshot "$(winepath -w "$shot" 2>/dev/null)" \
  </dev/null >"$work/skinview.log" 2>&1
check "xml\\MainPage.xml opens like MainPage.xml" test "$(identify -format '%wx%h' "$shot" 2>/dev/null)" = \
  "$(identify -format '%wx%h' "$bin/skins/$(background_of "$bin/xml/MainPage.xml")")"

echo "screenshots: $out"
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
