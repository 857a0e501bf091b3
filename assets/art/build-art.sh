#!/usr/bin/env bash
# Renders every skin picture from its source in assets/art into the given
# folder (the module directory's skins\). Usage: build-art.sh OUTDIR
#
# Sources: *.svg here (frame, logo, the mouse seen from above), the face
# templates of faces.sh, the popup frames of popup.sh, the page pictures of
# pages.sh, the list check boxes of checkbox.sh and the slider tracks and
# thumbs of sliders.sh.
# Output: 24-bit uncompressed BMP only (what the program's picture loader
# reads on every platform); the same sources give the same bytes.
set -euo pipefail
out="${1:?output folder}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=faces.sh
source "$here/faces.sh"
# shellcheck source=popup.sh
source "$here/popup.sh"
# shellcheck source=pages.sh
source "$here/pages.sh"
# shellcheck source=checkbox.sh
source "$here/checkbox.sh"
# shellcheck source=sliders.sh
source "$here/sliders.sh"

for tool in rsvg-convert convert identify; do
    command -v "$tool" >/dev/null || { echo "build-art: $tool is missing (run tools/setup.sh)" >&2; exit 1; }
done

mkdir -p "$out"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# SVG file -> 24-bit BMP, flattened on the colour that lies behind it.
render() {
    local svg=$1 bmp=$2 behind=$3
    rsvg-convert "$svg" -o "$work/render.png"
    convert "$work/render.png" -background "$behind" -flatten -alpha off -type TrueColor "BMP3:$out/$bmp"
}

# A panel's BACKGROUND and MASK from one SVG whose outside is transparent:
# the mask is white outside and black inside (half covered counts as inside);
# the background is the picture inside and magenta, the colour key, outside.
panel() {
    local svg=$1 name=$2 body=$3
    rsvg-convert "$svg" -o "$work/panel.png"
    convert "$work/panel.png" -alpha extract -threshold 50% -negate -type TrueColor "BMP3:$out/$name-mask.bmp"
    convert "$work/panel.png" -background "$body" -flatten -alpha off \
        \( "$out/$name-mask.bmp" -negate \) -alpha off -compose CopyOpacity -composite \
        -background '#FF00FF' -compose Over -flatten -alpha off -type TrueColor "BMP3:$out/$name-bg.bmp"
}

# The four faces of a button kind: face KIND FILE-PREFIX WIDTH HEIGHT [ARG].
# Files: PREFIX-normal.bmp, -over, -down, -disabled.
face() {
    local kind=$1 prefix=$2 w=$3 h=$4 arg=${5:-}
    local state
    for state in normal over down disabled; do
        "${kind}_svg" "$state" "$w" "$h" $arg >"$work/face.svg"
        render "$work/face.svg" "$prefix-$state.bmp" '#000000'
    done
}

# A page picture: the SVG (transparent outside its drawing) laid over the piece
# of the main window's background that the item covers, at X, Y of the main
# window; the picture's size is the SVG's. With a fifth argument, also a mask
# NAME.bmp: black where the SVG draws, white where it leaves the background
# (the item's window then takes only the drawn part).
# A page picture never holds the colour key: it would punch a hole in the
# window.
on_page() {
    on_panel main-bg.bmp "$@"
}

# The same over another panel's background: on_panel BACKGROUND SVG BMP X Y
# [MASK], for pictures on a popup.
on_panel() {
    local behind=$1 svg=$2 bmp=$3 x=$4 y=$5 mask=${6:-}
    rsvg-convert "$svg" -o "$work/page.png"
    local size
    size="$(identify -format '%wx%h' "$work/page.png")"
    convert "$out/$behind" -crop "$size+$x+$y" +repage "$work/page.png" -compose Over -composite \
        -alpha off -type TrueColor "BMP3:$out/$bmp"
    if [ -n "$mask" ]; then
        convert "$work/page.png" -alpha extract -threshold 0 -negate -type TrueColor "BMP3:$out/$mask"
    fi
    local keyed
    keyed="$(convert "$out/$bmp" -fill black +opaque '#FF00FF' -fill white -opaque '#FF00FF' -format '%[fx:maxima]' info:)"
    if [ "$keyed" != 0 ]; then
        echo "build-art: $bmp holds the colour key (magenta): is it placed inside its panel's shape?" >&2
        exit 1
    fi
}

# The four faces of a page button at X, Y of the main window:
# page_face KIND FILE-PREFIX X Y WIDTH HEIGHT [ARG...].
page_face() {
    local kind=$1 prefix=$2 x=$3 y=$4 w=$5 h=$6
    shift 6
    local state
    for state in normal over down disabled; do
        "${kind}_svg" "$state" "$w" "$h" "$@" >"$work/face.svg"
        on_page "$work/face.svg" "$prefix-$state.bmp" "$x" "$y"
    done
}

