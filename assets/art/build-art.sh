#!/usr/bin/env bash
# Renders every skin picture from its source in assets/art into the given
# folder (the module directory's skins\). Usage: build-art.sh OUTDIR
#
# Sources: *.svg here (frame, logo), the face templates of faces.sh, the
# popup frames of popup.sh and the list check boxes of checkbox.sh.
# Output: 24-bit uncompressed BMP only (what the program's picture loader
# reads on every platform); the same sources give the same bytes.
set -euo pipefail
out="${1:?output folder}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
# shellcheck source=faces.sh
source "$here/faces.sh"
# shellcheck source=popup.sh
source "$here/popup.sh"
# shellcheck source=checkbox.sh
source "$here/checkbox.sh"

for tool in rsvg-convert convert; do
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

# --- main window -----------------------------------------------------------
panel "$here/mainframe.svg" main '#0B0C0F'
render "$here/logo.svg" logo.bmp '#111318'
face tab    tab      180 41
face button button   120 36
face icon   help      32 32 help
face icon   exit      32 32 close

# --- popup boxes: one outline, a frame per kind (popup.sh) --------------------
# Their OK and Cancel buttons use the dialog button faces above.
for kind in warn ask entry key; do
    popup_svg "$kind" >"$work/popup.svg"
    panel "$work/popup.svg" "popup-$kind" '#0B0C0F'
done

# --- list check boxes (checkbox.sh) ------------------------------------------
checkbox_svg unchecked >"$work/checkbox.svg"
render "$work/checkbox.svg" checkbox3.bmp '#0B0B0B'
checkbox_svg checked >"$work/checkbox.svg"
render "$work/checkbox.svg" checkbox4.bmp '#0B0B0B'
