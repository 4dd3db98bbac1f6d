"""Records a fresh run with a build of the game, played as a person plays it
(walking round a square and firing at the birds, at level 3, for a few
seconds, then closing the window, which keeps the run), in a private display
and sound sink, and keeps its demo as OUT/NAME.demo. Every other build must
then verify it (check_golden.py --demos OUT, and the page's demo test).

    fresh_demo.py BINARY OUT NAME"""

import os
import shutil
import sys

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))

from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402
from native import game_folder  # noqa: E402


def main():
    if len(sys.argv) != 4:
        print(__doc__.split("\n\n")[-1].strip())
        return 2
    binary, out, name = os.path.abspath(sys.argv[1]), sys.argv[2], sys.argv[3]
    home = game_folder()  # its saves land there, not in the sources
    try:
        with Session() as session:
            app = session.start([binary, "--level", "3"], cwd=home)
            win = app.window("Tallowfen", timeout=20)
            GameDriver(app, win).fight_while_walking(6)
            win.close()
            if app.wait(15) != 0:
                raise RuntimeError(app.describe_output())
        folder = os.path.join(home, "data", "demos")
        demos = [os.path.join(folder, f) for f in os.listdir(folder) if f.endswith(".demo")]
        if len(demos) != 1:
            raise RuntimeError(f"expected one demo in the saves, found {demos}")
        os.makedirs(out, exist_ok=True)
        shutil.copy(demos[0], os.path.join(out, name + ".demo"))
        print(f"{name}.demo: {os.path.getsize(demos[0])} bytes")
    finally:
        shutil.rmtree(home, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
