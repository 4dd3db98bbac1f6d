"""Measures the web build in headless Chromium (software WebGL 2 through
SwiftShader, as on a machine without a GPU), one line a figure:

- the download: the site's files summed;
- the time from opening the page to its first menu frame, the median of
  cold loads (no HTTP cache, no saves);
- the game's own work a frame (its update and draw) at level L (50),
  played as tools/measure_game.py plays the native game (fire held, walking
  a square; its first second left out), beside measure_game's figures for
  the native game on this machine, and their ratio;
- the page's frame intervals at level F (20), played the same way.

    python3 tools/web/measure_web.py [--site build-web/site] [--binary build/src/tallowfen]
                                     [--seconds 10] [--loads 3] [--work-level 50] [--frame-level 20]

It measures and prints; it asserts nothing."""

import argparse
import itertools
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import native  # noqa: E402
from webpage import ROOT, Browser, SiteServer, page_url  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools"))
from measure_game import WARM_UP_FRAMES, percentile, run_phase  # noqa: E402

from harness import Session  # noqa: E402


def site_size(site):
    total = 0
    for folder, _, names in os.walk(site):
        total += sum(os.path.getsize(os.path.join(folder, name)) for name in names)
    return total


def play(page, seconds):
    """As measure_game plays the native game: fire held at the level's
    middle, walking a square, 0.7 s a side."""
    page.move(160, 120)
    page.mouse_down()
    end = time.monotonic() + seconds
    try:
        for key in itertools.cycle("dsaw"):
            if time.monotonic() >= end:
                break
            page.key_down(key)
            time.sleep(min(0.7, max(0.0, end - time.monotonic())))
            page.key_up(key)
    finally:
        page.release()


def figures(values):
    return {"median": statistics.median(values), "p99": percentile(values, 99),
            "mean": statistics.fmean(values), "frames": len(values)}


def shown(name, f):
    return (f"{name}: median {f['median']:.2f} ms, p99 {f['p99']:.2f} ms, mean {f['mean']:.2f} ms "
            f"({f['frames']} frames)")


def first_frames(browser, server, loads):
    times = []
    for _ in range(loads):
        browser.forget(server.base)
        page = browser.open(page_url(server.base))
        times.append(page.tallowfen("t.firstFrameAt"))
    return times


def web_play(browser, server, level, seconds, series, env=()):
    """A series the page keeps (frameWork, frameIntervals) over a level
    played for the warm-up and `seconds` more, the warm-up's frames left out."""
    browser.forget(server.base)
    page = browser.open(page_url(server.base, ["--level", level], env))
    play(page, seconds + 1.0)
    values = page.tallowfen(f"t.{series}")[WARM_UP_FRAMES:]
    if len(values) < 2:
        raise RuntimeError(f"the page kept only {len(values)} values of {series} after the warm-up")
    return figures(values)


def native_play(binary, level, seconds):
    """measure_game's own measurement of the native game at the level, and
    the mean work a frame from the same frames."""
    folder = native.game_folder()
    try:
        with Session() as session:
            result = run_phase(session, binary, folder, seconds, level)
        with open(os.path.join(folder, f"frames-{level}.txt")) as f:
            work = [float(line.split()[2]) for line in f if line.strip()][WARM_UP_FRAMES:]
        result["work_mean"] = statistics.fmean(work)
        return result
    finally:
        shutil.rmtree(folder, ignore_errors=True)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--site", default=os.environ.get("TALLOWFEN_WEB_SITE") or
                        os.path.join(ROOT, "build-web", "site"))
    parser.add_argument("--binary", default=native.binary_from_env())
    parser.add_argument("--seconds", type=float, default=10.0)
    parser.add_argument("--loads", type=int, default=3)
    parser.add_argument("--work-level", type=int, default=50)
    parser.add_argument("--frame-level", type=int, default=20)
    args = parser.parse_args()

    size = site_size(args.site)
    print(f"download: {size} bytes, {size / 1e6:.2f} MB (target at most 6 MB)", flush=True)

    with SiteServer(args.site) as server, Browser() as browser:
        loads = first_frames(browser, server, args.loads)
        print(f"first menu frame: median {statistics.median(loads):.0f} ms after opening the page "
              f"(cold loads: {', '.join(f'{t:.0f}' for t in loads)} ms)", flush=True)
        work = web_play(browser, server, args.work_level, args.seconds, "frameWork",
                        ["TALLOWFEN_FRAME_TIMES=/tmp/frame-times"])
        print(shown(f"web work a frame at level {args.work_level}", work), flush=True)
        intervals = web_play(browser, server, args.frame_level, args.seconds, "frameIntervals")

    if os.access(args.binary, os.X_OK):
        result = native_play(os.path.abspath(args.binary), args.work_level, args.seconds)
        print(f"native work a frame at level {args.work_level}: median {result['work_median']:.2f} ms, "
              f"p99 {result['work_p99']:.2f} ms, mean {result['work_mean']:.2f} ms ({result['frames']} frames)")
        ratios = ", ".join(f"{key} {work[key] / max(result['work_' + key], 1e-3):.2f}"
                           for key in ("median", "p99", "mean"))
        print(f"web / native work a frame: {ratios} (target at most 2)")
    else:
        print(f"native work a frame: no native game at {args.binary}")
    print(shown(f"web frame intervals at level {args.frame_level}", intervals) + " (target p99 at most 17.5 ms)")


if __name__ == "__main__":
    main()
