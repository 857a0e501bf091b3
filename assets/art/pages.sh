# The page pictures as SVG templates, sourced by build-art.sh. Page items lie
# on the main window's content area (x 20..940, y 133..548), whose background
# is a gradient with a dot pattern: so every page picture and every button
# face here is drawn with a transparent outside, and build-art.sh lays it over
# the piece of the main window's background that lies behind the item. The
# pictures thereby blend into the page wherever they stand.
#
# Layout shared by the page files (assets/xml/<Page>.xml):
#   heading        x 40..600,  y 142..168
#   hint line      x 40..700,  y 169..189
#   view switch    x 724..924, y 142..174 (assign pages)
#   rule           x 36..924,  y 192..198 (assign pages)
#   content        y 200..540 (assign pages)
#   frame          x 36..924,  y 196..536 (pages still to be filled)
#
# Palette as faces.sh: body #0B0C0F, panel #15181D, edge #2C313A, light edge
# #3A404B, accent #00C8FF. The drop-down boxes and lists draw themselves in
# the colours of the name table: BLACK2 #0B0B0B inside, DARKGREY #3A3A3A
# edge; the scroll-bar pictures sit on BLACK2.

# A digit drawn as strokes on a 6 x 10 grid: digit_path D prints the path data.
# Angular figures suit the skin and need no font on the build machine.
digit_path() {
    case $1 in
        0) echo 'M1.5,0 H4.5 L6,1.5 V8.5 L4.5,10 H1.5 L0,8.5 V1.5 Z' ;;
        1) echo 'M1.2,2.2 L3.6,0 V10' ;;
        2) echo 'M0,1.8 L1.5,0 H4.5 L6,1.5 V3.8 L0,8.6 V10 H6' ;;
        3) echo 'M0.3,0 H6 L2.6,4.2 H4.5 L6,5.7 V8.5 L4.5,10 H1.5 L0,8.5' ;;
        4) echo 'M4.6,10 V0 L0,7 H6' ;;
        5) echo 'M5.8,0 H0.6 L0.3,4.3 H4.5 L6,5.8 V8.5 L4.5,10 H0' ;;
        6) echo 'M5,0 H2.2 L0,2.2 V8.5 L1.5,10 H4.5 L6,8.5 V6 L4.5,4.5 H0' ;;
        7) echo 'M0,0 H6 V1 L2.2,10' ;;
        8) echo 'M1.5,0 H4.5 L6,1.5 V3.5 L4.5,5 H1.5 L0,6.5 V8.5 L1.5,10 H4.5 L6,8.5 V6.5 L4.5,5 H1.5 L0,3.5 V1.5 Z' ;;
        9) echo 'M6,5.5 H1.5 L0,4 V1.5 L1.5,0 H4.5 L6,1.5 V7.8 L3.8,10 H1' ;;
    esac
}