# --- main window -----------------------------------------------------------
panel "$here/mainframe.svg" main '#0B0C0F'
render "$here/logo.svg" logo.bmp '#111318'
face tab    tab      180 41
# the tray companion's on-screen display (TrayDisplay.xml)
render "$here/osd.svg" osd-bg.bmp '#0B0C0F'
face button button   120 36
face icon   help      32 32 help
face icon   exit      32 32 close

# --- popup boxes: one outline, a frame per kind (popup.sh) --------------------
# Their OK and Cancel buttons use the dialog button faces above.
for kind in warn ask entry key; do
    popup_svg "$kind" >"$work/popup.svg"
    panel "$work/popup.svg" "popup-$kind" '#0B0C0F'
done

# The profile preview (PreviewPopup.xml): a larger frame of the same outline,
# and the numbers of the top view's seven buttons beside its text lines.
popup_svg preview 620 500 276 >"$work/popup.svg"
panel "$work/popup.svg" popup-preview '#0B0C0F'
numstrip_svg 7 16 24 >"$work/strip.svg"
on_panel popup-preview-bg.bmp "$work/strip.svg" preview-button-numbers.bmp 24 76
numstrip_svg 12 16 24 >"$work/strip12.svg"
on_panel popup-preview-bg.bmp "$work/strip12.svg" preview-key-numbers.bmp 24 76

# The predefined-command popup (AdvancedMacroPopup.xml): a wider, taller frame
# for its two lists, and the faces of the add button beside each list (each
# laid over the piece of the frame behind it: x 326, y 89 and y 143).
popup_svg commands 460 250 182 >"$work/popup.svg"
panel "$work/popup.svg" popup-commands '#0B0C0F'
for state in normal over down disabled; do
    page_button_svg "$state" 112 28 plus >"$work/face.svg"
    on_panel popup-commands-bg.bmp "$work/face.svg" "command-add-basic-$state.bmp" 326 89
    on_panel popup-commands-bg.bmp "$work/face.svg" "command-add-more-$state.bmp" 326 143
done

# --- pages: pictures and buttons laid over the content area (pages.sh) --------
# Positions are those of the items in assets/xml; a picture moved there must
# be moved here too, or it shows a piece of background from elsewhere.
rule_svg 888 6 >"$work/rule.svg"
on_page "$work/rule.svg" page-rule.bmp 36 192
# assign pages: the view switch stands at the same place on both
page_face page_button view-switch 724 142 200 32 switch
on_page "$here/mouse-top.svg" mouse-top.bmp 310 200
thumbgrid_svg >"$work/thumbgrid.svg"
on_page "$work/thumbgrid.svg" thumb-grid.bmp 36 200
page_face toggle keypad-123 490 466 64 30 left
page_face toggle keypad-num 554 466 64 30 right
page_face page_button disable-keys 740 466 180 30 hatch
# manage profiles: the frame with the well of the profile list (list at
# x 52, y 244, 664 x 140 of the main window) and the buttons beside it
frame_svg 888 340 profiles "$(list_well_svg 16 48 664 140)" >"$work/frame.svg"
on_page "$work/frame.svg" frame-profiles.bmp 36 196 frame-profiles-mask.bmp
page_face page_button profile-new 736 244 172 34 plus
page_face page_button profile-import 736 290 172 34 in
page_face page_button profile-export 736 336 172 34 out
page_face page_button profile-delete 736 382 172 34 cross
# manage macros: the frame with the wells of the macro list (x 52, y 244,
# 210 x 252) and of the macro display (x 278, y 244, 340 x 252), and the
# buttons and check boxes of the column beside them
frame_svg 888 340 macros "$(list_well_svg 16 48 210 252; list_well_svg 242 48 340 252)" >"$work/frame.svg"
on_page "$work/frame.svg" frame-macros.bmp 36 196 frame-macros-mask.bmp
page_face page_button macro-new 636 244 132 32 plus
page_face page_button macro-import 776 244 132 32 in
page_face page_button macro-export 636 284 132 32 out
page_face page_button macro-delete 776 284 132 32 cross
page_face page_button macro-record 636 330 272 34 record
page_face page_button macro-insert 636 372 272 34 insert
page_face check macro-ignore-delay 640 426 18 18
page_face check macro-default-delay 640 456 18 18
# performance: the frame with a rule between the sensitivity column (to
# x 632) and the column of the polling rate, display and stages (from x 656)
# at x 640; the sliders' tracks (sliders.sh) at their items' places; check
# boxes, rate switch and the stages button
frame_svg 888 340 performance '<rect x="604" y="44" width="1" height="276" fill="#23272F"/>' >"$work/frame.svg"
on_page "$work/frame.svg" frame-performance.bmp 36 196 frame-performance-mask.bmp
axis_frame_svg 584 112 >"$work/axes.svg"
on_page "$work/axes.svg" sens-axes-frame.bmp 48 264 sens-axes-frame-mask.bmp
# sensitivity: 56 positions (100 .. 5600 in steps of 100), a short tick every
# 500, a long one every 1000; a 455 px strip makes p = 8
track_svg normal 455 46 455 56 5 10 >"$work/track.svg"
on_page "$work/track.svg" sens-track.bmp 60 272
track_svg normal 560 46 455 56 5 10 >"$work/track.svg"
on_page "$work/track.svg" sens-track-y.bmp 60 324
# acceleration: 10 positions, a 456 px strip makes p = 49
track_svg normal 456 46 456 10 1 10 >"$work/track.svg"
on_page "$work/track.svg" accel-track.bmp 60 476
track_svg disabled 456 46 456 10 1 10 >"$work/track.svg"
on_page "$work/track.svg" accel-track-disabled.bmp 60 476
page_face check perf-separate-xy 56 386 18 18
page_face check perf-acceleration 56 446 18 18
page_face check perf-dpi-display 660 348 18 18
page_face toggle rate-1 656 262 84 30 left
page_face toggle rate-2 740 262 84 30 middle
page_face toggle rate-3 824 262 84 30 right
page_face page_button perf-stages 656 436 252 34 switch
# lighting: the frame with a rule between the lights (to x 464) and the
# maintenance column (from x 496) at x 480; the on / off switches, the
# check box, and the buttons
frame_svg 888 340 lighting '<rect x="444" y="44" width="1" height="276" fill="#23272F"/>' >"$work/frame.svg"
on_page "$work/frame.svg" frame-lighting.bmp 36 196 frame-lighting-mask.bmp
page_face toggle scroll-on 56 262 90 30 left
page_face toggle scroll-off 146 262 90 30 right
page_face toggle glow-on 56 332 90 30 left
page_face toggle glow-off 146 332 90 30 right
page_face check profile-display 56 384 18 18
page_face page_button light-reset 56 440 220 34 restore
page_face page_button light-update 496 314 200 34 in
page_face page_button light-addons 496 436 200 34 plus

