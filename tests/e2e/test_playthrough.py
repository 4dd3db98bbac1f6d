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
        game.wait_for(game.menu_shown, what="the main menu")
        title = game.window_box((100, 5, 200, 40))  # "Settings", centred at 200

        def settings_shown():
            return game.shot().count(WHITE, box=title) > 300
        rec = self.session.record()
        game.click_until(240, 100, settings_shown, "the settings screen")  # SETTINGS
        self.assertFalse(rec.stop().is_silent(), "the menu music and the click")

        def box_ticked():
            return game.shot().pixel(*game.to_window(205, 62)) == (0, 0, 0)
        game.click_until(205, 62, lambda: not box_ticked(), "the music box unticked")

        def saved_file():
            if not os.path.exists(settings_file):
                return None
            with open(settings_file, "rb") as f:
                return f.read()
        game.click_until(60, 205, lambda: saved_file() == b"011", "the settings file holding 011")  # Save
        game.wait_for(lambda: game.shot().count(GREEN, box=game.window_box((20, 160, 80, 30))) > 100,
                      what='"Saved :)"')
        quiet = self.heard_while(lambda: None, seconds=1.0)
        self.assertTrue(quiet.is_silent(after=0.3), "music stops once unticked and saved (Save's click aside)")
        rec = self.session.record()
        game.click_until(60, 25, game.menu_shown, "the main menu")  # Back, still with sound effects
        time.sleep(0.3)
        self.assertFalse(rec.stop().is_silent(), "the select click is heard")

        # 2. NEW GAME: level 1 with the HUD, and its one enemy announced.
        game.click_until(85, 100, lambda: len(game.enemy_lines()) == 1, "level 1's enemy")  # NEW GAME
        run.app.wait_frames(5)
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
        game.click_until(60, 30, lambda: len(game.enemy_lines()) == 3, "level 2's two enemies")  # Finish

        # 5. Level 2, the shop again, its Menu button, then QUIT GAME.
        game.fight_until_finished()
        game.key("q")
        game.wait_for(lambda: game.shot().count((130, 130, 130), box=game.window_box((10, 10, 100, 85)), tol=24)
                      > 3000, what="the shop again")
        game.click_until(60, 75, game.menu_shown, "the main menu")  # Menu
        game.click(160, 150)      # QUIT GAME
        self.assertEqual(run.app.wait(10), 0, run.app.describe_output())


if __name__ == "__main__":
    unittest.main()
