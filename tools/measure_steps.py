"""Measures the time steps real play records, from which the board's rule on
a run's steps (board/src/StepRule) is drawn:

  - the desktop build in a real window of a private display, a run of level
    L played for N seconds (walking and firing, as fresh_demo.py plays),
    once on a quiet machine and once beside two busy loops, each demo's
    steps as `tallowfen-board --check-steps` reads them;
  - the page's pacing (platform/web/rlweb.js, run in node against a fake
    display) at 60 to 240 Hz, with the animation frames' times exact or
    jittered, the game's work now and then overrunning a frame, and a tab
    hidden for a second: the shortest and longest step and the least that
    60 steps in a row add to.

    python3 tools/measure_steps.py [--binary build/src/tallowfen]
                                   [--board build/board/tallowfen-board] [--seconds 30] [--level 3]"""

import argparse
import glob
import json
import os
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))

from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402
from native import game_folder  # noqa: E402

# rlweb.js's pacing driven by a fake display: `frames` animation frames at `rate` Hz, each `jitter` ms off at
# random, the game's work taking 2 to 12 ms a frame and 20 to 60 ms on one frame in `spikes`, and the clock
# jumping `gap` ms at frame 600 (a hidden tab). Prints the game's frame times, in ms, as JSON.
PACING = r"""
const [source, rate, jitter, spikes, gap, frames] = JSON.parse(process.argv[1]);
let seed = 12345;
const random = () => (seed = (seed * 1103515245 + 12345) % 2147483648) / 2147483648;
globalThis.LibraryManager = {library: {}};
globalThis.mergeInto = (target, from) => Object.assign(target, from);
globalThis.autoAddDeps = () => {};
globalThis.Module = {};
let waiting = null, woke = null;
globalThis.Asyncify = {handleSleep: (start) => start((ms) => { woke = ms; })};
globalThis.requestAnimationFrame = (callback) => { waiting = callback; };
eval(require('fs').readFileSync(source, 'utf8'));
globalThis.RLPWEB = LibraryRlpWeb.$RLPWEB;
const offsets = [];  // each animation frame's own jitter, drawn once
const vsync = (k) => {
  while (offsets.length <= k) offsets.push(jitter ? (random() - 0.5) * 2 * jitter : 0);
  return 1000 + k * 1000 / rate + offsets[k] + (k >= 600 ? gap : 0);
};
const times = [];
let k = 0, free = 0;  // the next animation frame, and when the game's work lets it ask for one
while (times.length < frames) {
  LibraryRlpWeb.rlp_web_next_frame(1000 / 60);
  while (woke === null) {
    while (vsync(k) <= free) ++k;
    const callback = waiting;
    waiting = null;
    callback(vsync(k++));
  }
  const now = vsync(k - 1);
  times.push(woke > 0 ? woke : 1000 / 60);  // as the layer takes a first frame of 0
  woke = null;
  free = now + 2 + random() * 10 + (spikes && random() < 1 / spikes ? 20 + random() * 40 : 0);
}
console.log(JSON.stringify(times));
"""


def web_figures(rate, jitter, spikes, gap, frames=3600):
    args = json.dumps([os.path.join(ROOT, "platform", "web", "rlweb.js"), rate, jitter, spikes, gap, frames])
    times = json.loads(subprocess.run(["node", "-e", PACING, args], capture_output=True, text=True,
                                      check=True).stdout)[1:]  # the first frame has no time of its own
    sums = [sum(times[i:i + 60]) for i in range(len(times) - 59)]
    return min(times), max(times), sum(times) / len(times), min(sums)


def record(binary, level, seconds, busy):
    """A run played in a real window; its demo's path (in a folder the caller removes)."""
    home = game_folder()
    loops = [subprocess.Popen([sys.executable, "-c", "while True: pass"]) for _ in range(busy)]
    try:
        with Session() as session:
            app = session.start([binary, "--level", str(level)], cwd=home)
            win = app.window("Tallowfen", timeout=20)
            GameDriver(app, win).fight_while_walking(seconds)
            win.close()  # the run is kept, and so is its demo
            if app.wait(15) != 0:
                raise RuntimeError(app.describe_output())
    finally:
        for loop in loops:
            loop.kill()
            loop.wait()
    return home, sorted(glob.glob(os.path.join(home, "data", "demos", "*.demo")))[-1]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--binary", default=os.path.join(ROOT, "build", "src", "tallowfen"))
    parser.add_argument("--board", default=os.path.join(ROOT, "build", "board", "tallowfen-board"))
    parser.add_argument("--seconds", type=float, default=30)
    parser.add_argument("--level", type=int, default=3)
    args = parser.parse_args()

    print("The desktop build in a window (steps in ms; the first update's and the one after loading included):")
    for busy in (0, 2):
        home, demo = record(os.path.abspath(args.binary), args.level, args.seconds, busy)
        try:
            line = subprocess.run([args.board, "--check-steps", demo], capture_output=True, text=True).stdout
            print(f"  {busy} busy loops: {line.split(': ', 1)[1].strip()}")
        finally:
            shutil.rmtree(home, ignore_errors=True)

    print("The page's pacing, 3,600 frames after the first (ms; 60 in a row in s):")
    print("   Hz  jitter  spikes  gap    shortest  longest   mean     60 in a row")
    for rate in (60, 75, 90, 100, 120, 144, 240):
        for jitter, spikes, gap in ((0, 0, 0), (2, 0, 0), (0, 50, 0), (2, 50, 1000)):
            low, high, mean, window = web_figures(rate, jitter, spikes, gap)
            print(f"  {rate:3d}  {jitter:4d}    {spikes:4d}  {gap:5d}  {low:8.3f}  {high:8.3f}  {mean:7.3f}  "
                  f"{window / 1000:8.4f}")


if __name__ == "__main__":
    main()
