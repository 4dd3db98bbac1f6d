"""The game's window during play, treated as players treat windows: resized to
a pixel, to a 4K screen and in a burst, minimised and restored, left for
another window and come back to. After each the game still runs, its picture
sits exactly in its letterbox with white bars around it, and the gun aims
where the mouse points."""

import math
import os
import struct
import sys
import tempfile
import time
import unittest

ROOT = os.environ.get("TALLOWFEN_SOURCE_DIR",
                      os.path.abspath(os.path.join(os.path.dirname(__file__), "..", "..")))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from e2e_common import HarnessError, run_tool, wait_until  # noqa: E402
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402
from test_game import BINARY, GameRun  # noqa: E402

SCREEN = "4200x2300x24"  # room for a 4096x2160 window
WHITE_BYTE = b"\xff"
FPS_CORNER = (100, 24)  # the frame-rate counter, drawn over whatever is at the window's corner
GUN_GREEN = (0, 228, 48)
PAUSED_GOLD = (255, 203, 0)
# With no key pressed the player stands on the first floor tile, (1, 1), and
# the camera, held at the map's corner, shows its centre here.
PLAYER = (48, 48)
# Mouse targets on the virtual screen, 90 degrees apart seen from the player.
TARGETS = ((108, 108), (8, 88))


def f32(x):
    return struct.unpack("f", struct.pack("f", x))[0]


