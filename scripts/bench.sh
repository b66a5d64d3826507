#!/usr/bin/env bash
# make bench: times dat-tool end to end next to its baselines in one run and writes BENCHMARKS.md.
#
# Inputs are generated once into bench/data/ (make-bench-data; not in git). Every timed command is
# pinned to core 0 (taskset -c 0) and run by bench-run, which keeps the best wall and the best CPU
# time (user + system of every process of the command) of N runs and the largest peak RSS of any
# of its processes. A baseline made of two commands adds their best times. The ratio is ours /
# baseline in CPU time, the steadier figure on a busy machine. Every output of ours is checked
# (entry counts, line counts, exported bytes) so that a fast wrong run cannot pass.
set -euo pipefail

build=${1:-build}
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
data=bench/data
out=$data/out
tool=$build/dat-tool
report=BENCHMARKS.md
runs=5
pack_runs=3

log() { echo "bench: $*" >&2; }
die() {
  echo "bench: FAILED: $*" >&2
  exit 1
}

for need in taskset tar zstd awk cmp; do
  command -v "$need" >/dev/null || die "$need is not installed (scripts/install-deps.sh)"
done
for exe in "$tool" "$build"/bench/{make-bench-data,dat-floor,bench-run}; do
  [ -x "$exe" ] || die "$exe is missing; run 'make build' first"
done

started=$(date -u '+%Y-%m-%d %H:%M UTC')
log "generating inputs into $data (first run only: about two minutes, 2.3 GB)"
"$build/bench/make-bench-data" "$data"
rm -rf "$out"
mkdir -p "$out"

stats=$out/stats
rows=$out/rows.tsv
: >"$rows"

# measure N COMMAND...: sets m_wall and m_cpu (microseconds) and m_rss (KiB). The caller's
# redirections apply to the command.
measure() {
  local n=$1
  shift
  taskset -c 0 "$build/bench/bench-run" -n "$n" -o "$stats" -- "$@" || die "$*"
  read -r m_wall m_cpu m_rss <"$stats"
}
ours() { measure "$@" && o_wall=$m_wall o_cpu=$m_cpu o_rss=$m_rss; }
base() { measure "$@" && b_wall=$m_wall b_cpu=$m_cpu b_rss=$m_rss; }
# A second baseline command, added to the first.
base_plus() {
  measure "$@"
  b_wall=$((b_wall + m_wall)) b_cpu=$((b_cpu + m_cpu))
  [ "$m_rss" -gt "$b_rss" ] && b_rss=$m_rss
  return 0
}
# row COMMAND BASELINE TARGET: records the last ours/base measurements ("-": no target).
row() {
  printf '%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\t%s\n' "$1" "$2" "$o_wall" "$o_cpu" "$o_rss" \
    "$b_wall" "$b_cpu" "$b_rss" "$3" >>"$rows"
  log "$(awk -v o="$o_cpu" -v b="$b_cpu" -v c="$1" \
    'BEGIN { printf "%-44s ours %8.1f ms, baseline %8.1f ms CPU, ratio %.2f", c, o / 1000, b / 1000, o / b }')"
}

expect_eq() {  # what, got, want
  [ "$2" = "$3" ] || die "$1: got '$2', expected '$3'"
}
floor_count() { "$build/bench/dat-floor" "$1"; }
check_key() { head -1 "$data/$1.check"; }

# --- DAT: the cell-style file of a million entries, then the portal-style file.
dat_rows() {  # NAME TARGETS(meta list export)
  local name=$1 file=$data/$1.dat entries key
  local -a targets=($2)
  entries=$(floor_count "$file")
  "$tool" meta "$file" >"$out/$name.meta"
  grep -qx "File Count:  $entries" "$out/$name.meta" || die "meta $name.dat does not count $entries"
  "$tool" list "$file" >"$out/$name.list"
  expect_eq "list $name.dat lines" "$(wc -l <"$out/$name.list")" "$entries"
  key=$(check_key "$name")

  log "$name.dat: $entries entries"
  base "$runs" "$build/bench/dat-floor" "$file" >/dev/null
  local f_wall=$b_wall f_cpu=$b_cpu f_rss=$b_rss
  ours "$runs" "$tool" meta "$file" >/dev/null
  row "\`meta\` $name.dat" "floor" "${targets[0]}"
  ours "$runs" "$tool" info "$file" "0x$key" >/dev/null
  row "\`info\` $name.dat" "floor" "${targets[0]}"

  ours "$runs" "$tool" list "$file" >/dev/null
  b_wall=$f_wall b_cpu=$f_cpu b_rss=$f_rss
  base_plus "$runs" cat "$out/$name.list" >/dev/null
  row "\`list\` $name.dat >/dev/null" "floor + \`cat\` of the listing" "${targets[1]}"

  ours "$runs" "$tool" export "$file" "0x$key" -o "$out/$name.export.bin" >/dev/null
  cmp -s "$out/$name.export.bin" "$data/$name.check.bin" || die "export from $name.dat differs"
  b_wall=$f_wall b_cpu=$f_cpu b_rss=$f_rss
  base_plus "$runs" "$tool" --version >/dev/null
  row "\`export\` one resource of $name.dat" "floor + \`dat-tool --version\`" "${targets[2]}"
}
dat_rows cell_1m "1.5 2.0 1.5"
dat_rows portal "- - -"

