# The macro display's row pictures (MACRODISPLAY in ManageMacros.xml) as SVG
# templates, and their rendering; sourced at the end of build-art.sh. Each is
# 28 x 18 and is copied opaque into the list's icon column, so it is painted
# on the list's background (BLACK2, #0B0B0B).
#
# Palette as faces.sh: panel #15181D, edge #2C313A, light edge #3A404B,
# accent #00C8FF; a muted grey #8A93A3 for the unselected symbols.

# macro_svg KIND: keydown, keyup, delay, delay-selected, mouse, mouse-selected.
macro_svg() {
    local kind=$1 body=''
    case $kind in
        keydown | keyup)
            # A key cap with an arrow beside it: down (pressed, lit) or up.
            local cap='#15181D' capedge='#3A404B' arrow='#8A93A3' path='M2,7 L8,7 L5,3 Z'
            if [ "$kind" = keydown ]; then
                cap='#00C8FF' capedge='#00C8FF' arrow='#00C8FF' path='M2,11 L8,11 L5,15 Z'
            fi
            body="<path d=\"$path\" fill=\"$arrow\"/>
  <rect x=\"10.5\" y=\"2.5\" width=\"15\" height=\"13\" rx=\"2.5\" fill=\"#15181D\" stroke=\"$capedge\"/>
  <rect x=\"13\" y=\"5\" width=\"10\" height=\"7\" rx=\"1.5\" fill=\"$cap\" opacity=\"0.85\"/>" ;;
        delay | delay-selected)
            local ring='#8A93A3'
            [ "$kind" = delay-selected ] && ring='#00C8FF'
            body="<circle cx=\"14\" cy=\"9\" r=\"7\" fill=\"#15181D\" stroke=\"$ring\" stroke-width=\"1.5\"/>
  <path d=\"M14,4.5 L14,9 L17.5,10.5\" fill=\"none\" stroke=\"$ring\" stroke-width=\"1.5\" stroke-linecap=\"round\"/>" ;;
        mouse | mouse-selected)
            local shell='#8A93A3' lit='#2C313A'
            [ "$kind" = mouse-selected ] && shell='#00C8FF' && lit='#00C8FF'
            body="<rect x=\"9.5\" y=\"1.5\" width=\"9\" height=\"15\" rx=\"4.5\" fill=\"#15181D\" stroke=\"$shell\"/>
  <path d=\"M14,1.5 L14,7.5 M9.5,7.5 L18.5,7.5\" stroke=\"$shell\"/>
  <rect x=\"10.5\" y=\"2.5\" width=\"3\" height=\"4.5\" rx=\"1.5\" fill=\"$lit\"/>" ;;
    esac
    cat <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="28" height="18" viewBox="0 0 28 18">
  <rect width="28" height="18" fill="#0B0B0B"/>
  $body
</svg>
SVG
}

# --- rendering: the six pictures of the rows ----------------------------------
for pair in keydown:macro-key-down keyup:macro-key-up delay:macro-delay \
            delay-selected:macro-delay-selected mouse:macro-mouse mouse-selected:macro-mouse-selected; do
    macro_svg "${pair%%:*}" >"$work/macro.svg"
    render "$work/macro.svg" "${pair#*:}.bmp" '#0B0B0B'
done
