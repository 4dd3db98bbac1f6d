"""The best run and the chart of a lost run, through the real game: a player
who stands still at a high level dies, sees the run charted on the death
screen, finds the best run kept in data/best and named on the main menu,
also after a restart; a damaged best file is ignored with one line."""

import os
import time

from test_game import BINARY, GameCase  # also puts tools/e2e on the path

from game_driver import GameDriver  # noqa: E402

RED = (230, 41, 55)
GREEN = (0, 228, 48)
GOLD = (255, 203, 0)
PURPLE = (200, 122, 255)
WHITE = (255, 255, 255)
CHART = (170, 66, 145, 170)  # the death screen's free corner, virtual pixels
BEST_LINE = (60, 186, 200, 20)  # the band of "Best: level N" on the main menu
SHOTS = os.environ.get("TALLOWFEN_SHOTS")  # keep the screenshots here to look at them


class RunChartTest(GameCase):
    def snap(self, game, name):
        return game.win.screenshot(os.path.join(SHOTS, name) if SHOTS else None)

    def start(self, run, *args):
        run.app = self.session.start([BINARY, *args], cwd=run.dir)
        run.win = run.app.window("Tallowfen", timeout=20)
        return GameDriver(run.app, run.win)

    @staticmethod
    def death_screen_shown(game):
        """The red remark, over black where a level would have tiles."""
        shot = game.shot()
        black = game.window_box((0, 70, 160, 25))
        return (shot.count(RED, box=game.window_box((0, 40, 160, 26))) > 200
                and shot.count((0, 0, 0), box=black) == black[2] * black[3])

    def best_line_width(self, game, shot):
        """The width, in virtual pixels, of the gold line under QUIT GAME, or 0."""
        box = shot.bbox_of(GOLD, box=game.window_box(BEST_LINE))
        if box is None:
            return 0
        return box[2] * 320.0 / game.window_box((0, 0, 320, 240))[2]

    def test_a_lost_run_is_charted_kept_as_best_and_named_on_the_menu(self):
        run = self.game()
        game = self.start(run, "--level", "12")
        # Twelve birds find a player who never moves: four touches and the
        # long freeze of the death later, the death screen comes.
        game.wait_for(lambda: self.death_screen_shown(game), timeout=120, what="the death screen")
        run.app.wait_frames(5)
        shot = self.snap(game, "death.png")
        chart = game.window_box(CHART)
        # Every bird that touched the player died: the kills band has bars,
        # the fatal level its red mark, the run is a new best.
        for color, least, what in ((PURPLE, 50, "kill bars"), (RED, 10, "the death mark"),
                                   (GOLD, 20, "the gold of the legend and New best!"),
                                   (WHITE, 100, "the chart's words")):
            self.assertGreater(shot.count(color, box=chart), least, what)
        # Nothing of the chart strays onto the buttons or the remark.
        buttons = game.window_box((10, 100, 150, 90))
        self.assertEqual(shot.count(PURPLE, box=buttons) + shot.count(GREEN, box=buttons), 0)

        with open(os.path.join(run.dir, "data", "best")) as f:
            lines = f.read().splitlines()
        self.assertEqual(lines[:2], ["tallowfen best run", "level 12"], lines)
        self.assertEqual(lines[-1], "end", lines)
        kills = int(lines[3].split()[1])
        self.assertGreaterEqual(kills, 4, lines)

        game.click_until(85, 170, game.menu_shown, "the main menu")  # MAIN MENU
        run.app.wait_frames(5)
        width = self.best_line_width(game, self.snap(game, "menu_best.png"))
        # "Best: level 12" at size 16 is 97 pixels wide; "level 1" would be 88.
        self.assertAlmostEqual(width, 97, delta=4)
        self.quit_with_escape(run)

        # The best run outlives the program; a damaged file is no best run,
        # said in one line, and the menu shows no best line.
        for content, expected in ((None, 97), (b"tallowfen best run\nlevel 1", 0)):
            if content is not None:
                with open(os.path.join(run.dir, "data", "best"), "wb") as f:
                    f.write(content)
            game = self.start(run)
            game.wait_for(game.menu_shown, what="the main menu")
            run.app.wait_frames(5)
            self.assertAlmostEqual(self.best_line_width(game, game.shot()), expected, delta=4)
            self.quit_with_escape(run)
            complaints = [line for line in run.app.stdout_text().splitlines() if "best run" in line]
            self.assertEqual(len(complaints), 1 if content else 0, complaints)


if __name__ == "__main__":
    import unittest
    unittest.main()
