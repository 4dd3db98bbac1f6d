#!/usr/bin/env python3
"""Fails when a room of src/ includes a room above it, or when the rooms table
of docs/DESIGN.md no longer matches the headers.

The rooms and their order, from the platform up, are the TALLOWFEN_ROOMS line
of src/CMakeLists.txt; each room is one library linked in that order. A few
headers are used upward on purpose (the state and virtual screen that every
screen shares, the settings the settings screen edits, the text the level
runner shows) and are allowed. The platform layer includes no room at all.
Includes are read in every form the compiler takes: "room/X.h", <room/X.h>
and paths relative to the including file ("../room/X.h").

The platform layer's sources are in folders of platform/src: common/, the
code every system shares, and one folder per backend (every other folder).
No common file tests which system it is built for (#if on __EMSCRIPTEN__,
_WIN32, __linux__ and the like) or includes a backend's file; only the
interface headers in common/backend/ may include by name a header that the
backends hold (each its own). No backend includes another backend's file.

Rooms above the game live outside src/ (TOP_ROOMS): the board server's
sources in board/src link the game's rooms up to demo and may include no
room above that; they have a row in the table like the others.

The design page has one row per room. Each header src/<room>/<Name>.h is
named in its room's row as `Name` (or `Name.h`); any other capitalised
one-word name in backticks in the table must still be a header under src/ or
be named in the code of one (or of the platform's headers), so a class that
is gone cannot stay in the table.

    python3 tools/check_layers.py [project root]
"""
import os
import pathlib
import posixpath
import re
import sys

# (row name, sources folder, the highest room of src/ it may include)
TOP_ROOMS = [("board", "board/src", "demo")]
ALLOWED_UPWARD = {"core/GameState.h", "core/VirtualScreen.h", "core/GameSettings.h", "ui/GUIText.h"}
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^>"]+)[>"]')
SOURCES = (".h", ".hpp", ".cpp", ".cc", ".c")
DESIGN = "docs/DESIGN.md"
CLASS_LIKE = re.compile(r"[A-Z][A-Za-z0-9]*(\.h)?")
PLATFORM_SRC = "platform/src"
SHARED = "common"
INTERFACES = "common/backend"
SYSTEM_TEST = re.compile(r"^\s*#\s*(?:if|ifdef|ifndef|elif|elifdef|elifndef)\b.*?\b(__EMSCRIPTEN__|EMSCRIPTEN|_WIN32|_WIN64|"
                         r"_MSC_VER|__MINGW32__|__MINGW64__|__CYGWIN__|__linux__|__linux|__gnu_linux__|__unix__|"
                         r"__unix|__APPLE__|__MACH__|__ANDROID__|__FreeBSD__|__OpenBSD__|__NetBSD__)\b")
COMMENTS_AND_LITERALS = re.compile(r'//[^\n]*|/\*.*?\*/|"(?:\\.|[^"\\\n])*"|\'(?:\\.|[^\'\\\n])*\'', re.S)


def room_order(root):
    text = (root / "src" / "CMakeLists.txt").read_text()
    match = re.search(r"set\(TALLOWFEN_ROOMS\s+([^)]*)\)", text)
    if not match:
        raise SystemExit("src/CMakeLists.txt has no set(TALLOWFEN_ROOMS ...) line")
    return match.group(1).split()


def includes(root, path):
    """(line number, header as a path below src/) for each include that may name a room."""
    for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        written = match.group(1)
        if written.startswith(("./", "../")):
            target = pathlib.Path(os.path.normpath(path.parent / written))
            try:
                header = target.relative_to(root / "src").as_posix()
            except ValueError:
                continue
        else:
            header = posixpath.normpath(written)
        if "/" in header:
            yield number, header


def include_problems(root):
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
        for number, header in includes(root, path):
            target = header.split("/")[0]
            if target in rank and rank[target] > rank[room] and header not in ALLOWED_UPWARD:
                found.append(f"{path.relative_to(root)}:{number}: {room} includes {header}, from {target} above it")
    for name, folder, base in TOP_ROOMS:
        for path in sorted((root / folder).rglob("*")):
            if path.suffix not in SOURCES:
                continue
            for number, header in includes(root, path):
                target = header.split("/")[0]
                if target in rank and base in rank and rank[target] > rank[base]:
                    found.append(f"{path.relative_to(root)}:{number}: {name} includes {header}, "
                                 f"from {target} above {base}")
    for path in sorted((root / "platform").rglob("*")):
        if path.suffix in SOURCES:
            for number, header in includes(root, path):
                if header.split("/")[0] in rank:
                    found.append(f"{path.relative_to(root)}:{number}: the platform layer includes the game's {header}")
    return found


def platform_folder(src, path):
    """The folder of platform/src that `path` is in, or None outside them."""
    try:
        parts = path.relative_to(src).parts
    except ValueError:
        return None
    return parts[0] if len(parts) > 1 else None


