"""Measures the real game as a player runs it, in a private display and sound
sink: N seconds idle on the main menu, then N seconds playing level L (started
with --level L, holding fire and walking about). For each phase it prints the
CPU time per frame, the peak resident memory, the frame time's median,
99th percentile and maximum, and the median and 99th percentile of the game's
own work in a frame (update and draw), each the median of the rounds.

    python3 tools/measure_game.py [--binary build/src/tallowfen] [--seconds 10]
                                  [--level 20] [--rounds 3]

The frame times and the CPU clock come from the game itself, which writes
them on exit when TALLOWFEN_FRAME_TIMES names a file."""

import argparse
import os
import shutil
import statistics
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402

WARM_UP_FRAMES = 60  # the first second: start-up, first uploads, the first level's placement


def peak_rss_mib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1]) / 1024.0
    raise RuntimeError("no VmHWM")


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100.0 * (len(ordered) - 1))))]


def summarise(path):
    with open(path) as f:
        rows = [tuple(float(v) for v in line.split()) for line in f if line.strip()]
    rows = rows[WARM_UP_FRAMES:]
    if len(rows) < 2:
        raise RuntimeError(f"only {len(rows)} frames recorded after the warm-up")
    frames = [row[0] for row in rows]
    work = [row[2] for row in rows]
    cpu = (rows[-1][1] - rows[0][1]) / (len(rows) - 1)
    return {"cpu": cpu, "median": statistics.median(frames), "p99": percentile(frames, 99),
            "max": max(frames), "frames": len(rows),
            "work_median": statistics.median(work), "work_p99": percentile(work, 99)}


def play(win, game, seconds):
    """Holds fire at the middle of the level and walks a square."""
    win.move_mouse(*game.to_window(160, 120))
    win.mousedown()
    end = time.monotonic() + seconds
    keys = ["d", "s", "a", "w"]
    i = 0
    try:
        while time.monotonic() < end:
            win.keydown(keys[i % 4])
            time.sleep(min(0.7, max(0.0, end - time.monotonic())))
            win.keyup(keys[i % 4])
            i += 1
    finally:
        win.mouseup()


def run_phase(session, binary, workdir, seconds, level=None):
    frames_file = os.path.join(workdir, f"frames-{level or 'menu'}.txt")
    argv = [binary] + (["--level", str(level)] if level else [])
    app = session.start(argv, cwd=workdir, env_extra={"TALLOWFEN_FRAME_TIMES": frames_file})
    win = app.window("Tallowfen", timeout=20)
    if level:
        play(win, GameDriver(app, win), seconds + 1.0)
    else:
        time.sleep(seconds + 1.0)
    rss = peak_rss_mib(app.pid)
    win.close()
    if app.wait(15) != 0:
        raise RuntimeError(f"the game exited with {app.returncode}\n{app.describe_output()}")
    result = summarise(frames_file)
    result["rss"] = rss
    return result


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", default=os.path.join(ROOT, "build", "src", "tallowfen"))
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--level", type=int, default=20)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()

    workdir = tempfile.mkdtemp(prefix="tallowfen-measure-")
    try:
        for name in ("assets", "shaders", "data"):
            shutil.copytree(os.path.join(ROOT, name), os.path.join(workdir, name),
                            ignore=shutil.ignore_patterns("settings"))
        phases = {"menu": [], f"level {args.level}": []}
        with Session() as session:
            for _ in range(args.rounds):
                phases["menu"].append(run_phase(session, os.path.abspath(args.binary), workdir, args.seconds))
                phases[f"level {args.level}"].append(
                    run_phase(session, os.path.abspath(args.binary), workdir, args.seconds, args.level))
    finally:
        shutil.rmtree(workdir, ignore_errors=True)

    print(f"{'phase':<10} {'CPU ms/frame':>12} {'peak RSS MiB':>12} {'median ms':>9} {'p99 ms':>7} "
          f"{'max ms':>7} {'frames':>7} {'work ms':>7} {'work p99':>8}")
    for phase, results in phases.items():
        def med(key):
            return statistics.median(r[key] for r in results)
        print(f"{phase:<10} {med('cpu'):>12.2f} {med('rss'):>12.1f} {med('median'):>9.2f} {med('p99'):>7.2f} "
              f"{med('max'):>7.2f} {med('frames'):>7.0f} {med('work_median'):>7.3f} {med('work_p99'):>8.3f}")


if __name__ == "__main__":
    main()
