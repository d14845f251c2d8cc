#!/usr/bin/env bash
# Sets everything up, builds the program and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUBLE_BUILD_TESTS=OFF -DQUBLE_BUILD_BENCH=OFF >/dev/null
cmake --build build/release --target quble quble-cli
exec build/release/app/quble "$@"
