#!/usr/bin/env bash
# Builds the C libraries the Windows build links statically, from Debian's own
# source packages, with MinGW-w64: GLFW (window, input, XInput pads) and
# libmpg123 (MP3) into a prefix, and giflib's sources unpacked beside them for
# the game's CMake to compile. zlib comes built from libz-mingw-w64-dev.
# GoogleTest, from the googletest package's sources in /usr/src, for the unit
# tests built for Windows and run under Wine.
# Prints the folder; a second run reuses what it built.
#   scripts/windows-deps.sh [folder]   (default ~/.cache/tallowfen/windows)
set -euo pipefail
cd "$(dirname "$0")/.."
repo="$PWD"
dest="${1:-${XDG_CACHE_HOME:-$HOME/.cache}/tallowfen/windows}"
prefix="$dest/prefix"
stamp="glfw3 mpg123 giflib googletest $(sha256sum cmake/mingw-w64-x86_64.cmake "$0" | cut -c1-16 | tr '\n' ' ')"
if [ "$(cat "$dest/stamp" 2>/dev/null)" = "$stamp" ]; then
  echo "$dest"
  exit 0
fi
# A deb-src line beside the machine's own, for bookworm's main only.
if ! grep -qs "^Types: deb-src" /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null &&
  ! grep -qs "^deb-src" /etc/apt/sources.list.d/*.list /etc/apt/sources.list 2>/dev/null; then
  cat >/etc/apt/sources.list.d/tallowfen-src.sources <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -qq >&2
fi
rm -rf "$dest"
mkdir -p "$dest/src" "$prefix"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Each source's upstream tarball and Debian's patches, checked against the
# hashes apt lists for them (a mirror may lack the upstream signatures, which
# apt-get source would insist on).
apt-get source --print-uris -qq glfw3 mpg123 giflib | while read -r uri file _size hash; do
  case "$file" in *.orig.tar.*[!c] | *.debian.tar.*) ;; *) continue ;; esac
  /usr/lib/apt/apt-helper download-file "${uri//\'/}" "$work/$file" "$hash" >&2
done
for name in glfw3 mpg123 giflib; do
  mkdir -p "$dest/src/$name"
  tar -xf "$(ls "$work"/${name}_*.orig.tar.* | head -n 1)" -C "$dest/src/$name" --strip-components=1
  tar -xf "$(ls "$work"/${name}_*.debian.tar.* | head -n 1)" -C "$dest/src/$name"
  if [ -f "$dest/src/$name/debian/patches/series" ]; then
    grep -v '^#' "$dest/src/$name/debian/patches/series" | while read -r patch _; do
      [ -n "$patch" ] && patch -s -d "$dest/src/$name" -p1 <"$dest/src/$name/debian/patches/$patch" >&2
    done
  fi
done
log="$dest/build.log"
{
  cmake -S "$dest/src/glfw3" -B "$work/glfw" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_SHARED_LIBS=OFF \
    -DGLFW_BUILD_EXAMPLES=OFF -DGLFW_BUILD_TESTS=OFF -DGLFW_BUILD_DOCS=OFF
  cmake --build "$work/glfw" -j 2
  cmake --install "$work/glfw"
  # The Khronos OpenGL headers (no library): the layer resolves GL through GLFW.
  mkdir -p "$prefix/include/GL" "$prefix/include/KHR"
  cp /usr/include/GL/glcorearb.h "$prefix/include/GL/"
  cp /usr/include/KHR/khrplatform.h "$prefix/include/KHR/"
  mkdir -p "$work/mpg123"
  # libmpg123 alone, static, with its x86-64 decoders; none of the machine's
  # own libraries (PulseAudio) may be found for the Windows build.
  (cd "$work/mpg123" && PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" "$dest/src/mpg123/configure" \
    --host=x86_64-w64-mingw32 --prefix="$prefix" --enable-static --disable-shared --disable-components \
    --enable-libmpg123 --disable-libout123 --disable-libout123-modules --disable-libsyn123 \
    --with-audio=dummy --with-default-audio=dummy --with-cpu=x86-64 &&
    make -j 2 && make install)
  cmake -S /usr/src/googletest -B "$work/googletest" -DCMAKE_TOOLCHAIN_FILE="$repo/cmake/mingw-w64-x86_64.cmake" \
    -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX="$prefix" -DBUILD_GMOCK=OFF -DBUILD_SHARED_LIBS=OFF
  cmake --build "$work/googletest" -j 2
  cmake --install "$work/googletest"
} >"$log" 2>&1 || { tail -n 40 "$log" >&2; exit 1; }
echo "$stamp" >"$dest/stamp"
echo "$dest"