# A number (one or two digits) centred at CX, CY, digits HEIGHT pixels high:
# number_svg N CX CY HEIGHT COLOUR prints the SVG group.
number_svg() {
    local n=$1 cx=$2 cy=$3 height=$4 colour=$5
    local scale gap=3 width count i x0
    scale=$(awk -v h="$height" 'BEGIN { printf "%.4f", h / 10 }')
    count=${#n}
    # a digit is 6 units wide; digits stand 3 units apart
    width=$((count * 6 + (count - 1) * gap))
    x0=$(awk -v cx="$cx" -v w="$width" -v s="$scale" 'BEGIN { printf "%.2f", cx - w * s / 2 }')
    local y0
    y0=$(awk -v cy="$cy" -v h="$height" 'BEGIN { printf "%.2f", cy - h / 2 }')
    echo "<g transform=\"translate($x0 $y0) scale($scale)\" fill=\"none\" stroke=\"$colour\""
    echo "   stroke-width=\"$(awk -v s="$scale" 'BEGIN { printf "%.3f", 2.2 / s }')\" stroke-linecap=\"square\" stroke-linejoin=\"miter\">"
    for ((i = 0; i < count; i++)); do
        echo "  <path transform=\"translate($((i * (6 + gap))) 0)\" d=\"$(digit_path "${n:i:1}")\"/>"
    done
    echo "</g>"
}

# The thumb grid, twelve keys in 4 rows of 3, numbered 1..12 row by row as
# the drop-down boxes beside it (BITMAP_TARNVIEWSIDE, 260 x 340 at x 36,
# y 200). The keys stand on the side panel of the mouse, which curves in at
# its front and back ends.
thumbgrid_svg() {
    local w=260 h=340
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <radialGradient id="halo" cx="130" cy="170" r="160" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="#00C8FF" stop-opacity="0.09"/>
      <stop offset="1" stop-color="#00C8FF" stop-opacity="0"/>
    </radialGradient>
    <linearGradient id="plate" x1="0" y1="0" x2="1" y2="1">
      <stop offset="0" stop-color="#1A1E25"/>
      <stop offset="1" stop-color="#0F1115"/>
    </linearGradient>
    <linearGradient id="key" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#2C313B"/>
      <stop offset="1" stop-color="#1A1D24"/>
    </linearGradient>
    <radialGradient id="dish" cx="0.5" cy="0.42" r="0.55">
      <stop offset="0" stop-color="#0B0C0F" stop-opacity="0.55"/>
      <stop offset="1" stop-color="#0B0C0F" stop-opacity="0"/>
    </radialGradient>
    <filter id="glow" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="3"/></filter>
    <filter id="soft" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="6"/></filter>
  </defs>
  <rect width="$w" height="$h" fill="url(#halo)"/>
  <g stroke="#2C313A" stroke-dasharray="2 6" fill="none">
    <path d="M6,6 H60 M6,6 V60"/>
    <path d="M254,334 H200 M254,334 V280"/>
  </g>
  <!-- the side panel: a plate with cut corners, lit along its front edge -->
  <path d="M38,8 H222 L250,36 V304 L222,332 H38 L10,304 V36 Z" fill="#000000" opacity="0.5"
        filter="url(#soft)" transform="translate(0,5)"/>
  <path d="M38,8 H222 L250,36 V304 L222,332 H38 L10,304 V36 Z" fill="url(#plate)" stroke="#3A404B"
        stroke-width="1.5"/>
  <path d="M11,60 V36 L38,9 H90" fill="none" stroke="#00C8FF" stroke-width="2"/>
  <path d="M11,60 V36 L38,9 H90" fill="none" stroke="#00C8FF" stroke-width="5" opacity="0.35"
        filter="url(#glow)"/>
  <path d="M249,280 V304 L222,331 H170" fill="none" stroke="#00C8FF" stroke-width="2"/>
EOF
    local row col n x y
    for ((row = 0; row < 4; row++)); do
        for ((col = 0; col < 3; col++)); do
            n=$((row * 3 + col + 1))
            x=$((30 + col * 70))
            y=$((24 + row * 76))
            cat <<EOF
  <g>
    <rect x="$x.5" y="$((y + 2)).5" width="59" height="63" rx="9" fill="#07080A"/>
    <rect x="$x.5" y="$y.5" width="59" height="63" rx="9" fill="url(#key)" stroke="#4A515E"/>
    <rect x="$((x + 6))" y="$((y + 6))" width="48" height="52" rx="7" fill="url(#dish)"/>
    <path d="M$((x + 9)).5,$((y + 1)).5 H$((x + 50)).5" stroke="#5A6270" stroke-width="1"/>
    <path d="M$((x + 14)),$((y + 58)) H$((x + 46))" stroke="#00C8FF" stroke-width="2" stroke-opacity="0.55"/>
EOF
            number_svg "$n" $((x + 30)) $((y + 30)) 18 '#E2E7EF' | sed 's/^/    /'
            echo "  </g>"
        done
    done
    echo "</svg>"
}

# A thin rule under a page's heading, with a lit stretch at its start like
# the line under the logo: rule_svg WIDTH HEIGHT.
rule_svg() {
    local w=$1 h=$2
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="fade" x1="0" y1="0" x2="1" y2="0">
      <stop offset="0" stop-color="#3A404B"/><stop offset="1" stop-color="#3A404B" stop-opacity="0.2"/>
    </linearGradient>
    <filter id="glow" x="-10%" y="-200%" width="120%" height="500%"><feGaussianBlur stdDeviation="1.2"/></filter>
  </defs>
  <rect x="0" y="$((h / 2))" width="$w" height="1" fill="url(#fade)"/>
  <rect x="0" y="$((h / 2 - 1))" width="180" height="2" fill="#00C8FF" opacity="0.6" filter="url(#glow)"/>
  <rect x="0" y="$((h / 2 - 1))" width="180" height="2" fill="#00C8FF"/>
  <path d="M180,$((h / 2 - 1)) h6 l-2,2 h-4 Z" fill="#00C8FF"/>
</svg>
EOF
}

# The emblem of a page, drawn in a 24 x 24 box at 0,0: emblem_svg KIND with
# KIND one of performance (a gauge), profiles (stacked cards), macros (a
# record mark on a time line), lighting (a lamp with rays).
emblem_svg() {
    case $1 in
        performance) cat <<'EOF'
<path d="M3,18 A9.5,9.5 0 1 1 21,18" fill="none" stroke="#00C8FF" stroke-width="2" stroke-linecap="round"/>
<path d="M12,16 L17.5,8.5" stroke="#00C8FF" stroke-width="2" stroke-linecap="round"/>
<circle cx="12" cy="16" r="2.2" fill="#00C8FF"/>
<path d="M5,11.5 L6.8,12.4 M12,5 V7 M19,11.5 L17.2,12.4" stroke="#00C8FF" stroke-width="1.5"/>
EOF
        ;;
        profiles) cat <<'EOF'
