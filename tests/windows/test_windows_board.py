"""The Windows build's posts to the daily board under Wine, to the real board
on loopback: an unsent daily try of today goes at the start, a board that is
down keeps it for later, a silent one does not hold up quitting. Skipped
without the zip, the board server (BOARD_BINARY) or the Linux game (TALLOWFEN_BINARY)."""

import datetime
import os
import re
import shutil
import socket
import sys
import tempfile
import threading
import time
import unittest

import test_windows as windows
from test_windows import WINE_ENV, read, roaming, stop_wineserver

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "board", "tests"))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
os.environ.setdefault("BOARD_BINARY", os.path.join(ROOT, "build", "board", "tallowfen-board"))

import board_server  # noqa: E402
from bad_input_matrix import menu_drawn  # noqa: E402
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402

VERIFIER = os.environ.get("TALLOWFEN_BINARY") or os.path.join(ROOT, "build", "src", "tallowfen")
DEMOS = os.environ.get("BOARD_DEMOS") or os.path.join(ROOT, "build", "board", "tests", "daily")
RECORDER = os.path.join(os.path.dirname(os.environ["BOARD_BINARY"]), "board_daily_runs")
NAME = "Wïnde"
DEMO = "today-1.demo"


def utc_day(seconds=None):
    return datetime.datetime.fromtimestamp(seconds or time.time(), datetime.timezone.utc).strftime("%Y-%m-%d")


def setUpModule():
    for path, what in ((os.environ["BOARD_BINARY"], "board server"), (VERIFIER, "Linux game to verify runs")):
        if not os.access(path, os.X_OK):
            raise unittest.SkipTest(f"no {what} at {path}")
    windows.setUpModule()  # the zip unpacked, or every test skipped without it


def tearDownModule():
    windows.tearDownModule()


def todays_demo(session):
    """A genuine counted daily try of today: ctest's, if of today, or one recorded now (once)."""
    for recorded in (os.path.join(DEMOS, DEMO), os.path.join(windows.WORK, "recorded", DEMO)):
        if os.path.exists(recorded) and utc_day(os.path.getmtime(recorded)) == utc_day():
            return recorded
    if not os.access(RECORDER, os.X_OK):
        raise unittest.SkipTest(f"no daily run of today in {DEMOS} and no recorder at {RECORDER}")
    app = session.start([RECORDER, os.path.dirname(recorded), "today:1"])
    if app.wait(300) != 0:
        raise AssertionError(f"the recorder failed: {app.stdout_text()[-2000:]}")
    return recorded


def silent_board():
    """A board that reads a post and never answers: its socket, and an event set once the post came."""
    listener, heard = socket.create_server(("127.0.0.1", 0)), threading.Event()

    def serve():
        with listener.accept()[0] as connection:
            data = b""
            while b"\r\n\r\n" not in data and (more := connection.recv(4096)):
                data += more
            heard.set()
            while connection.recv(4096):  # the rest read, the connection held until the game lets go
                pass
    threading.Thread(target=serve, daemon=True).start()
    return listener, heard


class WindowsBoardTest(unittest.TestCase):
    def setUp(self):
        self.saves = os.path.join(roaming(), "Tallowfen")
        shutil.rmtree(self.saves, ignore_errors=True)
        self.session = self.enterContext(Session())
        self.addCleanup(stop_wineserver)
        os.makedirs(os.path.join(self.saves, "demos", "daily"))
        shutil.copy(todays_demo(self.session), os.path.join(self.saves, "demos", "daily", DEMO))
        with open(os.path.join(self.saves, "options"), "w", encoding="utf-8") as f:
            f.write(f"board_name = {NAME}\n")

    def start(self, board):
        app = self.session.start(["wine", windows.EXE, "--board", board], cwd=windows.GAME, env_extra=WINE_ENV)
        game = GameDriver(app, app.window("Tallowfen", timeout=60))
        game.wait_for(lambda: menu_drawn(game), timeout=60, what="the main menu")
        return app, game

    def board_line(self, app, game):
        game.wait_for(lambda: "Board: " in app.stdout_text(), timeout=90, what="the board's line")
        return next(x for x in app.stdout_text().splitlines() if x.startswith("Board: "))

    def quit(self, app, game):
        game.key("Escape")
        self.assertEqual(app.wait(30), 0, app.stdout_text())

    def real_board(self):
        data = tempfile.mkdtemp(prefix="board-data-", dir=windows.WORK)
        board = board_server.Server(["--data", data, "--verifier", VERIFIER, "--posts-per-minute", "1000"])
        self.addCleanup(shutil.rmtree, data, ignore_errors=True)
        self.addCleanup(board.stop)
        return board

    def test_a_daily_try_left_unsent_goes_at_the_start_under_its_utf8_name(self):
        board = self.real_board()
        app, game = self.start(f"http://127.0.0.1:{board.port}")
        self.assertEqual(self.board_line(app, game), f"Board: rank 1 of 1 ({DEMO}: HTTP 201)")
        self.quit(app, game)
        status, day = board.get(f"/api/daily/{utc_day()}")
        self.assertEqual((status, [e["name"] for e in day["entries"]]), (200, [NAME]))
        self.assertRegex(read(os.path.join(self.saves, "board_key")), r"^[0-9a-f]{32}$")
        runs = read(os.path.join(self.saves, "board_runs")).splitlines()
        self.assertEqual(runs, ["tallowfen board runs", f"{DEMO}\tBoard: rank 1 of 1"])

    def test_a_board_that_is_down_leaves_the_try_for_the_next_start(self):
        with socket.create_server(("127.0.0.1", 0)) as closed:
            port = closed.getsockname()[1]
        app, game = self.start(f"http://127.0.0.1:{port}")
        self.assertRegex(self.board_line(app, game),
                         rf"^Board: unreachable; sent at the next start \({re.escape(DEMO)}: .+\)$")
        app.wait_frames(30)  # the game plays on
        self.quit(app, game)
        self.assertNotIn(DEMO, read(os.path.join(self.saves, "board_runs")) or "")
        # The next start, with the board up, sends it.
        board = self.real_board()
        app, game = self.start(f"http://127.0.0.1:{board.port}")
        self.assertEqual(self.board_line(app, game), f"Board: rank 1 of 1 ({DEMO}: HTTP 201)")
        self.quit(app, game)

    def test_the_game_quits_at_once_while_the_board_keeps_silent(self):
        listener, heard = silent_board()
        self.addCleanup(listener.close)
        app, game = self.start(f"http://127.0.0.1:{listener.getsockname()[1]}")
        self.assertTrue(heard.wait(60), "the post never reached the board")
        self.quit(app, game)
        self.assertNotIn("Board: ", app.stdout_text())
        self.assertNotIn(DEMO, read(os.path.join(self.saves, "board_runs")) or "")


if __name__ == "__main__":
    unittest.main()
