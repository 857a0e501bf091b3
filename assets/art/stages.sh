# The sensitivity-stage tiles (DPISTAGEWINDOW), sourced at the end of
# build-art.sh: it defines the SVG templates and renders them with render().
#
# Sizes. Both stage popups set five tiles in a row in a 560 px wide area:
# tiles of 104 x 120 with 10 px between them (5 x 104 + 4 x 10 = 560).
#   stage-frame.bmp           104 x 120  DPIFRAME, the whole tile
#   stage-frame-selected.bmp  104 x 120  DPIFRAMESELECTED
#   stage-value.bmp            76 x 28   DPIWIN
#   stage-value-x.bmp          76 x 28   DPIWINX
#   stage-value-y.bmp          76 x 28   DPIWINY
#   stageSelected.bmp          76 x 28   every value window of a selected tile
# The tile writes its numbers on black inside the value window, 3 px in from
# the left and right and 2 px from the top and bottom: only that edge of a
# value picture shows, so the edge is what tells the states apart.
#
# Layout of a tile (left, top, width, height, relative to the tile):
#   HEADING                     0,  2, 104, 22   inside the heading band (y 0..24)
#   one value:   DPIWIN        14, 46,  76, 28   DPI label  0, 82, 104, 18
#   X and Y:     X              4, 32,  16, 28   DPIWINX   22, 32, 76, 28
#                Y              4, 66,  16, 28   DPIWINY   22, 66, 76, 28
#                DPIX label     0, 98, 104, 16   (DPIY left out, or in its place)
#
# Palette as faces.sh and pages.sh: body #0B0C0F, panel #15181D, edge
# #2C313A, light edge #3A404B, accent #00C8FF. The tiles stand on the popup's
# body colour, so the corners their chamfers leave free are painted in it:
# stage-frame*.bmp for the preview (#0B0C0F), stage-frame-black*.bmp for the
# stages popup, whose content area is black (as a tile not in use, which
# erases to black).

readonly STAGE_W=104 STAGE_H=120 STAGE_VALUE_W=76 STAGE_VALUE_H=28

# stage_frame_svg normal|selected [BEHIND]: BEHIND is the colour of the
# popup under the tile (the corners the chamfers leave free), #0B0C0F unless
# given.
stage_frame_svg() {
    local state=$1 behind=${2:-#0B0C0F} w=$STAGE_W h=$STAGE_H c=10
    local edge band_top band_bottom rule glow
    case $state in
        normal)   edge='#2C313A' band_top='#1C2028' band_bottom='#15181D' rule='#2C313A' glow=0 ;;
        selected) edge='#00C8FF' band_top='#0D4458' band_bottom='#102A36' rule='#00C8FF' glow=1 ;;
    esac
    local outline="M$c.5,0.5 H$((w - 1)).5 V$((h - c - 1)).5 L$((w - c - 1)).5,$((h - 1)).5 H0.5 V$c.5 Z"
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="body" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#15181D"/><stop offset="1" stop-color="#0F1115"/>
    </linearGradient>
    <linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="$band_top"/><stop offset="1" stop-color="$band_bottom"/>
    </linearGradient>
    <clipPath id="inside"><path d="$outline"/></clipPath>
    <filter id="glow" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="2"/></filter>
  </defs>
  <rect width="$w" height="$h" fill="$behind"/>
  <path d="$outline" fill="url(#body)"/>
  <g clip-path="url(#inside)">
    <rect x="0" y="0" width="$w" height="24" fill="url(#band)"/>
    <rect x="0" y="24" width="$w" height="1" fill="$rule" opacity="0.8"/>
    <g stroke="#1E222A" stroke-width="1">
      <path d="M8,$((h - 8)).5 H$((w - c - 10))"/>
      <path d="M8,$((h - 5)).5 H$((w - c - 24))"/>
    </g>
  </g>
EOF
    if [ "$glow" = 1 ]; then
        cat <<EOF
  <path d="$outline" fill="none" stroke="#00C8FF" stroke-width="4" opacity="0.45" filter="url(#glow)"
        clip-path="url(#inside)"/>
EOF
    fi
    cat <<EOF
  <path d="$outline" fill="none" stroke="$edge" stroke-width="1"/>
  <path d="M0.5,$((c + 12)) V$c.5 L$c.5,0.5 H$((c + 22))" fill="none" stroke="$edge" stroke-width="2"/>
</svg>
EOF
}

# stage_value_svg plain|x|y|selected: a value window; black inside its edge.
stage_value_svg() {
    local kind=$1 w=$STAGE_VALUE_W h=$STAGE_VALUE_H
    local outer='#3A404B' ring='#1B1F26' mark=''
    case $kind in
        x) mark="<rect x=\"1\" y=\"3\" width=\"2\" height=\"$((h / 2 - 3))\" fill=\"#00C8FF\" opacity=\"0.7\"/>" ;;
        y) mark="<rect x=\"1\" y=\"$((h / 2))\" width=\"2\" height=\"$((h / 2 - 3))\" fill=\"#00C8FF\" opacity=\"0.7\"/>" ;;
        selected) outer='#00C8FF' ring='#0A6A88' ;;
    esac
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <rect width="$w" height="$h" fill="$ring"/>
  <rect x="0.5" y="0.5" width="$((w - 1))" height="$((h - 1))" fill="none" stroke="$outer"/>
  <rect x="3" y="2" width="$((w - 6))" height="$((h - 4))" fill="#000000"/>
  $mark
</svg>
EOF
}

stage_frame_svg normal >"$work/stage.svg"
render "$work/stage.svg" stage-frame.bmp '#0B0C0F'
stage_frame_svg selected >"$work/stage.svg"
render "$work/stage.svg" stage-frame-selected.bmp '#0B0C0F'
stage_frame_svg normal '#000000' >"$work/stage.svg"
render "$work/stage.svg" stage-frame-black.bmp '#000000'
stage_frame_svg selected '#000000' >"$work/stage.svg"
render "$work/stage.svg" stage-frame-black-selected.bmp '#000000'
stage_value_svg plain >"$work/stage.svg"
render "$work/stage.svg" stage-value.bmp '#000000'
stage_value_svg x >"$work/stage.svg"
render "$work/stage.svg" stage-value-x.bmp '#000000'
stage_value_svg y >"$work/stage.svg"
render "$work/stage.svg" stage-value-y.bmp '#000000'
stage_value_svg selected >"$work/stage.svg"
render "$work/stage.svg" stageSelected.bmp '#000000'
