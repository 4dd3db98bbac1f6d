"""Where no PulseAudio server answers, the game's music comes out of ALSA's
default device, as a raylib game's does."""

import os
import sys
import time
import unittest

from test_game import BINARY, ROOT, GameCase

sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

from e2e_audio import FRAME_BYTES, RATE, write_asoundrc  # noqa: E402
from e2e_common import wait_until  # noqa: E402
from harness import Sound  # noqa: E402


class AlsaFallbackTest(GameCase):
    def start_on_alsa(self, floats=True, paced=True):
        """The game with ALSA's default device keeping what it plays in played.raw."""
        run = self.game()
        played = os.path.join(run.dir, "played.raw")
        write_asoundrc(run.dir, played, floats, paced)
        # A server named but not there, and nowhere else to look for one.
        env = {"HOME": run.dir, "XDG_RUNTIME_DIR": run.dir, "PULSE_SERVER": f"unix:{run.dir}/none"}
        run.app = self.session.start([BINARY], cwd=run.dir, env_extra=env)
        run.win = run.app.window("Tallowfen", timeout=20)
        return run, played

    @staticmethod
    def heard(played):
        with open(played, "rb") as f:
            return Sound.from_s16le(f.read())

    def wait_heard(self, played, seconds):
        """Waits until the device has been given `seconds` of sound."""
        def enough():
            # Not yet that long at all: no need to read and measure it.
            if not os.path.exists(played) or os.path.getsize(played) < seconds * RATE * FRAME_BYTES:
                return False
            heard = self.heard(played)
            start = heard.sound_start()
            return start is not None and heard.duration() - start >= seconds
        self.assertTrue(wait_until(enough, 20, interval=0.1), f"{seconds} s of sound on ALSA's default device")

    def assert_menu_track(self, played):
        """The samples follow the menu track's, and not just any music's. The
        best of three places, as a loaded machine may drop a period at one."""
        heard = self.heard(played)
        start = heard.sound_start()
        self.assertIsNotNone(start, "the menu track plays")
        places = (0.5, 1.0, 1.5)
        self.assertTrue(any(heard.likeness(self.menu, start + t) > 0.9 for t in places), "the menu track")
        self.assertTrue(all(heard.likeness(self.ingame, start + t) < 0.5 for t in places), "another track")

    @classmethod
    def setUpClass(cls):
        cls.menu, cls.ingame = (Sound.from_mp3(os.path.join(ROOT, "assets", name))
                                for name in ("menu.mp3", "ingame.mp3"))

    def test_menu_music_plays_on_alsa_default_device_without_a_server(self):
        for floats in (True, False):
            with self.subTest(device_takes_floats=floats):
                run, played = self.start_on_alsa(floats)
                self.wait_heard(played, 3.6)  # the likeness looks up to 3.5 s in
                self.quit_with_escape(run)
                self.assert_menu_track(played)

    @unittest.skipIf(os.environ.get("TALLOWFEN_BUNDLED_LAYER") == "0",
                     "raylib's own mixer feeds such a device as fast as it takes samples: "
                     "the pacing tested here is the bundled layer's")
    def test_a_device_that_never_blocks_is_fed_in_real_time(self):
        run, played = self.start_on_alsa(paced=False)
        self.assertTrue(wait_until(lambda: os.path.exists(played) and os.path.getsize(played) > 0, 10),
                        "nothing was played on ALSA's default device")
        first, then = os.path.getsize(played), time.monotonic()
        time.sleep(2.0)  # the pace is what is measured here
        rate = (os.path.getsize(played) - first) / (time.monotonic() - then) / (RATE * FRAME_BYTES)
        self.quit_with_escape(run)
        self.assertTrue(0.8 < rate < 1.2, f"{rate:.2f} times real time")
        self.assert_menu_track(played)


if __name__ == "__main__":
    unittest.main()
