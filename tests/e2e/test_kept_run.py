"""A run that outlives the program, through the real game: quit during
level 4, start again, and the main menu names level 4, which NEW GAME shows."""

from test_game import BINARY, GameCase  # also puts tools/e2e on the path

from game_driver import GameDriver  # noqa: E402

WHITE = (255, 255, 255)
LEVEL_LABEL = (250, 8, 60, 20)  # the HUD's "Level N"
CONTINUE_LINE = (20, 173, 280, 15)  # "NEW GAME continues level N" under QUIT GAME


class KeptRunTest(GameCase):
    def start(self, run, *args):
        run.app = self.session.start([BINARY, *args], cwd=run.dir)
        run.win = run.app.window("Tallowfen", timeout=20)
        return GameDriver(run.app, run.win)

    @staticmethod
    def white_in(game, box):
        return {(x0 + i, y) for y, x0, pixels in game.shot()._rows(game.window_box(box))
                for i, p in enumerate(pixels) if p == WHITE}

    def test_quit_during_level_4_and_new_game_shows_level_4_again(self):
        run = self.game()
        game = self.start(run, "--level", "4")
        game.wait_for(lambda: len(game.enemy_lines()) == 4 and len(self.white_in(game, LEVEL_LABEL)) > 40,
                      what="level 4 with its HUD")
        label = self.white_in(game, LEVEL_LABEL)
        self.quit_with_escape(run)  # during the level

        game = self.start(run)
        game.wait_for(game.menu_shown, what="the main menu")
        game.wait_for(lambda: len(self.white_in(game, CONTINUE_LINE)) > 100, what="the menu's line naming level 4")
        game.click_until(85, 100, lambda: len(game.enemy_lines()) == 4, "level 4's four birds")  # NEW GAME
        game.wait_for(lambda: self.white_in(game, LEVEL_LABEL) == label, what='the HUD\'s same "Level 4"')
        self.quit_with_escape(run)


if __name__ == "__main__":
    import unittest
    unittest.main()
