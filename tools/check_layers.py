#!/usr/bin/env python3
"""Fails when a room of src/ includes a room above it.

The rooms and their order, from the platform up, are the TALLOWFEN_ROOMS line
of src/CMakeLists.txt; each room is one library linked in that order. A few
headers are used upward on purpose (the state and virtual screen that every
screen shares, the settings the settings screen edits, the text the level
runner shows) and are allowed. The platform layer includes no room at all.

    python3 tools/check_layers.py [project root]
"""
import pathlib
import re
import sys

ALLOWED_UPWARD = {"core/GameState.h", "core/VirtualScreen.h", "core/GameSettings.h", "ui/GUIText.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"/]+)/[^"]+"')
SOURCES = (".h", ".hpp", ".cpp", ".cc", ".c")


def room_order(root):
    text = (root / "src" / "CMakeLists.txt").read_text()
    match = re.search(r"set\(TALLOWFEN_ROOMS\s+([^)]*)\)", text)
    if not match:
        raise SystemExit("src/CMakeLists.txt has no set(TALLOWFEN_ROOMS ...) line")
    return match.group(1).split()


def includes(path):
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if match:
            yield number, match.group(1), line.split('"')[1]


def problems(root):
    order = room_order(root)
    rank = {room: i for i, room in enumerate(order)}
    found = []
    for folder in sorted(p for p in (root / "src").iterdir() if p.is_dir()):
        if folder.name not in rank:
            found.append(f"src/{folder.name}: a folder that is not in the room order {' '.join(order)}")
    for path in sorted((root / "src").rglob("*")):
        if path.suffix not in SOURCES or path.parent.name not in rank:
            continue
        room = path.relative_to(root / "src").parts[0]
        for number, target, header in includes(path):
            if target in rank and rank[target] > rank[room] and header not in ALLOWED_UPWARD:
                found.append(f"{path.relative_to(root)}:{number}: {room} includes {header}, from {target} above it")
    for path in sorted((root / "platform").rglob("*")):
        if path.suffix in SOURCES:
            for number, target, header in includes(path):
                if target in rank:
                    found.append(f"{path.relative_to(root)}:{number}: the platform layer includes the game's {header}")
    return found


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    found = problems(root)
    for line in found:
        print(line)
    print(f"{'no' if not found else len(found)} wrong-way include{'' if len(found) == 1 else 's'}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
