#!/usr/bin/env bash
# Builds the daily run's board server and the browser build, then serves both
# on http://127.0.0.1:8090/: the game at /, the board at /board/, its API at
# /api/. The runs are kept with SQLite in board-data/, or in PostgreSQL:
#   scripts/board.sh [--db postgresql://USER@HOST/DATABASE]
set -euo pipefail
cd "$(dirname "$0")/.."

storage=(--data board-data)
while [ $# -gt 0 ]; do
  case "$1" in
    --db) storage=(--db "${2:?--db needs a postgresql:// address}"); shift 2 ;;
    *) echo "usage: scripts/board.sh [--db postgresql://...]" >&2; exit 2 ;;
  esac
done

scripts/setup.sh build
scripts/web.sh --out build-web/site
echo "The board is at http://127.0.0.1:8090/board/ and the game at http://127.0.0.1:8090/ (Ctrl+C stops it)"
exec build/board/tallowfen-board --host 127.0.0.1 --port 8090 --site build-web/site --verifier build/src/tallowfen \
  "${storage[@]}"