def platform_include(src, path, written):
    """The file a platform include names as the build finds it: beside the including file, in common/ or,
    for a name that is in neither, in whichever backend folders hold it; [] for a system header."""
    if written.startswith(("./", "../")):
        return [pathlib.Path(os.path.normpath(path.parent / written))]
    for base in (path.parent, src / SHARED, src):
        if (base / written).is_file():
            return [base / written]
    return sorted(folder / written for folder in src.iterdir() if folder.is_dir() and (folder / written).is_file())


def backend_problems(root):
    """Shared code that tests the system or includes a backend, and backends that include each other."""
    src = root / PLATFORM_SRC
    if not src.is_dir():
        return []
    found = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in SOURCES:
            continue
        name = path.relative_to(root).as_posix()
        folder = platform_folder(src, path)
        if folder is None:
            found.append(f"{name}: outside {PLATFORM_SRC}/{SHARED} and the backends' folders")
            continue
        lines = path.read_text(errors="replace").splitlines()
        for number, line in enumerate(lines, 1):
            test = SYSTEM_TEST.match(line)
            if folder == SHARED and test:
                found.append(f"{name}:{number}: shared code tests the system ({test.group(1)})")
            include = INCLUDE.match(line)
            if not include:
                continue
            written = include.group(1)
            others = [platform_folder(src, target) for target in platform_include(src, path, written)]
            others = [other for other in others if other not in (None, folder, SHARED)]
            if not others:
                continue
            if folder != SHARED:
                found.append(f"{name}:{number}: the {folder} backend includes {written}, {others[0]}'s")
            elif not (path.parent == src / INTERFACES and "/" not in written):
                found.append(f"{name}:{number}: shared code includes {written}, {others[0]}'s, "
                             f"not through an interface header in {PLATFORM_SRC}/{INTERFACES}")
    return found


def rooms_table(text):
    """{room: names in backticks in its row} from the Rooms section, or None when there is none."""
    section = re.search(r"^## Rooms\n(.*?)(?=^## |\Z)", text, re.M | re.S)
    if not section:
        return None
    rows = {}
    for line in section.group(1).splitlines():
        cells = line.split("|")
        first = re.fullmatch(r"\s*`([^`]+)`\s*", cells[1]) if len(cells) > 3 else None
        if first:
            rows[first.group(1).rstrip("/")] = re.findall(r"`([^`]+)`", "|".join(cells[2:]))
    return rows


def code_words(paths):
    words = set()
    for path in paths:
        code = COMMENTS_AND_LITERALS.sub(" ", path.read_text(errors="replace"))
        words.update(re.findall(r"\w+", code))
    return words


def design_problems(root, text=None):
    """The rooms table against the headers; `text` stands in for the design page when given."""
    order = room_order(root)
    if text is None:
        try:
            text = (root / DESIGN).read_text()
        except OSError as error:
            return [f"{DESIGN}: cannot be read ({error.strerror})"]
    rows = rooms_table(text)
    if rows is None:
        return [f"{DESIGN}: no \"## Rooms\" section with the rooms table"]
    found = [f"{DESIGN}: the rooms table has no row for {room}" for room in order if room not in rows]
    found += [f"{DESIGN}: the rooms table has a row for {room}, which is not a room in src/CMakeLists.txt"
              for room in rows if room not in order and room != "platform"
              and room not in [name for name, _, _ in TOP_ROOMS]]
    found += [f"{DESIGN}: the rooms table has no row for {name}" for name, folder, _ in TOP_ROOMS
              if (root / folder).is_dir() and name not in rows]
    headers = sorted((root / "src").rglob("*.h"))
    rooms_of = {path: path.relative_to(root / "src").parts[0] for path in headers}
    for name, folder, _ in TOP_ROOMS:
        for path in sorted((root / folder).glob("*.h")):
            headers.append(path)
            rooms_of[path] = name
    for path in headers:
        room = rooms_of[path]
        if room in rows and path.stem not in rows[room] and path.name not in rows[room]:
            found.append(f"{path.relative_to(root)}: not named as `{path.stem}` in the {room} row of {DESIGN}")
    stems = {path.stem for path in headers}
    words = code_words(headers + sorted((root / "platform" / "include").glob("*.h")))
    for room, names in rows.items():
        for name in names:
            stem = name.removesuffix(".h")
            if CLASS_LIKE.fullmatch(name) and stem not in stems and (name.endswith(".h") or stem not in words):
                found.append(f"{DESIGN}: the {room} row names `{name}`, which no header under src/ is or declares")
    return found


def problems(root):
    return include_problems(root) + backend_problems(root) + design_problems(root)


def main():
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    found = problems(root)
    for line in found:
        print(line)
    print(f"{'no' if not found else len(found)} problem{'' if len(found) == 1 else 's'} with the rooms and backends")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