# --- tsy-pack of the loose directory next to tar (and zstd).
pack=$data/pack
files=$(find "$pack" -type f | wc -l)
log "pack: $files files, $(du -sh --apparent-size "$pack" | cut -f1)"
check_pack() {  # ARCHIVE: every file listed, one read back byte for byte
  local name
  expect_eq "list $1 lines" "$("$tool" list "$1" | wc -l)" "$files"
  name=$(cd "$pack" && ls | tail -1)
  "$tool" export "$1" "0x${name%%.*}" -o "$out/pack.one.bin" >/dev/null
  cmp -s "$out/pack.one.bin" "$pack/$name" || die "export of $name from $1 differs"
}
ours "$pack_runs" "$tool" tsy-pack -c "$pack" "$out/pack-c.tsy" >/dev/null
check_pack "$out/pack-c.tsy"
base "$pack_runs" bash -c "tar -cf - -C '$pack' . | zstd -q -3 -T1 -f -o '$out/pack.tar.zst'"
row "\`tsy-pack -c\` of $files files" "\`tar -cf - DIR \\| zstd -3 -T1\`" 1.0
ours "$pack_runs" "$tool" tsy-pack "$pack" "$out/pack.tsy" >/dev/null
check_pack "$out/pack.tsy"
base "$pack_runs" tar -cf "$out/pack.tar" -C "$pack" .
row "\`tsy-pack\` of $files files" "\`tar -cf\`" 1.0
sizes="tsy-pack -c: $(stat -c %s "$out/pack-c.tsy") bytes, tar | zstd -3: $(stat -c %s "$out/pack.tar.zst") bytes; tsy-pack: $(stat -c %s "$out/pack.tsy") bytes, tar: $(stat -c %s "$out/pack.tar") bytes"
rm -f "$out"/pack*.tsy "$out"/pack.tar*

# --- The million-entry archive.
tsy=$data/tsy_1m.tsy
read -r key ns <"$data/tsy_1m.check"
ours "$runs" "$tool" export "$tsy" "0x$key" --namespace "$ns" -o "$out/tsy.export.bin" >/dev/null
cmp -s "$out/tsy.export.bin" "$data/tsy_1m.check.bin" || die "export from tsy_1m.tsy differs"
base "$runs" "$tool" --version >/dev/null
row "\`export\` one entry of tsy_1m.tsy" "\`dat-tool --version\`" 1.5

"$tool" meta "$tsy" >"$out/tsy.meta"
grep -q "with 1000000 files" "$out/tsy.meta" || die "meta tsy_1m.tsy does not count 1000000"
tail -c 60000000 "$tsy" >"$out/tsy.index"
ours "$runs" "$tool" meta "$tsy" >/dev/null
base "$runs" cat "$out/tsy.index" >/dev/null
row "\`meta\` tsy_1m.tsy" "\`cat\` of its index bytes" 1.5
"$tool" list "$tsy" >"$out/tsy.list"
expect_eq "list tsy_1m.tsy lines" "$(wc -l <"$out/tsy.list")" 1000000
ours "$runs" "$tool" list "$tsy" >/dev/null
base "$runs" cat "$out/tsy.list" >/dev/null
row "\`list\` tsy_1m.tsy >/dev/null" "\`cat\` of the listing" 1.5

