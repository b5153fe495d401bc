#!/bin/sh
# fuzz/coverage.sh [CORPUS_ROOT]: the line coverage each fuzz corpus reaches
# of the code it exercises. Builds the harnesses with clang's source-based
# coverage in build-cover/, replays each corpus (the seeds, the regression
# inputs and, if given, CORPUS_ROOT/<target> such as build-fuzz/fuzz-work),
# and prints llvm-cov's per-file line coverage.
set -eu
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
extra=${1:-}
build="$top/build-cover"
flags="-fprofile-instr-generate -fcoverage-mapping -fsanitize=fuzzer-no-link"
cmake -S "$top" -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DPELMORA_BUILD_APP=OFF -DPELMORA_BUILD_TESTS=OFF -DPELMORA_COVER=ON \
  -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
cmake --build "$build" -j2 >/dev/null
for program in "$build"/bin/*_fuzz; do
  name=$(basename "$program" _fuzz)
  dirs=""
  for d in "$here/corpus/$name" "$top/tests/regress/$name" "${extra:+$extra/$name}"; do
    [ -n "$d" ] && [ -d "$d" ] && dirs="$dirs $d"
  done
  [ -n "$dirs" ] || continue
  # shellcheck disable=SC2086
  # libFuzzer copies inputs that add coverage into its first folder: a scratch one, not the seeds.
  scratch="$build/scratch/$name"
  rm -rf "$scratch" && mkdir -p "$scratch"
  LLVM_PROFILE_FILE="$build/$name.profraw" "$program" -runs=0 "$scratch" $dirs >/dev/null 2>&1 || true
  llvm-profdata-14 merge -sparse "$build/$name.profraw" -o "$build/$name.profdata"
  echo "== $name"
  llvm-cov-14 report "$program" -instr-profile="$build/$name.profdata" \
    -ignore-filename-regex="(^|/)(fuzz|tests)/|^/usr/" | grep -v '^---'
done
