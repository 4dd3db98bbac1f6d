"""Measures whole-run demos with the real game, in a private display and
sound sink: records a run of level L played for N seconds (walking and
firing, then closing the window, which keeps the run), then reports

  - the demo's size, and that size scaled to 10 minutes of play;
  - how fast --verify plays it back with no window, as a multiple of real
    time, and the time a 10-minute run would take;
  - the frame times while --play shows it at 16 times the speed.

    python3 tools/measure_demos.py [--binary build/src/tallowfen] [--seconds 60]
                                   [--level 20] [--rounds 3] [--keep DEMO]"""

import argparse
import glob
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402
from measure_game import percentile  # noqa: E402

UPDATES_PER_SECOND = 60
TEN_MINUTES = 10 * 60 * UPDATES_PER_SECOND


def record(session, binary, workdir, level, seconds):
    app = session.start([binary, "--level", str(level)], cwd=workdir)
    win = app.window("Tallowfen", timeout=20)
    GameDriver(app, win).fight_while_walking(seconds)  # aiming at the birds moves the mouse
    win.close()  # the run is kept, and so is its demo
    if app.wait(15) != 0:
        raise RuntimeError(app.describe_output())
    demos = sorted(glob.glob(os.path.join(workdir, "data", "demos", "*.demo")))
    return demos[-1]


def watch_fast(session, binary, workdir, demo):
    frames_file = os.path.join(workdir, "frames-play.txt")
    app = session.start([binary, "--play", demo], cwd=workdir, env_extra={"TALLOWFEN_FRAME_TIMES": frames_file})
    win = app.window("Tallowfen", timeout=20)
    game = GameDriver(app, win)
    game.key("space")
    game.key("space")  # 16 times the speed
    since = len(app.events())
    app.wait_event(r"state 0", timeout=600, since=since)  # the demo has ended: back at the menu
    events = app.events()
    win.close()
    app.wait(15)

    def frame_before(index):
        return max(int(e.split()[1]) for e in events[:index] if e.startswith("frame "))
    first, last = frame_before(since), frame_before(events.index("state 0", since))
    with open(frames_file) as f:
        frames = [float(line.split()[0]) for line in f if line.strip()]
    return frames[first:last]  # the frames shown at 16 times the speed


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", default=os.path.join(ROOT, "build", "src", "tallowfen"))
    parser.add_argument("--seconds", type=float, default=60.0)
    parser.add_argument("--level", type=int, default=20)
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--keep", metavar="DEMO", help="copy the recorded demo here, to look into its bytes")
    args = parser.parse_args()
    binary = os.path.abspath(args.binary)

    workdir = tempfile.mkdtemp(prefix="tallowfen-demos-")
    try:
        for name in ("assets", "shaders"):
            os.symlink(os.path.join(ROOT, name), os.path.join(workdir, name))
        os.mkdir(os.path.join(workdir, "data"))
        for name in ("map", "maprender"):
            shutil.copy(os.path.join(ROOT, "data", name), os.path.join(workdir, "data", name))
        with Session() as session:
            demo = record(session, binary, workdir, args.level, args.seconds)
            trace = os.path.join(workdir, "trace")
            subprocess.run([binary, "--verify", demo, "--trace", trace], check=True, capture_output=True)
            with open(trace) as f:
                updates = sum(1 for _ in f)
            times = []
            for _ in range(args.rounds):
                start = time.perf_counter()
                subprocess.run([binary, "--verify", demo], check=True, capture_output=True)
                times.append(time.perf_counter() - start)
            frames = []
            for _ in range(args.rounds):
                frames += watch_fast(session, binary, workdir, demo)
        size = os.path.getsize(demo)
        if args.keep:
            shutil.copy(demo, args.keep)
    finally:
        shutil.rmtree(workdir, ignore_errors=True)

    verify = statistics.median(times)
    print(f"demo: level {args.level}, {updates} updates ({updates / UPDATES_PER_SECOND:.0f} s of play), "
          f"{size} bytes; {size * TEN_MINUTES / updates / 1024:.1f} KiB for 10 minutes")
    print(f"--verify: {verify:.3f} s (median of {args.rounds}), {updates / UPDATES_PER_SECOND / verify:.0f} times "
          f"real time; 10 minutes in {TEN_MINUTES * verify / updates:.2f} s")
    print(f"--play at 16x: {len(frames)} frames, median {statistics.median(frames):.2f} ms, "
          f"p99 {percentile(frames, 99):.2f} ms, max {max(frames):.2f} ms, "
          f"{1000.0 / statistics.mean(frames):.1f} frames a second")


if __name__ == "__main__":
    main()
