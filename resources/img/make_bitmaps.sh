#!/bin/sh
# Draws the PNG logos and the waiting animation with ImageMagick. Run after changing a drawing;
# the outputs are committed.
set -eu
cd "$(dirname "$0")"
accent='#004B6A'
font=$(fc-list -f '%{file}\n' 'Noto Sans CJK SC:style=Bold' | head -n 1)

# Mark: rounded accent square, white ring with a quill stroke through it.
mark() { # size file
  s=$1; r=$((s * 18 / 100)); c=$((s / 2)); ring=$((s * 27 / 100)); w=$((s / 11 + 1))
  convert -size "${s}x${s}" xc:none \
    -fill "$accent" -draw "roundrectangle 0,0 $((s - 1)),$((s - 1)) $r,$r" \
    -fill none -stroke white -strokewidth "$w" -draw "circle $c,$c $((c + ring)),$c" \
    -draw "line $((c + ring / 3)),$((c + ring / 3)) $((c + ring * 3 / 2)),$((c + ring * 3 / 2))" \
    -strip "$2"
}

mark 64 "assets/Quillex logo_navigate.png"

# Splash logo: mark and name.
mark 72 /tmp/quillex-mark.png
convert -size 300x80 xc:none /tmp/quillex-mark.png -geometry +0+4 -composite \
  -font "$font" -pointsize 40 -fill "$accent" -annotate +88+55 'Quillex' \
  -strip "assets/Quillex logo_ system-version.png"
rm -f /tmp/quillex-mark.png

# Waiting animation: twelve dots, the dark one walking round.
frames=""
for i in 0 1 2 3 4 5 6 7 8 9 10 11; do
  args=""
  for k in 0 1 2 3 4 5 6 7 8 9 10 11; do
    age=$(( (i - k + 12) % 12 ))
    # GIF has no partial transparency: fade from the accent towards a pale tint instead.
    colour=$(awk "BEGIN{t=$age/11; printf \"rgb(%d,%d,%d)\", 0+t*217, 75+t*153, 106+t*127}")
    x=$(awk "BEGIN{printf \"%.1f\", 32+22*sin($k*3.14159265/6)}")
    y=$(awk "BEGIN{printf \"%.1f\", 32-22*cos($k*3.14159265/6)}")
    x2=$(awk "BEGIN{print $x+4}")
    args="$args -fill \"$colour\" -draw \"circle $x,$y $x2,$y\""
  done
  eval convert -size 64x64 xc:none $args "/tmp/quillex-wait-$i.png"
  frames="$frames /tmp/quillex-wait-$i.png"
done
# shellcheck disable=SC2086
convert -delay 8 -loop 0 -dispose Background $frames icon/waiting.gif
rm -f $frames
