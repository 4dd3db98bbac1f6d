"""Measures the web build in headless Chromium (software WebGL 2 through
SwiftShader, as on a machine without a GPU), one line a figure:

- the download: the site's files summed;
- the time from opening the page to its first menu frame, the median of
  cold loads (no HTTP cache, no saves);
- the game's own work a frame (its update and draw) at level L (50),
  holding fire, the median and 99th percentile, beside the same for the
  native game on this machine, and their ratio;
- the page's frame intervals at level F (20), holding fire.

    python3 tools/web/measure_web.py [--site build-web/site] [--binary build/src/tallowfen]
                                     [--seconds 10] [--loads 3] [--work-level 50] [--frame-level 20]

It measures and prints; it asserts nothing."""

import argparse
import os
import shutil
import statistics
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import native  # noqa: E402
from webpage import ROOT, Browser, SiteServer, page_url  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools"))
from measure_game import percentile  # noqa: E402

from harness import Session  # noqa: E402

WARM_UP = 1.0  # seconds: start-up, the first uploads, the level's placement
AIM = (120, 120)  # the middle of the level's view


def site_size(site):
    total = 0
    for folder, _, names in os.walk(site):
        total += sum(os.path.getsize(os.path.join(folder, name)) for name in names)
    return total


def hold_fire(page, seconds):
    """Holds fire at the level's middle for the warm-up, then `seconds` more;
    returns where frameWork and frameIntervals stood when the warm-up ended."""
    page.move(*AIM)
    page.mouse_down()
    try:
        time.sleep(WARM_UP)
        start = page.tallowfen("[t.frameWork.length, t.frameIntervals.length]")
        time.sleep(seconds)
    finally:
        page.mouse_up()
    return start


def figures(values):
    return statistics.median(values), percentile(values, 99), len(values)


def first_frames(browser, server, loads):
    times = []
    for _ in range(loads):
        browser.forget(server.base)
        page = browser.open(page_url(server.base))
        times.append(page.tallowfen("t.firstFrameAt"))
    return times


def web_work(browser, server, level, seconds):
    browser.forget(server.base)
    page = browser.open(page_url(server.base, ["--level", level], ["TALLOWFEN_FRAME_TIMES=/tmp/frame-times"]))
    start, _ = hold_fire(page, seconds)
    return page.tallowfen("t.frameWork")[start:]


def web_intervals(browser, server, level, seconds):
    browser.forget(server.base)
    page = browser.open(page_url(server.base, ["--level", level]))
    _, start = hold_fire(page, seconds)
    return page.tallowfen("t.frameIntervals")[start:]


def native_work(binary, level, seconds):
    """The native game's work a frame from its frame-times file, with the
    same warm-up and the same held fire. The file's third column is the
    work; a game that writes only two has its CPU time a frame instead."""
    folder = native.game_folder()
    path = os.path.join(folder, "frame-times")
    try:
        with Session() as session:
            app = session.start([binary, "--level", str(level)], cwd=folder,
                                env_extra={"TALLOWFEN_FRAME_TIMES": path})
            win = app.window("Tallowfen", timeout=20)
            app.wait_frames(3)
            win.move_mouse(int((AIM[0] + 0.5) * 600 / 320), int((AIM[1] + 0.5) * 450 / 240))
            win.mousedown()
            try:
                time.sleep(WARM_UP + seconds)
            finally:
                win.mouseup()
            win.close()
            app.wait(15)
        with open(path) as f:
            rows = [[float(v) for v in line.split()] for line in f if line.strip()]
    finally:
        shutil.rmtree(folder, ignore_errors=True)
    frame_ms = [row[0] for row in rows]
    skip = next(i for i in range(len(rows)) if sum(frame_ms[:i]) >= WARM_UP * 1000.0)
    rows = rows[skip:]
    if len(rows[0]) >= 3:
        return [row[2] for row in rows], "update and draw"
    return [b[1] - a[1] for a, b in zip(rows, rows[1:])], "CPU time a frame: the game writes no work column"


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
        work = web_work(browser, server, args.work_level, args.seconds)
        intervals = web_intervals(browser, server, args.frame_level, args.seconds)

    web_median, web_p99, web_n = figures(work)
    print(f"web work a frame at level {args.work_level}: median {web_median:.2f} ms, p99 {web_p99:.2f} ms "
          f"({web_n} frames)", flush=True)
    if os.access(args.binary, os.X_OK):
        values, what = native_work(args.binary, args.work_level, args.seconds)
        nat_median, nat_p99, nat_n = figures(values)
        print(f"native work a frame at level {args.work_level} ({what}): median {nat_median:.2f} ms, "
              f"p99 {nat_p99:.2f} ms ({nat_n} frames)")
        print(f"web / native work a frame: median {web_median / max(nat_median, 1e-3):.2f}, "
              f"p99 {web_p99 / max(nat_p99, 1e-3):.2f} "
              f"(target at most 2)")
    else:
        print(f"native work a frame: no native game at {args.binary}")
    median, p99, n = figures(intervals)
    print(f"web frame intervals at level {args.frame_level}: median {median:.2f} ms, p99 {p99:.2f} ms "
          f"({n} frames; target p99 at most 17.5 ms)")


if __name__ == "__main__":
    main()
