#!/usr/bin/env bash
# Builds the metafile player's libFuzzer target with clang and runs it.
# Usage: scripts/fuzz.sh [seconds]   (default 10). Needs clang and
# libclang-rt-dev (scripts/setup.sh installs them).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds="${1:-10}"
build="${QUBLE_FUZZ_BUILD:-build/fuzz}"
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DQUBLE_FUZZ=ON -DQUBLE_BUILD_TESTS=OFF -DQUBLE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target emf_player_fuzz
corpus="$build/emf_corpus"
mkdir -p "$corpus"
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# -rss_limit_mb guards against inputs that make the player allocate too much.
QUBLE_FUZZ_SEED_DIR="$corpus" "$build/fuzz/emf_player_fuzz" "$corpus" \
  -max_total_time="$seconds" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -artifact_prefix="$build/"
