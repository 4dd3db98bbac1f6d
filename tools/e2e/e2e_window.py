"""Driving and observing one X window of a program under test: geometry, size
hints, synthetic keyboard and mouse input, close requests and screenshots."""

import collections
import os
import re
import sys
import time

import e2e_x11
from e2e_common import HarnessError, run_tool, wait_until
from e2e_image import Shot

SizeHints = collections.namedtuple("SizeHints", "min_size max_size resizable")
SizeHints.__doc__ = """WM_NORMAL_HINTS as a window manager reads them: min_size and
max_size are (w, h) or None; resizable is False only when a maximum is set and
is not larger than the minimum."""

_X11_HELPER = os.path.join(os.path.dirname(os.path.abspath(__file__)), "e2e_x11.py")


class Window:
    """One top-level window of a program, found by title; coordinates given to
    its methods are relative to the window's top-left corner."""

    def __init__(self, env, window_id, name=None):
        self.env = env
        self.id = int(window_id)
        self.name = name

    def __repr__(self):
        return f"<Window {self.id:#x} {self.name!r}>"

    def _tool(self, *argv, **kw):
        return run_tool([str(a) for a in argv], self.env, **kw)

    # --- observing ---------------------------------------------------------

    def _info(self):
        out = self._tool("xwininfo", "-id", self.id).stdout
        fields = {}
        for line in out.splitlines():
            key, sep, value = line.strip().partition(":")
            if sep:
                fields[key.strip()] = value.strip()
        return fields

    def geometry(self):
        """(x, y, w, h): where the window's contents start on the screen, and
        their size, in pixels (any X border excluded)."""
        f = self._info()
        try:
            # xwininfo places the window at the outer corner of its border.
            border = int(f.get("Border width", "0"))
            return (int(f["Absolute upper-left X"]) + border,
                    int(f["Absolute upper-left Y"]) + border, int(f["Width"]), int(f["Height"]))
        except (KeyError, ValueError):
            raise HarnessError(f"cannot read the geometry of {self} from xwininfo: {f}") from None

    def size(self):
        return self.geometry()[2:]

    def is_viewable(self):
        return self._info().get("Map State") == "IsViewable"

    def title(self):
        return self._tool("xdotool", "getwindowname", self.id).stdout.rstrip("\n")

    def _property(self, name):
        return self._tool("xprop", "-id", self.id, name).stdout

    def size_hints(self):
        """The window's WM_NORMAL_HINTS as a SizeHints."""
        out = self._property("WM_NORMAL_HINTS")

        def size(label):
            m = re.search(rf"{label} size: (\d+) by (\d+)", out)
            return (int(m.group(1)), int(m.group(2))) if m else None

        min_size, max_size = size("minimum"), size("maximum")
        # A WM lets the user resize unless the maximum pins the window at (or
        # under) its minimum, which defaults to 1x1 when the program sets none.
        low = min_size or (1, 1)
        resizable = max_size is None or max_size[0] > low[0] or max_size[1] > low[1]
        return SizeHints(min_size, max_size, resizable)

    def protocols(self):
        """Atom names in WM_PROTOCOLS, e.g. ['WM_DELETE_WINDOW']."""
        out = self._property("WM_PROTOCOLS")
        if "protocols" not in out:
            return []
        names = out.split("protocols", 1)[1]
        return [n.strip() for n in names.split(",") if n.strip()]

    def screenshot(self, path=None):
        """Captures the window's current pixels as a Shot; saves a PNG at path."""
        captured = e2e_x11.capture(self.env["DISPLAY"], self.id) if self.env.get("DISPLAY") else None
        if captured:
            shot = Shot(*captured)
            if path:
                shot.save(path)
            return shot
        for _ in range(3):
            _, _, w, h = self.geometry()
            result = self._tool("import", "-silent", "-window", self.id, "-depth", "8", "rgb:-",
                                binary=True)
            # A resize between geometry() and the capture changes the byte count.
            if len(result.stdout) == w * h * 3:
                shot = Shot(w, h, result.stdout)
                if path:
                    shot.save(path)
                return shot
        raise HarnessError(f"screenshot of {self}: got {len(result.stdout)} bytes, "
                           f"expected {w}x{h}x3; the window kept changing size")

    # --- acting ------------------------------------------------------------

    def resize(self, width, height, timeout=5.0):
        """Resizes the window as a user dragging its border would, and waits
        until the new size is applied; returns the size reached."""
        self._tool("xdotool", "windowsize", self.id, width, height)
        if wait_until(lambda: self.size() == (width, height), timeout) is None:
            raise HarnessError(f"{self} is {self.size()} {timeout:g} s after asking "
                               f"for {width}x{height}")
        return self.size()

    def focus(self):
        """Gives the window the keyboard focus (there is no WM to do it)."""
        self._tool("xdotool", "windowfocus", "--sync", self.id)

    def keydown(self, keysym):
        self.focus()
        self._tool("xdotool", "keydown", keysym)

    def keyup(self, keysym):
        self._tool("xdotool", "keyup", keysym)

    def key(self, keysym, hold=0.1):
        """Presses and releases a key; the hold keeps it down across at least one
        frame so a game that polls key state once a frame sees it."""
        self.keydown(keysym)
        try:
            time.sleep(hold)
        finally:
            self.keyup(keysym)

    def move_mouse(self, x, y):
        """Puts the pointer at (x, y) inside the window."""
        wx, wy, _, _ = self.geometry()
        self._tool("xdotool", "mousemove", wx + x, wy + y)
        target = (wx + x, wy + y)
        if wait_until(lambda: self._pointer() == target, 2.0) is None:
            raise HarnessError(f"pointer is at {self._pointer()}, not at {target}")

    def _pointer(self):
        out = self._tool("xdotool", "getmouselocation", "--shell").stdout
        f = dict(line.split("=", 1) for line in out.split() if "=" in line)
        return (int(f["X"]), int(f["Y"]))

    def mousedown(self, button=1):
        self._tool("xdotool", "mousedown", button)

    def mouseup(self, button=1):
        self._tool("xdotool", "mouseup", button)

    def click(self, x, y, button=1, hold=0.1):
        """Moves to (x, y) inside the window and presses and releases a button,
        held long enough for a frame-polling program to see it down."""
        self.move_mouse(x, y)
        self.mousedown(button)
        try:
            time.sleep(hold)
        finally:
            self.mouseup(button)

    def close(self):
        """Asks the window to close the way a WM close button does: a
        WM_DELETE_WINDOW client message. Raises if the window does not take
        part in that protocol, since a WM would then kill its client."""
        if "WM_DELETE_WINDOW" not in self.protocols():
            raise HarnessError(f"{self} does not list WM_DELETE_WINDOW in WM_PROTOCOLS "
                               f"(has {self.protocols()}); a window manager would kill it")
        self._tool(sys.executable, _X11_HELPER, "delete", self.id)
