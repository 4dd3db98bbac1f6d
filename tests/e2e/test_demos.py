"""Whole-run demos through the real game: a run quit mid-level and continued
after a restart is one demo; the death screen plays it back, --verify checks
it without a window and --play shows it to its end."""

import glob
import os
import re
import signal
import subprocess

from test_game import BINARY, GameCase  # also puts tools/e2e on the path

from game_driver import GameDriver  # noqa: E402

GREY = (130, 130, 130)
DEMO_RED = (230, 41, 55)


def header(path):
    with open(path, "rb") as f:
        text = f.read().split(b"\nend\n", 1)[0].decode()
    return dict(line.split(" ", 1) for line in text.splitlines()[1:])


class DemoTest(GameCase):
    def test_a_run_across_a_restart_is_one_demo_that_verifies_and_plays(self):
        run = self.game().start("--level", "5")
        game = GameDriver(run.app, run.win)
        game.fight_while_walking(1.0)
        self.quit_with_escape(run)  # mid-level: the run is kept

        run.start()
        game = GameDriver(run.app, run.win)
        game.wait_for(game.menu_shown, what="the main menu")
        game.click_until(85, 100, lambda: "state 1" in run.app.events(), "play")  # NEW GAME continues
        dead, _ = run.app.wait_event(r"state 2", timeout=90)  # five birds reach a player who stands still
        game.wait_for(lambda: game.shot().count(GREY, box=game.window_box((10, 216, 120, 10))) > 100,
                      what='"D: watch the whole run"')
        game.key("d")
        run.app.wait_event(r"state 1", since=dead)
        game.wait_for(lambda: game.shot().count(DEMO_RED, box=(440, 0, 160, 40)) > 50, what="the DEMO mark")
        game.key("Escape")  # leaves the demo, not the game
        run.app.wait_event(r"state 0", since=dead)
        self.assertIn("Demo left at level 5", run.app.stdout_text())
        self.quit_with_escape(run)

        demos = glob.glob(os.path.join(run.dir, "data", "demos", "*.demo"))
        self.assertEqual(len(demos), 1, demos)
        head = header(demos[0])
        self.assertEqual((head["start"], head["result"], head["level"]), ("5", "death", "5"))
        result = f"level 5, gold {head['gold']}, kills {head['kills']}, digest {head['digest']}"
        verify = subprocess.run([BINARY, "--verify", demos[0]], capture_output=True, text=True, timeout=60)
        self.assertEqual((verify.returncode, verify.stdout), (0, result + "\nmatches the recording\n"))

        # Watched on its own at 16 times the speed, it ends as it went.
        played = self.game()
        played.start("--play", demos[0])
        game = GameDriver(played.app, played.win)
        game.key("space")
        game.key("space")
        game.wait_for(lambda: "Demo ended" in played.app.stdout_text(), timeout=60, what="the demo's end")
        self.assertRegex(played.app.stdout_text(),
                         re.escape(f"Demo ended at level 5, gold {head['gold']}, kills {head['kills']}\n"))
        self.quit_with_escape(played)
        self.assertEqual(glob.glob(os.path.join(played.dir, "data", "demos", "*")), [], "watching records nothing")

    def test_a_game_killed_mid_level_leaves_a_demo_that_plays_to_the_level_it_was_in(self):
        run = self.game().start("--level", "1")
        game = GameDriver(run.app, run.win)
        game.fight_until_finished()
        game.key("q")
        game.wait_for(lambda: game.shot().count(GREY, box=game.window_box((10, 10, 100, 85)), tol=24) > 3000,
                      what="the shop")
        game.click_until(60, 30, lambda: len(game.enemy_lines()) == 3, "level 2's two birds")  # Finish
        game.fight_while_walking(1.0)
        os.killpg(run.app.proc.pid, signal.SIGKILL)
        run.app.wait(10)

        demos = glob.glob(os.path.join(run.dir, "data", "demos", "*.demo"))
        self.assertEqual(len(demos), 1, demos)
        head = header(demos[0])
        self.assertEqual((head["start"], head["result"], head["level"]), ("1", "unfinished", "2"))
        verify = subprocess.run([BINARY, "--verify", demos[0]], capture_output=True, text=True, timeout=60)
        self.assertEqual((verify.returncode, verify.stdout),
                         (0, f"level 2, gold {head['gold']}, kills 1, digest {head['digest']}\nmatches the recording\n"))

        # Continued after the kill and quit a little later, it is still one demo that plays to its end.
        run.start()
        game = GameDriver(run.app, run.win)
        game.wait_for(game.menu_shown, what="the main menu")
        game.click_until(85, 100, lambda: "state 1" in run.app.events(), "play")  # NEW GAME: level 2 again
        game.fight_while_walking(1.0)
        self.quit_with_escape(run)
        head = header(demos[0])
        self.assertEqual((head["result"], head["level"]), ("kept", "2"))
        verify = subprocess.run([BINARY, "--verify", demos[0]], capture_output=True, text=True, timeout=60)
        self.assertEqual((verify.returncode, verify.stdout.splitlines()[-1]), (0, "matches the recording"))


if __name__ == "__main__":
    import unittest
    unittest.main()
