#!/usr/bin/env bash
# vorel-cli against a libmodbus RTU slave on a socat pseudo-terminal pair: reads, a write
# checked on both sides, an exception reply, and the timeout when nobody answers.
# Usage: libmodbus_check.sh VOREL_CLI LIBMODBUS_SLAVE
set -u
cli=$1
slave=$2
dir=$(mktemp -d)
pids=()
cleanup() {
  for p in "${pids[@]}"; do kill "$p" 2>/dev/null; done
  wait 2>/dev/null
  rm -rf "$dir"
}
trap cleanup EXIT
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

socat pty,raw,echo=0,link="$dir/master" pty,raw,echo=0,link="$dir/slave" 2>"$dir/socat.log" &
pids+=($!)
for _ in $(seq 100); do
  [ -e "$dir/master" ] && [ -e "$dir/slave" ] && break
  sleep 0.05
done
"$slave" "$dir/slave" 1 >"$dir/slave.log" 2>&1 &
slave_pid=$!
pids+=($slave_pid)
for _ in $(seq 100); do
  grep -q ready "$dir/slave.log" && break
  sleep 0.05
done

# expect_run NAME EXPECTED_STATUS EXPECTED_STDOUT EXPECTED_STDERR_TEXT -- ARGS...
expect_run() {
  local name=$1 status=$2 out=$3 err=$4
  shift 5
  local got_out got_status
  got_out=$("$cli" --port "$dir/master" "$@" 2>"$dir/err")
  got_status=$?
  [ "$got_status" = "$status" ] || fail "$name: exit $got_status, expected $status ($(cat "$dir/err"))"
  [ "$got_out" = "$out" ] || fail "$name: printed '$got_out', expected '$out'"
  if [ -n "$err" ]; then
    grep -qF "$err" "$dir/err" || fail "$name: stderr '$(cat "$dir/err")' lacks '$err'"
  fi
  echo "ok: $name"
}

expect_run "read three registers" 0 "1016 1017 1018" "" -- read 1 0x10 3
expect_run "read one register, decimal address" 0 "1511" "" -- read 1 511 1
expect_run "write three words" 0 "" "" -- write 1 0x20 0x1234 5 65535
grep -q "^wrote 32: 4660 5 65535$" "$dir/slave.log" || fail "slave did not see the write: $(cat "$dir/slave.log")"
expect_run "read back the written words" 0 "4660 5 65535" "" -- read 1 32 3
expect_run "write one word, hexadecimal" 0 "" "" -- write 1 0x1FF 0xBEEF
grep -q "^wrote 511: 48879$" "$dir/slave.log" || fail "slave did not see the single write"
expect_run "read past the slave's registers" 1 "" "Exception response! (code 02: the controller has no such register)" -- read 1 510 5
expect_run "write past the slave's registers" 1 "" "Exception response! (code 02: the controller has no such register)" -- write 1 600 1
expect_run "another slave address" 1 "" "Communication timeout!" -- read 2 0 1

kill "$slave_pid" 2>/dev/null
wait "$slave_pid" 2>/dev/null
expect_run "nobody answers" 1 "" "Communication timeout!" -- read 1 0 1

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all libmodbus peer checks passed"
