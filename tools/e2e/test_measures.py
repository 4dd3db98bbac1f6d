"""Tests of the harness's measurements on images and sounds built in memory,
so a wrong answer from them cannot hide behind a real program's output."""

import array
import math
import os
import random
import struct
import subprocess
import sys
import tempfile
import unittest
import wave

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

import e2e_audio  # noqa: E402
from e2e_audio import Sound  # noqa: E402
from e2e_image import Shot  # noqa: E402

RED, BLUE, GREY = (200, 30, 30), (20, 40, 220), (128, 128, 128)


def make_shot():
    """A 10x8 grey image with a 3x2 red block at (2, 1) and a near-red pixel
    at (8, 6) that only a tolerance should match."""
    w, h = 10, 8
    px = [GREY] * (w * h)
    for y in range(1, 3):
        for x in range(2, 5):
            px[y * w + x] = RED
    px[6 * w + 8] = (205, 26, 30)
    px[0] = BLUE
    return Shot(w, h, bytes(c for p in px for c in p))


def tone_then_silence(lead, tone, amplitude, rate=44100):
    """Stereo samples: lead seconds of silence, then tone seconds of a sine,
    then a quarter second of silence."""
    s = array.array("h")
    s.extend([0] * int(lead * rate) * 2)
    for i in range(int(tone * rate)):
        v = int(amplitude * 32767 * math.sin(2 * math.pi * 1000 * i / rate))
        s.extend((v, v))
    s.extend([0] * int(0.25 * rate) * 2)
    return Sound(s, rate, 2)


