# The check-box pictures of the skinned lists as SVG templates, sourced by
# build-art.sh: checkbox_svg STATE prints one 13 x 13 box, STATE unchecked
# (checkbox3.bmp) or checked (checkbox4.bmp). The lists copy them opaque into
# their cells, so the corners are painted in the lists' background (BLACK2,
# #0B0B0B).
#
# Palette as faces.sh: edge #2C313A, accent #00C8FF.

checkbox_svg() {
    local state=$1
    local fill edge tick=''
    case $state in
        unchecked) fill='#15181D' edge='#5A6270' ;;
        checked)
            fill='#00C8FF' edge='#00C8FF'
            tick='<path d="M3,6.8 L5.4,9.2 L10,3.8" fill="none" stroke="#0B0C0F" stroke-width="1.8"
        stroke-linecap="round" stroke-linejoin="round"/>' ;;
    esac
    cat <<SVG
<svg xmlns="http://www.w3.org/2000/svg" width="13" height="13" viewBox="0 0 13 13">
  <rect width="13" height="13" fill="#0B0B0B"/>
  <rect x="0.5" y="0.5" width="12" height="12" rx="2" fill="$fill" stroke="$edge"/>
  $tick
</svg>
SVG
}
