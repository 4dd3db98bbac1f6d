#!/usr/bin/env bash
# Builds the game's packages and the board server's, and checks them:
#   scripts/package.sh [build-dir]
# configures and builds (scripts/setup.sh), runs cpack for the .deb and the
# .tar.gz (into BUILD/packages), then checks the install with
# desktop-file-validate and appstreamcli and the .deb with lintian.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir="${1:-build}"
scripts/setup.sh "$build_dir"
# The checks' tools, and dpkg-shlibdeps for the .deb's dependencies.
scripts/install_packages.sh desktop-file-utils appstream lintian dpkg-dev
rm -rf "$build_dir/packages"
(cd "$build_dir" && cpack)
deb=$(ls "$build_dir"/packages/tallowfen_*.deb)
python3 tools/check_package.py "$build_dir" --deb "$deb"
# The board server's own .deb (board/packaging): lintian has nothing to say of it either.
(cd "$build_dir" && cpack --config CPackBoardConfig.cmake)
lintian --pedantic --fail-on error,warning "$build_dir"/packages/tallowfen-board_*.deb
ls -l "$build_dir"/packages/*.deb "$build_dir"/packages/*.tar.gz
