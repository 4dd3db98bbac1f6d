"""Tests of the end-to-end harness against standard X and PulseAudio tools:
xmessage for a window with a known title and buttons, paplay for sound.

Run: /usr/bin/python3 -m unittest -v test_harness   (from tools/e2e)"""

import array
import math
import os
import re
import subprocess
import sys
import tempfile
import time
import unittest
import wave
from unittest import mock

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from harness import HarnessError, Session  # noqa: E402
from e2e_common import run_tool  # noqa: E402
import e2e_x11  # noqa: E402

HARNESS = os.path.join(HERE, "harness.py")


def write_tone(path, seconds, freq=440.0, amplitude=0.5, rate=44100):
    """A stereo sine WAV of known length and level."""
    n = int(seconds * rate)
    samples = array.array("h")
    for i in range(n):
        v = int(amplitude * 32767 * math.sin(2 * math.pi * freq * i / rate))
        samples.extend((v, v))
    if sys.byteorder == "big":
        samples.byteswap()
    with wave.open(path, "wb") as w:
        w.setnchannels(2)
        w.setsampwidth(2)
        w.setframerate(rate)
        w.writeframes(samples.tobytes())


def child_rects(session, window):
    """(x, y, w, h) of every descendant of a window, relative to its contents."""
    wx, wy, _, _ = window.geometry()
    out = run_tool(["xwininfo", "-tree", "-id", str(window.id)], session.env).stdout
    rects = []
    for m in re.finditer(r"\(\)\s+(\d+)x(\d+)[+-]-?\d+[+-]-?\d+\s+\+(-?\d+)\+(-?\d+)", out):
        w, h, ax, ay = map(int, m.groups())
        rects.append((ax - wx, ay - wy, w, h))
    return rects


def process_alive(pid, cmdline=None):
    """True while pid runs (a zombie does not count) and, given its command
    line, is still the process that was started rather than a reused pid."""
    try:
        with open(f"/proc/{pid}/stat", "rb") as f:
            state = f.read().rsplit(b")", 1)[1].split()[0]
        with open(f"/proc/{pid}/cmdline", "rb") as f:
            same = cmdline is None or f.read() == cmdline
    except (OSError, IndexError):
        return False
    return state != b"Z" and same


def children_of(parent):
    """(pid, cmdline) of each live child of a process."""
    found = []
    for entry in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open(f"/proc/{entry}/stat", "rb") as f:
                fields = f.read().rsplit(b")", 1)[1].split()
            if int(fields[1]) == parent and fields[0] != b"Z":
                found.append((int(entry), cmdline_of(int(entry))))
        except (OSError, IndexError):
            continue
    return found


def cmdline_of(pid):
    with open(f"/proc/{pid}/cmdline", "rb") as f:
        return f.read()


