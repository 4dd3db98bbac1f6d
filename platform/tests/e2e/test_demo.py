"""The platform layer in a real window with a real sound sink: the demo
program's pixels, letterboxing, input from xdotool, a sound heard and a music
stream that advances only while fed, pauses and resumes."""

import os
import re
import sys
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.abspath(os.path.join(HERE, "..", "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

from harness import Session  # noqa: E402

DEMO = os.environ.get("RLP_DEMO", os.path.join(ROOT, "build", "platform", "tests", "rlplatform_demo"))
DATA = os.path.join(ROOT, "platform", "tests", "data")
SCALE = 600 / 320

RED = (230, 41, 55)
GREEN = (0, 228, 48)
DARKBLUE = (0, 82, 172)
MAGENTA = (255, 0, 255)
CYAN_OF_RED = (25, 214, 200)  # what the inverting shader makes of RED


def window_xy(vx, vy, offset_x=0):
    """A virtual-screen point in the 600x450 picture, shifted by the bar."""
    return int(vx * SCALE) + offset_x, int(vy * SCALE)


class DemoTest(unittest.TestCase):
    """One demo session for the whole class; tests run in name order."""

    @classmethod
    def setUpClass(cls):
        cls.session = Session()
        cls.session.open()
        cls.app = cls.session.start([DEMO, DATA])
        cls.win = cls.app.window("rlplatform demo", timeout=20)
        cls.wait_for_line(cls, "ready")

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def wait_for_line(self, pattern, timeout=5.0):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            for line in self.app.stdout_text().splitlines():
                match = re.fullmatch(pattern, line)
                if match:
                    return match
            time.sleep(0.05)
        raise AssertionError(f"no line {pattern!r} in:\n{self.app.describe_output()}")

    def music_time(self, nth):
        """Asks for the music's played time; `nth` is the report's index."""
        self.win.key("t")
        deadline = time.monotonic() + 5
        while time.monotonic() < deadline:
            reports = re.findall(r"^music ([0-9.]+) ([01])$", self.app.stdout_text(), re.M)
            if len(reports) > nth:
                return float(reports[nth][0]), reports[nth][1] == "1"
            time.sleep(0.05)
        raise AssertionError(self.app.describe_output())

    def test_1_window_is_600x450_resizable_and_shows_the_picture(self):
        self.assertEqual(self.win.size(), (600, 450))
        # The hints change is sent with the first frame's event poll.
        deadline = time.monotonic() + 3
        while not self.win.size_hints().resizable and time.monotonic() < deadline:
            time.sleep(0.05)
        self.assertTrue(self.win.size_hints().resizable, self.win.size_hints())
        shot = self.win.screenshot(os.path.join(self.session.tmpdir, "demo.png"))
        self.assertEqual(shot.pixel(*window_xy(30, 25)), RED)
        self.assertEqual(shot.pixel(*window_xy(11, 11)), RED)      # just inside the corner
        self.assertEqual(shot.pixel(*window_xy(9, 9)), DARKBLUE)
        self.assertEqual(shot.pixel(*window_xy(100, 30)), GREEN)    # circle centre
        self.assertEqual(shot.pixel(*window_xy(100, 12)), GREEN)
        self.assertEqual(shot.pixel(*window_xy(84, 14)), DARKBLUE)  # box corner, outside the circle
        self.assertEqual(shot.pixel(*window_xy(155, 15)), (255, 0, 0))    # texture, top-left texel
        self.assertEqual(shot.pixel(*window_xy(185, 45)), (255, 255, 255))  # bottom-right texel
        self.assertEqual(shot.pixel(*window_xy(220, 25)), CYAN_OF_RED)  # drawn through the shader
        yellow = shot.count((253, 249, 0), box=(0, int(55 * SCALE), int(160 * SCALE), int(35 * SCALE)))
        self.assertGreater(yellow, 100, "the text HELLO is drawn in yellow")
        self.assertEqual(shot.count((253, 249, 0)), yellow, "no yellow outside the text's line")

    def test_2_key_from_xdotool_is_seen_once(self):
        self.win.key("space")
        self.wait_for_line(r"key space 1")
        time.sleep(0.1)
        shot = self.win.screenshot()
        self.assertEqual(shot.pixel(*window_xy(25, 115)), MAGENTA)
        self.assertNotIn("key space 2", self.app.stdout_text())

    def test_3_click_maps_back_to_virtual_pixels(self):
        self.win.click(300, 225)
        match = self.wait_for_line(r"click ([-0-9.]+) ([-0-9.]+)")
        self.assertAlmostEqual(float(match.group(1)), 160.0, delta=1.0)
        self.assertAlmostEqual(float(match.group(2)), 120.0, delta=1.0)

    def test_4_sound_is_heard_on_the_sink(self):
        quiet = self.session.record()
        time.sleep(0.4)
        self.assertTrue(quiet.stop().is_silent(), "nothing plays before the key")
        rec = self.session.record()
        self.win.key("p")
        self.wait_for_line("sound")
        time.sleep(0.8)
        heard = rec.stop()
        self.assertFalse(heard.is_silent(), "the tone is heard")
        self.assertGreater(heard.peak(), 0.1)
        # At its own pitch (a wrong mixing rate would shift it), mono on both sides.
        self.assertAlmostEqual(heard.frequency(), 660.0, delta=6.6)
        self.assertLess(heard.sides_differ(), 0.01)

    def test_5_music_advances_only_while_fed_and_pauses_in_place(self):
        self.win.key("m")
        self.wait_for_line("music play")
        time.sleep(1.0)
        fed, playing = self.music_time(0)
        self.assertTrue(playing)
        self.assertGreater(fed, 0.6)
        self.win.key("f")                      # stop feeding: the stream runs dry
        self.wait_for_line("feed 0")
        time.sleep(0.2)
        dry, _ = self.music_time(1)
        time.sleep(0.8)
        still, _ = self.music_time(2)
        self.assertLess(still - dry, 0.05, "time stands still while unfed")
        self.assertLess(dry - fed, 0.5)
        self.win.key("f")
        self.wait_for_line("feed 1")
        time.sleep(0.6)
        refed, _ = self.music_time(3)
        self.assertGreater(refed - still, 0.3)

        self.win.key("u")                      # pause
        time.sleep(0.2)
        paused, playing = self.music_time(4)
        self.assertFalse(playing)
        rec = self.session.record()
        time.sleep(0.6)
        self.assertTrue(rec.stop().is_silent(), "a paused stream is silent")
        later, _ = self.music_time(5)
        self.assertAlmostEqual(later, paused, delta=0.01)
        rec = self.session.record()
        self.win.key("r")                      # resume where it paused
        time.sleep(0.6)
        self.assertFalse(rec.stop().is_silent(), "the resumed stream is heard")
        resumed, playing = self.music_time(6)
        self.assertTrue(playing)
        self.assertGreater(resumed, paused + 0.3)
        self.assertLess(resumed, paused + 1.5)

    def test_6_resized_window_gets_white_bars(self):
        self.win.resize(800, 450)
        time.sleep(0.3)
        shot = self.win.screenshot(os.path.join(self.session.tmpdir, "demo-800.png"))
        white = (255, 255, 255)
        self.assertEqual(shot.count(white, box=(0, 0, 100, 450)), 100 * 450)
        self.assertEqual(shot.count(white, box=(700, 0, 100, 450)), 100 * 450)
        self.assertEqual(shot.pixel(100, 440), DARKBLUE)
        self.assertEqual(shot.pixel(699, 440), DARKBLUE)
        self.assertEqual(shot.pixel(*window_xy(30, 25, offset_x=100)), RED)

    def test_7_escape_closes_cleanly(self):
        self.win.key("Escape")
        self.assertEqual(self.app.wait(10), 0, self.app.describe_output())
        self.assertIn("closed", self.app.stdout_text())
        self.assertNotIn("WARNING", self.app.stdout_text())


if __name__ == "__main__":
    unittest.main()
