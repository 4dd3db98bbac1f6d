"""Runs the simulation's float table on the desktop and in the browser
build's node program and compares the two bit for bit: a run plays the same
in the page only when every one of these results is the same.

    compare.py [--native BINARY] [--node SCRIPT]

Prints "N of N values the same" for each function, and for a function that
differs, its first differing case with its inputs as each side drew them.
Two NaNs count as the same whatever their sign and payload: IEEE 754 leaves
open which NaN comes out when two meet, WebAssembly lets it vary, and the
compiler may swap the operands; the game keeps no NaN in its state (a NaN
where the other side has a number is a difference like any other).
Exits 0 when all are the same, 1 on any difference, 2 when a table cannot be
made.
"""

import argparse
import array
import os
import shutil
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
NATIVE = os.path.join(ROOT, "build", "tools", "sim_table", "tallowfen_sim_table")
NODE_SCRIPT = os.path.join(ROOT, "build-web", "sim_table.js")


class TableError(Exception):
    pass


def read_table(path):
    """{function: (width, words)} in the file's order."""
    table = {}
    with open(path, "rb") as f:
        while line := f.readline():
            try:
                name, cases, width = line.decode().split()
                cases, width = int(cases), int(width)
            except ValueError:
                raise TableError(f"{path}: a damaged section line {line[:60]!r}") from None
            words = array.array("I")
            words.frombytes(f.read(cases * width * 4))
            if len(words) != cases * width:
                raise TableError(f"{path}: {name} ends early")
            if sys.byteorder != "little":
                words.byteswap()
            table[name] = (width, words)
    return table


def run_table(command, out):
    result = subprocess.run(command + [out], capture_output=True, text=True)
    if result.returncode != 0:
        last = result.stderr.strip().splitlines()[-1:] or ["no message"]
        raise TableError(f"{' '.join(command)} failed with exit {result.returncode}: {last[0][:300]}")
    return read_table(out)


def describe(command, name, case):
    """The case's inputs and results as that program draws them."""
    result = subprocess.run(command + ["--case", name, str(case)], capture_output=True, text=True)
    return (result.stdout or result.stderr).strip()


def is_nan(bits):
    return bits & 0x7FFFFFFF > 0x7F800000


def compare(native, browser):
    """(same, total, NaNs that differ only in their bits, first differing
    value's index or None)."""
    width, ours = native
    if browser is None or browser[0] != width or len(browser[1]) != len(ours):
        return 0, len(ours), 0, 0
    theirs = browser[1]
    if ours == theirs:
        return len(ours), len(ours), 0, None
    unlike = [i for i, (a, b) in enumerate(zip(ours, theirs)) if a != b]
    differing = [i for i in unlike if not (is_nan(ours[i]) and is_nan(theirs[i]))]
    return (len(ours) - len(differing), len(ours), len(unlike) - len(differing),
            differing[0] if differing else None)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--native", default=NATIVE, help="the desktop build's tallowfen_sim_table")
    parser.add_argument("--node", default=NODE_SCRIPT, help="the browser build's sim_table.js")
    options = parser.parse_args()
    node = shutil.which("node") or shutil.which("nodejs")
    problems = []
    if not os.access(options.native, os.X_OK):
        problems.append(f"no desktop table program at {options.native} "
                        "(cmake --build build --target tallowfen_sim_table)")
    if not os.path.isfile(options.node):
        problems.append(f"no browser table program at {options.node} (scripts/web.sh builds it)")
    if not node:
        problems.append("no node to run the browser's table with (apt-get install nodejs)")
    if problems:
        print("compare.py: " + "; ".join(problems))
        return 2
    sides = {"desktop": [options.native], "browser": [node, options.node]}
    with tempfile.TemporaryDirectory(prefix="tallowfen-sim-table-") as scratch:
        try:
            tables = {side: run_table(command, os.path.join(scratch, side)) for side, command in sides.items()}
        except (TableError, OSError) as e:
            print(f"compare.py: {e}")
            return 2
    differs = False
    for name, native in tables["desktop"].items():
        same, total, nans, first = compare(native, tables["browser"].get(name))
        print(f"{name}: {same} of {total} values the same" +
              (f" ({nans} of them NaNs of another sign or payload)" if nans else ""))
        if first is None:
            continue
        differs = True
        case = first // native[0]
        for side, command in sides.items():
            print(f"  first difference, case {case}, {side}: {describe(command, name, case)}")
    for name in tables["browser"].keys() - tables["desktop"].keys():
        differs = True
        print(f"{name}: only the browser's table has it")
    return 1 if differs else 0


if __name__ == "__main__":
    sys.exit(main())
