#!/bin/sh
# Times the peer programs on the benchmark fixtures and prints each against
# our median from the same run: "case  ours ms  peer  peer ms  peer/ours".
# One comparison a line: compare OUR_BENCHMARK PEER_LABEL PEER_MS
set -eu
build=${1:-build-bench}
here=$(cd "$(dirname "$0")" && pwd)
files="$build/bench-files"
results="$build/bench-results"
py=/usr/bin/python3

# Our median in milliseconds for a benchmark name (as Google Benchmark prints it, without _median).
ours() {
  $py - "$results" "$1" <<'PY'
import json, sys, glob
folder, wanted = sys.argv[1], sys.argv[2]
for path in glob.glob(folder + "/*.json"):
    for b in json.load(open(path))["benchmarks"]:
        name = b.get("run_name", "").replace("/real_time", "").replace("/process_time", "")
        if name == wanted and b.get("aggregate_name") == "median":
            scale = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}[b["time_unit"]]
            print("%.3f" % (b["real_time"] * scale))
            sys.exit(0)
print("nan")
PY
}

# Median milliseconds of a shell command over runs (after one warm-up).
time_command() {
  $py "$here/time_command.py" "$@"
}

# Median milliseconds of a Pillow operation on a file, inside one interpreter.
pillow() {
  $py "$here/pillow_time.py" "$@"
}

compare() {
  name=$1
  label=$2
  peer_ms=$3
  our_ms=$(ours "$name")
  $py -c "import sys; o,p=float(sys.argv[1]),float(sys.argv[2]); print('%-40s %9.2f ms  %-28s %9.2f ms  %6.2fx' % (sys.argv[3], o, sys.argv[4], p, p/o if o==o and o>0 else float('nan')))" \
    "$our_ms" "$peer_ms" "$name" "$label"
}

echo
echo "== peers (peer/ours above 1 means we are faster)"
memcpy_ms() { ours "$1"; }

# JPEG decode
for s in 420 444; do
  f="$files/photo-$s.jpg"
  [ -s "$f" ] || continue
  compare "BM_JpegDecode/$s" "tjbench decode" "$($py "$here/tjbench_time.py" "$f")"
  compare "BM_JpegDecode/$s" "Pillow load" "$(pillow load "$f")"
done
# BMP read
f="$files/photo-24.bmp"
if [ -s "$f" ]; then
  compare "BM_BmpReadFresh" "Pillow load" "$(pillow load "$f")"
  compare "BM_BmpReadReused" "memcpy same bytes" "$(ours BM_Memcpy/36000000)"
  compare "BM_BmpReadReused" "plain read of the file" "$(ours BM_FileRead/0)"
  compare "BM_BmpReadMemory" "memcpy same bytes" "$(ours BM_Memcpy/36000000)"
fi
# Each reader and effect adds its rows below.
# TIFF read: a fresh bitmap against Pillow's fresh image; reading into the same
# bitmap again against libtiff's strip loop (one reused strip buffer) and a copy
# of the output bytes.
for c in lzw lzw-predictor packbits none; do
  f="$files/photo-$c.tif"
  [ -s "$f" ] || continue
  compare "BM_TiffRead/$c" "Pillow load" "$(pillow load "$f")"
  compare "BM_TiffReadReused/$c" "libtiff TIFFReadEncodedStrip" "$(ours "BM_LibtiffStrips/$c")"
  compare "BM_TiffReadReused/$c" "memcpy of the output" "$(ours BM_TiffOutputMemcpy)"
  compare "BM_TiffReadMemory/$c" "memcpy of the output" "$(ours BM_TiffOutputMemcpy)"
