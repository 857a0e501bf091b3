# The sliders' pictures as SVG templates, sourced by build-art.sh: the track
# items (BITMAPITEM) that the sliders (HSLIDERM) sit on, the thumbs, and the
# frame around the separate X and Y rows of the performance page.
#
# Geometry shared by every slider of the skin:
#   slider strip   the top SLIDER_H pixels of its track item, from x 0: the
#                  slider is the track item's child at (0, 0) and its track
#                  picture is the piece of the item's picture it covers
#   thumb          THUMB_W x SLIDER_H (15 x 26), as high as the strip (a thumb
#                  stands at the strip's top); its middle column is x 7
#   offsets        loffset 7, roffset 8: the first position puts the thumb's
#                  left edge on the strip's left edge, the last its right edge
#                  on the strip's right edge
#   position v     (1 .. n, the slider's minimum being 1) puts the thumb's
#                  left edge at (v - 1) * p, p = (strip width - 15) / (n - 1),
#                  its middle column at 7 + (v - 1) * p: the tick marks are
#                  drawn there. Strip widths are chosen so that p is a whole
#                  number (no rounding between ticks and thumbs)
#   label band     below the strip, y SLIDER_H .. item height: the scale's end
#                  values and the axis name, text items placed on the track
#                  item (windowid) so that they show and hide with it
#
# Palette as faces.sh and pages.sh: body #0B0C0F, panel #15181D, edge #2C313A,
# light edge #3A404B, accent #00C8FF; greys of the disabled faces #121418,
# #22262D.

readonly SLIDER_H=26 THUMB_W=15 THUMB_LEFT=7 THUMB_RIGHT=8
# The colour the thumbs' window shape leaves out (the colour of a thumb
# picture's top-left pixel). Not magenta: that is the main window's own key,
# and a stray pixel of it would be a hole through the whole window.
readonly THUMB_KEY='#00FF00'

# track_svg STATE WIDTH HEIGHT STRIP POSITIONS MINOR MAJOR: a track item of
# WIDTH x HEIGHT whose strip is STRIP wide, with POSITIONS positions; a short
# tick at every MINOR-th position, a long one at every MAJOR-th and at both
# ends (position numbers count from 1). STATE normal or disabled. The outside
# of the drawing stays transparent: build-art.sh lays it over what lies
# behind the item.
track_svg() {
    local state=$1 w=$2 h=$3 strip=$4 n=$5 minor=$6 major=$7
    local edge well lit tick tickmajor ends
    case $state in
        normal)   edge='#3A404B' well='#07080A' lit='#00C8FF' tick='#3A404B' tickmajor='#6C7482' ends='#00C8FF' ;;
        disabled) edge='#22262D' well='#0D0F12' lit='none'    tick='#22262D' tickmajor='#2C313A' ends='#2C313A' ;;
    esac
    local gy=$((SLIDER_H / 2))
    local left=$THUMB_LEFT right=$((strip - THUMB_RIGHT))
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="groove" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#000000"/><stop offset="1" stop-color="$well"/>
    </linearGradient>
  </defs>
  <!-- the groove, its ends on the first and the last position -->
  <rect x="$((left - 3)).5" y="$((gy - 3)).5" width="$((right - left + 6))" height="6" rx="3"
        fill="url(#groove)" stroke="$edge"/>
EOF
    if [ "$lit" != none ]; then
        cat <<EOF
  <rect x="$left" y="$gy" width="$((right - left + 1))" height="1" fill="$lit" opacity="0.45"/>
EOF
    fi
    # ticks under the groove, one per marked position
    awk -v n="$n" -v minor="$minor" -v major="$major" -v l="$left" -v r="$right" -v top=$((gy + 6)) \
        -v tick="$tick" -v tickmajor="$tickmajor" -v ends="$ends" 'BEGIN {
        for (v = 1; v <= n; v++) {
            x = int(l + (v - 1) * (r - l) / (n - 1)) + 0.5
            if (v == 1 || v == n)
                printf "  <path d=\"M%.1f,%d V%d\" stroke=\"%s\" stroke-width=\"1\"/>\n", x, top, top + 7, ends
            else if (v % major == 0)
                printf "  <path d=\"M%.1f,%d V%d\" stroke=\"%s\" stroke-width=\"1\"/>\n", x, top, top + 6, tickmajor
            else if (v % minor == 0)
                printf "  <path d=\"M%.1f,%d V%d\" stroke=\"%s\" stroke-width=\"1\"/>\n", x, top, top + 3, tick
        }
    }'
    echo "</svg>"
}

# thumb_svg STATE: one thumb, THUMB_W x SLIDER_H, pointing down at the ticks;
# STATE normal, over (hot or dragged) or disabled. Transparent outside its
# shape; build-art.sh paints the outside in the key colour.
thumb_svg() {
    local state=$1 w=$THUMB_W h=$SLIDER_H
    local top bottom edge grip glow=0
    case $state in
        normal)   top='#2C313B' bottom='#1A1D24' edge='#6C7482' grip='#00C8FF' ;;
        over)     top='#3A4150' bottom='#222731' edge='#00C8FF' grip='#E8FAFF' glow=1 ;;
        disabled) top='#181B20' bottom='#121418' edge='#2C313A' grip='#2C313A' ;;
    esac
    local shape="M3,0.5 H$((w - 3)) L$((w - 1)).5,3.5 V$((h - 8)) L7.5,$((h - 1)).5 L0.5,$((h - 8)) V3.5 Z"
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="fill" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="$top"/><stop offset="1" stop-color="$bottom"/>
    </linearGradient>
  </defs>
  <path d="$shape" fill="url(#fill)" stroke="$edge" stroke-width="1"/>
  <path d="M7.5,5 V$((h - 10))" stroke="$grip" stroke-width="3"/>
EOF
    if [ "$glow" = 1 ]; then
        echo "  <path d=\"M3.5,5 V$((h - 10)) M$((w - 4)).5,5 V$((h - 10))\" stroke=\"#00C8FF\" stroke-width=\"1\" opacity=\"0.5\"/>"
    fi
    echo "</svg>"
}

# axis_frame_svg WIDTH HEIGHT: the frame around the separate X and Y rows
# (BITMAP_SENSWINDOW2): an edge with a lit corner, only the drawing (its mask
# makes the drawing the item's window, so the rows inside stay uncovered).
axis_frame_svg() {
    local w=$1 h=$2 c=10
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <path d="M$c.5,0.5 H$((w - 1)).5 V$((h - c - 1)).5 L$((w - c - 1)).5,$((h - 1)).5 H0.5 V$c.5 Z"
        fill="none" stroke="#23272F"/>
  <path d="M1,$((c + 24)) V$c L$c,1 H$((c + 60))" fill="none" stroke="#00C8FF" stroke-width="2"/>
  <path d="M$((w - 1)),$((h - c - 18)) V$((h - c)) L$((w - c)),$((h - 1)) H$((w - c - 18))" fill="none"
        stroke="#3A404B" stroke-width="2"/>
</svg>
EOF
}
