"""Plays Tallowfen through its real window as a player would: clicks on the
virtual screen's buttons and aims at the birds it sees.

Positions are given in virtual-screen pixels (320 x 240); the driver maps
them into the window by the same letterbox the game uses, from the window's
size at the time."""

import re
import time

# The birds' violet body and the text of a finished level, as drawn.
BIRD_VIOLET = (0x74, 0x50, 0xad)
GREEN = (0, 228, 48)
PLAY_AREA = (0, 0, 240, 240)  # the level's view, left of the HUD


class GameDriver:
    def __init__(self, app, win):
        self.app = app
        self.win = win

    # -- the letterbox -------------------------------------------------------
    def _box(self):
        sw, sh = self.win.size()
        scale = min(sh / 240.0, sw / 320.0)
        w, h = int(320 * scale), int(240 * scale)
        return scale, (sw - w) // 2, (sh - h) // 2, w, h

    def to_window(self, vx, vy):
        _, ox, oy, w, h = self._box()
        return int(ox + vx * w / 320.0), int(oy + vy * h / 240.0)

    def window_box(self, box):
        """A virtual-screen box (x, y, w, h) as a window box."""
        x0, y0 = self.to_window(box[0], box[1])
        x1, y1 = self.to_window(box[0] + box[2], box[1] + box[3])
        return (x0, y0, x1 - x0, y1 - y0)

    # -- input ---------------------------------------------------------------
    def click(self, vx, vy):
        """Clicks at a virtual-screen point, held until the game has seen the
        button down, then waits for the frames that act on it to be drawn."""
        self.win.move_mouse(*self.to_window(vx, vy))
        since = len(self.app.events())
        self.win.mousedown()
        try:
            self.app.wait_event(r"click ", since=since)
        finally:
            self.win.mouseup()
        self.app.wait_frames(2, exit_ok=True)

    def click_until(self, vx, vy, condition, what, tries=3, timeout=8.0):
        """Clicks until condition() holds: a click that a slow frame missed is
        given again, but only while its effect has not shown."""
        for _ in range(tries):
            self.click(vx, vy)
            deadline = time.monotonic() + timeout
            while time.monotonic() < deadline:
                if condition():
                    return
                time.sleep(0.05)
        raise AssertionError(f"{tries} clicks at ({vx}, {vy}) did not bring {what}")

    def menu_shown(self):
        """The main menu's title is drawn (white, top left)."""
        return self.shot().count((255, 255, 255), box=self.window_box((10, 10, 200, 40))) > 300

    @staticmethod
    def wait_for(condition, timeout=15.0, what="the game to react"):
        """Polls until condition() is true; fails after timeout seconds."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if condition():
                return
            time.sleep(0.05)
        raise AssertionError(f"waited {timeout} s for {what}")

    def key(self, keysym):
        """Presses a key, held across the game's next input poll, and waits
        for the frames that act on it to be drawn."""
        self.win.keydown(keysym)
        try:
            self.app.wait_frames(2, exit_ok=True)
        finally:
            self.win.keyup(keysym)
        self.app.wait_frames(2, exit_ok=True)

    def shot(self):
        return self.win.screenshot()

    # -- reading the game ----------------------------------------------------
    def enemy_lines(self):
        """The enemies' starting tiles printed so far, as (column, row)."""
        return [(int(c), int(r)) for c, r in re.findall(r"^(\d+) (\d+)$", self.app.stdout_text(), re.M)]

    def level_finished(self, shot=None):
        """True once "Level finished!" and its second line show above the level."""
        shot = shot or self.shot()
        return shot.count(GREEN, box=self.window_box((20, 20, 200, 60))) > 800

    def bird_at(self, shot):
        """The window position of one bird in view (the first found from the
        top), or None: the centre of the violet pixels near that first one."""
        near = []
        for y, x0, pixels in shot._rows(self.window_box(PLAY_AREA)):
            for i, p in enumerate(pixels):
                if p != BIRD_VIOLET:
                    continue
                x = x0 + i
                if not near or (abs(x - near[0][0]) < 60 and abs(y - near[0][1]) < 60):
                    near.append((x, y))
        if not near:
            return None
        return (sum(x for x, _ in near) // len(near), sum(y for _, y in near) // len(near))

    def fight_until_finished(self, timeout=90.0):
        """Holds fire at whatever bird is in view until the level is finished.
        Birds out of view come closer on their own; one that reaches the
        player dies as well. Returns the seconds it took."""
        start = time.monotonic()
        self.win.mousedown()
        try:
            while time.monotonic() - start < timeout:
                shot = self.shot()
                if self.level_finished(shot):
                    return time.monotonic() - start
                target = self.bird_at(shot)
                if target is not None:
                    self.win.move_mouse(*target)
                time.sleep(0.05)
        finally:
            self.win.mouseup()
        raise AssertionError(f"the level was not finished within {timeout} s")

    def fight_while_walking(self, seconds, path=("a", "w", "d", "s"), stride=0.6):
        """Holds fire at the birds in view for `seconds` while walking round a
        small square, stride seconds a side, as a player does under attack."""
        start, held = time.monotonic(), None
        self.win.move_mouse(*self.to_window(120, 120))
        self.win.mousedown()
        try:
            while (now := time.monotonic() - start) < seconds:
                key = path[int(now / stride) % len(path)]
                if key != held:
                    if held:
                        self.win.keyup(held)
                    self.win.keydown(key)
                    held = key
                target = self.bird_at(self.shot())
                if target is not None:
                    self.win.move_mouse(*target)
                time.sleep(0.05)
        finally:
            if held:
                self.win.keyup(held)
            self.win.mouseup()