class WindowTest(unittest.TestCase):
    """Finding, observing and driving a window in a shared session."""

    @classmethod
    def setUpClass(cls):
        cls.session = Session()
        cls.session.open()

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def message(self, title, *args):
        app = self.session.start(["xmessage", "-title", title] + list(args) + ["Tallowfen e2e"])
        self.addCleanup(app.kill)
        return app, app.window(title, timeout=10)

    def test_window_found_by_exact_title_and_screenshot_matches_it(self):
        # A second window whose title merely contains the first's must not be picked.
        self.message("Probe window long")
        _, win = self.message("Probe window")
        self.assertEqual(win.title(), "Probe window")
        _, _, w, h = win.geometry()
        path = os.path.join(self.session.tmpdir, "probe.png")
        shot = win.screenshot(path)
        self.assertEqual((shot.width, shot.height), (w, h))
        colors = shot.region_colors()
        self.assertGreater(colors[(255, 255, 255)], w * h // 2, "xmessage background not captured")
        self.assertGreater(colors[(0, 0, 0)], 50, "xmessage text and borders not captured")
        size = run_tool(["identify", "-format", "%wx%h", path], self.session.env).stdout
        self.assertEqual(size, f"{w}x{h}", "the PNG written does not have the window's size")

    def test_pixels_read_in_process_are_imagemagicks(self):
        # Three unlike channels, so that a swapped pair shows.
        _, win = self.message("Orange probe", "-bg", "#ff8020", "-fg", "#2040c0")
        _, _, w, h = win.geometry()
        imported = run_tool(["import", "-silent", "-window", str(win.id), "-depth", "8", "rgb:-"],
                            self.session.env, binary=True).stdout
        captured = e2e_x11.capture(self.session.env["DISPLAY"], win.id)
        self.assertEqual(captured[:2], (w, h))
        self.assertTrue(captured[2] == imported, "the pixels differ from ImageMagick's")
        self.assertGreater(win.screenshot().region_colors()[(255, 128, 32)], w * h // 2)
        self.assertIsNone(e2e_x11.capture(self.session.env["DISPLAY"], 0x7ffffff), "a window that is not there")

    def test_click_lands_on_the_button_at_those_coordinates(self):
        app, win = self.message("Click me", "-buttons", "Left:11,Right:12")
        rects = child_rects(self.session, win)
        bottom = max(y for _, y, _, _ in rects)
        buttons = sorted(r for r in rects if r[1] == bottom)
        self.assertEqual(len(buttons), 2, f"expected two buttons in {rects}")
        x, y, w, h = buttons[1]
        win.click(x + w // 2, y + h // 2)
        self.assertEqual(app.wait(5), 12, "the click did not press the Right button")

    def test_key_press_reaches_the_window(self):
        app, win = self.message("Key me", "-buttons", "Left:11,Right:12", "-default", "Right")
        win.key("Return")
        self.assertEqual(app.wait(5), 12, "Return did not activate the default button")

    def test_close_sends_wm_delete_window(self):
        app, win = self.message("Close me", "-buttons", "Left:11")
        self.assertIn("WM_DELETE_WINDOW", win.protocols())
        self.assertTrue(app.running)
        win.close()
        # xmessage answers WM_DELETE_WINDOW, and only that, by exiting with 1.
        self.assertEqual(app.wait(5), 1)

    def test_resize_applies_and_hints_say_resizable(self):
        _, win = self.message("Resize me")
        hints = win.size_hints()
        self.assertIsNone(hints.max_size)
        self.assertTrue(hints.resizable)
        self.assertEqual(win.resize(320, 200), (320, 200))
        shot = win.screenshot()
        self.assertEqual((shot.width, shot.height), (320, 200))

    def test_fixed_size_hints_read_as_not_resizable(self):
        fixed = ["-xrm", "*minWidth: 240", "-xrm", "*maxWidth: 240",
                 "-xrm", "*minHeight: 90", "-xrm", "*maxHeight: 90"]
        _, win = self.message("Fixed size", *fixed)
        hints = win.size_hints()
        self.assertEqual(hints.min_size, (240, 90))
        self.assertEqual(hints.max_size, (240, 90))
        self.assertFalse(hints.resizable)

    def test_waiting_for_a_window_of_a_program_that_exited_says_so(self):
        app = self.session.start(["sh", "-c", "echo gone >&2; exit 3"])
        with self.assertRaises(HarnessError) as ctx:
            app.window("Never shown", timeout=10)
        self.assertIn("exited with code 3", str(ctx.exception))
        self.assertIn("gone", str(ctx.exception))

    def test_missing_program_is_a_clear_error(self):
        with self.assertRaisesRegex(HarnessError, "program not found: /nonexistent/tallowfen"):
            self.session.start(["/nonexistent/tallowfen"])


class SoundTest(unittest.TestCase):
    """Recording the sink while something plays, and while nothing does."""

    @classmethod
    def setUpClass(cls):
        cls.session = Session()
        cls.session.open()
        cls.tone = os.path.join(cls.session.tmpdir, "tone.wav")
        write_tone(cls.tone, 0.6)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def test_tone_is_recorded(self):
        rec = self.session.record()
        player = self.session.start(["paplay", self.tone])
        self.assertEqual(player.wait(15), 0, player.describe_output())
        time.sleep(0.2)
        sound = rec.stop()
        self.assertFalse(sound.is_silent(), f"nothing recorded while the tone played: {sound}")
        self.assertAlmostEqual(sound.peak(), 0.5, delta=0.05)
        start, end = sound.sound_start(), sound.sound_end()
        self.assertIsNotNone(start)
        self.assertGreater(end - start, 0.5, f"tone heard from {start:.2f} s to {end:.2f} s")
        self.assertLess(end - start, 0.75, f"tone heard from {start:.2f} s to {end:.2f} s")
        # A 0.5 amplitude sine has an RMS of 0.5/sqrt(2) while it sounds.
        self.assertAlmostEqual(sound.rms(start + 0.05, end - 0.05), 0.354, delta=0.03)

    def test_clients_never_take_shared_memory(self):
        # PulseAudio's memfd transport aborts the server now and then (its bug 824):
        # every client of the session's server must talk over the socket alone.
        info = run_tool(["pactl", "info"], dict(self.session.pulse_env, PULSE_LOG="4"))
        self.assertIn("Negotiated SHM: no", info.stderr)

    def test_nothing_playing_is_silent(self):
        rec = self.session.record()
        time.sleep(0.3)
        sound = rec.stop()
        self.assertGreater(sound.duration(), 0.1, "the recorder captured no audio at all")
        self.assertTrue(sound.is_silent(), f"silence expected, got {sound}")


class LifecycleTest(unittest.TestCase):
    """Start-up errors, cleanup of processes and files, and the run command."""

    def assert_all_gone(self, procs, tmpdir):
        for pid, cmdline in procs:
            name = cmdline.replace(b"\0", b" ").decode(errors="replace")
            self.assertFalse(process_alive(pid, cmdline), f"pid {pid} ({name}) survived")
        self.assertFalse(os.path.exists(tmpdir), f"{tmpdir} was not removed")

    def test_session_ends_every_process_and_removes_its_files(self):
        with Session() as s:
            s.start(["xmessage", "-title", "Left open", "x"]).window("Left open")
            rec = s.record()
            self.assertGreaterEqual(len(s.pids()), 5)
            procs = [(pid, cmdline_of(pid)) for pid in s.pids()]
            tmpdir = s.tmpdir
            self.assertIsNotNone(rec)
        self.assert_all_gone(procs, tmpdir)

    def test_session_cleans_up_after_an_exception(self):
        with self.assertRaises(ZeroDivisionError):
            with Session() as s:
                s.start(["sleep", "300"])
                procs = [(pid, cmdline_of(pid)) for pid in s.pids()]
                tmpdir = s.tmpdir
                1 / 0
        self.assert_all_gone(procs, tmpdir)

    def test_missing_xvfb_is_named_with_its_package(self):
        with tempfile.TemporaryDirectory() as empty:
            with mock.patch.dict(os.environ, {"PATH": empty}):
                with self.assertRaisesRegex(HarnessError, "Xvfb not found: install xvfb"):
                    Session().open()

    def run_cli(self, script):
        return subprocess.run([sys.executable, HARNESS, "run", "--", "sh", "-c", script],
                              capture_output=True, text=True, timeout=60)

    def test_run_propagates_exit_codes(self):
        self.assertEqual(self.run_cli("exit 0").returncode, 0)
        self.assertEqual(self.run_cli("exit 7").returncode, 7)
        self.assertEqual(self.run_cli("kill -TERM $$").returncode, 128 + 15)

    def test_run_gives_the_command_the_display_and_the_sink(self):
        result = self.run_cli('echo "$DISPLAY"; xdpyinfo >/dev/null && pactl info')
        self.assertEqual(result.returncode, 0, result.stderr)
        display = result.stdout.splitlines()[0]
        self.assertRegex(display, r"^:\d+$")
        self.assertNotEqual(display, os.environ.get("DISPLAY"))
        self.assertIn("Default Sink: tallowfen_e2e", result.stdout)

    def test_run_ends_what_the_command_left_behind(self):
        with tempfile.TemporaryDirectory() as d:
            pidfile = os.path.join(d, "pid")
            # Detached from the output pipes, so only the session can end it.
            result = self.run_cli(f"sleep 300 >/dev/null 2>&1 & echo $! > {pidfile}; exit 0")
            self.assertEqual(result.returncode, 0, result.stderr)
            with open(pidfile) as f:
                pid = int(f.read())
        self.addCleanup(lambda: process_alive(pid) and os.kill(pid, 9))
        self.assertFalse(process_alive(pid), f"background sleep {pid} survived")

    def test_run_cleans_up_when_it_is_terminated(self):
        harness = subprocess.Popen([sys.executable, HARNESS, "run", "--", "sh", "-c",
                                    'echo "$$"; exec sleep 300'], stdout=subprocess.PIPE, text=True)
        self.addCleanup(lambda: harness.poll() is None and harness.kill())
        pid = int(harness.stdout.readline())
        self.addCleanup(lambda: process_alive(pid) and os.kill(pid, 9))
        children = children_of(harness.pid)
        self.assertIn(pid, [p for p, _ in children])
        self.assertGreaterEqual(len(children), 4, f"expected Xvfb, pulseaudio, its reader and "
                                                  f"the command among {children}")
        harness.terminate()
        self.assertEqual(harness.wait(30), 128 + 15)
        harness.stdout.close()
        self.assertFalse(process_alive(pid), "the command outlived the harness")
        for child, cmdline in children:
            # The command's own line may have been read before its exec.
            if child != pid:
                self.assertFalse(process_alive(child, cmdline), f"{cmdline} outlived the harness")

    def test_run_of_a_missing_program_says_so(self):
        result = subprocess.run([sys.executable, HARNESS, "run", "--", "/nonexistent/tallowfen"],
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(result.returncode, 127)
        self.assertIn("program not found: /nonexistent/tallowfen", result.stderr)

    def test_run_without_a_command_is_an_error(self):
        result = subprocess.run([sys.executable, HARNESS, "run", "--"], capture_output=True,
                                text=True, timeout=60)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("needs a command", result.stderr)


if __name__ == "__main__":
    unittest.main()
