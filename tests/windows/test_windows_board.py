"""The Windows build's posts to the daily board, under Wine: a counted daily
try of today left in the save folder goes to the real board server on
loopback at the next start (with a name beyond ASCII, stored as its exact
UTF-8), a board that is down leaves it to be sent later, and a game closed
while the board has not answered still quits at once. Skipped without the
Windows zip (TALLOWFEN_WINDOWS_ZIP), the board server (BOARD_BINARY) or the
Linux game that verifies (TALLOWFEN_BINARY)."""

import datetime
import os
import re
import shutil
import socket
import sys
import tempfile
import threading
import unittest
import zipfile

from test_windows import WINE_ENV, ZIP, read, roaming, stop_wineserver, wine

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


def utc_today():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")


def setUpModule():
    global GAME, EXE, WORK
    if not ZIP:
        raise unittest.SkipTest("TALLOWFEN_WINDOWS_ZIP names no zip (scripts/windows.sh builds one)")
    for path, what in ((os.environ["BOARD_BINARY"], "board server"), (VERIFIER, "Linux game to verify runs")):
        if not os.access(path, os.X_OK):
            raise unittest.SkipTest(f"no {what} at {path}")
    stop_wineserver()
    wine("wineboot", "-i", check=True, capture_output=True)
    WORK = tempfile.mkdtemp(prefix="tallowfen-windows-board-")
    with zipfile.ZipFile(ZIP) as archive:
        archive.extractall(WORK)
    GAME = os.path.join(WORK, os.path.splitext(os.path.basename(ZIP))[0])
    EXE = os.path.join(GAME, "tallowfen.exe")


def tearDownModule():
    stop_wineserver()
    shutil.rmtree(WORK, ignore_errors=True)


def todays_demo(session):
    """A genuine counted daily try of today: the one ctest recorded, if it is
    today's, or one the recorder plays now (once)."""
    for recorded in (os.path.join(DEMOS, DEMO), os.path.join(WORK, "recorded", DEMO)):
        if os.path.exists(recorded) and datetime.datetime.fromtimestamp(
                os.path.getmtime(recorded), datetime.timezone.utc).strftime("%Y-%m-%d") == utc_today():
            return recorded
    if not os.access(RECORDER, os.X_OK):
        raise unittest.SkipTest(f"no daily run of today in {DEMOS} and no recorder at {RECORDER}")
    folder = os.path.join(WORK, "recorded")
    app = session.start([RECORDER, folder, "today:1"])
    code = app.wait(300)
    if code != 0:
        raise AssertionError(f"the recorder failed ({code}): {app.stdout_text()[-2000:]}")
    return os.path.join(folder, DEMO)


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class SilentBoard:
    """A board that takes the connection and the request and never answers."""

    def __init__(self):
        self.listener = socket.create_server(("127.0.0.1", 0))
        self.port = self.listener.getsockname()[1]
        self.heard = threading.Event()
        self.connections = []
        threading.Thread(target=self._serve, daemon=True).start()

    def _serve(self):
        try:
            connection, _ = self.listener.accept()
        except OSError:
            return
        self.connections.append(connection)
        data = b""
        while b"\r\n\r\n" not in data and (more := connection.recv(4096)):
            data += more
        self.heard.set()

    def close(self):
        for c in [*self.connections, self.listener]:
            c.close()


class WindowsBoardTest(unittest.TestCase):
    def setUp(self):
        self.saves = os.path.join(roaming(), "Tallowfen")
        shutil.rmtree(self.saves, ignore_errors=True)
        self.session = Session()
        self.session.__enter__()
        self.addCleanup(self.session.__exit__, None, None, None)
        self.addCleanup(stop_wineserver)
        os.makedirs(os.path.join(self.saves, "demos", "daily"))
        shutil.copy(todays_demo(self.session), os.path.join(self.saves, "demos", "daily", DEMO))
        with open(os.path.join(self.saves, "options"), "w", encoding="utf-8") as f:
            f.write(f"board_name = {NAME}\n")

    def start(self, board):
        app = self.session.start(["wine", EXE, "--board", board], cwd=GAME, env_extra=WINE_ENV)
        game = GameDriver(app, app.window("Tallowfen", timeout=60))
        game.wait_for(lambda: menu_drawn(game), timeout=60, what="the main menu")
        return app, game

    def board_line(self, app, game):
        game.wait_for(lambda: "Board: " in app.stdout_text(), timeout=90, what="the board's line")
        return next(x for x in app.stdout_text().splitlines() if x.startswith("Board: "))

    def quit(self, app, game):
        game.key("Escape")
        self.assertEqual(app.wait(30), 0, app.stdout_text())

    def test_a_daily_try_left_unsent_goes_at_the_start_under_its_utf8_name(self):
        board = board_server.Server(["--data", os.path.join(WORK, "board-data"), "--verifier", VERIFIER,
                                     "--posts-per-minute", "1000"])
        self.addCleanup(shutil.rmtree, os.path.join(WORK, "board-data"), ignore_errors=True)
        self.addCleanup(board.stop)
        app, game = self.start(f"http://127.0.0.1:{board.port}")
        self.assertEqual(self.board_line(app, game), f"Board: rank 1 of 1 ({DEMO}: HTTP 201)")
        self.quit(app, game)
        status, day = board.get(f"/api/daily/{utc_today()}")
        self.assertEqual(status, 200, day)
        self.assertEqual([e["name"] for e in day["entries"]], [NAME])
        self.assertRegex(read(os.path.join(self.saves, "board_key")), r"^[0-9a-f]{32}$")
        runs = read(os.path.join(self.saves, "board_runs")).splitlines()
        self.assertEqual(runs, ["tallowfen board runs", f"{DEMO}\tBoard: rank 1 of 1"])

    def test_a_board_that_is_down_leaves_the_try_for_the_next_start(self):
        app, game = self.start(f"http://127.0.0.1:{closed_port()}")
        self.assertRegex(self.board_line(app, game),
                         rf"^Board: unreachable; sent at the next start \({re.escape(DEMO)}: .+\)$")
        app.wait_frames(30)  # the game plays on after the line
        self.assertTrue(menu_drawn(game))
        self.quit(app, game)
        runs = read(os.path.join(self.saves, "board_runs")) or ""
        self.assertNotIn(DEMO, runs)
        self.assertTrue(os.path.exists(os.path.join(self.saves, "demos", "daily", DEMO)))

    def test_the_game_quits_at_once_while_the_board_keeps_silent(self):
        board = SilentBoard()
        self.addCleanup(board.close)
        app, game = self.start(f"http://127.0.0.1:{board.port}")
        self.assertTrue(board.heard.wait(60), "the post never reached the board")
        self.quit(app, game)
        self.assertNotIn("Board: ", app.stdout_text())
        self.assertNotIn(DEMO, read(os.path.join(self.saves, "board_runs")) or "")


if __name__ == "__main__":
    unittest.main()
