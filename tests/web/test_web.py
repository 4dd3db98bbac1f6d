"""The web build in a real headless Chromium: its menu as the native game
draws it, a level played with keys and the mouse, its sound, saves that
outlive a reload, demos verified in the page, and a clear word when the
browser lacks what the game needs."""

import math
import os
import re
import subprocess
import sys
import tempfile
import unittest

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))

import native  # noqa: E402
from webpage import (GREEN, Browser, SiteServer, bird_at, level_finished, menu_shown,  # noqa: E402
                     page_url, site_from_env, wait_for)

SITE = site_from_env()
NO_SITE = "TALLOWFEN_WEB_SITE names no built site (build-web/site once built)"
SHOTS = os.path.join(tempfile.gettempdir(), "tallowfen-web-shots")
HUD_BLUE = (0, 121, 241)
WHITE = (255, 255, 255)
ENEMY_LINE = re.compile(r"^\d+ \d+$")  # a bird's starting tile, printed as a level starts


def header(demo):
    text = demo.split(b"\nend\n", 1)[0].decode()
    return dict(line.split(" ", 1) for line in text.splitlines()[1:])


class WebGameTest(unittest.TestCase):
    """One server and one browser for all; each test starts as a first
    visit, with no saves."""

    @classmethod
    def setUpClass(cls):
        if SITE is None:
            raise unittest.SkipTest(NO_SITE)
        cls.server = SiteServer(SITE).start()
        cls.addClassCleanup(cls.server.stop)
        cls.browser = Browser()
        cls.addClassCleanup(cls.browser.quit)

    def setUp(self):
        self.browser.forget(self.server.base)

    def open(self, *args, events=True, wait_running=True):
        return self.browser.open(page_url(self.server.base, args, events=events), wait_running)

    def menu(self, *args):
        page = self.open(*args)
        page.wait_picture(menu_shown, what="the main menu")
        return page

    def test_menu_matches_the_native_menu(self):
        binary = native.binary_from_env()
        if not os.access(binary, os.X_OK):
            self.skipTest(f"no native game at {binary} (TALLOWFEN_BINARY)")
        page = self.menu()
        self.assertEqual(page.canvas_size(), (600, 450))
        page.wait_frames(60)  # as the native pictures: the FPS counter settled
        os.makedirs(SHOTS, exist_ok=True)
        web = page.picture()
        web.save(os.path.join(SHOTS, "menu-web.png"))
        page.picture(whole=True).save(os.path.join(SHOTS, "menu-web-canvas.png"))
        natives = native.menu_pictures(binary, keep_first=os.path.join(SHOTS, "menu-native-window.png"))
        natives[0].save(os.path.join(SHOTS, "menu-native.png"))
        self.assertGreater(native.animated(natives), 0, "the grain and the crab move between native pictures")
        wrong = native.differences(web, natives)
        self.assertLessEqual(len(wrong), 320 * 240 // 1000, f"first differing virtual pixels {wrong[:12]}; see {SHOTS}")

    def play_level_one(self):
        """NEW GAME from the menu, then D and fire held, aimed at the bird in
        view, until the level is finished; returns the page."""
        page = self.menu()
        page.click_until(85, 100, lambda: any(map(ENEMY_LINE.match, page.stdout_lines())), "level 1's bird")
        page.wait_event("state 1")
        self.assertEqual(len([line for line in page.stdout_lines() if ENEMY_LINE.match(line)]), 1)
        page.wait_frames(5)
        hud = page.picture()
        panel = hud.dominant_color((245, 225, 70, 10))
        self.assertTrue(all(abs(a - b) <= 24 for a, b in zip(panel, HUD_BLUE)), panel)
        self.assertGreater(hud.count(WHITE, box=(250, 8, 60, 20)), 10, "Level 1")

        def aim():
            picture = page.picture()
            if level_finished(picture):
                return True
            if (bird := bird_at(picture)) is not None:
                page.move(*bird)
        page.move(120, 120)
        page.key_down("d")
        page.mouse_down()
        try:
            wait_for(aim, 60, '"Level finished!"')
        finally:
            page.release()
        self.assertNotIn("state 2", page.events(), "the crab lived")
        return page

    def test_new_game_plays_level_one_with_keys_and_mouse(self):
        self.play_level_one()

    def test_sound_starts_with_the_first_click_or_key(self):
        for gesture in ("click", "key"):
            with self.subTest(gesture):
                self.browser.forget(self.server.base)
                page = self.menu()
                self.assertEqual(page.element("sound-note"), [True, "Click or press a key to start the sound."])
                self.assertEqual(page.audio(), {"state": "suspended", "heard": {"frames": 0, "rms": 0, "peak": 0}})
                if gesture == "click":
                    page.click(300, 230)  # on no button
                else:
                    page.key("x")  # bound to nothing
                played = wait_for(lambda: (a := page.audio())["heard"]["frames"] >= 44100 and a, 20,
                                  "a second of sound played")
                self.assertEqual(played["state"], "running")
                self.assertGreater(played["heard"]["rms"], 0.01, "the menu's music, not silence")
                self.assertGreater(played["heard"]["peak"], played["heard"]["rms"])
                self.assertNotEqual(page.element("sound-note"), [True, "Click or press a key to start the sound."])

    def test_settings_saved_outlive_a_reload(self):
        page = self.menu()

        def settings_shown():
            return page.picture().count(WHITE, box=(100, 5, 200, 40)) > 100

        def music_ticked():
            return page.picture().pixel(205, 62) == (0, 0, 0)
        page.click_until(240, 100, settings_shown, "the settings screen")
        self.assertTrue(music_ticked())
        page.click_until(205, 62, lambda: not music_ticked(), "the music box unticked")
        page.click_until(60, 205, lambda: page.picture().count(GREEN, box=(20, 160, 80, 30)) > 25, '"Saved :)"')
        folder = wait_for(page.saves_folder, what="the saves folder")
        self.assertEqual(page.read(folder + "/settings"), b"011")

        page = self.menu()
        self.assertEqual(page.read(folder + "/settings"), b"011", "kept in IndexedDB")
        page.click_until(240, 100, settings_shown, "the settings screen")
        self.assertFalse(music_ticked(), "read back at start")

    def test_a_run_left_for_the_menu_leaves_a_demo_that_verifies(self):
        page = self.play_level_one()
        since = len(page.lines())
        page.key("q")
        page.wait_event("state 3", since)  # the shop
        page.click_until(60, 75, lambda: ("log", "state 0") in page.lines()[since:], "the main menu")  # Menu
        demos = wait_for(lambda: [f for f in page.files() if re.search(r"/demos/[^/]+\.demo$", f)],
                         what="a demo in the saves")
        self.assertEqual(len(demos), 1, demos)
        recorded = page.read(demos[0])
        head = header(recorded)
        self.assertEqual((head["start"], head["kills"]), ("1", "1"), head)

        verified = [f"level {head['level']}, gold {head['gold']}, kills {head['kills']}, digest {head['digest']}",
                    "matches the recording"]
        verify = self.open("--verify", demos[0], events=False, wait_running=False)
        verify.wait_line(r"(matches the recording|differs|tallowfen: )", 60)
        self.assertEqual(verify.stdout_lines(), verified)
        # The same bytes play the same run on the desktop, on raylib 5.5 too when it is built.
        binaries = [native.binary_from_env()] + [b for b in [os.environ.get("TALLOWFEN_RAYLIB_BINARY")] if b]
        with tempfile.NamedTemporaryFile(suffix=".demo") as demo:
            demo.write(recorded)
            demo.flush()
            for binary in binaries:
                run = subprocess.run([binary, "--verify", demo.name], cwd=ROOT, capture_output=True, text=True,
                                     timeout=600)
                self.assertEqual((run.returncode, run.stdout.splitlines()[-2:]), (0, verified), binary)
            # Stepped as the board asks of a run, at the page's pace; and kept with the desktop builds' fresh runs.
            if os.environ.get("BOARD_BINARY"):
                steps = subprocess.run([os.environ["BOARD_BINARY"], "--check-steps", demo.name], capture_output=True,
                                       text=True, timeout=60)
                self.assertEqual(steps.returncode, 0, steps.stdout)
        if os.environ.get("TALLOWFEN_FRESH_DEMOS"):
            with open(os.path.join(os.environ["TALLOWFEN_FRESH_DEMOS"], "web.demo"), "wb") as kept:
                kept.write(recorded)

    def test_pictures_come_as_downloads_a_pad_and_a_lost_focus_pause(self):
        page = self.open("--level", "2")
        page.wait_event("state 1")
        with tempfile.TemporaryDirectory() as downloads:
            self.browser.driver.execute_cdp_cmd("Browser.setDownloadBehavior",
                                                {"behavior": "allow", "downloadPath": downloads})
            page.key("F9")
            shots = wait_for(lambda: [n for n in os.listdir(downloads) if n.endswith(".png")], 20, "a download")
            self.assertRegex(shots[0], r"^tallowfen-[-0-9]+-level2\.png$")
            with open(os.path.join(downloads, shots[0]), "rb") as f:
                self.assertEqual(f.read(8), b"\x89PNG\r\n\x1a\n")
        self.assertFalse([f for f in page.files("/home") if f.endswith(".png")], "nothing left in the page")
        # A pad through the browser's Gamepad API, in its standard layout: Start (9) pauses and resumes.
        page.js("const b = () => Array.from({length: 17}, () => ({pressed: false, value: 0}));"
                "window.pad = {id: 'test pad', index: 0, connected: true, mapping: 'standard', timestamp: 1,"
                "              axes: [0, 0, 0, 0], buttons: b()};"
                "navigator.getGamepads = () => [window.pad];")
        for paused in ("paused 1", "paused 0"):
            since = len(page.lines())
            page.js("window.pad.buttons[9] = {pressed: true, value: 1}; window.pad.timestamp++;")
            page.wait_event(paused, since)
            page.js("window.pad.buttons[9] = {pressed: false, value: 0}; window.pad.timestamp++;")
            page.wait_frames(3)
        since = len(page.lines())
        page.js("window.dispatchEvent(new Event('blur'))")
        page.wait_event("paused 1", since)


# Animation frames and performance.now from a fake display, given when asked, `jitter` ms off, the clock jumping
# `gap` ms after a second (a tab hidden, then shown); __shown: the frames the game had shown after each.
FAKE_DISPLAY = """(() => {
  let [rate, jitter, gap, ticks] = %s, shown = window.__shown = [0], waiting = [], now = 1000;
  const channel = new MessageChannel();
  performance.now = () => now;
  window.requestAnimationFrame = (callback) => waiting.push(callback) === 1 && channel.port2.postMessage(0);
  channel.port1.onmessage = () => {
    const tick = shown.length;
    if (tick > ticks) return;
    now = 1000 + tick * 1000 / rate + jitter * Math.sin(tick * 2.1) + (tick > rate ? gap : 0);
    waiting.splice(0).forEach((callback) => callback(now));
    shown.push(window.tallowfen.frames);
  };
})();"""


@unittest.skipIf(SITE is None, NO_SITE)
class FramePacingTest(unittest.TestCase):
    def test_sixty_frames_a_second_at_any_display_rate_counted_on_the_displays_clock(self):
        for rate, jitter, gap in ((60, 0, 0), (60, 3, 0), (120, 0, 0), (144, 0, 0), (144, 0, 1000)):
            with self.subTest(rate=rate, jitter=jitter, gap=gap), SiteServer(SITE) as server, \
                    Browser(before_page=[FAKE_DISPLAY % [rate, jitter, gap, rate * 5]]) as browser:
                page = browser.open(page_url(server.base, env=["TALLOWFEN_FRAME_TIMES=/tmp/frame-times"]))
                shown = wait_for(lambda: len(s := page.js("return window.__shown")) > rate * 5 and s, 180, "frames")
                per_second = [shown[rate * (s + 1)] - shown[rate * s] for s in range(1, 5)]
                self.assertTrue(all(abs(n - 60) <= 1 for n in per_second), per_second)
                if rate == 60:
                    self.assertEqual(shown, list(range(len(shown))), "an animation frame skipped")
                # The game's frame time is the time between the animation frames it took.
                times = [k * 1000 / rate + jitter * math.sin(k * 2.1) + (k > rate) * gap for k in range(len(shown))]
                taken = [times[k] for k in range(1, len(shown)) if shown[k] > shown[k - 1]]
                expected = [1000 / 60] + [b - a for a, b in zip(taken, taken[1:])]
                seen = zip(page.tallowfen("t.frameTimes"), expected, strict=True)
                self.assertLess(max(abs(a - b) for a, b in seen), 0.01, expected[:12])


class MissingFeatureTest(unittest.TestCase):
    """A browser without what the game needs gets the page's explanation."""

    def test_missing_webgl2_webassembly_or_data_is_explained(self):
        if SITE is None:
            self.skipTest(NO_SITE)
        rows = (  # flags, scripts before the page's, a file the site lacks, a word of the message
            (["--disable-webgl2"], [], None, "WebGL 2"),
            ([], ["delete window.WebAssembly;"], None, "WebAssembly"),
            ([], [], "tallowfen.data", "data"),
        )
        for flags, scripts, missing, word in rows:
            with self.subTest(word), tempfile.TemporaryDirectory() as partial:
                for name in os.listdir(SITE):
                    if name != missing:
                        os.symlink(os.path.join(SITE, name), os.path.join(partial, name))
                with SiteServer(partial) as server, Browser(flags, scripts) as browser:
                    page = browser.open(page_url(server.base), wait_running=False)
                    shown = wait_for(lambda: (e := page.element("error")) and e[0] and e, 30, "#error shown")
                    self.assertIn(word, shown[1])
                    self.assertEqual(page.frames(), 0)


if __name__ == "__main__":
    unittest.main()
