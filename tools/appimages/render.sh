#!/usr/bin/env bash
# Re-creates every window image from resources/src/app:
#   tools/appimages/render.sh <build dir>
# Needs the appimages tool built in <build dir>, ImageMagick (convert) and qrencode.
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
bin="$1/bin/appimages"
src="$root/resources/src/app"
res="$root/resources"
export QT_QPA_PLATFORM=offscreen

mkdir -p "$res/pngs" "$res/tav"
"$bin" "$src/images.txt" "$src" "$res"

# The file-type icon carries every size the shell asks for.
tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
sizes=(16 24 32 48 64 128 256)
for s in "${sizes[@]}"; do
    echo "tavdata $s.png $s $s" >>"$tmp/ico.txt"
done
"$bin" "$tmp/ico.txt" "$src" "$tmp"
convert $(for s in "${sizes[@]}"; do echo "$tmp/$s.png"; done) "$res/tavdata.ico"

# 4-pixel modules: 21 modules plus a 1.5-module border fill the 96 pixels the panel shows
# without resampling; the light panel around it widens the quiet zone.
qrencode -l M -s 4 -m 0 -o "$tmp/qr.png" "Ostrel V1.0.8"
convert "$tmp/qr.png" -background white -gravity center -extent 96x96 -strip "$res/tav/qrcode.png"