def tune(pitches, rate=44100):
    """Twelve seconds of stereo samples: a quarter second of each pitch in turn, over and over."""
    s = array.array("h")
    for i in range(12 * rate):
        v = int(8000 * math.sin(2 * math.pi * pitches[i * 4 // rate % len(pitches)] * i / rate))
        s.extend((v, v))
    return Sound(s, rate, 2)


class ShotTest(unittest.TestCase):
    """Pixel queries and the PNG writer."""

    def test_pixel_reads_row_major_rgb(self):
        shot = make_shot()
        self.assertEqual(shot.pixel(0, 0), BLUE)
        self.assertEqual(shot.pixel(2, 1), RED)
        self.assertEqual(shot.pixel(5, 1), GREY)
        with self.assertRaises(IndexError):
            shot.pixel(10, 0)

    def test_count_exact_and_with_tolerance_and_in_a_box(self):
        shot = make_shot()
        self.assertEqual(shot.count(RED), 6)
        self.assertEqual(shot.count(RED, tol=5), 7)
        self.assertEqual(shot.count(RED, box=(3, 0, 10, 2)), 2)
        self.assertEqual(shot.count(GREY), 80 - 6 - 1 - 1)

    def test_bbox_of_matching_pixels(self):
        shot = make_shot()
        self.assertEqual(shot.bbox_of(RED), (2, 1, 3, 2))
        self.assertEqual(shot.bbox_of(RED, tol=5), (2, 1, 7, 6))
        self.assertIsNone(shot.bbox_of((0, 255, 0)))

    def test_region_colors_and_dominant_color(self):
        shot = make_shot()
        colors = shot.region_colors((2, 1, 3, 2))
        self.assertEqual(dict(colors), {RED: 6})
        self.assertEqual(shot.dominant_color(), GREY)

    def test_rejects_data_of_the_wrong_size(self):
        with self.assertRaises(ValueError):
            Shot(4, 4, b"\0" * 47)

    def test_png_is_read_back_by_imagemagick(self):
        shot = make_shot()
        with tempfile.TemporaryDirectory() as d:
            path = shot.save(os.path.join(d, "shot.png"))
            out = subprocess.run(["convert", path, "-depth", "8", "rgb:-"], capture_output=True,
                                 timeout=30, check=True).stdout
        self.assertEqual(out, shot.rgb, "the PNG does not decode to the pixels written")


class SoundTest(unittest.TestCase):
    """Levels and timing measured on synthetic audio."""

    def test_levels_of_a_sine(self):
        sound = tone_then_silence(0.0, 0.5, 0.5)
        self.assertAlmostEqual(sound.peak(), 0.5, delta=0.001)
        self.assertAlmostEqual(sound.rms(0.0, 0.5), 0.5 / math.sqrt(2), delta=0.002)
        self.assertFalse(sound.is_silent())

    def test_ebu_r128_loudness_of_sines(self):
        # a 1 kHz sine at -20 dBFS on both sides reads -20 LUFS; a tenth of a
        # second of it fills a quarter of the 400 ms window: 6 LU less
        for seconds, channels, momentary in ((3.0, 2, -20.0), (3.0, 1, -20.0), (0.1, 2, -26.0)):
            stereo = tone_then_silence(0.0, seconds, 0.1)
            sound = Sound(stereo.samples[::2], channels=1) if channels == 1 else stereo
            measured = sound.loudness()
            self.assertAlmostEqual(measured.momentary_max, momentary, delta=0.2, msg=(seconds, channels))
            self.assertAlmostEqual(measured.peak, 0.1, delta=0.001)
        self.assertAlmostEqual(tone_then_silence(0.0, 3.0, 0.1).loudness().integrated, -20.0, delta=0.3)
        self.assertEqual(Sound(array.array("h", [0] * 8820)).loudness().integrated, -math.inf)
        self.assertEqual(Sound(array.array("h", [32767, -32768, 100, 32766])).clipped(), 2)

    def test_pitch_and_sides_of_a_sine(self):
        sound = tone_then_silence(0.1, 0.5, 0.5)
        self.assertAlmostEqual(sound.frequency(), 1000.0, delta=1.0)
        self.assertEqual(sound.sides_differ(), 0.0)
        self.assertIsNone(tone_then_silence(0.1, 0.5, 0.01).frequency(), "too quiet to tell")
        # A gap in the middle, as an output that missed a period leaves, keeps the pitch.
        gapped = Sound(sound.samples[:13000] + array.array("h", [0] * 600) + sound.samples[13000:], channels=2)
        self.assertAlmostEqual(gapped.frequency(), 1000.0, delta=1.0)

    def test_digital_silence(self):
        sound = Sound(array.array("h", [0] * 8820))
        self.assertTrue(sound.is_silent())
        self.assertEqual(sound.rms(), 0.0)
        self.assertIsNone(sound.sound_start())
        self.assertAlmostEqual(sound.duration(), 0.1)

    def test_start_and_end_of_sound(self):
        sound = tone_then_silence(0.3, 0.4, 0.2)
        self.assertAlmostEqual(sound.sound_start(), 0.3, delta=0.011)
        self.assertAlmostEqual(sound.sound_end(), 0.7, delta=0.011)
        self.assertAlmostEqual(sound.duration(), 0.95, delta=0.001)

    def test_rms_over_time_follows_the_envelope(self):
        levels = tone_then_silence(0.1, 0.1, 0.4).rms_over_time(50)
        self.assertEqual([round(t, 2) for t, _ in levels[:4]], [0.0, 0.05, 0.1, 0.15])
        self.assertEqual(levels[0][1], 0.0)
        self.assertAlmostEqual(levels[2][1], 0.4 / math.sqrt(2), delta=0.01)
        self.assertEqual(levels[-1][1], 0.0)

    def test_likeness_finds_a_tune_at_any_offset_and_level_but_not_another(self):
        pitches = [220, 330, 262, 294, 392, 440, 349, 247, 523, 196, 370, 311]
        theme = tune(pitches)
        heard = Sound(array.array("h", [v // 3 for v in theme.samples[2 * 98765:]]))
        self.assertGreater(heard.likeness(theme, 1.0), 0.99)
        self.assertLess(heard.likeness(tune([p * 1.06 for p in pitches]), 1.0), 0.5, "a semitone up")

    def test_correlation_at_every_offset_is_the_plain_sum(self):
        rng = random.Random(5)
        for limit in (1, 300, 65536):
            part = [rng.randint(-limit, limit) for _ in range(rng.randrange(1, 200))]
            whole = [rng.randint(-limit, limit) for _ in range(len(part) + rng.randrange(300))]
            first = rng.randrange(len(whole) - len(part) + 1)
            count = rng.randrange(1, len(whole) - len(part) - first + 2)
            with self.subTest(limit=limit, n=len(part), first=first, count=count):
                plain = [sum(p * q for p, q in zip(part, whole[k:])) for k in range(first, first + count)]
                self.assertEqual(e2e_audio._dot_products(part, whole, first, count), plain)
                # The same best offset and coefficient as floats, which take the plain sums.
                fast = e2e_audio._best_match(part, whole, range(first, first + count))
                slow = e2e_audio._best_match([float(v) for v in part], whole, range(first, first + count))
                self.assertEqual(fast[1], slow[1])
                self.assertAlmostEqual(fast[0], slow[0], places=9)

    def test_from_raw_bytes_drops_a_partial_frame(self):
        data = struct.pack("<4h", 1000, -1000, 2000, -2000) + b"\x01"
        sound = Sound.from_s16le(data)
        self.assertEqual(list(sound.samples), [1000, -1000, 2000, -2000])

    def test_wav_round_trip(self):
        sound = tone_then_silence(0.0, 0.1, 0.3)
        with tempfile.TemporaryDirectory() as d:
            path = sound.save_wav(os.path.join(d, "s.wav"))
            with wave.open(path) as w:
                self.assertEqual((w.getnchannels(), w.getframerate()), (2, 44100))
                back = Sound.from_s16le(w.readframes(w.getnframes()))
        self.assertEqual(back.samples, sound.samples)


if __name__ == "__main__":
    unittest.main()
