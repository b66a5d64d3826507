#!/usr/bin/env bash
# make fuzz: builds the libFuzzer targets with clang (ASan + UBSan), writes the seed corpus, then
# runs each target in turn for FUZZ_SECONDS (default 60) on a working corpus outside git, and
# prints one line per target. Inputs that crash, leak, hang or allocate too much are kept under
# BUILD/findings/<target>/; the run fails when there is any.
#   FUZZ_SECONDS=600 FUZZ_TARGETS="dat tsy" make fuzz
set -euo pipefail
cd "$(dirname "$0")/.."
build=${FUZZ_BUILD:-build-fuzz}
seconds=${FUZZ_SECONDS:-60}
jobs=${JOBS:-$(nproc)}

scripts/install-deps.sh fuzz
[ -f "$build/build.ninja" ] || cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++-16 -DTESSARY_FUZZ=ON -DTESSARY_BENCH=OFF
read -r -a all < <(tr ";" " " <"$build/fuzz/targets.txt") || true  # no final newline
read -r -a targets <<<"${FUZZ_TARGETS:-${all[*]}}"
cmake --build "$build" -j "$jobs" --target make-fuzz-seeds "${targets[@]/#/fuzz_}"

rm -rf "$build/seeds"
"$build/fuzz/make-fuzz-seeds" "$build/seeds"

failed=0
printf '%-16s %12s %10s %8s %s\n' target executions exec/s corpus findings
for t in "${targets[@]}"; do
  corpus="$build/corpus/$t"
  findings="$build/findings/$t"
  mkdir -p "$corpus" "$findings"
  dict=()
  [ -f "fuzz/$t.dict" ] && dict=(-dict="fuzz/$t.dict")
  log="$build/findings/$t.log"
  # New inputs go to the working corpus; the seeds are read alongside it. Memory is capped far
  # below what any input of at most max_len bytes can justify, so an oversized allocation fails.
  status=0
  "$build/fuzz/fuzz_$t" "$corpus" "$build/seeds/$t" "${dict[@]}" -max_total_time="$seconds" \
    -rss_limit_mb=512 -malloc_limit_mb=256 -timeout=10 -max_len=65536 -print_final_stats=1 \
    -artifact_prefix="$findings/" >"$log" 2>&1 || status=$?
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
  found=$(find "$findings" -type f | wc -l)
  printf '%-16s %12s %10s %8s %s\n' "$t" "${execs:-?}" "${rate:-?}" \
    "$(find "$corpus" -type f | wc -l)" "$found"
  if [ "$status" -ne 0 ] || [ "$found" -ne 0 ]; then
    failed=1
    echo "  see $log and $findings/"
  fi
done
exit $failed
