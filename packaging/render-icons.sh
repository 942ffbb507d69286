#!/usr/bin/env bash
# Re-creates the hicolor PNGs under packaging/icons from the window's SVG sources:
#   packaging/render-icons.sh <build dir>
# Needs the appimages tool built in <build dir>. The PNGs are committed.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bin="$1/bin/appimages"
out="$root/packaging/icons"
export QT_QPA_PLATFORM=offscreen

tmp="$(mktemp -d)"
trap 'rm -rf "$tmp"' EXIT
for s in 16 22 24 32 48 64 128 256; do
    mkdir -p "$out/$s"
    echo "logo    $s/ostrel.png                $s $s" >>"$tmp/icons.txt"
    echo "tavdata $s/application-x-tavdata.png $s $s" >>"$tmp/icons.txt"
done
"$bin" "$tmp/icons.txt" "$root/resources/src/app" "$out"
