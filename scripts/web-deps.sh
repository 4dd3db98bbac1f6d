#!/usr/bin/env bash
# Fetches the C libraries the browser build compiles from source (zlib for the
# demos, giflib for the clips) as Debian's own source packages, unpacked into
# the folder given (default ~/.cache/tallowfen/web-deps), and prints where.
# Debian ships them built for Linux only; the sources build with emcc as they are.
set -euo pipefail
dest="${1:-${XDG_CACHE_HOME:-$HOME/.cache}/tallowfen/web-deps}"
mkdir -p "$dest"
if [ -f "$dest/zlib/zlib.h" ] && [ -f "$dest/giflib/gif_lib.h" ]; then
  echo "$dest"
  exit 0
fi
# A deb-src line beside the machine's own, for bookworm's main only.
list=/etc/apt/sources.list.d/tallowfen-src.sources
if ! grep -qs "^Types: deb-src" /etc/apt/sources.list.d/*.sources /etc/apt/sources.list 2>/dev/null; then
  cat >"$list" <<'SRC'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SRC
  apt-get update -qq >&2
fi
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
(cd "$work" && apt-get source --download-only -qq zlib giflib >&2)
for name in zlib giflib; do
  tarball="$(ls "$work"/${name}_*.orig.tar.* | head -n 1)"
  rm -rf "${dest:?}/$name"
  mkdir -p "$dest/$name"
  tar -xf "$tarball" -C "$dest/$name" --strip-components=1
done
echo "$dest"
