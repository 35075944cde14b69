#!/usr/bin/env bash
# Installs everything the build, the tests and the demo need on a fresh Debian 12 machine.
# Run as root (or through sudo).
set -euo pipefail

packages=(
  cmake make g++ ccache pkg-config
  qt6-base-dev qt6-base-dev-tools
  qt6-svg-dev libqt6svg6
  libgl-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth imagemagick x11-utils xdotool
  desktop-file-utils shared-mime-info xdg-utils libfile-mimeinfo-perl libglib2.0-bin
  wine wine64 gcc-mingw-w64-x86-64 gcc-mingw-w64-i686
  clang libclang-rt-14-dev clang-format
  bash-completion dpkg-dev appstream lintian
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
