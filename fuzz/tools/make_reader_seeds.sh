#!/bin/sh
# fuzz/tools/make_reader_seeds.sh [BUILD]: rewrites the seeds that come from the
# reader tests' fixture writers (tests/support/ReaderFixtures.cpp) into
# fuzz/corpus/<target>/, plus the JPEG seeds made with cjpeg. BUILD is a
# normal build folder with the tests configured (default build/).
set -eu
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$(dirname "$here")")
build=${1:-$top/build}
cmake --build "$build" -j2 --target pelmora-write-seeds
"$build/bin/pelmora-write-seeds" "$top/fuzz/corpus"
# An arithmetic-coded JPEG with restart markers, a kind the other seeds lack.
printf 'P6\n8 8\n255\n' >"$build/seed.ppm"
head -c 192 /dev/zero | tr '\0' '\200' >>"$build/seed.ppm"
cjpeg -arithmetic -restart 1 -quality 60 "$build/seed.ppm" >"$top/fuzz/corpus/jpeg/arithmetic-restart.jpg"
