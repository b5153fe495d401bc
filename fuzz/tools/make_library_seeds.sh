#!/bin/sh
# fuzz/tools/make_library_seeds.sh: writes the seeds of the "libraries" fuzz
# target into fuzz/corpus/libraries/ with the formats' own tools (ImageMagick,
# cwebp, img2webp, heif-enc, avifenc, cjxl). Each seed is the reader's number
# (0 PNG, 1 WebP, 2 HEIF/AVIF, 3 JPEG XL) as one byte, then a small file.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
out=$(dirname "$here")/corpus/libraries
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$out"
rm -f "$out"/*
cd "$work"
convert -size 16x12 -seed 3 plasma:fractal -depth 8 photo.ppm
convert photo.ppm -alpha set -channel A -fx 'i/w' +channel alpha.png
seed() { # reader-number name file
  { printf "\\$(printf %o "$1")"; cat "$3"; } >"$out/$2"
}
convert photo.ppm rgb.png && seed 0 rgb.png rgb.png
convert alpha.png -colors 8 png8:palette.png && seed 0 palette-trns.png palette.png
convert photo.ppm -colorspace gray -depth 16 -interlace PNG grey16.png && seed 0 grey16-interlaced.png grey16.png
convert photo.ppm -colors 50 png8:palette-opaque.png && seed 0 palette.png palette-opaque.png
convert photo.ppm -colorspace gray -depth 8 grey8.png && seed 0 grey8.png grey8.png
convert photo.ppm -quality 95 png24:rgb-filters.png && seed 0 rgb-mixed-filters.png rgb-filters.png
convert alpha.png rgba.png
seed 0 rgba.png rgba.png
cwebp -quiet -lossless photo.ppm -o lossless.webp && seed 1 lossless.webp lossless.webp
cwebp -quiet -q 50 alpha.png -o lossy-alpha.webp && seed 1 lossy-alpha.webp lossy-alpha.webp
convert photo.ppm -flop flop.png
img2webp -loop 0 -d 40 -lossy alpha.png -d 60 flop.png -o anim.webp >/dev/null && seed 1 anim.webp anim.webp
heif-enc -q 30 alpha.png -o photo.heic >/dev/null && seed 2 photo.heic photo.heic
avifenc -j 1 -l alpha.png lossless.avif >/dev/null && seed 2 lossless-alpha.avif lossless.avif
avifenc -j 1 --min 40 --max 50 photo.ppm lossy.avif >/dev/null 2>&1 || avifenc -j 1 --min 40 --max 50 rgb.png lossy.avif >/dev/null
seed 2 lossy.avif lossy.avif
cjxl -d 0 alpha.png lossless.jxl 2>/dev/null && seed 3 lossless-alpha.jxl lossless.jxl
cjxl -d 2 rgb.png lossy.jxl 2>/dev/null && seed 3 lossy.jxl lossy.jxl
convert -delay 20 photo.ppm -delay 5 flop.png -loop 0 anim.gif && cjxl -d 0 anim.gif anim.jxl 2>/dev/null && seed 3 anim.jxl anim.jxl
