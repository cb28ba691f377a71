#!/usr/bin/env bash
# Installs, on Debian 12, whatever building, running and testing the tool needs and the
# machine lacks. Does nothing when everything is there.
set -euo pipefail
packages=(
  cmake g++ ninja-build pkg-config clang libclang-rt-14-dev
  qt6-base-dev qt6-charts-dev libqt6opengl6-dev qt6-translations-l10n fonts-wqy-microhei
  libgtest-dev libgmock-dev libbenchmark-dev
  libmodbus-dev mbpoll socat dpkg-dev help2man
  mosquitto mosquitto-clients libmosquitto-dev prometheus
  libqt6sql6-sqlite libqt6sql6-psql postgresql
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "Installing: ${missing[*]}"
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
