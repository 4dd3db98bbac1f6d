"""The instant replay through the real game: a screenshot on F9 during level
5, then standing still until the birds win, watching the last seconds on the
death screen, and keeping them as a GIF that ImageMagick reads."""

import glob
import os
import re
import subprocess
import time

from test_game import BINARY, GameCase  # also puts tools/e2e on the path

from game_driver import GameDriver  # noqa: E402

RED = (230, 41, 55)
BANNER = (0, 5, 320, 30)       # the death screen's red "DEAD-DEAD-..."
GRAY = (130, 130, 130)
HINT = (10, 204, 140, 10)      # its "R (pad X): watch the replay"
OFF_WHITE = (245, 245, 245)
KEYS_LINE = (0, 226, 160, 14)  # the replay's "S: save as GIF ..." under its picture
PICTURE = (40, 16, 240, 180)   # the recorded view, above the replay's text lines


def identify(path):
    """ImageMagick's reading of a picture: one (width, height) a frame."""
    out = subprocess.run(["identify", "-format", "%w %h\n", path], capture_output=True, text=True, check=True)
    return [tuple(map(int, line.split())) for line in out.stdout.splitlines()]


class ReplayTest(GameCase):
    def test_die_at_level_5_watch_the_replay_and_keep_it(self):
        run = self.game()
        run.start("--level", "5")
        game = GameDriver(run.app, run.win)
        folder = os.path.join(self.session.home, "Pictures", "Tallowfen")

        game.wait_for(lambda: len(game.enemy_lines()) == 5, what="level 5's birds")
        shots = lambda: glob.glob(os.path.join(folder, "*.png"))  # noqa: E731
        for _ in range(3):  # the level's first frames can be slow enough to miss a press
            game.key("F9")
            deadline = time.monotonic() + 2.0
            while not shots() and time.monotonic() < deadline:
                time.sleep(0.05)
            if shots():
                break
        self.assertEqual(len(shots()), 1, "F9 saved no screenshot, or more than one")
        self.assertEqual(identify(shots()[0]), [(640, 480)])

        dead = lambda: (game.shot().count(RED, box=game.window_box(BANNER)) > 300  # noqa: E731
                        and game.shot().count(GRAY, box=game.window_box(HINT)) > 50)
        game.wait_for(dead, timeout=90, what="the birds to win and the death screen with its hint")
        replay_shown = lambda: game.shot().count(OFF_WHITE, box=game.window_box(KEYS_LINE)) > 50  # noqa: E731
        self.assertFalse(replay_shown())
        game.key("r")
        game.wait_for(replay_shown, what="the replay")
        view = lambda: hash(tuple(tuple(row) for _, _, row in game.shot()._rows(game.window_box(PICTURE))))  # noqa: E731
        seen = set()
        for _ in range(8):  # two seconds of the loop
            seen.add(view())
            run.app.wait_frames(15)
        self.assertGreater(len(seen), 2, "the replay's picture hardly changed over two seconds")

        game.key("s")
        saved = re.compile(r"^Saved the replay to (.+\.gif)$", re.M)
        game.wait_for(lambda: saved.search(run.app.stdout_text()), what="the clip's line")
        path = saved.search(run.app.stdout_text()).group(1)
        self.assertEqual(os.path.dirname(path), folder)
        self.assertRegex(os.path.basename(path), r"^tallowfen-\d{4}(-\d\d){5}-level5\.gif$")
        frames = identify(path)
        self.assertGreater(len(frames), 100)
        self.assertEqual(frames[0], (480, 480))
        self.assertEqual([name for name in os.listdir(folder) if name.startswith(".")], [], "a partial file was left")

        game.key("space")  # any other key goes back to the death screen
        game.wait_for(lambda: not replay_shown() and dead(), what="the death screen again")
        self.quit_with_escape(run)


if __name__ == "__main__":
    import unittest
    unittest.main()
