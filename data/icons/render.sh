#!/bin/sh
# Renders the PNG icons from pelmora.svg (rsvg-convert, Debian package
# librsvg2-bin). Run after changing the drawing; the PNGs are committed so
# that building needs no SVG renderer.
set -eu
cd "$(dirname "$0")"
for size in 48 256; do
  rsvg-convert -w $size -h $size pelmora.svg -o pelmora-$size.png
done
