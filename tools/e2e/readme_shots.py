"""Takes the README's two screenshots from the real game: a level in play and
the shop after it. Run from the repository root after building:

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


def main():
    binary = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "src", "tallowfen"))
    out = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else os.path.join(ROOT, "docs"))
    os.makedirs(out, exist_ok=True)
    work = tempfile.mkdtemp(prefix="tallowfen-shots-")
    try:
        for name in ("assets", "shaders", "data"):
            shutil.copytree(os.path.join(ROOT, name), os.path.join(work, name),
                            ignore=shutil.ignore_patterns("settings"))
        with Session() as session:
            app = session.start([binary], cwd=work)
            win = app.window("Tallowfen", timeout=20)
            time.sleep(0.5)
            game = GameDriver(app, win)
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
            time.sleep(0.5)
            win.screenshot(os.path.join(out, "level.png"))
            win.mouseup()
            game.fight_until_finished()
            game.key("q")
            game.win.move_mouse(*game.to_window(240, 216))  # over the upgrade's Buy button
            time.sleep(0.3)
            win.screenshot(os.path.join(out, "shop.png"))
            win.key("Escape")
            app.wait(10)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    print(f"wrote {out}/level.png and {out}/shop.png")


if __name__ == "__main__":
    main()
