#!/usr/bin/env bash
# Records the golden demos again: runs the bot plays (dying at levels 5, 10 and
# 15, one of them left mid-level and continued after a restart, and one played
# with the pad), with each update's state digest beside them as a gzipped
# trace. Only for a change to play that is meant; the commit says why. They
# are recorded once, on the bundled build, and every build must play them alike.
#   scripts/golden-demos.sh
set -euo pipefail
cd "$(dirname "$0")/.."
[ $# -eq 0 ] || { echo "usage: scripts/golden-demos.sh" >&2; exit 2; }

out=tests/demos
TALLOWFEN_PACKAGES=test scripts/setup.sh build >/dev/null
cmake --build build -j 2 --target tallowfen tallowfen_golden_runs
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
python3 tools/e2e/harness.py run -- build/tests/tallowfen_golden_runs "$scratch"
rm -f "$out"/*.demo "$out"/*.trace.gz
for demo in "$scratch"/*.demo; do
  name="$(basename "$demo" .demo)"
  cp "$demo" "$out/$name.demo"
  build/src/tallowfen --verify "$out/$name.demo" --trace "$scratch/$name.trace"
  gzip -n -9 -c "$scratch/$name.trace" >"$out/$name.trace.gz"
done
ls -l "$out"
