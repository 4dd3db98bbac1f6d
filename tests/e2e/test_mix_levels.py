"""The mix as heard in a crowded level, from its first frame through a fight
(fire held, the player walking) to the player's death: it must stay clear of
full scale, sit at a steady loudness (EBU R128, measured by libebur128), and
its limiter must leave ordinary play alone.

Run as a script it measures a longer stretch and prints the figures:
    python3 tests/e2e/test_mix_levels.py --seconds 30 [--wav OUT.wav] [--reduction OUT.txt]
"""

import argparse
import os
import sys
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from test_game import BINARY, ROOT, GameRun  # noqa: E402

sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402
import e2e_audio  # noqa: E402

LEVEL = "30"
PEAK_LIMIT = 10 ** (-1 / 20)   # -1 dBFS
LOUDNESS_RANGE = (-20.0, -14.0)
# The limiter may turn the mix down by more than this for 5% of a fight at most.
QUIET_REDUCTION_DB = 1.0
FIGHT_SECONDS = 10.0


def record_play(session, seconds):
    """Starts a game at LEVEL with the recording already running, fights for
    `seconds`, lets the birds finish the player if they have not yet, and
    quits once the death screen shows. Returns what was heard and the
    limiter's record: (the mix's peak in dBFS, its gain reduction in dB)
    every 10 ms."""
    run = GameRun(session)
    reduction = os.path.join(run.dir, "reduction.txt")
    try:
        rec = session.record()
        run.app = session.start([BINARY, "--level", LEVEL], cwd=run.dir,
                                env_extra={"TALLOWFEN_MIX_RECORD": reduction})
        run.win = run.app.window("Tallowfen", timeout=20)
        GameDriver(run.app, run.win).fight_while_walking(seconds)
        run.app.wait_event(r"state 2$", timeout=60)  # the death screen, after the death's long freeze
        heard = rec.stop()
        GameDriver(run.app, run.win).key("Escape")
        if run.app.wait(10) != 0:
            raise AssertionError(run.app.describe_output())
        with open(reduction) as f:
            return heard, [tuple(map(float, line.split())) for line in f]
    finally:
        run.remove()


class MixLevelsTest(unittest.TestCase):
    def test_level_start_fight_and_death_neither_clip_nor_stray_in_loudness(self):
        with Session() as session:
            heard, record = record_play(session, FIGHT_SECONDS)
        reduction = [r for _, r in record]
        start = heard.sound_start()
        self.assertIsNotNone(start, "the game is heard")
        self.assertGreater(heard.duration() - start, FIGHT_SECONDS)  # the fight, the death and its freeze
        peak = heard.peak()
        self.assertLessEqual(peak, PEAK_LIMIT, f"{e2e_audio.ebur128.dbfs(peak):.2f} dBFS")
        fight = e2e_audio.Sound(heard._span(start, start + FIGHT_SECONDS), heard.rate)
        integrated = fight.loudness().integrated
        low, high = LOUDNESS_RANGE
        self.assertTrue(low <= integrated <= high, f"{integrated:.1f} LUFS")
        self.assertGreater(len(reduction), 1000, "the limiter kept a record of the fight")
        quiet = sum(1 for r in reduction if r <= QUIET_REDUCTION_DB) / len(reduction)
        self.assertGreaterEqual(quiet, 0.95, f"within {QUIET_REDUCTION_DB} dB for {quiet:.1%} of the fight")


def main():
    parser = argparse.ArgumentParser(description="measure the mix in play at level " + LEVEL)
    parser.add_argument("--seconds", type=float, default=30.0)
    parser.add_argument("--wav", help="also save the recording here")
    parser.add_argument("--reduction", help="also save the limiter's record here: the mix's peak (dBFS) and "
                                            "gain reduction (dB) every 10 ms")
    args = parser.parse_args()
    with Session() as session:
        heard, record = record_play(session, args.seconds)
    reduction = [r for _, r in record]
    if args.wav:
        heard.save_wav(args.wav)
    if args.reduction:
        with open(args.reduction, "w") as f:
            f.writelines(f"{p} {r}\n" for p, r in record)
    measured = heard.loudness()
    deep = sorted(reduction)
    print(f"{heard.duration():.1f} s: peak {e2e_audio.ebur128.dbfs(measured.peak):.2f} dBFS, "
          f"{heard.clipped()} samples at full scale, {heard.clipped(int(PEAK_LIMIT * 32768) + 1)} above -1 dBFS, "
          f"integrated {measured.integrated:.1f} LUFS, loudest momentary {measured.momentary_max:.1f} LUFS; "
          f"limiter: {sum(1 for r in reduction if r > 0.01) / len(reduction):.1%} of the time at work, "
          f"95th percentile {deep[int(0.95 * len(deep))]:.2f} dB, deepest {deep[-1]:.2f} dB")


if __name__ == "__main__":
    main()
