"""The game as a player gets it: the .deb installed with dpkg and started from
an empty home in another directory, saving into the player's data folder and
removed without a trace; the .tar.gz run from wherever it is unpacked."""

import glob
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_game import ROOT  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402

BUILD = os.environ.get("TALLOWFEN_BUILD_DIR", os.path.join(ROOT, "build"))
WHITE = (255, 255, 255)
RED = (230, 41, 55)


def run(*argv, **kw):
    return subprocess.run(argv, check=True, capture_output=True, text=True, timeout=600, **kw).stdout


class InstallTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.mkdtemp(prefix="tallowfen-install-")
        run("cpack", "--config", os.path.join(BUILD, "CPackConfig.cmake"), "-B", cls.tmp)
        cls.deb, = glob.glob(os.path.join(cls.tmp, "*.deb"))
        cls.tgz, = glob.glob(os.path.join(cls.tmp, "*.tar.gz"))

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.tmp, ignore_errors=True)

    def setUp(self):
        self.session = Session()
        self.session.open()

    def tearDown(self):
        self.session.close()

    def folder(self, name):
        path = os.path.join(self.session.tmpdir, name)
        os.makedirs(path, exist_ok=True)
        return path

    def start(self, binary, xdg_data_home):
        """The game started from an empty folder elsewhere, with an empty home."""
        app = self.session.start([binary], cwd=self.folder("elsewhere"),
                                 env_extra={"HOME": self.folder("home"), "XDG_DATA_HOME": xdg_data_home})
        game = GameDriver(app, app.window("Tallowfen", timeout=20))
        game.wait_for(game.menu_shown, what="the main menu")
        return game

    def open_settings(self, game):
        title = game.window_box((100, 5, 200, 40))
        game.click_until(240, 100, lambda: game.shot().count(WHITE, box=title) > 300, "the settings screen")

    def music_ticked(self, game):
        return game.shot().pixel(*game.to_window(205, 62)) == (0, 0, 0)

    def quit(self, game):
        game.key("Escape")
        self.assertEqual(game.app.wait(15), 0, game.app.describe_output())

    def test_deb_installs_saves_in_the_players_folder_and_removes_cleanly(self):
        if os.geteuid() != 0:
            self.skipTest("installing a .deb needs root")
        files = [line.split()[-1].lstrip(".") for line in run("dpkg-deb", "-c", self.deb).splitlines()
                 if not line.startswith("d")]
        run("dpkg", "-i", self.deb)
        try:
            self.assertEqual(run("/usr/games/tallowfen", "--version").strip(),
                             "Tallowfen " + run("dpkg-deb", "-f", self.deb, "Version").strip())
            xdg = self.folder("xdg")
            settings = os.path.join(xdg, "tallowfen", "settings")
            game = self.start("/usr/games/tallowfen", xdg)
            self.open_settings(game)
            game.click_until(205, 62, lambda: not self.music_ticked(game), "the music box unticked")

            def saved():
                if not os.path.exists(settings):
                    return False
                with open(settings, "rb") as f:
                    return f.read() == b"011"
            game.click_until(60, 205, saved, "the settings saved in the player's folder")
            self.quit(game)
            self.assertEqual(sorted(os.listdir("/usr/share/tallowfen/data")), ["map", "maprender"])

            game = self.start("/usr/games/tallowfen", xdg)
            self.open_settings(game)
            game.app.wait_frames(5)
            self.assertFalse(self.music_ticked(game), "music stays off after a restart")
            self.quit(game)
        finally:
            run("dpkg", "--purge", "tallowfen")
        self.assertIn("/usr/games/tallowfen", files)
        self.assertEqual([f for f in files if os.path.lexists(f)], [], "left behind after removal")
        self.assertFalse(os.path.exists("/usr/share/tallowfen"))

    def test_archive_runs_from_wherever_it_is_unpacked(self):
        unpacked = self.folder("unpacked")
        run("tar", "-xzf", self.tgz, "-C", unpacked)
        binary, = glob.glob(os.path.join(unpacked, "*", "bin", "tallowfen"))
        # A data folder below a plain file cannot be made: one line, then no saves.
        blocker = os.path.join(self.folder("home"), "not-a-folder")
        open(blocker, "w").close()
        game = self.start(binary, blocker)
        self.open_settings(game)
        failed = game.window_box((10, 160, 130, 30))
        game.click_until(60, 205, lambda: game.shot().count(RED, box=failed, tol=8) > 100, '"Not saved!"')
        self.quit(game)
        lines = [line for line in game.app.stdout_text().splitlines() if "save folder" in line]
        self.assertEqual(lines, [f"Tallowfen cannot make its save folder {blocker}/tallowfen: Not a directory; "
                                 "playing on without saving."])


if __name__ == "__main__":
    unittest.main()
