#!/usr/bin/env bash
# Installs everything the project needs on a fresh Debian machine. Safe to run again.
set -euo pipefail

SUDO=""
if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi

PACKAGES=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-dev lld
  qtbase5-dev qtbase5-dev-tools qtdeclarative5-dev qttools5-dev-tools libqt5svg5-dev
  qml-module-qtquick2 qml-module-qtquick-controls2 qml-module-qtquick-layouts
  qml-module-qtquick-window2 qml-module-qtquick-dialogs qml-module-qtqml-statemachine
  qml-module-qtquick-shapes qml-module-qtgraphicaleffects qml-module-qttest
  qtdeclarative5-dev-tools
  xvfb xauth libgl1-mesa-dri mesa-utils
  imagemagick xdotool
  iproute2 util-linux
  libbenchmark-dev
  clang-format ccache
  fonts-lato
  libssl-dev
)

missing=()
for p in "${PACKAGES[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ "${#missing[@]}" -gt 0 ]; then
  echo "setup.sh: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
else
  echo "setup.sh: everything is installed"
fi
