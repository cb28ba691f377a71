#!/usr/bin/env bash
# vorel-cli over TCP against a libmodbus RTU slave: the slave's pseudo-terminal is bridged to
# a TCP port of the loopback interface by socat, as a serial device server would. Reads and a
# write checked on both sides, then a host that does not resolve and a port nobody listens on.
# Usage: libmodbus_tcp_check.sh VOREL_CLI LIBMODBUS_SLAVE
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
export XDG_CONFIG_HOME="$dir/config"

socat pty,raw,echo=0,link="$dir/bridge" pty,raw,echo=0,link="$dir/slave" 2>"$dir/socat.log" &
pids+=($!)
for _ in $(seq 100); do
  [ -e "$dir/bridge" ] && [ -e "$dir/slave" ] && break
  sleep 0.05
done
"$slave" "$dir/slave" 1 >"$dir/slave.log" 2>&1 &
pids+=($!)
for _ in $(seq 100); do
  grep -q ready "$dir/slave.log" && break
  sleep 0.05
done
# A free port: the kernel picks one for a socket that is closed again at once.
port=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
# -t: a connection that ended lets go of the line at once, before the next one takes it.
socat -t 0.01 TCP-LISTEN:"$port",bind=127.0.0.1,reuseaddr,fork "$dir/bridge",raw,echo=0 \
  2>"$dir/socat-tcp.log" &
bridge_pid=$!
pids+=($bridge_pid)
# Each connection gets a child of the bridge that holds the line while it lives. One still
# ending when the next connection comes would read the slave's reply meant for that one, so
# every connection waits until no child of an earlier one is left.
bridge_busy() {
  local f ppid
  for f in /proc/[0-9]*/stat; do
    read -r _ _ _ ppid _ <"$f" 2>/dev/null || continue
    [ "$ppid" = "$bridge_pid" ] && return 0
  done
  return 1
}
wait_bridge_free() {
  for _ in $(seq 200); do
    bridge_busy || return 0
    sleep 0.05
  done
}
for _ in $(seq 100); do
  (exec 3<>/dev/tcp/127.0.0.1/"$port") 2>/dev/null && break
  sleep 0.05
done

# expect_run NAME PORT EXPECTED_STATUS EXPECTED_STDOUT EXPECTED_STDERR_TEXT -- ARGS...
expect_run() {
  local name=$1 where=$2 status=$3 out=$4 err=$5
  shift 6
  local got_out got_status
  wait_bridge_free
  got_out=$(timeout 20 "$cli" --port "$where" "$@" 2>"$dir/err")
  got_status=$?
  [ "$got_status" = "$status" ] || fail "$name: exit $got_status, expected $status ($(cat "$dir/err"))"
  [ "$got_out" = "$out" ] || fail "$name: printed '$got_out', expected '$out'"
  if [ -n "$err" ]; then
    grep -qF "$err" "$dir/err" || fail "$name: stderr '$(cat "$dir/err")' lacks '$err'"
  fi
  echo "ok: $name"
}

tcp="tcp://127.0.0.1:$port"
expect_run "read three registers" "$tcp" 0 "1016 1017 1018" "" -- read 1 0x10 3
expect_run "write three words" "$tcp" 0 "" "" -- write 1 0x20 0x1234 5 65535
grep -q "^wrote 32: 4660 5 65535$" "$dir/slave.log" || fail "slave did not see the write: $(cat "$dir/slave.log")"
expect_run "read back the written words" "$tcp" 0 "4660 5 65535" "" -- read 1 32 3
expect_run "read past the slave's registers" "$tcp" 1 "" "Exception response! (code 02: the controller has no such register)" -- read 1 510 5
expect_run "another slave address" "$tcp" 1 "" "Communication timeout!" -- read 2 0 1

expect_run "a name that does not resolve" "tcp://no-such-host.invalid:502" 1 "" \
  "Cannot connect to no-such-host.invalid:502: the host name does not resolve." -- read 1 0 1
free=$(python3 -c 'import socket; s=socket.socket(); s.bind(("127.0.0.1",0)); print(s.getsockname()[1])')
expect_run "nobody listens" "tcp://127.0.0.1:$free" 1 "" \
  "Cannot connect to 127.0.0.1:$free: the connection was refused" -- read 1 0 1

if [ "$failures" -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "all libmodbus TCP peer checks passed"
