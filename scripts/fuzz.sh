#!/usr/bin/env bash
# Runs every fuzz target for SECONDS each (default 60), or for N executions each with --runs N,
# from its seed corpus and prints, per target, the executions, the time, the rate, the corpus
# size and the findings (crash, leak, timeout and out-of-memory inputs, kept in
# build-fuzz/fuzz-findings/<target>/).
# Builds only the fuzz targets, optimised and with AddressSanitizer and UndefinedBehaviorSanitizer,
# in build-fuzz (the test command's short runs use the Debug build-asan instead).
#   scripts/fuzz.sh [SECONDS | --runs N] [TARGET...]
set -euo pipefail
cd "$(dirname "$0")/.."
limit=(-max_total_time=60)
if [ "${1:-}" = "--runs" ]; then
  limit=(-runs="${2:?--runs needs a number}")
  shift 2
elif [ $# -gt 0 ]; then
  limit=(-max_total_time="$1")
  shift
fi
build=build-fuzz
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
    -DVOREL_SANITIZE=ON -DVOREL_FUZZ=ON -DVOREL_BENCH=OFF -DVOREL_WERROR=ON >/dev/null
fi
targets=("$@")
if ((${#targets[@]} == 0)); then
  for src in fuzz/fuzz_*.cpp sim/fuzz/fuzz_*.cpp; do
    targets+=("$(basename "$src" .cpp)")
  done
fi
cmake --build "$build" --target "${targets[@]}" >/dev/null
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

printf '%-22s %14s %9s %10s %8s %9s\n' target executions seconds exec/s corpus findings
status=0
for t in "${targets[@]}"; do
  exe=$(find "$build" -type f -name "$t" -perm -u+x | head -n1)
  seeds=fuzz/corpus/$t
  [ -d "$seeds" ] || seeds=sim/fuzz/corpus
  work=$build/fuzz-work/$t
  findings=$build/fuzz-findings/$t
  mkdir -p "$work" "$findings"
  log=$build/fuzz-work/$t.log
  start=$(date +%s)
  "$exe" "${limit[@]}" -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$findings/" "$work" "$seeds" >"$log" 2>&1 || status=1
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -n1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -n1)
  corpus=$(find "$work" -type f | wc -l)
  found=$(find "$findings" -type f | wc -l)
  took=$(($(date +%s) - start))
  ((found == 0)) || status=1
  printf '%-22s %14s %9s %10s %8s %9s\n' "$t" "${runs:-?}" "$took" "${rate:-?}" "$corpus" "$found"
done
exit $status
