#!/usr/bin/env bash
# Builds the readers' libFuzzer targets with clang and runs each in turn.
# Usage: scripts/fuzz.sh [seconds-per-target] [target ...]
#   (default 10 seconds, every target of the list below). Needs clang and
#   libclang-rt-dev (scripts/setup.sh installs them).
# Each target starts from the seeds it writes itself (QUBLE_FUZZ_SEED_DIR)
# and from the inputs kept as regression cases in tests/data/fuzz/<target>;
# its corpus grows in build/fuzz/corpus/<target>. A failing input is written
# to build/fuzz/<target>-crash-... and ends the script with a non-zero status.
set -euo pipefail
cd "$(dirname "$0")/.."

# One line per target: name, longest input in bytes.
targets_table=(
  "emf_player_fuzz 65536"
  "bruker_open_fuzz 65536"
)

seconds="${1:-10}"
shift || true
build="${QUBLE_FUZZ_BUILD:-build/fuzz}"
declare -A max_len=()
all=()
for row in "${targets_table[@]}"; do
  read -r name len <<<"$row"
  max_len[$name]=$len
  all+=("$name")
done
chosen=("$@")
if ((${#chosen[@]} == 0)); then chosen=("${all[@]}"); fi
for t in "${chosen[@]}"; do
  [[ -n "${max_len[$t]:-}" ]] || { echo "unknown fuzz target: $t (one of ${all[*]})" >&2; exit 2; }
done

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
CC=clang CXX=clang++ cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo "${launcher[@]}" \
  -DQUBLE_FUZZ=ON -DQUBLE_BUILD_TESTS=OFF -DQUBLE_BUILD_BENCH=OFF >/dev/null
cmake --build "$build" --target "${chosen[@]}"

export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
for t in "${chosen[@]}"; do
  corpus="$build/corpus/$t"
  mkdir -p "$corpus"
  kept=()
  if [[ -d "tests/data/fuzz/$t" ]]; then kept=("tests/data/fuzz/$t"); fi
  echo "== $t: $seconds s"
  # -rss_limit_mb guards against inputs that make a reader allocate too much;
  # -timeout against inputs that make it hang.
  QUBLE_FUZZ_SEED_DIR="$corpus" "$build/fuzz/$t" "$corpus" "${kept[@]}" \
    -max_total_time="$seconds" -max_len="${max_len[$t]}" -timeout=10 -rss_limit_mb=2048 \
    -artifact_prefix="$build/$t-" -print_final_stats=1
done