done
compare "BM_TiffReadReused/none" "plain read of the file" "$(ours BM_FileRead/2)"
# Targa, SGI and PCX readers: Pillow's load, ImageMagick's decode (minus its
# decode of the same picture as PPM), and for the plain files a copy of the output bytes.
im=convert-im6.q16
command -v $im >/dev/null || im=convert
minus() { $py -c "import sys; print('%.3f' % (float(sys.argv[1]) - float(sys.argv[2])))" "$1" "$2"; }
for content in photo flat; do
  [ -s "$files/$content.ppm" ] || continue
  im_ppm=$(time_command $im "$files/$content.ppm" ppm:-)
  for pair in "Targa:$content.tga" "TargaRle:$content-rle.tga" "Sgi:$content.sgi" "SgiRle:$content-rle.sgi" "Pcx:$content.pcx"; do
    reader=${pair%%:*}
    f="$files/${pair#*:}"
    [ -s "$f" ] || continue
    # compare() sets $name, so this loop keeps its own.
    bench_name=BM_$reader$(echo "$content" | sed 's/^./\U&/')
    compare "${bench_name}Fresh" "Pillow load" "$(pillow load "$f")"
    compare "${bench_name}Fresh" "ImageMagick minus PPM" "$(minus "$(time_command $im "$f" ppm:-)" "$im_ppm")"
    case $reader in
      Targa|Sgi) compare "${bench_name}Memory" "memcpy of the output bytes" "$(ours BM_TargaSgiPcxMemcpy)" ;;
    esac
  done
done
# GIF read: Pillow's palette-mode load, giflib's gif2rgb and DGifSlurp (linked into our benchmark)
for kind in photo flat; do
  f="$files/$kind-256.gif"
  [ -s "$f" ] || continue
  [ $kind = photo ] && arg=0 || arg=1
  compare "BM_GIFRead/flat:$arg" "Pillow load ($kind)" "$(pillow load "$f")"
  compare "BM_GIFRead/flat:$arg" "giflib gif2rgb ($kind)" "$(time_command gif2rgb -1 -o /dev/null "$f")"
  compare "BM_GIFRead/flat:$arg" "giflib DGifSlurp ($kind)" "$(ours "BM_GIFDGifSlurp/flat:$arg")"
done
# PSD read, RGB with RLE
f="$files/photo-rle.psd"
[ -s "$f" ] && compare "BM_PSDReadRLE" "Pillow load" "$(pillow load "$f")"
# Binary PPM read against copying its bytes
f="$files/photo.ppm"
if [ -s "$f" ]; then
  compare "BM_PPMReadFresh" "memcpy same bytes" "$(ours BM_Memcpy/36000000)"
  compare "BM_PPMReadReused" "memcpy same bytes" "$(ours BM_Memcpy/36000000)"
  compare "BM_PPMReadReused" "plain read of the file" "$(ours BM_FileRead/1)"
  compare "BM_PPMReadMemory" "memcpy same bytes" "$(ours BM_Memcpy/36000000)"
  compare "BM_PPMReadFresh" "Pillow load" "$(pillow load "$f")"
fi

