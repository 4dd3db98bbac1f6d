#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each one on a copy of its seed corpus:
# the game's loaders, then the board's readers of what a request sends (its
# names, keys, query numbers, dates, addresses and demos), which are small
# enough that a few seconds each go a long way.
#   scripts/fuzz.sh [seconds-per-loader] [seconds-per-board-reader]   (default 20 and 8)
# Exits non-zero when a target crashes, leaks or hangs; the input that did it
# is left in build-fuzz/artifacts/.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-20}"
board_seconds="${2:-8}"
targets=(fuzz_map fuzz_settings fuzz_options fuzz_run fuzz_demo fuzz_png fuzz_wav fuzz_mp3
         fuzz_board_name fuzz_board_fields fuzz_board_demo)

scripts/install_packages.sh clang libclang-rt-14-dev cmake make pkg-config libglfw3-dev libgl-dev libstb-dev \
  libpulse-dev libasound2-dev libsndfile1-dev libgtest-dev zlib1g-dev libicu-dev libssl-dev
build_dir=build-fuzz
mkdir -p "$build_dir"
if ! CC=clang CXX=clang++ cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOWFEN_FUZZ=ON \
  -DTALLOWFEN_BENCHMARKS=OFF -DTALLOWFEN_RAYLIB=BUNDLED >"$build_dir/configure.log" 2>&1; then
  cat "$build_dir/configure.log"
  exit 1
fi
cmake --build "$build_dir" --target fuzz -j "${TALLOWFEN_FUZZ_JOBS:-2}"

artifacts="$PWD/$build_dir/artifacts"
mkdir -p "$artifacts"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
failed=()
for t in "${targets[@]}"; do
  corpus="$build_dir/corpus/$t"
  mkdir -p "$corpus"
  cp -n tests/fuzz/corpus/"$t"/* "$corpus"/ 2>/dev/null || true
  log="$build_dir/$t.log"
  time="$seconds"
  if [[ "$t" == fuzz_board_* ]]; then time="$board_seconds"; fi
  echo "== $t ($time s) =="
  status=0
  "$build_dir/tests/fuzz/$t" -max_total_time="$time" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$t-" "$corpus" >"$log" 2>&1 || status=$?
  runs="$(grep -Eo 'Done [0-9]+ runs in [0-9]+ second\(s\)' "$log" | tail -1 || true)"
  if [ "$status" -ne 0 ]; then
    echo "$t FAILED (exit $status), log: $log"
    grep -E '^(==[0-9]+==ERROR|SUMMARY|artifact_prefix|Test unit written)' "$log" || tail -20 "$log"
    failed+=("$t")
  else
    echo "$t: ${runs:-no run count in $log}"
  fi
done

if [ "${#failed[@]}" -gt 0 ]; then
  echo "Fuzzing found problems in: ${failed[*]} (inputs in $artifacts)"
  exit 1
fi
echo "Fuzzing found nothing."
