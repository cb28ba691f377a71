#!/usr/bin/env bash
# The main job: installs what is missing, builds the two programs the demo runs, starts the substitute controller vorel-sim
# on a pseudo-terminal and the tool with settings of its own that point at it. The user's own
# settings are never touched. The simulator keeps what was written in $run/sim.state; extra
# arguments go to vorel-sim (for example --site 2:3105:V4.10).
# --tcp [PORT] (first argument) serves the sites on 127.0.0.1:PORT as well (default 5020) and
# points the tool at tcp://127.0.0.1:PORT: a site reached through a serial device server.
set -euo pipefail
cd "$(dirname "$0")/.."
tcp_port=""
if [ "${1:-}" = "--tcp" ]; then
  shift
  tcp_port=5020
  if [[ "${1:-}" =~ ^[0-9]+$ ]]; then
    tcp_port=$1
    shift
  fi
fi
scripts/install-deps.sh
# A build folder of its own, without tests and benchmarks (scripts/test.sh builds those in
# build/), and only the two programs the demo runs.
build=${VOREL_DEMO_BUILD:-build-demo}
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVOREL_TESTS=OFF \
  -DVOREL_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target vorel vorel-sim

# USER is not set everywhere (a root shell in a container): the name comes from the user id.
run=${VOREL_DEMO_DIR:-/tmp/vorel-demo-$(id -un 2>/dev/null || id -u)}
mkdir -p "$run/config/vorel"
link="$run/ttyVOREL"
sim_args=(--link "$link" --state "$run/sim.state")
[ -n "$tcp_port" ] && sim_args+=(--tcp "$tcp_port")
"$build/sim/vorel-sim" "${sim_args[@]}" "$@" >"$run/sim.out" 2>"$run/sim.err" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^ready' "$run/sim.out" 2>/dev/null && break; sleep 0.05; done
grep -q '^ready' "$run/sim.out" || { echo "vorel-sim did not start:"; cat "$run/sim.err"; exit 1; }

port="$link"
[ -n "$tcp_port" ] && port="tcp://127.0.0.1:$tcp_port"
ini="$run/config/vorel/vport.ini"
if [ -f "$ini" ]; then
  # The demo's own settings follow the way the simulator is reached this time.
  if [ -n "$tcp_port" ] || grep -q '^Port=tcp://127\.0\.0\.1:' "$ini"; then
    sed -i "s|^Port=.*\r\$|Port=$port\r|" "$ini"
  fi
else
  {
    printf '[System]\r\nLanguage=english\r\n[Connect]\r\nModem=0\r\n[Device]\r\n'
    printf 'ControlerAddr1=-1\r\n'
    for n in $(seq 2 32); do printf 'ControlerAddr%d=0\r\n' "$n"; done
    printf '[ComPort1]\r\nPort=%s\r\nBaudRate=9600\r\nStopBits=1\r\nDataBits=8\r\n' "$port"
    printf 'Parity=None\r\nFlowControl=None\r\nFastReplies=-1\r\n'
  } >"$ini"
fi
export XDG_CONFIG_HOME="$run/config"
echo "vorel-sim answers on $port (site 1); settings in $XDG_CONFIG_HOME/vorel"
"$build/src/app/vorel"