<rect x="7" y="3" width="14" height="10" rx="1.5" fill="none" stroke="#00C8FF" stroke-width="1.5" opacity="0.55"/>
<rect x="5" y="7" width="14" height="10" rx="1.5" fill="#15181D" stroke="#00C8FF" stroke-width="1.5" opacity="0.8"/>
<rect x="3" y="11" width="14" height="10" rx="1.5" fill="#15181D" stroke="#00C8FF" stroke-width="2"/>
<path d="M6,16 H14" stroke="#00C8FF" stroke-width="1.5"/>
EOF
        ;;
        macros) cat <<'EOF'
<circle cx="7" cy="12" r="4.5" fill="#00C8FF"/>
<path d="M14,12 H23 M14,7 V17 M18.5,9 V15 M23,7 V17" stroke="#00C8FF" stroke-width="1.8"/>
EOF
        ;;
        lighting) cat <<'EOF'
<path d="M12,4 C16.4,4 19,7.2 19,10.6 C19,13.4 17,15 16,16.6 V18.5 H8 V16.6 C7,15 5,13.4 5,10.6 C5,7.2 7.6,4 12,4 Z"
      fill="none" stroke="#00C8FF" stroke-width="1.8" stroke-linejoin="round"/>
<path d="M9,21.5 H15" stroke="#00C8FF" stroke-width="1.8" stroke-linecap="round"/>
<path d="M12,8 V13" stroke="#00C8FF" stroke-width="1.6" stroke-linecap="round"/>
<path d="M1,10.5 H2.5 M21.5,10.5 H23 M3.5,3.5 L4.6,4.6 M20.5,3.5 L19.4,4.6" stroke="#00C8FF" stroke-width="1.5"
      stroke-linecap="round"/>
EOF
        ;;
    esac
}

# The frame of a page: frame_svg WIDTH HEIGHT EMBLEM [EXTRA]. Only the frame
# is drawn (a header band with the page's emblem and vents, the edge, corner
# marks, and EXTRA, SVG drawn on top); the inside stays transparent, and
# build-art.sh makes the drawing itself the item's window region, so the
# items placed inside the frame are not covered by the picture.
frame_svg() {
    local w=$1 h=$2 emblem=$3 extra=${4:-}
    local c=14 band=30
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="band" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#1D2128"/><stop offset="1" stop-color="#15181D"/>
    </linearGradient>
    <pattern id="vents" width="10" height="14" patternUnits="userSpaceOnUse">
      <path d="M0,14 L5,0 H8 L3,14 Z" fill="#252A32"/>
    </pattern>
    <filter id="glow" x="-10%" y="-100%" width="120%" height="300%"><feGaussianBlur stdDeviation="2"/></filter>
  </defs>
  <!-- header band -->
  <path d="M0.5,$band.5 V0.5 H$((w - c)).5 L$((w - 1)).5,$c.5 V$band.5 Z" fill="url(#band)"/>
  <rect x="$((w - 250))" y="8" width="180" height="14" fill="url(#vents)"/>
  <rect x="$((w - 262))" y="8" width="4" height="14" fill="#00C8FF" opacity="0.8"/>
  <g transform="translate($((w - 54)) 3)">
$(emblem_svg "$emblem" | sed 's/^/    /')
  </g>
  <rect x="1" y="$band" width="$((w - 2))" height="1" fill="#2C313A"/>
  <!-- edge -->
  <path d="M0.5,$((h - 1)).5 V0.5 H$((w - c)).5 L$((w - 1)).5,$c.5 V$((h - 1)).5 Z" fill="none" stroke="#2C313A"/>
  <!-- lit marks: along the band's start, and the bottom corners -->
  <path d="M1,$((band + 20)) V1 H200" fill="none" stroke="#00C8FF" stroke-width="2"/>
  <path d="M1,$((band + 20)) V1 H200" fill="none" stroke="#00C8FF" stroke-width="4" opacity="0.4" filter="url(#glow)"/>
  <path d="M1,$((h - 30)) V$((h - 1)) H30" fill="none" stroke="#3A404B" stroke-width="2"/>
  <path d="M$((w - 1)),$((h - 30)) V$((h - 1)) H$((w - 30))" fill="none" stroke="#3A404B" stroke-width="2"/>
$extra
</svg>
EOF
}

