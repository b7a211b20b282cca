#!/usr/bin/env bash
# bench.sh [processes]: runs each benchmark program of the release build
# (build/, made by `bash scripts/build.sh release`) in N processes (default 3)
# and prints its figures: medians over every repetition of every process.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
processes="${1:-3}"
out="$(mktemp -d)"
for program in bench_storage bench_startup bench_link bench_viewer bench_report bench_runs bench_archive; do
  samples="$out/$program.samples"
  for i in $(seq "$processes"); do
    echo "== $program, process $i of $processes (output in $out/$program.$i.txt)" >&2
    ZV_BENCH_SAMPLES="$samples" "$here/build/bench/$program" >"$out/$program.$i.txt" 2>&1
  done
  echo "== $program"
  sed -n '/^medians/,$p' "$out/$program.$processes.txt"
done