# The sensitivity stages (DPIStagesPopup.xml): the frame with a black content
# area, the buttons beside the stage count, the check box and the tracks.
popup_svg stages 620 452 388 >"$work/popup.svg"
panel "$work/popup.svg" popup-stages '#0B0C0F'
for state in normal over down disabled; do
    page_button_svg "$state" 28 28 minus >"$work/face.svg"
    on_panel popup-stages-bg.bmp "$work/face.svg" "stages-fewer-$state.bmp" 476 40
    page_button_svg "$state" 28 28 plus >"$work/face.svg"
    on_panel popup-stages-bg.bmp "$work/face.svg" "stages-more-$state.bmp" 568 40
    check_svg "$state" 18 >"$work/face.svg"
    on_panel popup-stages-bg.bmp "$work/face.svg" "stages-separate-xy-$state.bmp" 34 240
done
# 56 positions as on the page; a 565 px strip makes p = 10
track_svg normal 565 46 565 56 5 10 >"$work/track.svg"
on_panel popup-stages-bg.bmp "$work/track.svg" stages-track.bmp 28 272
on_panel popup-stages-bg.bmp "$work/track.svg" stages-track-y.bmp 28 324

# --- the sliders' thumbs (sliders.sh): the outside in the key colour ---------
for state in normal over disabled; do
    thumb_svg "$state" >"$work/thumb.svg"
    rsvg-convert "$work/thumb.svg" -o "$work/thumb.png"
    convert "$work/thumb.png" -alpha extract -threshold 50% -type TrueColor "$work/thumb-shape.png"
    convert "$work/thumb.png" -background '#0B0C0F' -flatten -alpha off \
        \( "$work/thumb-shape.png" \) -alpha off -compose CopyOpacity -composite \
        -background "$THUMB_KEY" -compose Over -flatten -alpha off -type TrueColor "BMP3:$out/thumb-$state.bmp"
done

# --- the drop-down lists' scroll bar ------------------------------------------
for part in thumb top bottom up down track; do
    vscroll_svg "$part" >"$work/vscroll.svg"
    render "$work/vscroll.svg" "vscroll-$part.bmp" '#0B0B0B'
done

# --- list check boxes (checkbox.sh) ------------------------------------------
checkbox_svg unchecked >"$work/checkbox.svg"
render "$work/checkbox.svg" checkbox3.bmp '#0B0B0B'
checkbox_svg checked >"$work/checkbox.svg"
render "$work/checkbox.svg" checkbox4.bmp '#0B0B0B'
source "$here/stages.sh"  # the sensitivity-stage tiles: templates and their rendering
source "$here/macros.sh"  # the macro display's row pictures: templates and their rendering
