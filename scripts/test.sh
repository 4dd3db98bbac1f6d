#!/usr/bin/env bash
# Installs, builds and runs every test of Tallowfen: once in a normal build;
# the browser build's float functions against the desktop's, bit for bit; the
# browser build in headless Chromium, with its figures; the Windows build,
# cross-built with MinGW-w64, under Wine; given raylib 5.5's
# source archive, once more on the real library; once
# under AddressSanitizer and UndefinedBehaviorSanitizer; the layer's and the
# game's and the board server's unit tests under ThreadSanitizer; then a short fuzzing of each file
# loader. The tests run inside a private Xvfb display and PulseAudio sink
# started for them.
#   scripts/test.sh [--raylib ARCHIVE]
set -euo pipefail
cd "$(dirname "$0")/.."
export TALLOWFEN_PACKAGES=test

raylib_archive=""
while [ $# -gt 0 ]; do
  case "$1" in
    --raylib) raylib_archive="$(realpath "${2:?--raylib needs the archive}")"; shift 2 ;;
    *) echo "usage: scripts/test.sh [--raylib ARCHIVE]" >&2; exit 2 ;;
  esac
done

# Each stage's wall time, and the total, printed as it ends and again at the
# end (or at a failure), so a slow stage shows itself.
stage_name="" stage_start=$SECONDS summary=""
stage() {
  if [ -n "$stage_name" ]; then
    local took=$((SECONDS - stage_start))
    summary+="$(printf '%6d s  %s' "$took" "$stage_name")"$'\n'
    echo "== $stage_name: ${took} s =="
  fi
  stage_name="$1" stage_start=$SECONDS
  [ -z "$stage_name" ] || echo "== $stage_name =="
}
report() {
  local code=$?
  stage ""
  printf '== Stage times ==\n%s%6d s  in all%s\n' "$summary" "$SECONDS" \
    "$([ "$code" = 0 ] || echo ", failed with exit $code")"
}
trap report EXIT

stage "Packages and the build"
scripts/setup.sh build
stage "Tests"
python3 tools/e2e/harness.py run -- ctest --test-dir build --output-on-failure -j 2

stage "A fresh run, played as a person plays"
# Recorded here, it must verify on raylib 5.5 and in the page too (below).
rm -rf build/fresh-demos
python3 tests/demos/fresh_demo.py build/src/tallowfen build/fresh-demos bundled
# Its time steps, as the board reads them: every build's real play must pass the board's rule.
build/board/tallowfen-board --check-steps build/fresh-demos/bundled.demo

stage "The Windows build"
scripts/install_packages.sh wine wine64 binutils-mingw-w64-x86-64
scripts/windows.sh --out build-windows/dist --tests
stage "The Windows build under Wine"
# Its menu is compared with the native game's, which runs in the private display too.
TALLOWFEN_WINDOWS_ZIP="$(ls "$PWD"/build-windows/dist/tallowfen-*-windows-x86_64.zip)" \
  TALLOWFEN_WINDOWS_BUILD="$PWD/build-windows" \
  TALLOWFEN_BINARY="$PWD/build/src/tallowfen" WINEPREFIX="${XDG_CACHE_HOME:-$HOME/.cache}/tallowfen/windows/wine" \
  TALLOWFEN_FRESH_DEMOS="$PWD/build/fresh-demos" \
  BOARD_BINARY="$PWD/build/board/tallowfen-board" BOARD_DEMOS="$PWD/build/board/tests/daily" \
  python3 tools/e2e/harness.py run -- /usr/bin/python3 -m unittest discover -s tests/windows -v

if [ -n "$raylib_archive" ]; then
  stage "raylib 5.5 and the build on it"
  prefix="$(scripts/raylib.sh "$raylib_archive")"
  scripts/setup.sh build-raylib -DTALLOWFEN_RAYLIB=SYSTEM -DCMAKE_PREFIX_PATH="$prefix" -DTALLOWFEN_BENCHMARKS=OFF
  stage "Tests on raylib 5.5"
  # The tools' tests check the sources and the packages, whichever library is linked.
  python3 tools/e2e/harness.py run -- ctest --test-dir build-raylib --output-on-failure -j 2 -LE tools
  stage "A fresh run on raylib 5.5, and each build's fresh run verified by the other"
  python3 tests/demos/fresh_demo.py build-raylib/src/tallowfen build/fresh-demos raylib
  build/board/tallowfen-board --check-steps build/fresh-demos/raylib.demo
  python3 tests/demos/check_golden.py build/src/tallowfen --demos build/fresh-demos
  python3 tests/demos/check_golden.py build-raylib/src/tallowfen --demos build/fresh-demos
  export TALLOWFEN_RAYLIB_BINARY="$PWD/build-raylib/src/tallowfen"
fi

stage "The browser build"
scripts/web.sh --out build-web/site
tools/web/setup.sh
stage "The simulation's float functions, desktop against browser"
python3 tools/sim_table/compare.py --native build/tools/sim_table/tallowfen_sim_table --node build-web/sim_table.js
stage "The browser build, in headless Chromium"
# The menu is compared with the native game's, which runs in the private display; a daily run
# played in the page goes to the real board server, serving the site, with that game as its verifier.
TALLOWFEN_WEB_SITE="$PWD/build-web/site" TALLOWFEN_BINARY="$PWD/build/src/tallowfen" \
  TALLOWFEN_FRESH_DEMOS="$PWD/build/fresh-demos" BOARD_BINARY="$PWD/build/board/tallowfen-board" \
  python3 tools/e2e/harness.py run -- /usr/bin/python3 -m unittest discover -s tests/web -v
# The page leaves the run it played in build/fresh-demos too: every fresh run's steps once more.
build/board/tallowfen-board --check-steps build/fresh-demos/*.demo
stage "The browser build's figures"
python3 tools/e2e/harness.py run -- /usr/bin/python3 tools/web/measure_web.py --site build-web/site \
  --binary build/src/tallowfen


stage "The sanitizers' build"
scripts/setup.sh build-asan -DTALLOWFEN_SANITIZE=ON -DTALLOWFEN_BENCHMARKS=OFF
stage "Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
# Debian 12's GCC runtime still guesses a thread's dynamic TLS block from a
# glibc 2.18 header; when a block happens to sit 16 bytes past a page boundary
# it reads garbage and LeakSanitizer's tracer crashes at exit. Those blocks stay
# reachable through the thread's DTV, so the leak check loses nothing without it.
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0:strict_string_checks=1:intercept_tls_get_addr=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The tools' tests (label tools) are Python and shell tools checking the
# sources, the assets and the packages: they run none of the game's or the
# layer's code, so the sanitizers have nothing to watch in them, and they
# passed in the normal build above.
python3 tools/e2e/harness.py run -- ctest --test-dir build-asan --output-on-failure -j 2 -LE tools

stage "Unit tests under ThreadSanitizer"
mkdir -p build-tsan
cmake -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOWFEN_TESTS=ON -DTALLOWFEN_TSAN=ON \
  -DTALLOWFEN_BENCHMARKS=OFF -DTALLOWFEN_RAYLIB=BUNDLED >build-tsan/configure.log
cmake --build build-tsan -j "$(nproc)" --target rlplatform_tests tallowfen_tests board_tests
unset ASAN_OPTIONS UBSAN_OPTIONS
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:suppressions=$PWD/tests/tsan.supp"
python3 tools/e2e/harness.py run -- ctest --test-dir build-tsan --output-on-failure -j 2 -L unit
unset TSAN_OPTIONS

stage "Fuzzing: each loader for 20 s, each of the board's readers for 8 s"
scripts/fuzz.sh 20 8
