#!/bin/sh
# Makes the benchmark pictures once into folder $1 (kept between runs).
# One fixture a line: make_one NAME FORMAT ImageMagick-arguments...
set -eu
out=$1
mkdir -p "$out"
im=convert-im6.q16
command -v $im >/dev/null || im=convert
make_one() {
  name=$1
  format=$2
  shift 2
  [ -s "$out/$name" ] && return 0
  echo "  making $name"
  $im "$@" "$format:$out/$name.tmp" && mv "$out/$name.tmp" "$out/$name"
}
# Photo-like content: smooth plasma with fine noise; flat content: the same posterized.
make_one photo.ppm ppm -size 4000x3000 -seed 7 plasma:fractal -attenuate 0.3 +noise Gaussian -depth 8
make_one flat.ppm ppm "$out/photo.ppm" -posterize 6 -depth 8
make_one photo-420.jpg jpg "$out/photo.ppm" -quality 90 -sampling-factor 2x2
make_one photo-444.jpg jpg "$out/photo.ppm" -quality 90 -sampling-factor 1x1
make_one photo-24.bmp bmp3 "$out/photo.ppm" -type TrueColor
# Each reader adds the rows of its own formats below.
# TIFF: the photo as LZW (with and without the predictor), PackBits and uncompressed.
make_one photo-lzw.tif tiff "$out/photo.ppm" -compress LZW -define tiff:predictor=1
make_one photo-lzw-predictor.tif tiff "$out/photo.ppm" -compress LZW -define tiff:predictor=2
make_one photo-packbits.tif tiff "$out/photo.ppm" -compress RLE
make_one photo-none.tif tiff "$out/photo.ppm" -compress None
# Targa, SGI and PCX readers
for content in photo flat; do
  make_one $content.tga tga "$out/$content.ppm" -compress None
  make_one $content-rle.tga tga "$out/$content.ppm" -compress RLE
  make_one $content.sgi sgi "$out/$content.ppm" -compress None
  make_one $content-rle.sgi sgi "$out/$content.ppm" -compress RLE
  make_one $content.pcx pcx "$out/$content.ppm" -type TrueColor
done
# GIF, Photoshop: 256 colours of the photo (dithered, so photo-like) and of the flat picture.
make_one photo-256.gif gif "$out/photo.ppm" -colors 256
make_one flat-256.gif gif "$out/flat.ppm" +dither -colors 256
make_one photo-rle.psd psd "$out/photo.ppm" -compress RLE
# An animation: a 1200 x 900 photo, then 40 patches of 200 x 150 across it,
# each undone (the screen put back) before the next.
patches=""
for i in $(seq 0 39); do
  patches="$patches ( mpr:flat -crop 200x150+$((i * 25))+$((i * 17)) +repage -repage +$((i * 25))+$((i * 17)) )"
done
# shellcheck disable=SC2086 # the patches are separate arguments
make_one animated-restore.gif gif \( "$out/flat.ppm" -resize '1200x900!' -colors 100 -write mpr:flat +delete \) \
  -delay 5 \( "$out/photo.ppm" -resize '1200x900!' -colors 200 \) -dispose Previous $patches -loop 0
# The display window: a 6000 x 4000 photo as BMP and JPEG in a folder of their
# own, and a folder of 200 photos of 2000 x 1500 to step through.
mkdir -p "$out/display-open"
make_one display-open/photo-6000.bmp bmp3 "$out/photo.ppm" -resize '6000x4000!' -type TrueColor
make_one display-open/photo-6000.jpg jpg "$out/display-open/photo-6000.bmp" -quality 90
make_one photo-2000.jpg jpg "$out/photo.ppm" -resize '2000x1500!' -quality 90
if [ ! -d "$out/folder-200" ]; then
  echo "  making folder-200"
  mkdir -p "$out/folder-200.tmp"
  for i in $(seq -w 1 200); do cp "$out/photo-2000.jpg" "$out/folder-200.tmp/photo $i.jpg"; done
  mv "$out/folder-200.tmp" "$out/folder-200"
fi
# A folder of 10,000 picture files of the listed kinds for the browser's listing.
if [ ! -d "$out/folder-10000" ]; then
  echo "  making folder-10000"
  /usr/bin/python3 - "$out/folder-10000" <<'PY'
import os, random, sys
folder = sys.argv[1]
os.makedirs(folder + ".tmp", exist_ok=True)
random.seed(7)
kinds = [".jpg", ".bmp", ".gif", ".tif", ".pcx", ".tga", ".ppm", ".psd", ".JPG", ".jpeg"]
for i in range(10000):
    name = "picture %05d%s" % (random.randrange(100000), kinds[i % len(kinds)])
    while os.path.exists(os.path.join(folder + ".tmp", name)):
        name = "x" + name
    with open(os.path.join(folder + ".tmp", name), "wb") as f:
        f.write(os.urandom(random.randrange(64, 2048)))
os.rename(folder + ".tmp", folder)
PY
fi
# Browsing with the keyboard: 200 names of one 6000 x 4000 JPEG (hard links:
# the files cost the disk nothing, each open still reads and decodes one).
if [ ! -d "$out/folder-6000" ] && [ -s "$out/display-open/photo-6000.jpg" ]; then
  echo "  making folder-6000"
  mkdir -p "$out/folder-6000.tmp"
  for i in $(seq -w 1 200); do ln "$out/display-open/photo-6000.jpg" "$out/folder-6000.tmp/photo $i.jpg"; done
  mv "$out/folder-6000.tmp" "$out/folder-6000"
fi

# Today's formats: the photo as PNG, lossy WebP, AVIF, HEIC and JPEG XL, each written by its own tool.
make_one photo.png png "$out/photo.ppm"
make_tool() { # NAME COMMAND... (the command writes $out/NAME.tmp)
  name=$1
  shift
  [ -s "$out/$name" ] && return 0
  echo "  making $name"
  "$@" >/dev/null 2>&1 && mv "$out/$name.tmp" "$out/$name"
}
make_tool photo.webp cwebp -quiet -q 85 "$out/photo.ppm" -o "$out/photo.webp.tmp"
make_tool photo.avif avifenc -j 2 -s 8 --min 20 --max 30 "$out/photo.png" -o "$out/photo.avif.tmp"
make_tool photo.heic heif-enc -q 80 "$out/photo.png" -o "$out/photo.heic.tmp"
make_tool photo.jxl cjxl -e 3 -d 1 "$out/photo.png" "$out/photo.jxl.tmp"

# A clip-art Windows metafile of about 200 KB, written by our own script.
[ -s "$out/clipart.wmf" ] || python3 "$(dirname "$0")/make_clipart_wmf.py" "$out/clipart.wmf"
[ -s "$out/clipart-wide.wmf" ] || python3 "$(dirname "$0")/make_clipart_wmf.py" "$out/clipart-wide.wmf" WIDE
