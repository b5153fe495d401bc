#!/bin/sh
# Runs every benchmark program of build folder $1 (median of repetitions,
# JSON kept in $1/bench-results), then the peers on the same files.
set -eu
build=${1:-build-bench}
here=$(cd "$(dirname "$0")" && pwd)
export PELMORA_BENCH_FILES="$build/bench-files"
echo "Fixtures in $PELMORA_BENCH_FILES"
"$here/make-fixtures.sh" "$PELMORA_BENCH_FILES"
mkdir -p "$build/bench-results"
# The programs land in the build's bin folder (older builds: bench/).
for program in "$build"/bin/*_bench "$build"/bench/*_bench; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  echo "== $name"
  "$program" --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$build/bench-results/$name.json" --benchmark_out_format=json
done
"$here/peers.sh" "$build"
