# Stand-in row pictures of the macro display (MACRODISPLAY in
# ManageMacros.xml), sourced last by build-art.sh: a key pressed and
# released, a delay and a mouse button, each 16 x 16 on the display's BLACK2
# background, the delay and mouse ones also in their selected form. A file
# that the display's own art has already made is left alone.
#
# macro_row_svg KIND prints one picture: keydown, keyup, delay, delay-selected,
# mouse, mouse-selected.
macro_row_svg() {
    local ink='#9AA3B2' back='#0B0B0B'
    case $1 in
        *-selected) ink='#0B0C0F' back='#FFFFFF' ;;
    esac
    echo '<svg xmlns="http://www.w3.org/2000/svg" width="16" height="16" viewBox="0 0 16 16">'
    echo "  <rect width=\"16\" height=\"16\" fill=\"$back\"/>"
    case $1 in
        keydown) echo '  <rect x="2.5" y="2.5" width="11" height="11" rx="2" fill="none" stroke="#9AA3B2"/>
  <path d="M8,4.5 V11 M5,8 L8,11 L11,8" fill="none" stroke="#00C8FF" stroke-width="1.6"/>' ;;
        keyup) echo '  <rect x="2.5" y="2.5" width="11" height="11" rx="2" fill="none" stroke="#9AA3B2"/>
  <path d="M8,11.5 V5 M5,8 L8,5 L11,8" fill="none" stroke="#00C8FF" stroke-width="1.6"/>' ;;
        delay*) echo "  <circle cx=\"8\" cy=\"8\" r=\"5.5\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.4\"/>
  <path d=\"M8,4.5 V8 H10.8\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.4\"/>" ;;
        mouse*) echo "  <rect x=\"4.5\" y=\"1.5\" width=\"7\" height=\"13\" rx=\"3.5\" fill=\"none\" stroke=\"$ink\" stroke-width=\"1.2\"/>
  <path d=\"M8,1.5 V6 M4.5,6 H11.5\" stroke=\"$ink\" stroke-width=\"1.2\"/>" ;;
    esac
    echo '</svg>'
}

for row in keydown:macro-key-down keyup:macro-key-up delay:macro-delay delay-selected:macro-delay-selected \
    mouse:macro-mouse mouse-selected:macro-mouse-selected; do
    [ -e "$out/${row#*:}.bmp" ] && continue
    macro_row_svg "${row%%:*}" >"$work/row.svg"
    render "$work/row.svg" "${row#*:}.bmp" '#0B0B0B'
done