# What the manage-profiles frame adds around the profile list (LIST_PROFILELIST
# at X, Y, W x H of the frame): a well edge 4 pixels out from the list, lit
# at its top left corner like the frame itself. list_well_svg X Y W H.
list_well_svg() {
    local x=$1 y=$2 w=$3 h=$4
    local l=$((x - 4)) t=$((y - 4)) r=$((x + w + 3)) b=$((y + h + 3))
    cat <<EOF
  <path d="M$l.5,$t.5 H$r.5 V$b.5 H$l.5 Z" fill="none" stroke="#23272F"/>
  <path d="M$((l + 1)),$((t + 28)) V$((t + 1)) H$((l + 90))" fill="none" stroke="#00C8FF" stroke-width="2"/>
  <path d="M$r,$((b - 20)) V$b H$((r - 20))" fill="none" stroke="#3A404B" stroke-width="2"/>
EOF
}

# The numbers 1..COUNT of the preview popup's top view, one under the other
# beside its text lines: COUNT cells of PITCH pixels, each a small plate
# with the number, WIDTH wide. numstrip_svg COUNT PITCH WIDTH.
numstrip_svg() {
    local count=$1 pitch=$2 w=$3
    local h=$((count * pitch)) i y
    echo "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"$w\" height=\"$h\" viewBox=\"0 0 $w $h\">"
    for ((i = 1; i <= count; i++)); do
        y=$(((i - 1) * pitch))
        cat <<EOF
  <path d="M3.5,$((y + 1)).5 H$((w - 1)).5 V$((y + pitch - 4)).5 L$((w - 4)).5,$((y + pitch - 1)).5 H0.5 V$((y + 4)).5 Z"
        fill="#111318" stroke="#2C313A"/>
  <rect x="0" y="$((y + 4))" width="2" height="$((pitch - 8))" fill="#00C8FF"/>
EOF
        number_svg "$i" $((w / 2 + 1)) $((y + pitch / 2)) 9 '#E2E7EF' | sed 's/^/  /'
    done
    echo "</svg>"
}

# --- button faces on the page (transparent outside, laid over the page) -----

# A page button (view switch, disable all): chamfered top left and bottom
# right corners as the dialog buttons. page_button_svg STATE W H [GLYPH],
# GLYPH "switch" adds two chevrons at the right end (the button changes the
# view), "hatch" draws the down face hatched (a check box held down means the
# keys are off); "plus", "in", "out" and "cross" draw a small mark at the
# left end (new, import, export, delete); "record" a recording dot, "insert"
# a row put between two others (insert a predefined command); "minus" a
# minus sign (one less); "restore" an arrow turning back (back to the
# defaults).
page_button_svg() {
    local state=$1 w=$2 h=$3 glyph=${4:-}
    local top bottom edge mark ink
    case $state in
        normal)   top='#1E2229' bottom='#15181D' edge='#363C47' mark='#00C8FF' ink='#6C7482' ;;
        over)     top='#252B35' bottom='#1A1E25' edge='#00C8FF' mark='#00C8FF' ink='#00C8FF' ;;
        down)     top='#47DAFF' bottom='#00A3D6' edge='#00C8FF' mark='#E8FAFF' ink='#0B0C0F' ;;
        disabled) top='#121418' bottom='#101216' edge='#22262D' mark='#2C313A' ink='#2C313A' ;;
    esac
    if [ "$state" = down ] && [ "$glyph" = hatch ]; then
        top='#0F1115' bottom='#0B0C0F' mark='#00C8FF' ink='#00C8FF'
    fi
    local c=8
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="fill" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="$top"/><stop offset="1" stop-color="$bottom"/>
    </linearGradient>
    <pattern id="hatch" width="8" height="8" patternUnits="userSpaceOnUse" patternTransform="rotate(45)">
      <rect width="3" height="8" fill="#1C2129"/>
    </pattern>
    <clipPath id="shape"><path d="M$c,0 H$w V$((h - c)) L$((w - c)),$h H0 V$c Z"/></clipPath>
  </defs>
  <path d="M$c,0 H$w V$((h - c)) L$((w - c)),$h H0 V$c Z" fill="url(#fill)"/>
