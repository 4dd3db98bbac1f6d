"""Two --daily runs in one save folder: one level, the second practice, the kept run and best untouched."""

import datetime
import re
from pathlib import Path

from test_game import BINARY, GameCase  # also puts tools/e2e on the path

from game_driver import GameDriver  # noqa: E402

WHITE, GOLD, SKYBLUE = (255, 255, 255), (255, 203, 0), (102, 191, 255)
RUN_LABEL = (242, 222, 76, 16)  # "DAILY RUN" (gold) or "PRACTICE" (white) under the minimap
DAILY_LINE = (10, 204, 300, 14)  # the menu's "Daily run: ..." over the music credit
SAVES = {"run": b"tallowfen run\nlevel 4\ngold 12\npotions 1\nhealth 75\nend\n",
         "best": b"tallowfen best run\nlevel 9\ngold 3\nkills 20\nend\n"}


class DailyRunTest(GameCase):
    def start(self, run, *args):
        run.app = self.session.start([BINARY, *args], cwd=run.dir)
        run.win = run.app.window("Tallowfen", timeout=20)
        return GameDriver(run.app, run.win)

    def pixels(self, game, color, box, least=0):
        game.wait_for(lambda: game.shot().count(color, box=game.window_box(box)) >= least, what=f"{color} at {box}")
        return {(x0 + i, y) for y, x0, row in game.shot()._rows(game.window_box(box)) for i, p in enumerate(row)
                if p == color}

    def menu_line(self, run):
        line = self.pixels(self.start(run), SKYBLUE, DAILY_LINE, least=60)
        self.quit_with_escape(run)
        return line

    def test_two_daily_runs_draw_the_same_level_and_only_the_first_counts(self):
        run = self.game()
        data = Path(run.dir, "data")
        for name, content in SAVES.items():
            (data / name).write_bytes(content)
        not_played = self.menu_line(run)
        today = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d").encode()
        birds = []
        for shown, hidden in ((GOLD, WHITE), (WHITE, GOLD)):  # counted, then practice
            game = self.start(run, "--daily")
            game.wait_for(lambda: len(game.enemy_lines()) == 1, what="level 1's one bird")
            self.pixels(game, shown, RUN_LABEL, least=30)
            self.assertEqual(self.pixels(game, hidden, RUN_LABEL), set())
            birds.append(game.enemy_lines())
            self.quit_with_escape(run)
            lines = (data / "daily").read_bytes().split(b"\n")
            self.assertEqual(lines[:3], [b"tallowfen daily run", b"date " + today, b"level 1"], "the first try only")
        self.assertEqual(birds[0], birds[1], "the day's level 1 puts its bird on the same tile")
        headers = sorted(re.search(rb"\ndaily ([^\n]*)\n", p.read_bytes()).group(1)
                         for p in (data / "demos" / "daily").glob("*.demo"))
        self.assertEqual(headers, [today, today + b" practice"])
        self.assertEqual(list((data / "demos").glob("*.demo")), [])
        self.assertNotEqual(self.menu_line(run), not_played, "the menu names the day's counted result")
        self.assertEqual({name: (data / name).read_bytes() for name in SAVES}, SAVES)


if __name__ == "__main__":
    import unittest
    unittest.main()
