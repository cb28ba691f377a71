#!/usr/bin/env bash
# The main job: installs what is missing, builds, starts the substitute controller vorel-sim
# on a pseudo-terminal and the tool with settings of its own that point at it. The user's own
# settings are never touched. The simulator keeps what was written in $run/sim.state; extra
# arguments go to vorel-sim (for example --site 2:3105:V4.10).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

run=${VOREL_DEMO_DIR:-/tmp/vorel-demo-$USER}
mkdir -p "$run/config/vorel"
link="$run/ttyVOREL"
build/sim/vorel-sim --link "$link" --state "$run/sim.state" "$@" >"$run/sim.out" 2>"$run/sim.err" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
for _ in $(seq 100); do grep -q '^ready' "$run/sim.out" 2>/dev/null && break; sleep 0.05; done
grep -q '^ready' "$run/sim.out" || { echo "vorel-sim did not start:"; cat "$run/sim.err"; exit 1; }

ini="$run/config/vorel/vport.ini"
if [ ! -f "$ini" ]; then
  {
    printf '[System]\r\nLanguage=english\r\n[Connect]\r\nModem=0\r\n[Device]\r\n'
    printf 'ControlerAddr1=-1\r\n'
    for n in $(seq 2 32); do printf 'ControlerAddr%d=0\r\n' "$n"; done
    printf '[ComPort1]\r\nPort=%s\r\nBaudRate=9600\r\nStopBits=1\r\nDataBits=8\r\n' "$link"
    printf 'Parity=None\r\nFlowControl=None\r\n'
  } >"$ini"
fi
export XDG_CONFIG_HOME="$run/config"
echo "vorel-sim answers on $link (site 1); settings in $XDG_CONFIG_HOME/vorel"
if [ -x build/src/app/vorel ]; then
  build/src/app/vorel
else
  echo "Identification block of site 1:"
  build/src/app/vorel-cli --port "$link" read 1 0x0169 29
fi