def letterbox(sw, sh):
    """Where the 320x240 picture belongs in a sw x sh window: (x, y, w, h)."""
    scale = min(f32(sh / 240.0), f32(sw / 320.0))
    w, h = int(f32(320 * scale)), int(f32(240 * scale))
    return ((sw - w) // 2, (sh - h) // 2, w, h)


def picture_box(shot):
    """The bounding box of every pixel that is not pure white, the frame-rate
    counter aside, or None. Equal to the letterbox, it says the bars are white
    to the last pixel and the picture reaches each of its edges."""
    stride = shot.width * 3
    left = right = shot.width
    top = bottom = None
    for y in range(shot.height):
        skip = FPS_CORNER[0] if y < FPS_CORNER[1] else 0
        row = shot.rgb[y * stride + skip * 3:(y + 1) * stride]
        # A partly white pixel leaves at most two bytes, so whole pixels count right.
        lead = (len(row) - len(row.lstrip(WHITE_BYTE))) // 3
        if lead * 3 == len(row):
            continue
        trail = (len(row) - len(row.rstrip(WHITE_BYTE))) // 3
        top = y if top is None else top
        bottom = y
        left, right = min(left, skip + lead), min(right, trail)
    if top is None:
        return None
    return (left, top, shot.width - right - left, bottom - top + 1)


def to_window(box, vx, vy):
    return (int(box[0] + vx * box[2] / 320.0), int(box[1] + vy * box[3] / 240.0))


def green_near_player(shot, box):
    """Window pixels of the gun's green within the gun's reach of the player."""
    (x0, y0), (x1, y1) = to_window(box, PLAYER[0] - 45, PLAYER[1] - 45), to_window(box, PLAYER[0] + 45,
                                                                                  PLAYER[1] + 45)
    found = set()
    for y, start, pixels in shot._rows((x0, y0, x1 - x0, y1 - y0)):
        found.update((start + i, y) for i, p in enumerate(pixels) if p == GUN_GREEN)
    return found


def bearing(origin, point):
    return math.degrees(math.atan2(point[1] - origin[1], point[0] - origin[0])) % 360


def angle_between(a, b):
    return abs((a - b + 180) % 360 - 180)


class WindowCase(unittest.TestCase):
    def setUp(self):
        self.session = Session(screen=SCREEN)
        self.session.open()
        self.addCleanup(self.session.close)
        self.figures = []

    def play(self):
        """Level 3 at once, silent and without screen shake, so the camera
        holds still."""
        run = GameRun(self.session, settings=b"000")
        self.addCleanup(run.remove)
        run.app = self.session.start([BINARY, "--level", "3"], cwd=run.dir)
        run.win = run.app.window("Tallowfen", timeout=20)
        self.game = run
        return run

    def tool(self, *argv, check=True):
        return run_tool([str(a) for a in argv], self.session.env, check=check)

    def shot_when(self, condition, timeout=20.0):
        """Screenshots until condition(shot) holds or the timeout passes: the
        first frames at a new size may still be on their way, slowly in a big
        window or under a sanitizer."""
        deadline = time.monotonic() + timeout
        while True:
            self.assertTrue(self.game.app.running, self.game.app.describe_output())
            shot = self.game.win.screenshot()
            if condition(shot) or time.monotonic() > deadline:
                return shot
            time.sleep(0.1)

    def assert_letterbox(self, when):
        """The picture fills exactly its letterbox in the window's current size."""
        size = self.game.win.size()
        expected = letterbox(*size)
        shot = self.shot_when(lambda s: picture_box(s) == expected)
        if picture_box(shot) != expected:
            kept = tempfile.NamedTemporaryFile(prefix="tallowfen-letterbox-", suffix=".png", delete=False)
            self.fail(f"{when}: window {size}: picture at {picture_box(shot)} (x, y, w, h), "
                      f"not {expected}; see {shot.save(kept.name)}")
        self.figures.append(f"{when}: window {size[0]}x{size[1]} -> picture {expected}")

    def gun_moved(self, box, before, timeout=20.0):
        """The gun's green once it differs from before: the game has taken the
        mouse's new position (frames of a big window come slowly, and a
        hit-stop holds the gun). A gun already pointing there never differs:
        after the timeout its pixels are taken as they are."""
        deadline = time.monotonic() + timeout
        # Frames drawn since the move have read it: a picture that merely
        # differs may be one drawn before (a bird went by), with the gun as it was.
        self.game.app.wait_frames(3, timeout)
        while True:
            self.assertTrue(self.game.app.running, self.game.app.describe_output())
            shot = self.game.win.screenshot()
            if self.paused(shot, box):  # the focus was lost: play waits for P
                self.resume(box)
                continue
            green = green_near_player(shot, box)
            if green != before or time.monotonic() > deadline:
                return green
            time.sleep(0.05)

    def assert_aims_at_mouse(self, when, tries=3):
        """Puts the mouse on two virtual-screen points through the letterbox and
        finds the gun pointing at each. The gun's pixels are those green at one
        target and not at the other, so green text standing still drops out."""
        win, box = self.game.win, letterbox(*self.game.win.size())
        pivot = to_window(box, *PLAYER)
        green = green_near_player(win.screenshot(), box)
        for _ in range(tries):
            greens = []
            for target in TARGETS:
                win.move_mouse(*to_window(box, *target))
                green = self.gun_moved(box, green)
                greens.append(green)
            errors = []
            for own, other, target in ((greens[0], greens[1], TARGETS[0]), (greens[1], greens[0], TARGETS[1])):
                gun = own - other
                centre = (sum(x for x, _ in gun) / len(gun), sum(y for _, y in gun) / len(gun)) if gun else pivot
                errors.append(angle_between(bearing(pivot, centre), bearing(PLAYER, target)))
            # The bar's centre sits 2.5 pixels beside its axis: about 4 degrees.
            if max(errors) < 10:
                return
        self.fail(f"{when}: the gun is off the mouse's direction by {errors} degrees")

    def resume(self, box, tries=3):
        """Presses P, held across a slow frame, until "Paused" is gone; never
        twice while a press may still be on its way, or it pauses again."""
        for _ in range(tries):
            GameDriver(self.game.app, self.game.win).key("p")
            if wait_until(lambda: not self.paused(self.game.win.screenshot(), box), 10):
                return
        self.fail(f"{tries} presses of P did not end the pause")

    @staticmethod
    def paused(shot, box):
        label = to_window(box, 60, 100) + to_window(box, 180, 140)
        return shot.count(PAUSED_GOLD, box=(label[0], label[1], label[2] - label[0], label[3] - label[1])) > 20

    def check(self, when):
        self.assertTrue(self.game.app.running, f"{when}: {self.game.app.describe_output()}")
        self.assert_letterbox(when)
        self.assert_aims_at_mouse(when)

    def readable(self):
        try:
            self.game.win.screenshot()
            return True
        except HarnessError:
            return False

    def quit_with_escape(self):
        GameDriver(self.game.app, self.game.win).key("Escape")
        self.assertEqual(self.game.app.wait(15), 0, self.game.app.describe_output())
        print("\n  " + "\n  ".join(self.figures), file=sys.stderr)


class ResizeTest(WindowCase):
    def test_extreme_and_rapid_resizes_during_play(self):
        run = self.play()
        self.check("at the start")
        run.win.resize(1, 1)
        self.shot_when(lambda s: True)  # alive and drawing at a pixel
        run.win.move_mouse(0, 0)
        run.win.resize(600, 450)
        self.check("back from 1x1")
        # A big window on a software renderer draws a few frames a second, and
        # hit-stops count frames: let the birds end theirs first.
        driver = GameDriver(run.app, run.win)
        driver.wait_for(driver.level_finished, 90, "the birds to reach the player")
        self.tool("xdotool", "windowmove", "--sync", run.win.id, 0, 0)
        run.win.resize(4096, 2160)
        self.check("at 4096x2160")
        # Fifty sizes in one go, faster than frames come, then one to settle on.
        burst = []
        for i in range(50):
            burst += ["windowsize", run.win.id, 200 + 37 * i % 900, 150 + 53 * i % 700]
        self.tool("xdotool", *burst)
        for size, when in (((641, 480), "after 50 quick resizes"), ((500, 900), "tall")):
            run.win.resize(*size)
            self.check(when)
        self.quit_with_escape()


class FocusTest(WindowCase):
    def test_focus_lost_to_another_window_and_regained(self):
        run = self.play()
        self.check("at the start")
        other = self.session.start(["xmessage", "-geometry", "+700+100", "elsewhere"])
        other_win = other.window("xmessage", timeout=10)
        self.tool("xdotool", "windowfocus", "--sync", other_win.id)
        self.assertEqual(int(self.tool("xdotool", "getwindowfocus").stdout), other_win.id)
        self.assertTrue(run.app.running)
        self.assert_letterbox("without the focus")
        run.win.focus()
        self.assertEqual(int(self.tool("xdotool", "getwindowfocus").stdout), run.win.id)
        self.check("with the focus back")
        self.quit_with_escape()


class MinimiseTest(WindowCase):
    def ask_window_manager(self, command, state, timeout=10.0):
        """Sends an xdotool request until the window manager has put the
        window in that WM_STATE: a busy one may take a moment, or miss it."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            self.tool("xdotool", command, self.game.win.id)
            if wait_until(lambda: state in self.tool("xprop", "-id", self.game.win.id, "WM_STATE").stdout, 2):
                return
        self.fail(f"xdotool {command} did not bring the window to {state}")

    def test_minimise_and_restore_under_a_window_manager(self):
        self.session.start_window_manager()
        run = self.play()
        self.check("managed")
        self.ask_window_manager("windowminimize", "Iconic")
        # A while minimised: raylib waits for window events then, the bundled
        # layer draws on, so there are no frames to count.
        time.sleep(1.0)
        self.assertTrue(run.app.running, run.app.describe_output())
        self.ask_window_manager("windowactivate", "Normal")
        # The window manager may still be putting the frame back: until it
        # has, the window's pixels cannot be read.
        self.assertTrue(wait_until(lambda: run.win.is_viewable() and self.readable(), 10),
                        "the restored window shows")
        self.check("restored")
        self.quit_with_escape()


if __name__ == "__main__":
    unittest.main()
