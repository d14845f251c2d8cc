#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test, after a short run of the metafile player's fuzzer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUBLE_SANITIZE=ON >/dev/null
cmake --build build/asan

# Longer fuzzing: scripts/fuzz.sh SECONDS.
mkdir -p build
if ! bash scripts/fuzz.sh 15 > build/fuzz.log 2>&1; then
  tail -n 60 build/fuzz.log
  echo "The metafile player's fuzzer failed (build/fuzz.log)."
  exit 1
fi
grep -E '^Done [0-9]+ runs' build/fuzz.log | sed 's/^/fuzz: /' || true

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/asan --output-on-failure -j2
