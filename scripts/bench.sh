#!/usr/bin/env bash
# Benchmarks on large synthetic DAT files: opening next to the floor (the same directory reads
# without a map), LRS decoding speed, and `list` of 1M entries next to `cat` of the same text.
# The data files are generated once into bench/data/ (not in git).
set -euo pipefail
build=${1:-build}
data=bench/data
tool=$build/dat-tool

"$build/bench/make-bench-dats" "$data"
"$build/bench/bench_dat" --data="$data" --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true --benchmark_format=console 2>/dev/null |
  grep -E '^(Benchmark|-|BM_.*_median)'

# Best of five wall-clock runs, in milliseconds.
best_ms() {
  local best=""
  for _ in 1 2 3 4 5; do
    local start end ms
    start=$(date +%s%N)
    "$@" >/dev/null
    end=$(date +%s%N)
    ms=$(((end - start) / 1000000))
    if [ -z "$best" ] || [ "$ms" -lt "$best" ]; then best=$ms; fi
  done
  echo "$best"
}

echo
for name in portal_1m cell_1m; do
  "$tool" list "$data/$name.dat" >"$data/$name.list"
  lines=$(wc -l <"$data/$name.list")
  bytes=$(stat -c %s "$data/$name.list")
  echo "list $name.dat ($lines lines, $bytes bytes) to /dev/null: $(best_ms "$tool" list "$data/$name.dat") ms"
  echo "cat  $name.list to /dev/null:                               $(best_ms cat "$data/$name.list") ms"
  echo "meta $name.dat (open alone) to /dev/null:                   $(best_ms "$tool" meta "$data/$name.dat") ms"
done
