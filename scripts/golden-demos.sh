#!/usr/bin/env bash
# Records the golden demos again: three runs the bot plays (dying at levels 5,
# 10 and 15, one of them left mid-level and continued after a restart), with
# each update's state digest beside them as a gzipped trace. Only for a change
# to play that is meant; the commit says why. A demo plays only on the library
# that recorded it, so each library has its own set.
#   scripts/golden-demos.sh [--raylib ARCHIVE]
# Without the archive only the bundled layer's set (tests/demos/bundled/) is
# recorded; with it, real raylib 5.5's (tests/demos/raylib/) too.
set -euo pipefail
cd "$(dirname "$0")/.."

archive=""
if [ "${1:-}" = "--raylib" ]; then
  archive="${2:?usage: scripts/golden-demos.sh [--raylib ARCHIVE]}"
elif [ $# -gt 0 ]; then
  echo "usage: scripts/golden-demos.sh [--raylib ARCHIVE]" >&2
  exit 2
fi

# record BUILD_DIR OUTPUT_DIR: builds the game and the bot, plays the runs, traces them.
record() {
  local build="$1" out="$2"
  cmake --build "$build" -j 2 --target tallowfen tallowfen_golden_runs
  local scratch
  scratch="$(mktemp -d)"
  python3 tools/e2e/harness.py run -- "$build/tests/tallowfen_golden_runs" "$scratch"
  mkdir -p "$out"
  rm -f "$out"/*.demo "$out"/*.trace.gz
  for demo in "$scratch"/*.demo; do
    local name
    name="$(basename "$demo" .demo)"
    cp "$demo" "$out/$name.demo"
    "$build/src/tallowfen" --verify "$out/$name.demo" --trace "$scratch/$name.trace"
    gzip -n -9 -c "$scratch/$name.trace" >"$out/$name.trace.gz"
  done
  rm -rf "$scratch"
  ls -l "$out"
}

TALLOWFEN_PACKAGES=test scripts/setup.sh build >/dev/null
record build tests/demos/bundled
if [ -n "$archive" ]; then
  prefix="$(scripts/raylib.sh "$archive")"
  TALLOWFEN_PACKAGES=test scripts/setup.sh build-raylib -DTALLOWFEN_RAYLIB=SYSTEM -DCMAKE_PREFIX_PATH="$prefix" \
    -DTALLOWFEN_BENCHMARKS=OFF >/dev/null
  record build-raylib tests/demos/raylib
fi