EOF
    if [ "$state" = down ] && [ "$glyph" = hatch ]; then
        echo "  <rect width=\"$w\" height=\"$h\" fill=\"url(#hatch)\" clip-path=\"url(#shape)\"/>"
    fi
    cat <<EOF
  <path d="M$c.4,0.5 H$((w - 1)).5 V$((h - c)).4 L$((w - c)).4,$((h - 1)).5 H0.5 V$c.4 Z"
        fill="none" stroke="$edge"/>
  <path d="M1,$((c + 3)) V$c L$c,1 H$((c + 3))" fill="none" stroke="$mark" stroke-width="2"/>
  <path d="M$((w - 1)),$((h - c - 3)) V$((h - c)) L$((w - c)),$((h - 1)) H$((w - c - 3))" fill="none"
        stroke="$mark" stroke-width="2"/>
EOF
    local gx=14 gy=$((h / 2))
    case $glyph in
        plus) echo "  <path d=\"M$((gx - 5)),$gy H$((gx + 5)) M$gx,$((gy - 5)) V$((gy + 5))\" stroke=\"$ink\" stroke-width=\"2\"/>" ;;
        minus) echo "  <path d=\"M$((gx - 5)),$gy H$((gx + 5))\" stroke=\"$ink\" stroke-width=\"2\"/>" ;;
        restore) echo "  <path d=\"M$((gx - 5)),$((gy - 2)) A5.5,5.5 0 1 1 $((gx - 3)),$((gy + 4))\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.8\"/><path d=\"M$((gx - 8)),$((gy - 5)) L$((gx - 5)),$((gy - 1)) L$((gx - 1)),$((gy - 4))\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.8\"/>" ;;
        in) echo "  <path d=\"M$gx,$((gy - 6)) V$((gy + 2)) M$((gx - 4)),$((gy - 2)) L$gx,$((gy + 2)) L$((gx + 4)),$((gy - 2)) M$((gx - 6)),$((gy + 6)) H$((gx + 6))\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.8\"/>" ;;
        out) echo "  <path d=\"M$gx,$((gy + 2)) V$((gy - 6)) M$((gx - 4)),$((gy - 2)) L$gx,$((gy - 6)) L$((gx + 4)),$((gy - 2)) M$((gx - 6)),$((gy + 6)) H$((gx + 6))\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.8\"/>" ;;
        cross) echo "  <path d=\"M$((gx - 4)),$((gy - 4)) L$((gx + 4)),$((gy + 4)) M$((gx + 4)),$((gy - 4)) L$((gx - 4)),$((gy + 4))\" stroke=\"$ink\" stroke-width=\"2\"/>" ;;
        record) echo "  <circle cx=\"$gx\" cy=\"$gy\" r=\"6\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.5\"/><circle cx=\"$gx\" cy=\"$gy\" r=\"3.2\" fill=\"$ink\"/>" ;;
        insert) echo "  <path d=\"M$((gx - 6)),$((gy - 5)) H$((gx + 6)) M$((gx - 6)),$((gy + 5)) H$((gx + 6)) M$((gx - 6)),$gy H$((gx - 1)) M$((gx + 3)),$((gy - 3)) V$((gy + 3)) M$gx,$gy H$((gx + 6))\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.8\"/>" ;;
    esac
    if [ "$glyph" = switch ]; then
        local x=$((w - 22)) y=$((h / 2))
        cat <<EOF
  <path d="M$x,$((y - 4)) L$((x + 4)),$y L$x,$((y + 4)) M$((x + 5)),$((y - 4)) L$((x + 9)),$y L$((x + 5)),$((y + 4))"
        fill="none" stroke="$ink" stroke-width="1.8" stroke-linecap="round" stroke-linejoin="round"/>
EOF
    fi
    echo "</svg>"
}

