#!/usr/bin/env bash
# Makes the user guide's screenshots from the real windows, in English and in Chinese:
# starts vorel-sim on a pseudo-terminal, points a settings folder of its own at it and runs
# vorel-guide-shots (offscreen) once per language, which connects to site 1, opens the
# windows the guide shows and saves them into docs/guide/{en,zh}/images/. Run it after a
# window changes and commit the images with the change. Needs a build in build/ (or $BUILD).
set -euo pipefail
cd "$(dirname "$0")/.."
build=${BUILD:-build}
cmake --build "$build" -j2 --target vorel-sim vorel-guide-shots >/dev/null

# A short, fixed folder: the Properties window shows the port's path.
run=/tmp/vorel-guide
rm -rf "$run"
mkdir -p "$run"
sim=
cleanup() {
  [ -n "$sim" ] && kill "$sim" 2>/dev/null && wait "$sim" 2>/dev/null
  rm -rf "$run"
}
trap cleanup EXIT

link="$run/ttyUSB0"
# A fresh controller every time, so that the images do not depend on earlier runs.
"$build/sim/vorel-sim" --link "$link" --baud 0 --time-scale 20 >"$run/sim.out" 2>"$run/sim.err" &
sim=$!
for _ in $(seq 100); do grep -q '^ready' "$run/sim.out" 2>/dev/null && break; sleep 0.05; done
grep -q '^ready' "$run/sim.out" || { echo "vorel-sim did not start:"; cat "$run/sim.err"; exit 1; }

for language in english chinese; do
  case $language in english) folder=en ;; chinese) folder=zh ;; esac
  config="$run/config-$folder"
  mkdir -p "$config/vorel"
  {
    printf '[System]\r\nLanguage=%s\r\n[Connect]\r\nModem=0\r\n[Device]\r\n' "$language"
    printf 'ControlerAddr1=-1\r\n'
    for n in $(seq 2 32); do printf 'ControlerAddr%d=0\r\n' "$n"; done
    printf '[ComPort1]\r\nPort=%s\r\nBaudRate=9600\r\nStopBits=1\r\nDataBits=8\r\n' "$link"
    printf 'Parity=None\r\nFlowControl=None\r\nFastReplies=-1\r\n'
  } >"$config/vorel/vport.ini"
  # OUT (default docs/guide) takes the images elsewhere, for a look at another scale say.
  out="${OUT:-docs/guide}/$folder/images"
  mkdir -p "$out"
  XDG_CONFIG_HOME="$config" XDG_DATA_HOME="$run/data" QT_QPA_PLATFORM=offscreen \
    "$build/src/app/vorel-guide-shots" --out "$out"
done

# Smaller files: a palette of 256 colours is plenty for window images.
if command -v convert >/dev/null; then
  for f in "${OUT:-docs/guide}"/{en,zh}/images/*.png; do convert "$f" -strip -colors 256 "PNG8:$f"; done
fi
echo "images in ${OUT:-docs/guide}/en/images and ${OUT:-docs/guide}/zh/images"