# Effects on the photo (ours: effects_bench on the same pixels as photo-24.bmp)
f="$files/photo.ppm"
if [ -s "$f" ]; then
  im=/usr/bin/convert-im6.q16
  [ -x "$im" ] || im=convert
  minus() { $py -c "import sys; print('%.3f' % (float(sys.argv[1]) - float(sys.argv[2])))" "$1" "$2"; }
  compare "BM_InvertColors" "memcpy same bytes" "$(ours BM_CopyPicture)"
  posterize=$(pillow posterize "$f" 4)
  contrast=$(pillow contrast "$f" 1.6)
  for effect in Contrast Lightness Darkness Posterize Grayscale; do
    compare "BM_$effect" "Pillow ImageOps.posterize" "$posterize"
    compare "BM_$effect" "Pillow ImageEnhance.Contrast" "$contrast"
  done
  compare "BM_Saturation" "Pillow ImageEnhance.Color" "$(pillow color "$f" 1.5)"
  kernel=$(pillow kernel3 "$f")
  for effect in BM_Sharpen BM_Convolve/4 BM_Emboss; do
    compare "$effect" "Pillow 3x3 ImageFilter.Kernel" "$kernel"
  done
  read_ms=$(time_command $im "$f" null:)
  compare "BM_GaussianBlur/5" "Pillow GaussianBlur(2)" "$(pillow gaussian "$f" 2)"
  blur=$(time_command $im "$f" -blur 0x2 null:)
  compare "BM_GaussianBlur/5" "ImageMagick -blur 0x2" "$blur"
  compare "BM_GaussianBlur/5" "  the same minus its read" "$(minus "$blur" "$read_ms")"
  compare "BM_Resample/5" "Pillow resize LANCZOS" "$(pillow resize "$f" 2000 1500 LANCZOS)"
  lanczos=$(time_command $im "$f" -filter Lanczos -resize '2000x1500!' null:)
  compare "BM_Resample/5" "ImageMagick Lanczos minus read" "$(minus "$lanczos" "$read_ms")"
  compare "BM_Resample/0" "Pillow resize BOX" "$(pillow resize "$f" 2000 1500 BOX)"
  bilinear=$(pillow resize "$f" 2000 1500 BILINEAR)
  compare "BM_Resample/1" "Pillow resize BILINEAR" "$bilinear"
  compare "BM_Resample/2" "Pillow resize BILINEAR" "$bilinear"
  bicubic=$(pillow resize "$f" 2000 1500 BICUBIC)
  compare "BM_Resample/4" "Pillow resize BICUBIC" "$bicubic"
  compare "BM_Resample/6" "Pillow resize BICUBIC" "$bicubic"
fi
# The browser's listing of 10,000 picture files against a long listing of the same folder.
d="$files/folder-10000"
if [ -d "$d" ]; then
  compare "BM_RefreshLists" "ls -l" "$(time_command ls -l "$d")"
fi
# The display window: opening a 6000 x 4000 picture against decoding it alone
# (at most 1.2x) and against Pillow's load of the same file.
for pair in "0:photo-6000.bmp" "1:photo-6000.jpg"; do
  arg=${pair%%:*}
  f="$files/display-open/${pair#*:}"
  [ -s "$f" ] || continue
  compare "BM_DisplayOpen/jpeg:$arg" "our decode alone" "$(ours "BM_DisplayDecodeAlone/jpeg:$arg")"
  compare "BM_DisplayOpen/jpeg:$arg" "Pillow load" "$(pillow load "$f")"
done
# Today's formats: PNG against Pillow's load; WebP against dwebp's own decode
# time (-v, one thread, no file written); AVIF against avifdec -j 1 --info
# (decodes every frame, writes nothing).
f="$files/photo.png"
[ -s "$f" ] && compare "BM_PNGRead" "Pillow load" "$(pillow load "$f")"
f="$files/photo.webp"
if [ -s "$f" ]; then
  dwebp_ms=$($py - "$f" <<'PY'
import re, statistics, subprocess, sys
times = []
for _ in range(8):
    out = subprocess.run(["dwebp", "-v", sys.argv[1]], capture_output=True, text=True)
    times.append(float(re.search(r"Time to decode picture: ([0-9.]+)s", out.stdout + out.stderr).group(1)) * 1000)
print("%.3f" % statistics.median(times[1:]))
PY
)
  compare "BM_WebPRead" "dwebp -v decode time" "$dwebp_ms"
fi
f="$files/photo.avif"
[ -s "$f" ] && compare "BM_AVIFRead" "avifdec -j 1 --info" "$(time_command avifdec -j 1 --info "$f")"
# A 200 KB clip-art metafile read and drawn at 1920 x 1080 against ImageMagick's
# WMF player drawing it at the same size (to PPM, so no compression is timed).
for pair in "0:clipart.wmf" "1:clipart-wide.wmf"; do
  f="$files/${pair#*:}"
  [ -s "$f" ] || continue
  compare "BM_MetafileReadAndDraw/${pair%%:*}" "ImageMagick convert (WMF)" "$(time_command $im -density 96 "$f" ppm:-)"
done
