"""Pausing play, borderless fullscreen and back with its remembered choice,
and finding the game's files from wherever the program is started."""

import hashlib
import os
import shutil
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_game import BINARY, ROOT, GameCase  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
from game_driver import GameDriver  # noqa: E402

WHITE = (255, 255, 255)
PAUSED_GOLD = (255, 203, 0)
SCREEN = (1280, 1024)  # the harness's Xvfb screen: the one monitor
# Where the screenshots go for a person to look at; the session's own folder by default.
SHOTS = os.environ.get("TALLOWFEN_SHOTS", tempfile.gettempdir())
NO_ASSETS = "Tallowfen could not find its assets folder in the working directory or near the program.\n"


def brightness(shot, box):
    total = count = 0
    for _, _, pixels in shot._rows(box):
        for r, g, b in pixels:
            total += r + g + b
            count += 1
    return total / max(count, 1)


def read(path):
    with open(path, "rb") as f:
        return f.read()


def gold_pixels(shot, box):
    return [(x0 + i, y) for y, x0, pixels in shot._rows(box) for i, p in enumerate(pixels) if p == PAUSED_GOLD]


def region(shot, box):
    """The box's pixels as a digest, so a failed comparison prints two short lines."""
    return hashlib.sha1(b"".join(bytes(c for p in pixels for c in p) for _, _, pixels in shot._rows(box))).hexdigest()


