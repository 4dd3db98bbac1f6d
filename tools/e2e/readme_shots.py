"""Takes the README's screenshots from the real game: the controls and volume
screen, a level in play, the shop after it, and the death screen with its
chart of the run that was lost. Run from the repository root after building:

    python3 tools/e2e/readme_shots.py [build/src/tallowfen] [docs]
"""

import os
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)

from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402


def death_screen_shown(game, shot):
    """The death screen's red remark, over black where a level has tiles."""
    black = game.window_box((0, 70, 160, 25))
    return (shot.count((230, 41, 55), box=game.window_box((0, 40, 160, 26))) > 200
            and shot.count((0, 0, 0), box=black) == black[2] * black[3])


def stand_still_until_dead(game, timeout=240):
    """Leaves the shop for level after level and lets the birds come: the
    fourth touch ends the run, so the chart has a few levels to show."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        shot = game.shot()
        if death_screen_shown(game, shot):
            return
        if game.level_finished(shot):
            game.key("q")
        elif shot.count((130, 130, 130), box=game.window_box((10, 10, 100, 85)), tol=24) > 3000:
            game.click(60, 30)  # the shop's Finish: the next level
        time.sleep(0.1)
    raise AssertionError(f"the crab still lived after {timeout} s")


def main():
    binary = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "src", "tallowfen"))
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs"))
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tallowfen-shots-")
    try:
        for name in ("assets", "shaders", "data"):
            shutil.copytree(os.path.join(ROOT, name), os.path.join(work, name),
                            ignore=shutil.ignore_patterns("settings", "options", "run"))
        with Session() as session:
            app = session.start([binary], cwd=work)
            win = app.window("Tallowfen", timeout=20)
            app.wait_frames(30)
            game = GameDriver(app, win)
            game.click(240, 100)  # SETTINGS
            game.click(255, 205)  # Controls
            game.click(68, 195)  # the music a step down, so the picture shows a volume below 100
            game.win.move_mouse(*game.to_window(145, 114))  # over fire's key
            app.wait_frames(5)
            win.screenshot(os.path.join(out, "controls.png"))
            game.click(40, 15)  # Back: saves the options in this throwaway copy
            game.click(60, 25)  # the settings' Back
            game.click(85, 100)  # NEW GAME
            # Wait for the bird to come into view while still well away from
            # the crab in its corner, then fire just past it: the picture
            # shows bullets in flight and the bird still alive.
            crab = game.to_window(48, 48)
            deadline = time.monotonic() + 40
            while time.monotonic() < deadline:
                target = game.bird_at(game.shot())
                if target and abs(target[0] - crab[0]) + abs(target[1] - crab[1]) > 220:
                    break
                time.sleep(0.05)
            if target:
                win.move_mouse(target[0], max(0, target[1] - 60))
            win.mousedown()
            app.wait_frames(30)
            win.screenshot(os.path.join(out, "level.png"))
            win.mouseup()
            game.fight_until_finished()
            game.key("q")
            game.win.move_mouse(*game.to_window(240, 216))  # over the upgrade's Buy button
            app.wait_frames(5)
            win.screenshot(os.path.join(out, "shop.png"))
            stand_still_until_dead(game)
            app.wait_frames(30)
            win.screenshot(os.path.join(out, "death.png"))
            game.key("Escape")
            app.wait(10)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"wrote {out}/controls.png, {out}/level.png, {out}/shop.png and {out}/death.png")


if __name__ == "__main__":
    main()
