#!/usr/bin/env bash
# Installs what is missing, builds and runs every test twice: a plain optimised build, then a
# clang build with AddressSanitizer and UndefinedBehaviorSanitizer that also runs each fuzz
# target for a few seconds. Prints how long each stage took.
#
# Most integration tests wait on a simulated line rather than compute, so ctest runs three
# slots per core: a test labelled "wait" takes one slot, any other takes three (see
# tests/CMakeLists.txt). VOREL_TEST_SLOTS overrides the number of slots.
set -euo pipefail
cd "$(dirname "$0")/.."
jobs=$(nproc)
slots=${VOREL_TEST_SLOTS:-$((jobs * 3))}
stages=()
started=$SECONDS
stage() {
  local name=$1 begin=$SECONDS
  shift
  echo "== $name"
  "$@"
  stages+=("$(printf '%-22s %5d s' "$name" $((SECONDS - begin)))")
}
report() {
  echo "== time per stage"
  printf '%s\n' "${stages[@]}"
  printf '%-22s %5d s\n' "total" $((SECONDS - started))
}
trap report EXIT

stage "install" scripts/install-deps.sh

# The plain build is only run, never debugged: without debug information it compiles a fifth
# faster. The sanitizer build keeps it, for the line numbers in its reports.
stage "configure" cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOREL_WERROR=ON \
  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O2 -DNDEBUG"
stage "build" cmake --build build -j "$jobs"
stage "test" ctest --test-dir build --output-on-failure -j "$slots"

stage "configure sanitizers" cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug \
  -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DVOREL_SANITIZE=ON -DVOREL_FUZZ=ON -DVOREL_BENCH=OFF -DVOREL_WERROR=ON
stage "build sanitizers" cmake --build build-asan -j "$jobs"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
export LSAN_OPTIONS=suppressions=$PWD/scripts/lsan.supp:print_suppressions=0
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
stage "test sanitizers" ctest --test-dir build-asan --output-on-failure -j "$slots"
