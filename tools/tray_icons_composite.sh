#!/usr/bin/env bash
# tray_icons_composite.sh OLD.ico NEW.ico OUT.png: a picture of the
# notification area at 96 and 144 DPI (100 % and 150 %), on Windows 11's dark
# and light taskbars, with the old icon beside the new one. Wine's tray under
# Xvfb has neither taskbar, so this is drawn: each icon is the picture that
# Windows takes for the tray's small-icon size (16 and 24 pixels), chosen as
# Windows chooses it (the icon's own picture of that size, else its nearest
# larger one, scaled down), on a strip of the taskbar's colour and height.
# Needs ImageMagick (bash tools/deps.sh imagemagick).
set -euo pipefail
old=$1 new=$2 out=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# pick ICO SIZE: the picture Windows would show at SIZE pixels.
pick() {
  local best="" bestsize=100000 i=0 w
  while read -r w; do
    if ((w >= $2 && w < bestsize)); then best=$i bestsize=$w; fi
    i=$((i + 1))
  done < <(identify -format '%w\n' "ico:$1")
  convert "ico:$1[$best]" -background none -filter Mitchell -resize "$2x$2" png32:-
}

strip() {  # strip DPI BG FG LABEL OUT
  local scale=$(($1 * 100 / 96)) icon=$((16 * $1 / 96)) height=$((48 * $1 / 96)) gap=$((12 * $1 / 96))
  pick "$old" "$icon" >"$tmp/old.png"
  pick "$new" "$icon" >"$tmp/new.png"
  local pt=$((9 * $1 / 96))
  # The same width for every strip; the two icons where the tray's would sit.
  convert -size "420x$height" "xc:$2" \
    -font DejaVu-Sans -pointsize "$pt" -fill "$3" \
    -gravity west -annotate "+$gap+0" "$4, $1 DPI ($scale %%)" \
    \( "$tmp/old.png" \) -gravity east -geometry "+$((gap * 2 + icon + gap * 2))+0" -composite \
    \( "$tmp/new.png" \) -gravity east -geometry "+$((gap * 2))+0" -composite \
    "$5"
}

strip 96 '#1c1c1c' '#ffffff' 'dark taskbar' "$tmp/d96.png"
strip 96 '#eeeeee' '#000000' 'light taskbar' "$tmp/l96.png"
strip 144 '#1c1c1c' '#ffffff' 'dark taskbar' "$tmp/d144.png"
strip 144 '#eeeeee' '#000000' 'light taskbar' "$tmp/l144.png"
convert -background '#808080' \
  \( -size 420x24 xc:'#ffffff' -font DejaVu-Sans -pointsize 12 -fill black -gravity center \
     -annotate +0+0 'the old icon (left) beside the new one (right)' \) \
  "$tmp/d96.png" "$tmp/l96.png" "$tmp/d144.png" "$tmp/l144.png" -append "$out"
echo "wrote $out"
