# The popup boxes' frame as an SVG template, sourced by build-art.sh:
# popup_svg KIND [WIDTH HEIGHT BAR] prints the frame of one kind of popup,
# 420 x 220 with its bottom bar from y 152 unless given, whose outside is
# transparent (build-art.sh makes the mask and the colour key of it). Every
# popup has the same outline, so the kinds share one shape:
#
#   warn     an exclamation mark: the popup tells the user of a problem
#   ask      a question mark: the popup asks before something is done
#   entry    a pen and a text field: the popup asks for a name
#   key      a key cap and a key field: the popup asks for one key
#   preview  no emblem: the whole content area is the popup's own (the
#            profile preview, 620 x 500)
#   commands a list with a plus: the popup inserts a predefined command
#            (460 x 250, its bottom bar from y 182)
#   stages   no emblem, the content area solid black as the stage tiles'
#            own background, and the well of the stage count at x 508..564,
#            y 40..68 (the sensitivity stages, 620 x 452, its bottom bar
#            from y 388; DPIStagesPopup.xml)
#
# Layout that the popup skin files (assets/xml/*Popup.xml) rely on:
#   emblem      x 20..84,   y 44..108
#   texts       x 96..402,  y 40..150 (content area y 31..151)
#   field well  x 96..402,  y 74..108, filled #0B0B0B (the edit's BLACK2),
#               the edit itself at x 106..394, y 81..101 (entry, key)
#   bottom bar  y 153..220, flat #0B0C0F behind the buttons (faces.sh
#               button faces, 120 x 36 at y 168)
# The preview's content area is y 31..275; below it, flat #0B0C0F, the
# stage tiles and the OK button (PreviewPopup.xml).
#
# Palette as faces.sh: body #0B0C0F, header #111318, panel #15181D, edge
# #2C313A, accent #00C8FF.

popup_svg() {
    local kind=$1
    local w=${2:-420} h=${3:-220} bar=${4:-152}
    local emblem field='' plate=1 black=''
    case $kind in
        warn)
            emblem='<path d="M52,51 L79,100 H25 Z" fill="#00C8FF" fill-opacity="0.12" stroke="#00C8FF"
        stroke-width="3" stroke-linejoin="round"/>
  <path d="M52,66 V84" stroke="#00C8FF" stroke-width="4.5" stroke-linecap="round"/>
  <circle cx="52" cy="92.5" r="2.8" fill="#00C8FF"/>' ;;
        ask)
            emblem='<circle cx="52" cy="76" r="26" fill="#00C8FF" fill-opacity="0.12" stroke="#00C8FF" stroke-width="3"/>
  <path d="M44,69 C44,62 48,59 52.5,59 C57.5,59 61,62.5 61,67 C61,73 53,74 53,80 V82" fill="none"
        stroke="#00C8FF" stroke-width="4.5" stroke-linecap="round"/>
  <circle cx="53" cy="91" r="2.8" fill="#00C8FF"/>' ;;
        entry)
            # a pen writing on a line
            emblem='<path d="M30,100 H74" stroke="#2C313A" stroke-width="3" stroke-linecap="round"/>
  <g transform="rotate(-45 52 76)">
    <rect x="45" y="50" width="14" height="36" fill="#00C8FF" fill-opacity="0.12" stroke="#00C8FF"
          stroke-width="3" stroke-linejoin="round"/>
    <path d="M45,86 L52,99 L59,86" fill="#00C8FF" fill-opacity="0.12" stroke="#00C8FF" stroke-width="3"
          stroke-linejoin="round"/>
    <path d="M45,58 H59" stroke="#00C8FF" stroke-width="3"/>
  </g>'
            field=1 ;;
        key)
            # a key cap seen from above and the side
            emblem='<rect x="28.5" y="53.5" width="47" height="45" rx="7" fill="#00C8FF" fill-opacity="0.10"
        stroke="#00C8FF" stroke-width="3"/>
  <rect x="35" y="58" width="34" height="30" rx="4" fill="#15181D" stroke="#00C8FF" stroke-width="2"/>
  <path d="M46,73 H58" stroke="#00C8FF" stroke-width="3" stroke-linecap="round"/>'
            field=1 ;;
        commands)
            # three rows of a list, and a plus: a row is added
            emblem='<g fill="#00C8FF" fill-opacity="0.12" stroke="#00C8FF" stroke-width="2">
    <rect x="29" y="56" width="36" height="9" rx="1.5"/>
    <rect x="29" y="71" width="36" height="9" rx="1.5"/>
    <rect x="29" y="86" width="22" height="9" rx="1.5"/>
  </g>
  <path d="M67,83 V101 M58,92 H76" stroke="#00C8FF" stroke-width="3.5" stroke-linecap="round"/>' ;;
        preview) emblem='' plate='' ;;
        stages) emblem='' plate='' black=1 ;;
        *) echo "popup_svg: unknown kind $kind" >&2; return 1 ;;
    esac
    cat <<EOF
