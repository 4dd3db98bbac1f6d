"""Verifies every golden demo with `tallowfen --verify`: one set, recorded
once, that every build (the bundled layer, real raylib, the page) must play
to the same end.

    check_golden.py BINARY [--runner CMD] [--demos DIR]

With --runner the binary is started through CMD (a command line, such as
"node" for the page's build of the verifier). --demos verifies the demos of
another folder instead, such as fresh runs each build has just recorded.

A demo that no longer plays to what it recorded is played again with
--trace, and the trace is compared with the committed one (NAME.trace.gz) to
name the first update, and its level, where the game's state went another
way. scripts/golden-demos.sh records them again when a change to play is
meant.
"""

import argparse
import gzip
import shlex
import pathlib
import subprocess
import sys
import tempfile
import time

SKIP = 77
HERE = pathlib.Path(__file__).resolve().parent


def header(path):
    """The demo's text header as a dict (it ends at the `body` line)."""
    fields = {}
    with open(path, "rb") as f:
        for raw in f:
            key, _, value = raw.decode("utf-8", "replace").rstrip("\n").partition(" ")
            fields[key] = value
            if key == "body":
                break
    return fields


def read_trace(lines):
    """{update: (digest, level)} from a trace's "N DIGEST LEVEL" lines."""
    trace = {}
    for line in lines:
        parts = line.split()
        if len(parts) >= 2:
            trace[int(parts[0])] = (parts[1], parts[2] if len(parts) > 2 else "?")
    return trace


def first_difference(expected, actual):
    """The first update whose digest differs or that one side lacks, as a line."""
    for update in sorted(set(expected) | set(actual)):
        want, got = expected.get(update), actual.get(update)
        if want == got:
            continue
        if want is None:
            return f"update {update} (level {got[1]}) is played but the recording ended before it"
        if got is None:
            return f"the game stopped before update {update} (level {want[1]}) of the recording"
        return f"first difference at update {update}, level {want[1]}: digest {got[0]}, recorded {want[0]}"
    return "every update's digest matches the recorded trace; the end of the run differs"


def diagnose(command, demo):
    committed = demo.with_name(demo.stem + ".trace.gz")
    with tempfile.TemporaryDirectory() as scratch:
        out = pathlib.Path(scratch) / "trace"
        subprocess.run(command + ["--verify", str(demo), "--trace", str(out)], capture_output=True, timeout=600)
        if not out.exists():
            return "the rerun wrote no trace"
        actual = read_trace(out.read_text().splitlines())
    if not committed.exists():
        return f"no committed trace {committed.name} to compare with"
    with gzip.open(committed, "rt") as f:
        expected = read_trace(f)
    return first_difference(expected, actual)


def main():
    parser = argparse.ArgumentParser(usage="check_golden.py BINARY [--runner CMD] [--demos DIR]")
    parser.add_argument("binary")
    parser.add_argument("--runner", default="")
    parser.add_argument("--demos", default=str(HERE))
    args = parser.parse_args()
    command = shlex.split(args.runner) + [args.binary]
    demos = sorted(pathlib.Path(args.demos).glob("*.demo"))
    if not demos:
        print(f"SKIP: no demos in {args.demos}")
        return SKIP
    failed = 0
    for demo in demos:
        began = time.monotonic()
        run = subprocess.run(command + ["--verify", str(demo)], capture_output=True, text=True, timeout=600)
        seconds = time.monotonic() - began
        lines = run.stdout.strip().splitlines()
        if run.returncode == 0 and lines and lines[-1] == "matches the recording":
            print(f"{demo.name} ({header(demo).get('platform', '?')}): matches the recording ({seconds:.2f} s)")
            continue
        failed += 1
        print(f"{demo.name}: exit {run.returncode}: {' / '.join(lines[-2:]) or run.stderr.strip()}")
        print(f"{demo.name}: {diagnose(command, demo)}")
    if failed:
        print(f"{failed} of {len(demos)} golden demos play differently. If the change to play is meant, record "
              "them again with scripts/golden-demos.sh and say why in the commit.")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
