"""The mix as heard in a crowded level: fire held and the player walking,
with the music under it, must stay clear of full scale and sit at a steady
loudness (EBU R128, measured by libebur128).

Run as a script it measures a longer stretch and prints the figures:
    python3 tests/e2e/test_mix_levels.py --seconds 30 [--wav OUT.wav]
"""

import argparse
import os
import sys
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_game import ROOT, GameRun  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402
import e2e_audio  # noqa: E402

LEVEL = "30"
PEAK_LIMIT = 10 ** (-1 / 20)   # -1 dBFS
LOUDNESS_RANGE = (-20.0, -14.0)


def record_play(session, seconds):
    """Starts a game at LEVEL and returns what is heard while fighting."""
    run = GameRun(session)
    try:
        run.start("--level", LEVEL)
        game = GameDriver(run.app, run.win)
        time.sleep(1.0)  # the birds set off
        rec = session.record()
        game.fight_while_walking(seconds)
        return rec.stop()
    finally:
        run.remove()


class MixLevelsTest(unittest.TestCase):
    def test_fighting_at_level_30_neither_clips_nor_strays_in_loudness(self):
        with Session() as session:
            heard = record_play(session, 10.0)
        measured = heard.loudness()
        self.assertGreater(heard.duration(), 9.0)
        self.assertLessEqual(measured.peak, PEAK_LIMIT, f"{e2e_audio.ebur128.dbfs(measured.peak):.2f} dBFS")
        low, high = LOUDNESS_RANGE
        self.assertTrue(low <= measured.integrated <= high, f"{measured.integrated:.1f} LUFS")


def main():
    parser = argparse.ArgumentParser(description="measure the mix in play at level " + LEVEL)
    parser.add_argument("--seconds", type=float, default=30.0)
    parser.add_argument("--wav", help="also save the recording here")
    args = parser.parse_args()
    with Session() as session:
        heard = record_play(session, args.seconds)
    if args.wav:
        heard.save_wav(args.wav)
    measured = heard.loudness()
    print(f"{heard.duration():.1f} s: peak {e2e_audio.ebur128.dbfs(measured.peak):.2f} dBFS, "
          f"{heard.clipped()} samples at full scale, {heard.clipped(int(PEAK_LIMIT * 32768) + 1)} above -1 dBFS, "
          f"integrated {measured.integrated:.1f} LUFS, loudest momentary {measured.momentary_max:.1f} LUFS")


if __name__ == "__main__":
    main()