<svg xmlns="http://www.w3.org/2000/svg" width="$w" height="$h" viewBox="0 0 $w $h">
  <defs>
    <path id="outline" d="M18,0 H$((w - 6)) L$w,6 V$((h - 18)) L$((w - 18)),$h H6 L0,$((h - 6)) V18 Z"/>
    <clipPath id="inside"><use href="#outline"/></clipPath>
    <linearGradient id="panel" x1="0" y1="0" x2="0" y2="1">
      <stop offset="0" stop-color="#15181D"/><stop offset="1" stop-color="#0F1115"/>
    </linearGradient>
    <radialGradient id="panelGlow" cx="52" cy="31" r="260" gradientUnits="userSpaceOnUse">
      <stop offset="0" stop-color="#00C8FF" stop-opacity="0.08"/>
      <stop offset="1" stop-color="#00C8FF" stop-opacity="0"/>
    </radialGradient>
    <pattern id="dots" width="8" height="8" patternUnits="userSpaceOnUse">
      <rect x="3" y="3" width="1" height="1" fill="#1C2027"/>
    </pattern>
    <pattern id="vents" width="10" height="12" patternUnits="userSpaceOnUse">
      <path d="M0,12 L4,0 H8 L4,12 Z" fill="#1A1D23"/>
    </pattern>
    <filter id="glow" x="-20%" y="-20%" width="140%" height="140%"><feGaussianBlur stdDeviation="2.5"/></filter>
  </defs>

  <g clip-path="url(#inside)">
    <rect width="$w" height="$h" fill="#0B0C0F"/>

    <!-- header band -->
    <rect width="$w" height="30" fill="#111318"/>
    <rect x="0" y="30" width="$w" height="1" fill="#23272F"/>
    <rect x="18" y="29" width="120" height="2" fill="#00C8FF"/>
    <rect x="18" y="27" width="120" height="5" fill="#00C8FF" opacity="0.35" filter="url(#glow)"/>
    <rect x="$((w - 120))" y="10" width="96" height="12" fill="url(#vents)"/>
    <rect x="$((w - 130))" y="10" width="4" height="12" fill="#00C8FF" opacity="0.8"/>

    <!-- content area -->
EOF
    if [ -n "$black" ]; then
        cat <<EOF
    <rect x="0" y="31" width="$w" height="$((bar - 31))" fill="#000000"/>
    <!-- the well of the stage count -->
    <rect x="508.5" y="40.5" width="55" height="27" fill="#000000" stroke="#2C313A"/>
    <rect x="508" y="40" width="56" height="2" fill="#00C8FF"/>
EOF
    else
        cat <<EOF
    <rect x="0" y="31" width="$w" height="$((bar - 31))" fill="url(#panel)"/>
    <rect x="0" y="36" width="$w" height="$((bar - 36))" fill="url(#dots)"/>
    <rect x="0" y="31" width="$w" height="$((bar - 31))" fill="url(#panelGlow)"/>
EOF
    fi
    cat <<EOF
    <rect x="0" y="$bar" width="$w" height="1" fill="#23272F"/>
EOF
    if [ -n "$plate" ]; then
        cat <<EOF

    <!-- emblem plate -->
    <path d="M20.5,44.5 H77.5 L84.5,51.5 V108.5 H27.5 L20.5,101.5 Z" fill="#111318" stroke="#23272F"/>
    $emblem
EOF
    fi
    if [ -n "$field" ]; then
        cat <<EOF

    <!-- the field well behind the edit -->
    <rect x="96.5" y="74.5" width="305" height="33" fill="#0B0B0B" stroke="#2C313A"/>
    <rect x="96" y="74" width="3" height="34" fill="#00C8FF"/>
EOF
    fi
    cat <<EOF

    <!-- frame edge and its accents -->
    <use href="#outline" fill="none" stroke="#2C313A" stroke-width="4"/>
    <g fill="none" stroke="#00C8FF" stroke-width="2" stroke-linecap="square">
      <path d="M1,64 V18.4 L18.4,1 H96"/>
      <path d="M$((w - 1)),$((h - 64)) V$((h - 19)).6 L$((w - 19)).6,$((h - 1)) H$((w - 96))"/>
    </g>
    <g fill="none" stroke="#00C8FF" stroke-width="4" opacity="0.4" filter="url(#glow)">
      <path d="M1,64 V18.4 L18.4,1 H96"/>
      <path d="M$((w - 1)),$((h - 64)) V$((h - 19)).6 L$((w - 19)).6,$((h - 1)) H$((w - 96))"/>
    </g>
  </g>
</svg>
EOF
}
