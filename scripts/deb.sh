#!/usr/bin/env bash
# Builds the Debian package build/deb/quble_VERSION_ARCH.deb (install it with
# `sudo apt install ./build/deb/quble_*.deb`).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
build=build/deb
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUBLE_BUILD_TESTS=OFF -DQUBLE_BUILD_BENCH=OFF \
  "${launcher[@]}" >/dev/null
cmake --build "$build"
rm -f "$build"/quble_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
deb=$(ls "$build"/quble_*.deb)
dpkg-deb --field "$deb" Package Version Architecture Depends
echo "Built $deb"
