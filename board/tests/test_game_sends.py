"""The game's side of the board: the real game in a real window sends its
counted daily try to a real board on loopback, asks the player's name the
first time, shows the board's word, and sends at the next start what it could
not send before."""

import datetime
import os
import re
import shutil
import stat
import sys
import tempfile
import unittest

from board_server import Server, demo

ROOT = os.environ["TALLOWFEN_SOURCE_DIR"]
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

from game_driver import GameDriver  # noqa: E402
from test_game import GameCase  # noqa: E402

SKYBLUE = (102, 191, 255)
BOARD_LINE = (10, 76, 155, 14)   # the death screen's word from the board
DAILY_LINE = (2, 204, 316, 14)   # the menu's daily line
NAME_FIELD = (30, 78, 260, 84)   # the box asking the name
STATE = re.compile(r"state (\d+)")


def today():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")


class GameSendsTest(GameCase):
    def setUp(self):
        super().setUp()
        self.data = tempfile.mkdtemp(prefix="board-game-")
        self.board = Server(["--data", self.data, "--posts-per-minute", "1000"])
        self.url = f"http://{self.board.host}:{self.board.port}"

    def tearDown(self):
        self.assertEqual(self.board.stop(), 0)
        shutil.rmtree(self.data)
        super().tearDown()

    def start(self, run, *args):
        run.app = self.session.start([os.environ["TALLOWFEN_BINARY"], *args], cwd=run.dir)
        run.win = run.app.window("Tallowfen", timeout=20)
        return GameDriver(run.app, run.win)

    def sky(self, game, box):
        return game.shot().count(SKYBLUE, box=game.window_box(box))

    def board_lines(self, app):
        return [line for line in app.stdout_text().split("\n") if line.startswith("Board:")]

    def ranked(self):
        return self.board.get(f"/api/daily/{today()}")[1]["entries"]

    def test_a_try_left_unsent_goes_at_the_next_start_once_the_player_names_themself(self):
        run = self.game()
        saves = os.path.join(run.dir, "data")
        os.makedirs(os.path.join(saves, "demos", "daily"))
        sent = demo("today-3.demo")
        with open(os.path.join(saves, "demos", "daily", "2026-01-01_00-00-00.demo"), "wb") as f:
            f.write(sent)
        header = dict(line.split(" ", 1) for line in sent.split(b"\nend\n")[0].decode().split("\n")[1:])
        with open(os.path.join(saves, "daily"), "w") as f:
            f.write(f"tallowfen daily run\ndate {today()}\nlevel {header['level']}\ngold {header['gold']}\n"
                    f"kills {header['kills']}\nend\n")
        with open(os.path.join(saves, "options"), "w") as f:
            f.write(f"board = {self.url}/\n")
        game = self.start(run)
        game.wait_for(lambda: self.sky(game, NAME_FIELD) > 200, what="the field asking the name")
        self.assertEqual(self.ranked(), [], "nothing is sent without a name")
        run.win.focus()
        for key in ("T", "i", "d", "x", "BackSpace", "e", "Return"):
            game.key(key)
        game.wait_for(lambda: self.board_lines(run.app), timeout=60, what="the board's answer")
        self.assertRegex(self.board_lines(run.app)[0], r"^Board: rank 1 of 1 \(2026-01-01_00-00-00\.demo: HTTP 201\)$")
        [entry] = self.ranked()
        self.assertEqual((entry["name"], entry["level"], entry["gold"], entry["kills"]),
                         ("Tide", int(header["level"]), int(header["gold"]), int(header["kills"])))
        game.wait_for(lambda: self.sky(game, NAME_FIELD[:2] + (260, 60)) < 50, what="the field closed")
        # "Daily run: level 3, 5 gold. Board: rank 1 of 1" is wider than the daily line alone.
        game.wait_for(lambda: game.shot().count(SKYBLUE, box=game.window_box(DAILY_LINE)) > 400, what="the rank")
        with open(os.path.join(saves, "options")) as f:
            self.assertIn("board_name = Tide\n", f.read())
        key_file = os.path.join(saves, "board_key")
        self.assertEqual(stat.S_IMODE(os.stat(key_file).st_mode), 0o600)
        with open(key_file) as f:
            self.assertRegex(f.read(), r"^[0-9a-f]{32}\n$")
        with open(os.path.join(saves, "board_runs")) as f:
            self.assertEqual(f.read(), "tallowfen board runs\n2026-01-01_00-00-00.demo\tBoard: rank 1 of 1\n")
        self.quit_with_escape(run)
        # Started again, the ranked try is not sent twice.
        game = self.start(run)
        run.app.wait_frames(30)
        self.quit_with_escape(run)
        self.assertEqual(self.board_lines(run.app), [])
        self.assertEqual(len(self.ranked()), 1)

    def test_a_daily_run_played_to_its_death_is_ranked_by_the_boards_numbers(self):
        run = self.game()
        with open(os.path.join(run.dir, "data", "options"), "w") as f:
            f.write("board_name = Wren\n")
        game = self.start(run, "--daily", "--board", self.url)
        # Standing still: each bird that reaches the player costs 25 health, so
        # the run dies at level 3; between levels the shop's Finish goes on.
        def dead():
            states = STATE.findall(" ".join(run.app.events()))
            if states and states[-1] == "3":
                game.click(60, 30)
            elif states and states[-1] == "1":
                game.key("q")
            return states and states[-1] == "2"
        game.wait_for(dead, timeout=150, what="the player's death")
        game.wait_for(lambda: self.board_lines(run.app), timeout=60, what="the board's answer")
        self.assertRegex(self.board_lines(run.app)[0], r"^Board: rank 1 of 1 \(.*\.demo: HTTP 201\)$")
        game.wait_for(lambda: self.sky(game, BOARD_LINE) > 60, what="the rank on the death screen")
        [kept] = os.listdir(os.path.join(run.dir, "data", "demos", "daily"))
        with open(os.path.join(run.dir, "data", "demos", "daily", kept), "rb") as f:
            header = dict(line.split(" ", 1) for line in f.read().split(b"\nend\n")[0].decode().split("\n")[1:])
        [entry] = self.ranked()
        self.assertEqual((entry["name"], entry["level"], entry["gold"], entry["kills"]),
                         ("Wren", int(header["level"]), int(header["gold"]), int(header["kills"])))
        self.assertEqual(entry["level"], 3)
        self.quit_with_escape(run)


if __name__ == "__main__":
    unittest.main()
