#!/usr/bin/env bash
# Cross-builds Tallowfen for 64-bit Windows with MinGW-w64 and packs it:
#   scripts/windows.sh [--out DIR] [--tests]   (default build-windows/dist)
# writes DIR/tallowfen-VERSION-windows-x86_64.zip: tallowfen.exe (with its
# icon, version and manifest, the C and C++ runtimes linked in), assets/,
# shaders/, data/ and README.txt. Unzipped anywhere, it runs by double-click.
# Installs what it needs from Debian and builds GLFW and libmpg123 from
# Debian's sources once (scripts/windows-deps.sh). --tests also builds the
# game's and the layer's unit tests for Windows, build-windows/tests/tallowfen_tests.exe
# and build-windows/platform/tests/rlplatform_tests.exe, which tests/windows runs under Wine.
set -euo pipefail
cd "$(dirname "$0")/.."

out="$PWD/build-windows/dist" tests=OFF
while [ $# -gt 0 ]; do
  case "$1" in
    --out) out="$(realpath -m "${2:?--out needs a folder}")"; shift 2 ;;
    --tests) tests=ON; shift ;;
    *) echo "usage: scripts/windows.sh [--out DIR] [--tests]" >&2; exit 2 ;;
  esac
done

scripts/install_packages.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 libz-mingw-w64-dev \
  cmake make python3 libstb-dev libgl-dev dpkg-dev googletest nlohmann-json3-dev
deps="$(scripts/windows-deps.sh)"
export TALLOWFEN_WINDOWS_PREFIX="$deps/prefix"
mkdir -p build-windows
if ! cmake -S . -B build-windows -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTALLOWFEN_TESTS=$tests -DTALLOWFEN_BOARD=OFF \
    -DTALLOWFEN_GIFLIB_SOURCE="$deps/src/giflib" -DCMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE=PRE_TEST \
    >build-windows/configure.log 2>&1; then
  cat build-windows/configure.log
  exit 1
fi
targets=(tallowfen)
[ "$tests" = OFF ] || targets+=(tallowfen_tests rlplatform_tests)
cmake --build build-windows -j 2 --target "${targets[@]}"

version="$(sed -n 's/^project(Tallowfen VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)"
mkdir -p "$out"
python3 tools/windows/pack_zip.py --exe build-windows/src/tallowfen.exe --root . \
  --zip "$out/tallowfen-$version-windows-x86_64.zip" --strip x86_64-w64-mingw32-strip