# A check box on a page (the delay options of the macros page): a square box,
# ticked in the down face, which a checked box keeps. check_svg STATE SIZE.
check_svg() {
    local state=$1 n=$2
    local fill edge tick=''
    case $state in
        normal)   fill='#15181D' edge='#5A6270' ;;
        over)     fill='#1B2029' edge='#00C8FF' ;;
        down)     fill='#00C8FF' edge='#00C8FF' tick='#0B0C0F' ;;
        disabled) fill='#121418' edge='#2C313A' ;;
    esac
    echo "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"$n\" height=\"$n\" viewBox=\"0 0 $n $n\">"
    echo "  <rect x=\"1.5\" y=\"1.5\" width=\"$((n - 3))\" height=\"$((n - 3))\" rx=\"2.5\" fill=\"$fill\" stroke=\"$edge\"/>"
    if [ -n "$tick" ]; then
        awk -v n="$n" -v c="$tick" 'BEGIN { printf "  <path d=\"M%.1f,%.1f L%.1f,%.1f L%.1f,%.1f\" fill=\"none\" stroke=\"%s\" stroke-width=\"2\" stroke-linecap=\"round\" stroke-linejoin=\"round\"/>\n", n*0.25, n*0.52, n*0.43, n*0.70, n*0.76, n*0.30, c }'
    fi
    echo "</svg>"
}

# One part of a switch of two or three (123 / NUM, on / off, the polling
# rates): toggle_svg STATE W H SIDE, SIDE left (cut top left corner), right
# (cut bottom right corner) or middle (no cut); the parts meet in straight
# edges. Down is the chosen part.
toggle_svg() {
    local state=$1 w=$2 h=$3 side=$4
    local top bottom edge
    case $state in
        normal)   top='#1A1E24' bottom='#121419' edge='#363C47' ;;
        over)     top='#232932' bottom='#181C22' edge='#00C8FF' ;;
        down)     top='#47DAFF' bottom='#00A3D6' edge='#00C8FF' ;;
        disabled) top='#121418' bottom='#101216' edge='#22262D' ;;
    esac
    local c=8 shape outline
    if [ "$side" = left ]; then
        shape="M$c,0 H$w V$h H0 V$c Z"
        outline="M$c.4,0.5 H$((w - 1)).5 V$((h - 1)).5 H0.5 V$c.4 Z"
    elif [ "$side" = middle ]; then
        shape="M0,0 H$w V$h H0 Z"
        outline="M0.5,0.5 H$((w - 1)).5 V$((h - 1)).5 H0.5 Z"
    else
        shape="M0,0 H$w V$((h - c)) L$((w - c)),$h H0 Z"
        outline="M0.5,0.5 H$((w - 1)).5 V$((h - c)).4 L$((w - c)).4,$((h - 1)).5 H0.5 Z"
    fi
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <linearGradient id="fill" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="$top"/><stop offset="1" stop-color="$bottom"/>
    </linearGradient>
  </defs>
  <path d="$shape" fill="url(#fill)"/>
  <path d="$outline" fill="none" stroke="$edge"/>
</svg>
EOF
}

# --- the skinned scroll bar of the drop-down lists (12 px wide) -------------
# vscroll_svg PART prints one picture: thumb 12 x 30, top and bottom caps
# 12 x 2, up and down arrows 12 x 14, track 12 x 400 (every row alike, so the
# bar may cut or stretch it to any height). All on the lists' BLACK2.
vscroll_svg() {
    local part=$1 w=12 h
    case $part in
        thumb) h=30 ;;
        top | bottom) h=2 ;;
        up | down) h=14 ;;
        track) h=400 ;;
    esac
    echo "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"$w\" height=\"$h\" viewBox=\"0 0 $w $h\">"
    echo "  <rect width=\"$w\" height=\"$h\" fill=\"#0B0B0B\"/>"
    case $part in
        thumb) cat <<'EOF'
  <rect x="2.5" y="1.5" width="7" height="27" rx="3" fill="#2C313A" stroke="#4A515E"/>
  <path d="M4.5,11.5 H7.5 M4.5,14.5 H7.5 M4.5,17.5 H7.5" stroke="#00C8FF" stroke-width="1"/>
EOF
        ;;
        top | bottom) echo '  <rect x="2" y="0" width="8" height="2" fill="#1A1D23"/>' ;;
        up) echo '  <path d="M2.5,9.5 L6,5 L9.5,9.5 Z" fill="#8A929F"/>' ;;
        down) echo '  <path d="M2.5,4.5 L6,9 L9.5,4.5 Z" fill="#8A929F"/>' ;;
        track) echo '  <rect x="5" y="0" width="2" height="400" fill="#1A1D23"/>' ;;
    esac
    echo "</svg>"
}
