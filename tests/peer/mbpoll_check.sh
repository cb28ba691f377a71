#!/usr/bin/env bash
# Peer check: the mbpoll Modbus master (written elsewhere) reads and writes holding registers of
# vorel-sim. Usage: mbpoll_check.sh PATH_TO_VOREL_SIM
set -euo pipefail
sim="$1"
dir=$(mktemp -d)
link="$dir/line"
pid=""
cleanup() {
  if [[ -n "$pid" ]]; then kill "$pid" 2>/dev/null || true; wait "$pid" 2>/dev/null || true; fi
  rm -rf "$dir"
}
trap cleanup EXIT

"$sim" --link "$link" --baud 0 --site 1 --site 7:3105:V4.20 --password 2468 >"$dir/out" 2>"$dir/err" &
pid=$!
for _ in $(seq 100); do grep -q '^ready ' "$dir/out" 2>/dev/null && break; sleep 0.05; done
grep -q '^ready ' "$dir/out" || { echo "vorel-sim did not start"; cat "$dir/err"; exit 1; }

fail=0
poll() { mbpoll -m rtu -b 9600 -P none -0 -1 -o 1 "$@"; }
# Value of reference REF in mbpoll's output, e.g. "[363]: 	3101".
value() { grep -E "^\[$1\]:" | head -1 | awk '{print $2}'; }
expect() {  # expect WHAT ACTUAL WANTED
  if [[ "$2" == "$3" ]]; then echo "ok   $1 = $2"; else echo "FAIL $1: got '$2', want '$3'"; fail=1; fi
}

expect "product code of site 1" "$(poll -a 1 -r 363 -c 1 "$link" | value 363)" 3101
expect "product code of site 7" "$(poll -a 7 -r 363 -c 1 "$link" | value 363)" 3105
ident=$(poll -a 1 -r 361 -c 29 -t 4:hex "$link")
# Device name from 0x0172 (370): "GENSET CONTROLLER 3101 V5.10", two characters per register,
# the first in the low byte: "GE" is 0x4547.
expect "device name word 0" "$(echo "$ident" | value 370)" 0x4547
expect "device name word 1" "$(echo "$ident" | value 371)" 0x534E
serial=$(poll -a 7 -r 6 -c 3 -t 4:hex "$link")
expect "serial number" "$(echo "$serial" | value 6)$(echo "$serial" | value 7)$(echo "$serial" | value 8)" \
  0x20260x12090x0007

# Writing: locked first (mbpoll reports the exception and fails), then unlock with function 6
# and write two parameters with function 16.
if poll -a 1 -r 200 "$link" 275 >/dev/null 2>&1; then echo "FAIL locked write accepted"; fail=1; else echo "ok   locked write refused"; fi
expect "nominal power before" "$(poll -a 1 -r 200 -c 1 "$link" | value 200)" 200
poll -a 1 -r 4 "$link" 2468 >/dev/null
expect "protection after unlock" "$(poll -a 1 -r 4 -c 1 "$link" | value 4)" 746
poll -a 1 -r 200 "$link" 275 380 >/dev/null
values=$(poll -a 1 -r 200 -c 2 "$link")
expect "nominal power" "$(echo "$values" | value 200)" 275
expect "nominal current" "$(echo "$values" | value 201)" 380
expect "site 7 untouched" "$(poll -a 7 -r 200 -c 1 "$link" | value 200)" 200
exit $fail
