#!/usr/bin/env bash
# Sets everything up, builds with AddressSanitizer and UndefinedBehaviorSanitizer
# and runs every test, after a short run of each reader's fuzzer and the core
# tests in a clang build that also traps float-cast overflow and float
# division by zero.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
cmake -S . -B build/asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUBLE_SANITIZE=ON "${launcher[@]}" >/dev/null
cmake --build build/asan

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

# Fuzzing, a few seconds per target (longer: scripts/fuzz.sh SECONDS).
mkdir -p build
if ! bash scripts/fuzz.sh 12 > build/fuzz.log 2>&1; then
  tail -n 60 build/fuzz.log
  echo "A reader's fuzzer failed (build/fuzz.log)."
  exit 1
fi
grep -E '^== |^Done [0-9]+ runs' build/fuzz.log | sed 's/^/fuzz: /' || true

# The core tests under clang with the float checks g++ lacks. The command
# line's tests need the GUI library and run in the main build only.
CC=clang CXX=clang++ cmake -S . -B build/clang-float -G Ninja -DCMAKE_BUILD_TYPE=Debug -DQUBLE_SANITIZE=ON \
  -DQUBLE_SANITIZE_FLOAT=ON -DQUBLE_BUILD_BENCH=OFF -DQUBLE_CORE_TESTS_ALONE=ON "${launcher[@]}" >/dev/null
cmake --build build/clang-float --target quble_core_tests
build/clang-float/tests/quble_core_tests --gtest_brief=1 --gtest_filter='-Cli*:ExamplePictures.*'

export QT_QPA_PLATFORM=offscreen
ctest --test-dir build/asan --output-on-failure -j2
