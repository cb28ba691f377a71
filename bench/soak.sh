#!/usr/bin/env bash
# Soak of the desktop tool: vorel's windows offscreen polling 32 sites of vorel-sim with 1 % of
# the live-value replies faulted, for MINUTES (default 60). Every 30 s a line of resident
# memory, CPU time, CPU share and polls/faults/boxes; at the end the memory growth after the
# first ten minutes, the CPU share, how soon polling goes on after a Retry/Cancel box and
# whether every fault was accounted for (a box of its kind, or absorbed), each with "met" or
# "NOT met".
#   bench/soak.sh [MINUTES] [--baud 115200] [--answer-ms MS] [--seed N]
# The build directory is $VOREL_BUILD (default build), configured here when missing.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes=60
if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
  minutes=$1
  shift
fi
build=${VOREL_BUILD:-build}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
fi
cmake --build "$build" -j2 --target soak_bench vorel-sim >/dev/null
exec "$build/bench/soak_bench" --minutes "$minutes" "$@"