class PauseTest(GameCase):
    def start_level(self, run):
        run.app = self.session.start([BINARY, "--level", "3"], cwd=run.dir)
        run.win = run.app.window("Tallowfen", timeout=20)
        game = GameDriver(run.app, run.win)
        game.wait_for(lambda: game.shot().pixel(*game.to_window(300, 235))[2] >= 200, what="the level's HUD")
        run.app.wait_frames(5)
        return game

    def test_p_pauses_play_still_and_dimmed_until_pressed_again(self):
        run = self.game()
        game = self.start_level(run)
        # The level's view below the frame-rate counter, which keeps counting.
        view = game.window_box((0, 14, 240, 226))
        live = game.shot()
        live.save(os.path.join(SHOTS, "live.png"))
        rec = self.session.record()
        time.sleep(1.0)
        loud = rec.stop().rms()

        game.key("p")
        run.app.wait_event(r"paused 1$")
        run.app.wait_frames(3)
        first = game.win.screenshot(os.path.join(SHOTS, "paused-1.png"))
        rec = self.session.record()
        time.sleep(1.0)
        quiet = rec.stop().rms()
        second = game.win.screenshot(os.path.join(SHOTS, "paused-2.png"))
        self.assertEqual(region(first, view), region(second, view), "nothing moves while paused")
        label = gold_pixels(first, game.window_box((60, 100, 120, 40)))
        self.assertGreater(len(label), 300, '"Paused"')
        # Dimmed: away from the label the level is much darker than when live.
        below = game.window_box((0, 150, 240, 90))
        self.assertLess(brightness(first, below), 0.6 * brightness(live, below))
        self.assertLess(quiet, 0.6 * loud, "the music is turned down")

        game.key("p")
        run.app.wait_event(r"paused 0$")
        moving = game.shot()
        # The player walks: enemies may all be out of view, the player is not.
        game.win.keydown("d")
        try:
            run.app.wait_frames(30)
        finally:
            game.win.keyup("d")
        later = game.win.screenshot(os.path.join(SHOTS, "resumed.png"))
        self.assertNotEqual(region(moving, view), region(later, view), "play goes on")
        # The label is gone. A bird's gold beak may wander into the box, so
        # look only at the label's own pixels.
        still = sum(1 for x, y in label if later.pixel(x, y) == PAUSED_GOLD)
        self.assertLess(still, len(label) // 5, '"Paused" is gone')
        rec = self.session.record()
        time.sleep(1.0)
        self.assertGreater(rec.stop().rms(), 0.6 * loud, "the music is back at full volume")
        self.quit_with_escape(run)


class FullscreenTest(GameCase):
    def bars(self, shot, column):
        """The white rows above and below the picture in one column."""
        rows = [shot.pixel(column, y) == WHITE for y in range(shot.height)]
        top = rows.index(False)
        bottom = rows[::-1].index(False)
        return top, bottom

    def test_f11_and_alt_enter_switch_and_the_choice_is_remembered(self):
        run = self.game().start()
        game = GameDriver(run.app, run.win)
        mode_file = os.path.join(run.dir, "data", "window")
        game.wait_for(game.menu_shown, what="the main menu")

        game.key("F11")
        game.wait_for(lambda: run.win.size() == SCREEN, what="the borderless window over the screen")
        run.app.wait_frames(3)
        shot = run.win.screenshot(os.path.join(SHOTS, "fullscreen.png"))
        # Scale min(1024 / 240, 1280 / 320) = 4: a 1280 x 960 picture 32 pixels down.
        for column in (400, 640, 1279):
            self.assertEqual(self.bars(shot, column), (32, 32), f"column {column}")
        self.assertEqual(shot.count(WHITE, box=(0, 32, 8, 960)), 0, "no bar at the sides")
        game.wait_for(lambda: read(mode_file) == b"1", what="data/window holding 1")
        # The mouse follows the new letterbox: SETTINGS opens the settings screen.
        back = game.window_box((12, 12, 18, 20))  # the settings screen's grey Back button
        game.click_until(240, 100, lambda: game.shot().count((130, 130, 130), box=back, tol=30)
                         > back[2] * back[3] // 2, "the settings screen")

        run.win.keydown("Alt_L")
        try:
            game.key("Return")
        finally:
            run.win.keyup("Alt_L")
        game.wait_for(lambda: run.win.size() == (600, 450), what="the window back at 600 x 450")
        game.wait_for(lambda: read(mode_file) == b"0", what="data/window holding 0")
        game.key("F11")
        game.wait_for(lambda: run.win.size() == SCREEN, what="fullscreen again")
        self.quit_with_escape(run)

        # The next start comes back borderless; a damaged file means windowed.
        self.assertEqual(read(mode_file), b"1")
        for content, size in ((b"1", SCREEN), (b"\x00yes", (600, 450))):
            with open(mode_file, "wb") as f:
                f.write(content)
            run.start()
            game.wait_for(lambda: run.win.size() == size, what=f"a start at {size} for {content!r}")
            run.app.wait_frames(10)
            self.assertEqual(run.win.size(), size)
            self.quit_with_escape(run)


class StartAnywhereTest(GameCase):
    def test_started_from_another_directory_it_finds_its_files(self):
        with tempfile.TemporaryDirectory() as elsewhere:
            app = self.session.start([os.path.abspath(BINARY)], cwd=elsewhere)
            win = app.window("Tallowfen", timeout=20)
            game = GameDriver(app, win)
            game.wait_for(game.menu_shown, what="the main menu")
            win.screenshot(os.path.join(SHOTS, "elsewhere.png"))
            game.key("Escape")
            self.assertEqual(app.wait(10), 0, app.describe_output())
            self.assertEqual(os.listdir(elsewhere), [], "nothing is written where it was started")
            self.assertNotIn("WARNING", app.stdout_text(), "every asset was found")

    def test_a_copy_far_from_any_assets_says_so_and_fails(self):
        with tempfile.TemporaryDirectory() as top:
            deep = os.path.join(top, "one", "two", "three", "four")
            os.makedirs(deep)
            os.makedirs(os.path.join(top, "assets"))  # four folders above: too far
            binary = shutil.copy(BINARY, deep)
            result = subprocess.run([binary], cwd=deep, capture_output=True, text=True, timeout=30)
        self.assertEqual(result.returncode, 1, result.stdout + result.stderr)
        self.assertEqual(result.stdout, NO_ASSETS)


if __name__ == "__main__":
    unittest.main()
