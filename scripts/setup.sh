#!/usr/bin/env bash
# Installs what Tallowfen needs on a Debian machine (only the packages that are
# missing), then configures and builds it.
#   scripts/setup.sh [build-dir] [extra cmake arguments...]
# TALLOWFEN_PACKAGES=test adds the tools the tests drive the game with.
set -euo pipefail
cd "$(dirname "$0")/.."

build_packages=(g++ cmake make pkg-config python3 libglfw3-dev libgl-dev libstb-dev libpulse-dev
                libasound2-dev libsndfile1-dev libgtest-dev libbenchmark-dev libgl1-mesa-dri)
test_packages=(xvfb xdotool imagemagick pulseaudio pulseaudio-utils x11-utils openbox lame glslang-tools)

packages=("${build_packages[@]}")
if [ "${TALLOWFEN_PACKAGES:-}" = "test" ]; then packages+=("${test_packages[@]}"); fi

scripts/install_packages.sh "${packages[@]}"

build_dir="${1:-build}"
shift || true
mkdir -p "$build_dir"
if ! cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "$@" >"$build_dir/configure.log" 2>&1; then
  cat "$build_dir/configure.log"
  exit 1
fi
grep -E '^-- Tallowfen:' "$build_dir/configure.log" || true
cmake --build "$build_dir" -j "$(nproc)"
