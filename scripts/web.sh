#!/usr/bin/env bash
# Builds Tallowfen for the browser and serves it on http://127.0.0.1:8080/.
#   scripts/web.sh             build into build-web/site, then serve it
#   scripts/web.sh --out DIR   only build, into DIR (ready to upload as it is)
# Also builds build-web/sim_table.js, the simulation's float table as a node
# program, outside the site (tools/sim_table/compare.py).
# Installs what it needs from Debian (emscripten, and the sources of zlib and
# giflib, which it compiles for the page).
set -euo pipefail
cd "$(dirname "$0")/.."

out=""
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out="$(realpath -m "${2:?--out needs a folder}")"; shift 2 ;;
    *) echo "usage: scripts/web.sh [--out DIR]" >&2; exit 2 ;;
  esac
done
site="${out:-$PWD/build-web/site}"

scripts/install_packages.sh emscripten cmake make python3 libstb-dev dpkg-dev nlohmann-json3-dev
deps="$(scripts/web-deps.sh)"
# Debian's node does not look in Debian's module folder, where emscripten's
# JavaScript optimiser finds acorn.
export NODE_PATH=/usr/share/nodejs
mkdir -p build-web
if ! emcmake cmake -S . -B build-web -DCMAKE_BUILD_TYPE=Release -DTALLOWFEN_WEB_DEPS="$deps" \
    -DTALLOWFEN_SITE="$site" >build-web/configure.log 2>&1; then
  cat build-web/configure.log
  exit 1
fi
cmake --build build-web -j "$(nproc)"

if [ -n "$out" ]; then
  echo "The page is in $site"
  exit 0
fi
echo "Tallowfen is at http://127.0.0.1:8080/ (Ctrl+C stops it)"
exec python3 -m http.server --bind 127.0.0.1 8080 --directory "$site" >/dev/null 2>&1
