#!/bin/sh
# fuzz/run.sh BUILD SECONDS [PARALLEL]
#   SECONDS = 0: replay every seed and regression input once (-runs=0).
#   otherwise: run each target that long on a copy of its seeds, PARALLEL at a time.
# Findings land in BUILD/fuzz-artifacts/<target>/ and fail the run; their
# log is printed.
set -u
build=$1
seconds=$2
parallel=${3:-2}
here=$(cd "$(dirname "$0")" && pwd)
top=$(dirname "$here")
options="-malloc_limit_mb=256 -rss_limit_mb=1024 -timeout=5"
# The settings-file target writes its input to a file each run: keep that in memory.
[ -d /dev/shm ] && [ -w /dev/shm ] && export TMPDIR=/dev/shm
status=0
mkdir -p "$build/fuzz-artifacts" "$build/fuzz-logs"

inputs() { # the seed and regression folders of a target that exist
  name=$1
  for d in "$here/corpus/$name" "$top/tests/regress/$name"; do
    [ -d "$d" ] && printf '%s ' "$d"
  done
}

run_one() {
  program=$1
  name=$(basename "$program" _fuzz)
  dict=""
  [ -f "$here/dict/$name.dict" ] && dict="-dict=$here/dict/$name.dict"
  # A target's own flags: fuzz/options/<name>.options, one a line, # for comments.
  own=""
  [ -f "$here/options/$name.options" ] && own=$(grep -v '^#' "$here/options/$name.options")
  artifacts="$build/fuzz-artifacts/$name/"
  log="$build/fuzz-logs/$name.log"
  mkdir -p "$artifacts"
  if [ "$seconds" = 0 ]; then
    # libFuzzer copies inputs that add coverage into its first folder: a scratch one, not the seeds.
    scratch="$build/fuzz-replay/$name"
    rm -rf "$scratch" && mkdir -p "$scratch"
    # shellcheck disable=SC2046
    "$program" $options -runs=0 -artifact_prefix="$artifacts" "$scratch" $(inputs "$name") >"$log" 2>&1
  else
    work="$build/fuzz-work/$name"
    mkdir -p "$work"
    # shellcheck disable=SC2046
    "$program" $options $dict $own -max_total_time="$seconds" -print_final_stats=1 \
      -artifact_prefix="$artifacts" "$work" $(inputs "$name") >"$log" 2>&1
  fi
  result=$?
  if [ $result -ne 0 ]; then
    echo "FAIL $name (exit $result)"
    tail -60 "$log"
    ls "$artifacts"
    return 1
  fi
  runs=$(grep -ao 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$')
  echo "ok   $name ${runs:+($runs runs)}"
}

programs=$(ls "$build"/bin/*_fuzz)
running=0
pids=""
for program in $programs; do
  run_one "$program" &
  pids="$pids $!"
  running=$((running + 1))
  if [ $running -ge "$parallel" ]; then
    for p in $pids; do wait "$p" || status=1; done
    pids=""
    running=0
  fi
done
for p in $pids; do wait "$p" || status=1; done
exit $status
