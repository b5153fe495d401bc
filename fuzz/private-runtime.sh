#!/bin/sh
# fuzz/private-runtime.sh CXX OUT.a
#
# libFuzzer's runtime archive carries its own instantiations of standard
# library templates (std::vector<unsigned char> among them), built without the
# container-overflow annotations. Linked ahead of our objects they would stand
# in for ours, and a reserve() in our code followed by their resize() reads as
# an overflow. This writes a copy of the runtime whose standard library
# instantiations are renamed, so the runtime keeps its copies and we ours.
set -eu
cxx=$1 out=$2
runtime=$("$cxx" -print-file-name=libclang_rt.fuzzer-x86_64.a)
[ -f "$runtime" ] || { echo "no libFuzzer runtime found by $cxx" >&2; exit 1; }
map=$out.symbols
nm --defined-only "$runtime" 2>/dev/null |
  awk '$2 ~ /^[WVu]$/ && $3 ~ /^_Z(N|NK)?(St|9__gnu_cxx)/ { print $3, $3 "_fuzzer_runtime" }' |
  sort -u >"$map"
objcopy --redefine-syms="$map" "$runtime" "$out"
