#!/usr/bin/env bash
# Installs the Debian packages the project builds and runs with, when missing.
set -euo pipefail
packages=(build-essential cmake ninja-build pkg-config qt6-base-dev qt6-svg-dev libuemf-dev
          fonts-liberation2 libgtest-dev libbenchmark-dev xvfb xauth clang libclang-rt-14-dev
          libeigen3-dev libfftw3-dev libcli11-dev nlohmann-json3-dev
          dpkg-dev desktop-file-utils appstream)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  sudo=""
  if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
fi
