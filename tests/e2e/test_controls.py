"""The controls and volume screen through the real window: fire rebound to
a key and fired with, Escape cancelling a rebind instead of closing the game,
and the music turned down to nothing while the effects still sound."""

import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_game import ROOT, GameCase  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
from game_driver import GameDriver  # noqa: E402

WHITE = (255, 255, 255)
GRAY = (130, 130, 130)
GOLD = (255, 203, 0)
BULLET = (200, 122, 255)
FIRE_KEYS = (145, 114)  # the fire row's key button
MUSIC_DOWN = (68, 195)
EFFECTS_UP = (277, 195)


class ControlsTest(GameCase):
    def open_controls(self, run):
        game = GameDriver(run.app, run.win)
        game.wait_for(game.menu_shown, what="the main menu")
        game.click_until(240, 100, lambda: game.shot().count(WHITE, box=game.window_box((100, 5, 200, 40))) > 300,
                         "the settings screen")
        keys_column = game.window_box((82, 32, 126, 12))  # walk up's key button, where settings draw nothing
        game.click_until(255, 205, lambda: game.shot().count(GRAY, box=keys_column, tol=24) > 1000,
                         "the controls screen")
        return game

    def options_text(self, run):
        path = os.path.join(run.dir, "data", "options")
        return open(path).read() if os.path.exists(path) else ""

    def test_fire_rebound_to_space_fires_with_space_and_no_longer_with_the_mouse(self):
        run = self.game().start()
        game = self.open_controls(run)
        fire_box = game.window_box((80, 106, 130, 16))

        def waiting():
            return game.shot().count(GOLD, box=fire_box, tol=24) > 500
        game.click_until(*FIRE_KEYS, waiting, "the fire row waiting for a key")
        game.key("Escape")
        game.wait_for(lambda: not waiting(), what="Escape to cancel the rebind")
        run.app.wait_frames(5)
        self.assertTrue(run.app.running, "Escape cancelled the rebind, it did not close the game")
        game.click_until(*FIRE_KEYS, waiting, "the fire row waiting for a key")
        game.key("space")
        game.wait_for(lambda: not waiting(), what="Space to be taken")
        game.click_until(40, 15, lambda: "fire = Space\n" in self.options_text(run), "the options saved")  # Back
        game.click_until(60, 25, game.menu_shown, "the main menu")  # the settings' Back
        game.click_until(85, 100, lambda: len(game.enemy_lines()) == 1, "level 1")  # NEW GAME

        play = game.window_box((0, 0, 240, 240))
        game.win.move_mouse(*game.to_window(200, 200))
        game.win.mousedown()
        run.app.wait_frames(40)  # the gun would have fired by now
        self.assertEqual(game.shot().count(BULLET, box=play), 0, "the mouse button no longer fires")
        game.win.mouseup()
        run.win.keydown("space")
        try:
            game.wait_for(lambda: game.shot().count(BULLET, box=play) > 0, timeout=10, what="bullets from Space")
        finally:
            run.win.keyup("space")
        self.quit_with_escape(run)

    def test_music_at_zero_is_silent_while_the_effects_still_sound(self):
        run = self.game().start()
        game = self.open_controls(run)
        for _ in range(12):  # ten steps of 10 reach 0; more stay there
            game.click(*MUSIC_DOWN)
        rec = self.session.record()
        time.sleep(1.0)
        self.assertTrue(rec.stop().is_silent(after=0.3), "the menu music at volume 0 (the last click's sound aside)")
        rec = self.session.record()
        game.click(*EFFECTS_UP)
        time.sleep(0.3)  # the click's sound reaches the recording
        self.assertFalse(rec.stop().is_silent(), "the select click at full effects volume")
        game.click_until(40, 15, lambda: "music_volume = 0\n" in self.options_text(run), "the options saved")
        self.quit_with_escape(run)

        again = self.game()
        with open(os.path.join(again.dir, "data", "options"), "w") as f:
            f.write(self.options_text(run))
        again.start()
        rec = self.session.record()
        time.sleep(1.0)
        self.assertTrue(rec.stop().is_silent(), "the saved volume holds from the start")
        self.quit_with_escape(again)


if __name__ == "__main__":
    unittest.main()
