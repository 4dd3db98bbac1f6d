#!/usr/bin/env bash
# Installs what Tallowfen and its board server (board/: Boost.Beast, zlib, SQLite,
# libpq, libseccomp, ICU; PostgreSQL's server and nginx for its tests) need on a Debian machine (only the packages that are
# missing), then configures and builds it.
#   scripts/setup.sh [build-dir] [extra cmake arguments...]
# TALLOWFEN_PACKAGES=test adds GoogleTest, Google Benchmark and the tools the
# tests drive the game with, and builds the tests; without it only the game is built.
set -euo pipefail
cd "$(dirname "$0")/.."

build_packages=(g++ cmake make pkg-config python3 libglfw3-dev libgl-dev libstb-dev libpulse-dev
                libasound2-dev libsndfile1-dev libgif-dev zlib1g-dev libgl1-mesa-dri
                libboost-dev libsqlite3-dev libpq-dev libseccomp-dev libicu-dev libcurl4-openssl-dev nlohmann-json3-dev)
test_packages=(libgtest-dev libbenchmark-dev xvfb xdotool imagemagick pulseaudio pulseaudio-utils x11-utils
               openbox lame libebur128-1 glslang-tools desktop-file-utils appstream lintian dpkg-dev
               postgresql nginx)

# Only the tests need GoogleTest and the test tools: a player's build is the game alone.
packages=("${build_packages[@]}")
# An existing build folder keeps its choice, so the run and package commands
# do not undo a test build.
build_dir="${1:-build}"
tests=()
if [ "${TALLOWFEN_PACKAGES:-}" = "test" ]; then
  packages+=("${test_packages[@]}")
  tests=(-DTALLOWFEN_TESTS=ON)
elif [ ! -f "$build_dir/CMakeCache.txt" ]; then
  tests=(-DTALLOWFEN_TESTS=OFF)
fi

scripts/install_packages.sh "${packages[@]}"

shift || true
mkdir -p "$build_dir"
if ! cmake -S . -B "$build_dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo "${tests[@]}" "$@" >"$build_dir/configure.log" 2>&1; then
  cat "$build_dir/configure.log"
  exit 1
fi
grep -E '^-- Tallowfen:' "$build_dir/configure.log" || true
cmake --build "$build_dir" -j "$(nproc)"
