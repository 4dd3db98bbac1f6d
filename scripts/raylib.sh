#!/usr/bin/env bash
# Builds raylib 5.5 from its source archive and installs it outside the source
# tree, for testing the game against the real library; prints the folder to
# hand CMake as CMAKE_PREFIX_PATH. A second run with the same archive reuses it.
#   scripts/raylib.sh ARCHIVE [folder]    (default folder: ~/.cache/tallowfen/raylib-5.5)
set -euo pipefail
cd "$(dirname "$0")/.."

archive="${1:?usage: scripts/raylib.sh ARCHIVE [folder]}"
root="${2:-${XDG_CACHE_HOME:-$HOME/.cache}/tallowfen/raylib-5.5}"
[ -f "$archive" ] || { echo "scripts/raylib.sh: no archive at $archive" >&2; exit 2; }

scripts/install_packages.sh cmake make g++ libx11-dev libxrandr-dev libxinerama-dev libxcursor-dev libxi-dev \
  libgl-dev >&2
stamp="$(sha256sum "$archive" | cut -d' ' -f1)"
if [ "$(cat "$root/stamp" 2>/dev/null)" != "$stamp" ]; then
  rm -rf "$root"
  mkdir -p "$root/src"
  tar -xzf "$archive" -C "$root/src" --strip-components=1
  {
    cmake -S "$root/src" -B "$root/build" -DCMAKE_BUILD_TYPE=Release -DBUILD_EXAMPLES=OFF \
      -DCMAKE_INSTALL_PREFIX="$root/install"
    cmake --build "$root/build" -j "$(nproc)"
    cmake --install "$root/build"
  } >"$root/build.log" 2>&1 || { tail -n 30 "$root/build.log" >&2; exit 1; }
  echo "$stamp" >"$root/stamp"
fi
echo "$root/install"
