"""The whole game played through its window as a player would: settings,
two levels fought with the mouse, the shop between them, and the way out.
Along the way it checks what is drawn, heard and written."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_game import ROOT, GameRun  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402

HUD_BLUE = (0, 121, 241)
GREEN = (0, 228, 48)
WHITE = (255, 255, 255)


class PlaythroughTest(unittest.TestCase):
    def setUp(self):
        self.session = Session()
        self.session.open()
        self.run_ = GameRun(self.session)

    def tearDown(self):
        self.session.close()
        self.run_.remove()

    def heard_while(self, action, seconds=0.6):
        rec = self.session.record()
        action()
        time.sleep(seconds)
        return rec.stop()

    def test_a_whole_run_from_the_menu_to_quitting(self):
        run = self.run_.start()
        game = GameDriver(run.app, run.win)
        settings_file = os.path.join(run.dir, "data", "settings")

        # 1. Settings: untick music and save; the click is heard, then silence.
        click = self.heard_while(lambda: game.click(240, 100))  # SETTINGS
        self.assertFalse(click.is_silent(), "the menu music and the click")
        game.click(205, 62)  # the music box
        game.click(60, 205)  # Save

        def saved_file():
            if not os.path.exists(settings_file):
                return None
            with open(settings_file, "rb") as f:
                return f.read()
        game.wait_for(lambda: saved_file() == b"011", what="the settings file to hold 011")
        game.wait_for(lambda: game.shot().count(GREEN, box=game.window_box((20, 160, 80, 30))) > 100,
                      what='"Saved :)"')
        quiet = self.heard_while(lambda: None, seconds=1.0)
        self.assertTrue(quiet.is_silent(), "music stops once unticked and saved")
        select = self.heard_while(lambda: game.click(60, 25))  # Back, still with sound effects
        self.assertFalse(select.is_silent(), "the select click is heard")

        # 2. NEW GAME: level 1 with the HUD, and its one enemy announced.
        game.click(85, 100)
        game.wait_for(lambda: len(game.enemy_lines()) == 1, what="level 1's enemy")
        time.sleep(0.3)
        level = game.shot()
        panel = level.dominant_color(game.window_box((245, 225, 70, 10)))
        self.assertTrue(all(abs(a - b) <= 24 for a, b in zip(panel, HUD_BLUE)), panel)
        self.assertGreater(level.count(WHITE, box=game.window_box((250, 8, 60, 20))), 40, "Level 1")
        self.assertEqual(len(game.enemy_lines()), 1)

        # 3. Fight until the level is finished; 4. Q opens the shop.
        game.fight_until_finished()
        game.key("q")
        game.wait_for(lambda: game.shot().count((130, 130, 130), box=game.window_box((10, 10, 100, 85)), tol=24)
                      > 3000, what="the shop's Finish and Menu buttons")
        game.click(290, 92)       # browse to the next upgrade
        game.click(240, 216)      # buy it if the gold allows
        game.click(136, 138)      # a potion, likewise
        game.click(60, 30)        # Finish: level 2 starts at once
        game.wait_for(lambda: len(game.enemy_lines()) == 3, what="level 2's two enemies")

        # 5. Level 2, the shop again, its Menu button, then QUIT GAME.
        game.fight_until_finished()
        game.key("q")
        game.wait_for(lambda: game.shot().count((130, 130, 130), box=game.window_box((10, 10, 100, 85)), tol=24)
                      > 3000, what="the shop again")
        game.click(60, 75)        # Menu
        game.wait_for(lambda: game.shot().count(WHITE, box=game.window_box((10, 10, 200, 40))) > 300,
                      what="the main menu's title")
        game.click(160, 150)      # QUIT GAME
        self.assertEqual(run.app.wait(10), 0, run.app.describe_output())


if __name__ == "__main__":
    unittest.main()
