#!/usr/bin/env bash
# The manual of the module directory in English (Manuals\index.html) and
# German (Manuals\de\index.html): the same chapters (the lighting page opens
# #updating and #addons), the same pictures, every picture there and drawn,
# every popup skin pictured, and the German pictures really German.
#
# Usage: manual.sh MODULE_DIR
set -u
bin="$(realpath "$1")"
. "$(dirname "${BASH_SOURCE[0]}")/check.sh"
en="$bin/Manuals/index.html"
de="$bin/Manuals/de/index.html"
check "the English manual is there" test -s "$en"
check "the German manual is there" test -s "$de"

ids() { grep -o ' id="[^"]*"' "$1" | sort; }
# The pictures a manual names, as NAME.png, after the folder of its language.
pictures() { grep -o '<img src="[^"]*"' "$1" | sed 's:.*/::; s:"$::' | sort -u; }
folder_ok() {  # folder_ok MANUAL PREFIX: every picture lies under PREFIX
  ! grep -o '<img src="[^"]*"' "$1" | grep -v "<img src=\"$2[^/\"]*\.png\"" | grep -q .
}
check "both manuals have the same chapters" test "$(ids "$en")" = "$(ids "$de")"
both_have() { grep -q " id=\"$1\"" "$en" && grep -q " id=\"$1\"" "$de"; }
for id in updating addons start window assign performance profiles macros lighting files tarnctl; do
  check "chapter #$id in both" both_have "$id"
done
check "the English manual shows img/en/ pictures only" folder_ok "$en" img/en/
check "the German manual shows ../img/de/ pictures only" folder_ok "$de" ../img/de/
check "both manuals show the same pictures" test "$(pictures "$en")" = "$(pictures "$de")"
count=$(pictures "$en" | wc -l)
check "the manual shows pictures ($count)" test "$count" -ge 30

# Every picture exists, is a PNG and shows something (not one flat colour).
size_of() { identify -format '%wx%h' "$1" 2>/dev/null; }
window_size="$(identify -format '%wx%h' "$bin/skins/$(tr -d '\r' <"$bin/xml/MainPage.xml" |
  sed -n 's:.*<BACKGROUND>[[:space:]]*\([^<[:space:]]*\)[[:space:]]*</BACKGROUND>.*:\1:p' | head -n 1)" 2>/dev/null)"
while read -r name; do
  for language in en de; do
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

# The German program was really German: its pages differ from the English ones.
differing() { compare -metric AE "$bin/Manuals/img/en/$1" "$bin/Manuals/img/de/$1" null: 2>&1 | sed 's/[^0-9.].*//'; }
for name in assign.png profiles-menu.png unsaved-popup.png NoMousePopup.png; do
  changed="$(differing "$name")"
  check "$name differs between English and German (${changed:-?} pixels)" test "${changed%.*}" -gt 300
done
summary
