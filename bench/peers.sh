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
        # Benchmarks timed in real time carry a "/real_time" suffix.
        if b.get("run_name") in (wanted, wanted + "/real_time") and b.get("aggregate_name") == "median":
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
fi
# Each reader and effect adds its rows below.
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
  compare "BM_PPMReadFresh" "Pillow load" "$(pillow load "$f")"
fi
