#!/usr/bin/env bash
# tsy-pack next to the archives a user would otherwise make, on one generated directory of 100k
# loose files (bench/data/pack, made once): wall time and peak memory of packing, sizes, and the
# time to get one resource back out. Warm page cache; best of three runs.
set -euo pipefail
build=${1:-build}
data=bench/data
dir=$data/pack
tool=$build/dat-tool
[ -d "$dir" ] || "$build/bench/make-pack-dir" "$dir" 100000 >/dev/null
input_bytes=$(du -sb --apparent-size "$dir" | cut -f1)
files=$(find "$dir" -type f | wc -l)

# "wall_s cpu_s max_rss_kib" of the best of three runs of a shell command line. CPU is user plus
# system time of every process of the pipeline; peak RSS is that of its largest process.
measure() {
  local best="" stats
  stats=$(mktemp)
  for _ in 1 2 3; do
    local wall user sys rss
    /usr/bin/time -f '%e %U %S %M' -o "$stats" bash -c "$1" >/dev/null 2>&1
    read -r wall user sys rss <"$stats"
    if [ -z "$best" ] || awk "BEGIN{exit !($wall < ${best%% *})}"; then
      best="$wall $(awk "BEGIN{print $user + $sys}") $rss"
    fi
  done
  rm -f "$stats"
  echo "$best"
}

row() {  # label, command, output file (or -)
  read -r wall cpu rss < <(measure "$2")
  local size="-"
  [ "$3" != "-" ] && size=$(stat -c %s "$3")
  printf '%-40s %7s s %7s s %10s KiB %11s bytes\n' "$1" "$wall" "$cpu" "$rss" "$size"
}

echo "input: $files files, $input_bytes bytes ($dir)"
printf '%-40s %9s %9s %14s %17s\n' "" "wall" "CPU" "peak RSS" "output"
row "tsy-pack -c" "$tool tsy-pack -c $dir $data/pack-c.tsy" "$data/pack-c.tsy"
row "tar -cf - | zstd -3 -T1" "tar -cf - -C $dir . | zstd -q -3 -T1 -o $data/pack.tar.zst -f" \
  "$data/pack.tar.zst"
row "tsy-pack" "$tool tsy-pack $dir $data/pack.tsy" "$data/pack.tsy"
row "tar -cf" "tar -cf $data/pack.tar -C $dir ." "$data/pack.tar"

# One resource back out: the last file of the listing, wherever it lies.
name=$(ls "$dir" | tail -1)
id=${name%%.*}
row "export $id from the -c archive" "$tool export $data/pack-c.tsy 0x$id -o $data/one.bin" -
row "extract $name from .tar.zst" "zstd -q -dc $data/pack.tar.zst | tar -xf - -O ./$name >$data/one.tar.bin" -
row "export $id from the plain archive" "$tool export $data/pack.tsy 0x$id -o $data/one.bin" -
row "extract $name from .tar" "tar -xf $data/pack.tar -O ./$name >$data/one.tar.bin" -
cmp "$data/one.bin" "$dir/$name" && cmp "$data/one.tar.bin" "$dir/$name"
row "meta (reads every index entry)" "$tool meta $data/pack-c.tsy" -
row "list" "$tool list $data/pack-c.tsy" -
