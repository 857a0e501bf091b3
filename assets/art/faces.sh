# Button faces as SVG templates, sourced by build-art.sh. Each function prints
# one face: <kind>_svg STATE WIDTH HEIGHT, STATE one of normal, over, down,
# disabled (the four faces a skinned button draws). Faces are opaque: the
# corners that the shape leaves free are painted in the colour of the frame
# behind the button, which is why each kind names the background it sits on.
#
# Palette: body #0B0C0F, header #111318, panel top #15181D, edge #2C313A,
# accent #00C8FF (the one accent colour of the whole skin).

readonly ACCENT='#00C8FF'

# Page tab, for the tab strip (background #0B0C0F). The active tab ("down")
# is open at the bottom in the content area's colour, so it joins the page.
tab_svg() {
    local state=$1 w=$2 h=$3
    local top bottom edge bar base
    case $state in
        normal)   top='#191C22' bottom='#121419' edge='#2A2F38' bar='none'      base='#272B33' ;;
        over)     top='#20252D' bottom='#171A20' edge='#0E7FA3' bar="$ACCENT"   base='#272B33' ;;
        down)     top='#1F252E' bottom='#15181D' edge='#2F3540' bar="$ACCENT"   base='#15181D' ;;
        disabled) top='#101215' bottom='#0E1013' edge='#1B1E24' bar='none'      base='#272B33' ;;
    esac
    local c=14 # chamfer of the top right corner
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="fill" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="$top"/><stop offset="1" stop-color="$bottom"/>
    </linearGradient>
    <filter id="glow" x="-10%" y="-200%" width="120%" height="500%"><feGaussianBlur stdDeviation="2.5"/></filter>
  </defs>
  <rect width="$w" height="$h" fill="#0B0C0F"/>
  <path d="M0,$h V0 H$((w - c)) L$w,$c V$h Z" fill="url(#fill)"/>
  <path d="M0.5,$h V0.5 H$((w - c)).3 L$((w - 1)).5,$c.7 V$h" fill="none" stroke="$edge"/>
EOF
    if [ "$state" = over ]; then
        # a short lit edge: the tab answers the pointer without looking chosen
        cat <<EOF
  <rect x="0" y="0" width="$(((w - c) / 3))" height="2" fill="$bar"/>
EOF
    elif [ "$state" = down ]; then
        cat <<EOF
  <path d="M0,0 H$((w - c)) L$((w - c + 3)),3 H0 Z" fill="$bar"/>
  <rect x="4" y="0" width="$((w - c - 8))" height="8" fill="$bar" opacity="0.55" filter="url(#glow)"/>
EOF
    fi
    if [ "$state" = down ]; then
        # a soft light falling from the bar into the tab
        cat <<EOF
  <linearGradient id="light" x1="0" y1="0" x2="0" y2="1">
    <stop offset="0" stop-color="$ACCENT" stop-opacity="0.16"/><stop offset="1" stop-color="$ACCENT" stop-opacity="0"/>
  </linearGradient>
  <path d="M1,3 H$((w - c)) L$((w - 1)),$((c + 1)) V$((h - 1)) H1 Z" fill="url(#light)"/>
EOF
    fi
    cat <<EOF
  <rect x="0" y="$((h - 1))" width="$w" height="1" fill="$base"/>
</svg>
EOF
}

# Dialog button (OK, Apply, Cancel) on the bottom bar (background #0B0C0F):
# chamfered top left and bottom right corners.
button_svg() {
    local state=$1 w=$2 h=$3
    local top bottom edge mark
    case $state in
        normal)   top='#1E2229' bottom='#15181D' edge='#363C47' mark="$ACCENT" ;;
        over)     top='#252B35' bottom='#1A1E25' edge="$ACCENT"  mark="$ACCENT" ;;
        down)     top='#47DAFF' bottom='#00A3D6' edge="$ACCENT"  mark='#E8FAFF' ;;
        disabled) top='#121418' bottom='#101216' edge='#22262D' mark='#2C313A' ;;
    esac
    local c=9
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="fill" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="$top"/><stop offset="1" stop-color="$bottom"/>
    </linearGradient>
    <filter id="glow" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="2"/></filter>
  </defs>
  <rect width="$w" height="$h" fill="#0B0C0F"/>
  <path d="M$c,0 H$w V$((h - c)) L$((w - c)),$h H0 V$c Z" fill="url(#fill)"/>
EOF
    if [ "$state" = over ]; then
        cat <<EOF
  <path d="M$c.5,1.5 H$((w - 2)).5 V$((h - c - 1)) L$((w - c - 1)),$((h - 2)).5 H1.5 V$((c + 1)) Z"
        fill="none" stroke="$ACCENT" stroke-width="3" opacity="0.35" filter="url(#glow)"/>
EOF
    fi
    cat <<EOF
  <path d="M$c.4,0.5 H$((w - 1)).5 V$((h - c)).4 L$((w - c)).4,$((h - 1)).5 H0.5 V$c.4 Z"
        fill="none" stroke="$edge"/>
  <path d="M1,$((c + 3)) V$c L$c,1 H$((c + 3))" fill="none" stroke="$mark" stroke-width="2"/>
  <path d="M$((w - 1)),$((h - c - 3)) V$((h - c)) L$((w - c)),$((h - 1)) H$((w - c - 3))" fill="none"
        stroke="$mark" stroke-width="2"/>
</svg>
EOF
}

# Square window button in the header (background #111318) with a glyph:
# icon_svg STATE WIDTH HEIGHT GLYPH, GLYPH one of close, help.
icon_svg() {
    local state=$1 w=$2 h=$3 glyph=$4
    local fill edge ink
    case $state in
        normal)   fill='#16191F' edge='#2C313A' ink='#9AA3B2' ;;
        over)     fill='#1B2029' edge="$ACCENT"  ink="$ACCENT" ;;
        down)     fill="$ACCENT"  edge="$ACCENT"  ink='#0B0C0F' ;;
        disabled) fill='#121418' edge='#1E2127' ink='#3A404B' ;;
    esac
    local c=6 mx=$((w / 2)) my=$((h / 2))
    local art
    case $glyph in
        close) art="<path d=\"M$((mx - 5)),$((my - 5)) L$((mx + 5)),$((my + 5)) M$((mx + 5)),$((my - 5)) L$((mx - 5)),$((my + 5))\"
        fill=\"none\" stroke=\"$ink\" stroke-width=\"2.4\" stroke-linecap=\"square\"/>" ;;
        help) art="<path d=\"M$((mx - 4)),$((my - 3)) C$((mx - 4)),$((my - 7)) $((mx - 2)),$((my - 8)) $mx,$((my - 8))
        C$((mx + 3)),$((my - 8)) $((mx + 4)).5,$((my - 6)) $((mx + 4)).5,$((my - 4)) C$((mx + 4)).5,$((my - 1))
        $mx,$((my - 1)) $mx,$((my + 2)) V$((my + 3))\" fill=\"none\" stroke=\"$ink\" stroke-width=\"2.4\"/>
  <rect x=\"$((mx - 1)).2\" y=\"$((my + 5))\" width=\"2.6\" height=\"2.6\" fill=\"$ink\"/>" ;;
    esac
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <rect width="$w" height="$h" fill="#111318"/>
  <path d="M$c.4,0.5 H$((w - 1)).5 V$((h - c)).4 L$((w - c)).4,$((h - 1)).5 H0.5 V$c.4 Z" fill="$fill"
        stroke="$edge"/>
  $art
</svg>
EOF
}
