#!/usr/bin/env bash
# Renders the pictures in src/ to the PNG files the program embeds (needs ImageMagick). The PNGs
# are kept in the repository so that building needs no drawing tools.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")"
for picture in yes no port power device; do
    convert -background none "src/$picture.svg" "$picture.png"
done
convert -background none -density 96 src/quillon.svg -resize 256x256 quillon.png
convert quillon.png -define icon:auto-resize=256,64,48,32,16 quillon.ico # the Windows program icon
