#!/usr/bin/env bash
# The manual of the module directory in every shipped language: English in
# Manuals\index.html, the others in Manuals\<code>\index.html. All have the
# same chapters (the lighting page opens #updating and #addons) and the same
# pictures, every picture there and drawn, every popup skin pictured, and
# each language's pictures really in that language.
#
# Usage: manual.sh MODULE_DIR
set -u
bin="$(realpath "$1")"
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
codes=(de fr fr-CA ru ja ko zh-Hans zh-Hant)
en="$bin/Manuals/index.html"
check "the English manual is there" test -s "$en"
for code in "${codes[@]}"; do
  check "the $code manual is there" test -s "$bin/Manuals/$code/index.html"
done

ids() { grep -o ' id="[^"]*"' "$1" | sort; }
# The pictures a manual names, as NAME.png, after the folder of its language.
pictures() { grep -o '<img src="[^"]*"' "$1" | sed 's:.*/::; s:"$::' | sort -u; }
folder_ok() {  # folder_ok MANUAL PREFIX: every picture lies under PREFIX
  ! grep -o '<img src="[^"]*"' "$1" | grep -v "<img src=\"$2[^/\"]*\.png\"" | grep -q .
}
for id in updating addons start window assign performance profiles macros lighting files tarnctl companion language; do
  check "chapter #$id in English" grep -q " id=\"$id\"" "$en"
done
check "the English manual shows img/en/ pictures only" folder_ok "$en" img/en/
check "the manuals' stylesheet is there" test -s "$bin/Manuals/manual.css"
check "the English manual uses it" grep -q '<link rel="stylesheet" href="manual.css">' "$en"
for code in "${codes[@]}"; do
  manual="$bin/Manuals/$code/index.html"
  check "$code: the same chapters as English" test "$(ids "$en")" = "$(ids "$manual")"
  check "$code: in its own language (lang=\"$code\")" grep -q "<html lang=\"$code\"" "$manual"
  check "$code: ../img/$code/ pictures only" folder_ok "$manual" "../img/$code/"
  check "$code: the shared stylesheet" grep -q '<link rel="stylesheet" href="../manual.css">' "$manual"
  check "$code: the same pictures as English" test "$(pictures "$en")" = "$(pictures "$manual")"
done
count=$(pictures "$en" | wc -l)
check "the manual shows pictures ($count)" test "$count" -ge 30

# Every picture exists, is a PNG and shows something (not one flat colour).
size_of() { identify -format '%wx%h' "$1" 2>/dev/null; }
window_size="$(identify -format '%wx%h' "$bin/skins/$(tr -d '\r' <"$bin/xml/MainPage.xml" |
  sed -n 's:.*<BACKGROUND>[[:space:]]*\([^<[:space:]]*\)[[:space:]]*</BACKGROUND>.*:\1:p' | head -n 1)" 2>/dev/null)"
while read -r name; do
  for language in en "${codes[@]}"; do
    file="$bin/Manuals/img/$language/$name"
    if [ ! -s "$file" ]; then check "$language/$name exists" false; continue; fi
    colours="$(identify -format '%k' "$file" 2>/dev/null)"
    check "$language/$name is drawn (${colours:-no} colours)" test "${colours:-0}" -gt 32
  done
done < <(pictures "$en")
# A page picture is the whole window, nothing cut off.
for page in assign thumbs performance profiles macros lighting; do
  check "$page.png is the window's size ($window_size)" test "$(size_of "$bin/Manuals/img/en/$page.png")" = "$window_size"
done

# Every popup skin is pictured: by skinview under its own name, or taken
# from the running program under the name the manual gives it.
declare -A taken=([SingleKeyPopup]=key-popup [DPIStagesPopup]=stages-popup [PreviewPopup]=preview-popup
                  [MacroNamePopup]=macro-name [AdvancedMacroPopup]=commands-popup
                  [UnsavedChangesPopup]=unsaved-popup)
for path in "$bin"/xml/*Popup.xml; do
  stem="$(basename "$path" .xml)"
  check "the manual shows $stem" grep -qx "${taken[$stem]:-$stem}.png" < <(pictures "$en")
done

# Each language's program was really in that language: its pages differ
# from the English ones.
differing() { compare -metric AE "$bin/Manuals/img/en/$1" "$bin/Manuals/img/$2/$1" null: 2>&1 | sed 's/[^0-9.].*//'; }
for code in "${codes[@]}"; do
  for name in assign.png profiles-menu.png unsaved-popup.png NoMousePopup.png; do
    changed="$(differing "$name" "$code")"
    check "$name differs between English and $code (${changed:-?} pixels)" test "${changed%.*}" -gt 300
  done
done
summary