# --- spell-export of 10,000 spells.
"$tool" spell-export "$data/spells.dat" >"$out/spells.json"
expect_eq "spell-export spells" "$(grep -c '"name": "Spell number' "$out/spells.json")" 10000
ours "$runs" "$tool" spell-export "$data/spells.dat" >/dev/null
base "$runs" cat "$out/spells.json" >/dev/null
row "\`spell-export\` of 10,000 spells" "\`cat\` of the JSON" 3.0

# --- Micro-benchmarks of the hot loops.
micro=$out/micro.txt
: >"$micro"
for b in "$build"/bench/bench_*; do
  [ -x "$b" ] || continue
  log "micro-benchmarks: $(basename "$b")"
  args=()
  case "$(basename "$b")" in bench_dat | bench_tsy) args=(--data="$data") ;; esac
  {
    echo "### $(basename "$b")"
    echo
    echo '```'
    taskset -c 0 "$b" "${args[@]}" --benchmark_min_time=0.2 --benchmark_color=false 2>&1 |
      grep -v '^\*\*\*WARNING'
    echo '```'
    echo
  } >>"$micro"
done

# --- The report.
cpu_model=$(awk -F': ' '/^model name/ { print $2; exit }' /proc/cpuinfo)
memory=$(awk '/^MemTotal/ { printf "%.0f GiB", $2 / 1048576 }' /proc/meminfo)
{
  echo "# Benchmarks"
  echo
  echo "Run of $started on $(nproc) cores ($cpu_model), $memory of memory, Linux"
  echo "$(uname -r); load average $(cut -d' ' -f1-3 /proc/loadavg) at the end. Generated by"
  echo "\`make bench\` (scripts/bench.sh)."
  echo
  echo "Every command runs pinned to one core (\`taskset -c 0\`), warm page cache, best of $runs runs"
  echo "($pack_runs for \`tsy-pack\`). Times in milliseconds: CPU (user + system of every process of"
  echo "the command), then wall in parentheses. Ratio = ours / baseline CPU time; a baseline of two"
  echo "commands adds their best times. Peak RSS is that of the largest process. The floor is"
  echo "\`dat-floor\` (bench/dat_floor.cpp): one pread per directory block, entries counted, nothing"
  echo "else. Outputs were checked: entry and line counts, exported bytes equal to the source."
  echo
  echo "| command | ours ms | baseline | baseline ms | ratio | target | met? | our peak RSS | baseline peak RSS |"
  echo "|---|---:|---|---:|---:|---:|:---:|---:|---:|"
  awk -F'\t' '{
    ratio = $7 > 0 ? $4 / $7 : 0
    target = $9 == "-" ? "-" : "<= " $9 "x"
    met = $9 == "-" ? "-" : (ratio <= $9 ? "yes" : "**no**")
    printf "| %s | %.1f (%.1f) | %s | %.1f (%.1f) | %.2fx | %s | %s | %.1f MiB | %.1f MiB |\n",
      $1, $4 / 1000, $3 / 1000, $2, $7 / 1000, $6 / 1000, ratio, target, met, $5 / 1024, $8 / 1024
  }' "$rows"
  echo
  echo "Archive sizes: $sizes."
  echo
  echo "## Inputs"
  echo
  echo "Generated by \`make-bench-data\` (bench/make_bench_data.cpp) into bench/data/:"
  echo
  echo "- portal.dat: block size 1024, 80,000 resources of mixed types and sizes, some stored"
  echo "  LRS-compressed, $(du -h --apparent-size "$data/portal.dat" | cut -f1)."
  echo "- cell_1m.dat: block size 256, 1,000,000 landblock, landblock-info and cell resources,"
  echo "  $(du -h --apparent-size "$data/cell_1m.dat" | cut -f1)."
  echo "- pack/: $files loose files [ID].[TYPE] of 32 bytes to 64 KiB, half of them text-like,"
  echo "  $(du -sh --apparent-size "$pack" | cut -f1)."
  echo "- tsy_1m.tsy: 1,000,000 entries of 16 to 512 bytes in two namespaces, written by the library"
  echo "  writer with compression, $(du -h --apparent-size "$tsy" | cut -f1)."
  echo "- spells.dat: a spell table of 10,000 spells."
  echo
  echo "## Reproduce"
  echo
  echo '```'
  echo "make bench    # builds, generates the inputs once, times, writes BENCHMARKS.md"
  echo '```'
  echo
  echo "## Micro-benchmarks"
  echo
  echo "Google Benchmark suites (build/bench/bench_*), pinned to core 0."
  echo
  cat "$micro"
} >"$report"
log "wrote $report"
