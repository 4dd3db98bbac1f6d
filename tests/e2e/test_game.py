"""The real game binary in a real window with a real sound sink: its window,
its letterbox, its music, its quiet standard output, clean exits and a
start-up that survives bad files."""

import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

ROOT = os.environ.get("TALLOWFEN_SOURCE_DIR",
                      os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402

BINARY = os.environ.get("TALLOWFEN_BINARY", os.path.join(ROOT, "build", "src", "tallowfen"))
WHITE = (255, 255, 255)
# The upgrade catalogue lists itself whenever it is rebuilt: twice at start-up.
CATALOGUE = "".join(f"Verified {id} - ID: {id}\n" for id in
                    ("bulletricochet", "bulletspeed", "goldmagnet", "goldmultiplier", "goldspawns"))


class GameRun:
    """A working directory laid out as the game expects, and the game in it."""

    def __init__(self, session, settings=None, copy_assets=False):
        self.dir = tempfile.mkdtemp(prefix="tallowfen-game-")
        for name in ("assets", "shaders"):
            if copy_assets:
                shutil.copytree(os.path.join(ROOT, name), os.path.join(self.dir, name))
            else:
                os.symlink(os.path.join(ROOT, name), os.path.join(self.dir, name))
        os.mkdir(os.path.join(self.dir, "data"))
        for name in ("map", "maprender"):  # the arena ships with the game
            shutil.copy(os.path.join(ROOT, "data", name), os.path.join(self.dir, "data", name))
        if settings is not None:
            with open(os.path.join(self.dir, "data", "settings"), "wb") as f:
                f.write(settings)
        self.session = session
        self.app = None
        self.win = None

    def start(self, *args):
        self.app = self.session.start([BINARY, *args], cwd=self.dir)
        self.win = self.app.window("Tallowfen", timeout=20)
        self.app.wait_frames(3)  # the loop is running
        return self

    def remove(self):
        shutil.rmtree(self.dir, ignore_errors=True)


class GameCase(unittest.TestCase):
    """Starts games in one session and cleans up after them."""

    def setUp(self):
        self.session = Session()
        self.session.open()
        self.runs = []

    def tearDown(self):
        self.session.close()
        for run in self.runs:
            run.remove()

    def game(self, **kwargs):
        run = GameRun(self.session, **kwargs)
        self.runs.append(run)
        return run

    def quit_with_escape(self, run):
        GameDriver(run.app, run.win).key("Escape")
        self.assertEqual(run.app.wait(10), 0, run.app.describe_output())


class GameTest(GameCase):
    def test_window_is_titled_600x450_resizable_and_letterboxes(self):
        run = self.game().start()
        self.assertEqual(run.win.title(), "Tallowfen")
        self.assertEqual(run.win.size(), (600, 450))
        deadline = time.monotonic() + 3
        while not run.win.size_hints().resizable and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(run.win.size_hints().resizable, run.win.size_hints())
        # The menu's own white text stays inside; its outer columns are black
        # once the first frames are drawn (slow in a sanitizer build).
        edges = ((0, 30, 12, 420), (592, 30, 8, 420))
        deadline = time.monotonic() + 15
        while time.monotonic() < deadline:
            shot = run.win.screenshot()
            if all(shot.count(WHITE, box=box) == 0 for box in edges):
                break
            time.sleep(0.1)
        for box in edges:
            self.assertEqual(shot.count(WHITE, box=box), 0, f"the picture fills the window at {box}")
        run.win.resize(800, 450)
        run.app.wait_frames(3)
        shot = run.win.screenshot(os.path.join(self.session.tmpdir, "game-800.png"))
        # The frame-rate counter sits over the top-left corner: look below it.
        self.assertEqual(shot.count(WHITE, box=(0, 30, 100, 420)), 100 * 420)
        self.assertEqual(shot.count(WHITE, box=(700, 0, 100, 450)), 100 * 450)
        for box in ((100, 30, 12, 420), (692, 30, 8, 420)):
            self.assertEqual(shot.count(WHITE, box=box), 0, f"the picture's edge at {box}")
        self.assertGreater(shot.count(WHITE, box=(100, 30, 600, 420)), 0, "the menu is drawn in the picture")
        self.quit_with_escape(run)

    def test_menu_music_is_heard_and_output_is_quiet(self):
        run = self.game().start()
        rec = self.session.record()
        time.sleep(1.5)
        heard = rec.stop()
        self.assertFalse(heard.is_silent(), "the menu track plays")
        self.assertGreater(heard.rms(), 0.01)
        self.quit_with_escape(run)
        self.assertEqual(run.app.stdout_text(), CATALOGUE * 2, "no library information lines")

    def test_music_off_in_the_settings_file_is_silent(self):
        run = self.game(settings=b"011").start()
        rec = self.session.record()
        time.sleep(1.5)
        self.assertTrue(rec.stop().is_silent(), "music is off")
        self.quit_with_escape(run)

    def test_window_close_button_ends_with_exit_code_zero(self):
        run = self.game().start()
        run.win.close()
        self.assertEqual(run.app.wait(10), 0, run.app.describe_output())

    def test_garbage_settings_file_keeps_the_defaults(self):
        run = self.game(settings=b"\xff\x00garbage\n").start()
        rec = self.session.record()
        time.sleep(1.0)
        self.assertFalse(rec.stop().is_silent(), "unreadable switches stay on")
        self.quit_with_escape(run)
        with open(os.path.join(run.dir, "data", "settings"), "rb") as f:
            self.assertEqual(f.read(), b"\xff\x00garbage\n", "the file is left alone")

    def test_missing_asset_file_does_not_stop_start_up(self):
        run = self.game(copy_assets=True)
        os.remove(os.path.join(run.dir, "assets", "bird.png"))
        os.remove(os.path.join(run.dir, "assets", "menu.mp3"))
        run.start()
        self.assertTrue(run.app.running)
        self.quit_with_escape(run)
        lines = run.app.stdout_text().replace(CATALOGUE, "").splitlines()
        self.assertEqual(len(lines), 2, lines)
        self.assertTrue(all(line.startswith("WARNING: ") for line in lines), lines)
        self.assertTrue(any("assets/bird.png" in line for line in lines), lines)
        self.assertTrue(any("assets/menu.mp3" in line for line in lines), lines)


class CommandLineTest(GameCase):
    def test_level_option_starts_play_and_frame_times_are_written_on_request(self):
        run = self.game()
        frames = os.path.join(run.dir, "frames.txt")
        run.app = self.session.start([BINARY, "--level", "3"], cwd=run.dir,
                                     env_extra={"TALLOWFEN_FRAME_TIMES": frames})
        run.win = run.app.window("Tallowfen", timeout=20)
        deadline = time.monotonic() + 15  # until the HUD's blue panel shows
        while time.monotonic() < deadline and run.win.screenshot().pixel(590, 440)[2] < 200:
            time.sleep(0.1)
        run.app.wait_frames(10)
        self.quit_with_escape(run)
        placed = [line for line in run.app.stdout_text().splitlines() if not line.startswith("Verified ")]
        self.assertEqual(len(placed), 3, placed)
        with open(frames) as f:
            rows = [line.split() for line in f]
        self.assertGreater(len(rows), 1)
        # frame_ms cpu_ms work_ms: the game's own work is part of the frame.
        self.assertTrue(all(len(row) == 3 and float(row[0]) > 0 and 0 <= float(row[2]) <= float(row[0])
                            for row in rows[1:]), rows[:3])

    def test_help_and_bad_arguments(self):
        result = subprocess.run([BINARY, "--help"], capture_output=True, text=True, timeout=10)
        self.assertEqual(result.returncode, 0)
        self.assertIn("--level L", result.stdout)
        result = subprocess.run([BINARY, "--level", "zero"], capture_output=True, text=True, timeout=10)
        self.assertEqual(result.returncode, 2)
        self.assertIn("--level needs a whole number", result.stdout)


class NoDisplayTest(unittest.TestCase):
    """The game looks for its display before opening the window, on any
    raylib: some builds crash in InitWindow when there is none."""

    def test_unreachable_display_fails_with_a_clear_line(self):
        for display in (":9876", "127.0.0.1:59", "", "nonsense"):  # nothing listens at any of them
            env = dict(os.environ, DISPLAY=display)
            env.pop("WAYLAND_DISPLAY", None)
            with tempfile.TemporaryDirectory() as cwd:
                result = subprocess.run([BINARY], cwd=cwd, env=env, capture_output=True, timeout=30, text=True)
            self.assertEqual(result.returncode, 1, f"DISPLAY={display!r}: {result.stdout}{result.stderr}")
            self.assertEqual(result.stdout, "Tallowfen could not open its window: is a graphical display available?\n")


if __name__ == "__main__":
    unittest.main()
