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

# Best of five runs: "wall W ms, cpu C ms" (cpu = user + system), each the smallest seen. On a
# busy machine the cpu figure is the steadier one.
best_ms() {
  local best_wall="" best_cpu="" TIMEFORMAT='%R %U %S' t wall cpu
  for _ in 1 2 3 4 5; do
    t=$({ time "$@" >/dev/null; } 2>&1)
    read -r r u s <<<"$t"
    wall=$(awk -v r="$r" 'BEGIN { printf "%d", r * 1000 }')
    cpu=$(awk -v u="$u" -v s="$s" 'BEGIN { printf "%d", (u + s) * 1000 }')
    if [ -z "$best_wall" ] || [ "$wall" -lt "$best_wall" ]; then best_wall=$wall; fi
    if [ -z "$best_cpu" ] || [ "$cpu" -lt "$best_cpu" ]; then best_cpu=$cpu; fi
  done
  echo "wall $best_wall ms, cpu $best_cpu ms"
}

echo
for name in portal_1m cell_1m; do
  "$tool" list "$data/$name.dat" >"$data/$name.list"
  lines=$(wc -l <"$data/$name.list")
  bytes=$(stat -c %s "$data/$name.list")
  echo "$name: $lines lines, $bytes bytes of list text"
  echo "  dat-tool list $name.dat >/dev/null:  $(best_ms "$tool" list "$data/$name.dat")"
  echo "  cat $name.list >/dev/null:           $(best_ms cat "$data/$name.list")"
  echo "  dat-tool meta $name.dat (open only): $(best_ms "$tool" meta "$data/$name.dat")"
done

# Google Benchmark suites of the record decoders and commands.
for b in "$build"/bench/bench_*; do
  case "$(basename "$b")" in bench_dat) continue ;; esac
  [ -x "$b" ] || continue
  echo
  echo "== $(basename "$b")"
  "$b"
done

# Packing and reading archives next to tar and zstd.
echo
echo "== tsy-pack"
"$(dirname "$0")/bench-tsy.sh" "$build"
