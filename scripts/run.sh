#!/usr/bin/env bash
# Builds Tallowfen (installing what it needs) and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh build
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "Tallowfen needs a graphical display, and none is set (DISPLAY is empty): start it from a desktop session."
  exit 1
fi
exec build/src/tallowfen
