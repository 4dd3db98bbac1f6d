"""Tests for the asset generator and the committed files it produces.

Run from the repository root:  python3 -m unittest tools/assetgen/test_generate.py
The generator runs three times, side by side (about 30 s of CPU each).
"""

import array
import math
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest
import wave
from pathlib import Path

HERE = Path(__file__).resolve().parent
sys.path.insert(0, str(HERE))

import loudness  # noqa: E402
import music  # noqa: E402
import mp3  # noqa: E402
import pixelsrc  # noqa: E402
import sfx  # noqa: E402
from errors import SourceError  # noqa: E402
from pngio import PngError, decode_rgba  # noqa: E402

REPO = HERE.parents[1]
GENERATOR = [sys.executable, str(HERE / "generate.py")]

IMAGES = {
    "assets/crab.png": (64, 32), "assets/bird.png": (96, 48),
    "assets/gold_single.png": (8, 8), "assets/potion_health.png": (8, 8),
    "assets/upgrade_icons/GoldMultiplier.png": (16, 16),
    "assets/upgrade_icons/GoldSpawns.png": (16, 16),
    "assets/upgrade_icons/GoldMagnet.png": (16, 16),
    "assets/upgrade_icons/FasterProjectile.png": (16, 16),
    "assets/upgrade_icons/Ricochet.png": (16, 16),
    "assets/tilemap.png": (24, 24),
}
# the desktop icon: size -> (drawing it is scaled from, scale)
ICONS = {16: (16, 1), 32: (32, 1), 48: (16, 3), 64: (32, 2), 128: (32, 4), 256: (32, 8)}
IMAGES.update({f"packaging/icons/{n}x{n}/tallowfen.png": (n, n) for n in ICONS})
# shortest and longest acceptable length of each sound, in seconds
SOUNDS = {
    "assets/select.wav": (0.03, 0.25), "assets/explosion.wav": (0.15, 0.6),
    "assets/hit.wav": (0.04, 0.25), "assets/click.wav": (0.03, 0.149),
    "assets/levelup.wav": (0.4, 1.2), "assets/pickupCoin.wav": (0.1, 0.5),
    "assets/potion_health.wav": (0.3, 1.0), "assets/death.wav": (0.8, 1.5),
    "assets/gold_spawn.wav": (0.08, 0.4),
}
# each track and its source; every track lasts at least this long, in seconds
MUSIC = {"assets/menu.mp3": "music/menu.txt", "assets/ingame.mp3": "music/ingame.txt"}
SHORTEST_TRACK = 90.0
# Levels as played, with the rest of the mix in mind: (quietest, loudest)
# in LUFS, loudest momentary for an effect and integrated for music, and the
# highest sample peak. Frequent effects stay low, the hurt and the death stand
# out, the music sits under the effects.
FREQUENT, EVENT, STANDOUT, BED = (-29, -20, 0.3), (-21, -15, 0.42), (-16.5, -11, 0.42), (-21, -17, 0.42)
LEVELS = {
    "assets/click.wav": FREQUENT, "assets/hit.wav": FREQUENT, "assets/gold_spawn.wav": FREQUENT,
    "assets/select.wav": EVENT, "assets/levelup.wav": EVENT, "assets/pickupCoin.wav": EVENT,
    "assets/potion_health.wav": EVENT, "assets/explosion.wav": STANDOUT, "assets/death.wav": STANDOUT,
    "assets/menu.mp3": BED, "assets/ingame.mp3": BED,
}
SHADERS = ["shaders/grain.fs", "shaders/white_mask.fs"]


def start(*args):
    return subprocess.Popen(GENERATOR + list(args), stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, text=True)


def finish(process):
    out, err = process.communicate(timeout=600)
    return process.returncode, out, err


class GeneratorRuns(unittest.TestCase):
    """A whole run of the generator, and --check on a small manifest beside it."""

    @classmethod
    def setUpClass(cls):
        cls.scratch = Path(tempfile.mkdtemp())
        cls.run_a = cls.scratch / "a"
        whole = start("--out", str(cls.run_a))
        # --check rebuilds what its manifest names and compares: a crab and a
        # hit are enough to see it pass and name an altered file.
        small = cls.scratch / "sources"
        shutil.copytree(HERE / "sources", small)
        (small / "manifest.txt").write_text("image images/crab.txt assets/crab.png\n"
                                            "sound sounds/hit.txt assets/hit.wav\n")
        cls.altered = cls.scratch / "altered"
        for output in ("assets/crab.png", "assets/hit.wav"):
            (cls.altered / output).parent.mkdir(parents=True, exist_ok=True)
            shutil.copy(REPO / output, cls.altered / output)
        cls.results = [finish(start("--check", "--sources", str(small), "--out", str(REPO)))]
        with open(cls.altered / "assets/hit.wav", "r+b") as handle:
            handle.seek(200)
            handle.write(b"\x12\x34")
        cls.results += [finish(start("--check", "--sources", str(small), "--out", str(cls.altered))), finish(whole)]

    @classmethod
    def tearDownClass(cls):
        shutil.rmtree(cls.scratch)

    def test_a_fresh_run_matches_the_committed_files_byte_for_byte(self):
        self.assertEqual(self.results[2][0], 0, self.results[2][2])
        files = sorted(p.relative_to(self.run_a) for p in self.run_a.rglob("*") if p.is_file())
        self.assertEqual(len(files), 23 + len(ICONS))
        for relative in files:
            self.assertEqual((self.run_a / relative).read_bytes(),
                             (REPO / relative).read_bytes(), str(relative))

    def test_check_passes_on_matching_files_and_names_an_altered_one(self):
        code, out, err = self.results[0]
        self.assertEqual((code, out), (0, "all assets match their sources\n"), err)
        code, out, _ = self.results[1]
        self.assertEqual(code, 1)
        self.assertIn("assets/hit.wav", out)
        self.assertNotIn("assets/crab.png", out)


class MalformedSources(unittest.TestCase):
    """A broken source stops the generator with FILE:LINE, not a traceback."""

    def setUp(self):
        self.scratch = Path(tempfile.mkdtemp())
        self.sources = self.scratch / "sources"
        shutil.copytree(HERE / "sources", self.sources)

    def tearDown(self):
        shutil.rmtree(self.scratch)

    def break_line(self, relative, old, new):
        path = self.sources / relative
        lines = path.read_text().splitlines()
        number = next(i for i, text in enumerate(lines) if text == old)
        lines[number] = new
        path.write_text("\n".join(lines) + "\n")
        return number + 1

    def run_generator(self):
        return finish(start("--sources", str(self.sources), "--out", str(self.scratch / "out")))

    def test_short_grid_row(self):
        line = self.break_line("images/crab.txt", "KRRRRKKKKKKRRRRK", "KRRRRKKKKKKRRRR")
        code, _, err = self.run_generator()
        self.assertEqual(code, 2)
        self.assertIn(f"crab.txt:{line}:", err)
        self.assertIn("expected 16", err)
        self.assertNotIn("Traceback", err)

    def test_unknown_palette_character(self):
        line = self.break_line("images/crab.txt", "KRRRRKKKKKKRRRRK", "KRRRRKKZKKKRRRRK")
        code, _, err = self.run_generator()
        self.assertEqual(code, 2)
        self.assertIn(f"crab.txt:{line}:", err)
        self.assertIn("'Z'", err)
        self.assertNotIn("Traceback", err)

    def test_bad_note_names_the_line(self):
        path = self.sources / "music/menu.txt"
        line = self.break_line("music/menu.txt", "A2 - - - - - - - - - A2 - E2 - - -",
                               "A2 - - - - - - - - - H2 - E2 - - -")
        with self.assertRaises(SourceError) as caught:
            music.parse_song(path)
        self.assertEqual((caught.exception.line, caught.exception.path), (line, str(path)))

    def test_sections_and_groups(self):
        head = "tempo 120\nsteps 2\ninstrument i\npattern p i\nA4 -\npattern q i\n. C5\n"
        path = self.scratch / "song.txt"
        path.write_text(head + "group g p q\ngroup h g p\nsection s\nplay 1 h\nplay 1 q\nend\n"
                               "play 2 s\nplay 1 p\n")
        self.assertEqual(music.parse_song(path).bars,
                         [["p", "q", "p"], ["q"], ["p", "q", "p"], ["q"], ["p"]])
        # the last line of each case is the one named in the error
        for tail, message in (("section s\nplay 1 p", "section 's' has no 'end'"),
                              ("end", "cannot read 'end'"),
                              ("section s\nend", "section 's' has no play lines"),
                              ("section s\nplay 1 p\nend\nplay 1 s p", "must be played on its own"),
                              ("section s\nplay 1 s", "unknown pattern or group 's'"),
                              ("group p q", "has the name of a pattern"),
                              ("play 0 p", "play count must be positive")):
            path.write_text(head + tail + "\n")
            line = len((head + tail).splitlines()) - (1 if "no 'end'" in message else 0)
            with self.assertRaisesRegex(SourceError, f"song.txt:{line}: .*{message}", msg=tail):
                music.parse_song(path)

    def test_bad_scale_in_manifest(self):
        manifest = self.sources / "manifest.txt"
        original = manifest.read_text()
        for row in ("image images/icon.txt out.png x0", "image images/icon.txt out.png 2",
                    "sound sounds/hit.txt out.wav x2", "image images/icon.txt out.png x2 x3"):
            manifest.write_text(original + row + "\n")
            code, _, err = self.run_generator()
            self.assertEqual(code, 2, row)
            self.assertIn(f"manifest.txt:{len(original.splitlines()) + 1}:", err, row)

    def test_bad_voice_setting_names_the_line(self):
        path = self.sources / "sounds/hit.txt"
        path.write_text("peak 0.5\nvoice wave=square freq=abc\n")
        with self.assertRaises(SourceError) as caught:
            sfx.build_sound(path)
        self.assertEqual(caught.exception.line, 2)
        path.write_text("voice wave=organ\n")
        with self.assertRaisesRegex(SourceError, "hit.txt:1: wave must be one of"):
            sfx.build_sound(path)


class CommittedImages(unittest.TestCase):
    palette = set(pixelsrc.load_palette(HERE / "sources/palette.txt").values())

    def load(self, relative):
        return decode_rgba((REPO / relative).read_bytes())

    def test_sizes_and_palette(self):
        for relative, size in IMAGES.items():
            width, height, rows = self.load(relative)
            self.assertEqual((width, height), size, relative)
            stray = {p for row in rows for p in row if p[3] and p not in self.palette}
            self.assertFalse(stray, f"{relative} uses colours outside the palette")

    def opaque_count(self, rows, x, y, w=16, h=16):
        return sum(1 for row in rows[y:y + h] for p in row[x:x + w] if p[3])

    def test_sprite_frames_are_drawn_on_transparency(self):
        _, _, crab = self.load("assets/crab.png")
        _, _, bird = self.load("assets/bird.png")
        frames = [(crab, x, y) for y in (0, 16) for x in range(0, 64, 16)]
        frames += [(bird, x, y) for y in (0, 16) for x in range(0, 64, 16)]
        frames += [(bird, x, 32) for x in range(0, 96, 16)]
        for rows, x, y in frames:
            self.assertGreater(self.opaque_count(rows, x, y), 0, (x, y))
            self.assertEqual(rows[y][x][3], 0, f"frame at {(x, y)} has an opaque corner")
        for x in (64, 80):
            self.assertEqual(self.opaque_count(bird, x, 0, 16, 32), 0)
        # the death puff thins out towards its last cell
        self.assertLess(self.opaque_count(bird, 80, 32), self.opaque_count(bird, 16, 32))
        # the idle row really animates
        self.assertNotEqual([r[0:16] for r in crab[0:16]], [r[48:64] for r in crab[0:16]])

    def test_icons_are_block_copies_of_two_drawings(self):
        drawings = {n: self.load(f"packaging/icons/{n}x{n}/tallowfen.png")[2] for n in (16, 32)}
        self.assertNotEqual(drawings[16], [row[::2] for row in drawings[32][::2]])
        for size, (base, scale) in ICONS.items():
            _, _, rows = self.load(f"packaging/icons/{size}x{size}/tallowfen.png")
            expected = [[p for p in row for _ in range(scale)] for row in drawings[base] for _ in range(scale)]
            self.assertEqual(rows, expected, size)
            # rounded corners, an opaque middle
            self.assertEqual((rows[0][0][3], rows[-1][-1][3], rows[size // 2][size // 2][3]), (0, 0, 255))

    def test_tiles_are_opaque_and_centre_differs_from_edges(self):
        _, _, rows = self.load("assets/tilemap.png")
        self.assertTrue(all(p[3] == 255 for row in rows for p in row))
        tiles = [[r[x:x + 8] for r in rows[y:y + 8]] for y in (0, 8, 16) for x in (0, 8, 16)]
        self.assertEqual(len({str(t) for t in tiles}), 9)

    def test_reader_rejects_corruption(self):
        data = bytearray((REPO / "assets/gold_single.png").read_bytes())
        data[40] ^= 0xFF
        with self.assertRaises(PngError):
            decode_rgba(bytes(data))


class CommittedAudio(unittest.TestCase):
    def test_sounds_are_short_audible_and_unclipped(self):
        for relative, (shortest, longest) in SOUNDS.items():
            with wave.open(str(REPO / relative)) as handle:
                self.assertEqual((handle.getnchannels(), handle.getsampwidth(),
                                  handle.getframerate(), handle.getcomptype()),
                                 (1, 2, 44100, "NONE"), relative)
                frames = handle.getnframes()
                samples = struct.unpack(f"<{frames}h", handle.readframes(frames))
            self.assertTrue(shortest <= frames / 44100 <= longest, f"{relative}: {frames / 44100} s")
            top = max(abs(s) for s in samples)
            rms = math.sqrt(sum(s * s for s in samples) / frames)
            self.assertLess(top, 32000, f"{relative} clips")
            self.assertGreater(top, 3000, f"{relative} is too quiet")  # about -21 dBFS
            self.assertGreater(rms, 1000, f"{relative} is nearly silent")
            self.assertLess(abs(samples[-1]), 200, f"{relative} ends with a click")

    def test_music_is_long_enough(self):
        for relative in MUSIC:
            rate, channels, seconds = mp3.mp3_info((REPO / relative).read_bytes())
            self.assertEqual((rate, channels), (44100, 2))
            self.assertGreaterEqual(seconds, SHORTEST_TRACK, relative)

    def test_music_decodes_to_whole_bars_that_loop_without_a_jump(self):
        lame = shutil.which("lame")
        if lame is None:
            self.skipTest("lame is not installed")
        for relative, source in MUSIC.items():
            song = music.parse_song(HERE / "sources" / source)
            with tempfile.TemporaryDirectory() as scratch:
                target = os.path.join(scratch, "out.wav")
                # lame's decoder drops the encoder delay and padding recorded
                # in the LAME header, as the game's gapless decoder does
                subprocess.run([lame, "--quiet", "--decode", str(REPO / relative), target], check=True)
                with wave.open(target) as handle:
                    frames = handle.getnframes()
                    samples = struct.unpack(f"<{2 * frames}h", handle.readframes(frames))
            self.assertEqual(frames, round(len(song.bars) * 4 * 60 / song.tempo * 44100), relative)
            for channel in (samples[0::2], samples[1::2]):
                steps = sorted(abs(b - a) for a, b in zip(channel, channel[1:]))
                join = abs(channel[0] - channel[-1])
                # A cut-off echo or a missing encoder-delay trim jumps by
                # thousands; the steps within a track are mostly a hundred or two.
                self.assertLess(join, 8 * steps[len(steps) // 2], f"{relative} clicks at the loop")

    def test_loop_tail_is_folded_onto_the_start(self):
        with tempfile.TemporaryDirectory() as scratch:
            path = Path(scratch) / "loop.txt"
            path.write_text("tempo 120\nsteps 4\ninstrument a wave=sine release=0.3 vol=1\n"
                            "pattern p a\n. . . A4\nplay 2 p\n")
            mixed = music.render_song(music.parse_song(path))
        self.assertEqual(len(mixed), 2 * 2 * 88200)
        # the note on the very last step rings on past the end: its release
        # must reappear at the start instead of being cut off
        self.assertGreater(max(abs(s) for s in mixed[:2000]), 0.05)


class AudioLevels(unittest.TestCase):
    def decoded(self, relative):
        """(int16 samples, channels): a WAV as it is, an MP3 as lame decodes it."""
        with tempfile.TemporaryDirectory() as scratch:
            path = str(REPO / relative)
            if path.endswith(".mp3"):
                subprocess.run(["lame", "--quiet", "--decode", path, scratch + "/out.wav"], check=True)
                path = scratch + "/out.wav"
            with wave.open(path) as handle:
                samples = array.array("h", handle.readframes(handle.getnframes()))
                return samples, handle.getnchannels()

    def test_no_dc_peaks_clear_of_full_scale_loudness_in_its_band(self):
        heard = {}
        for relative, (quietest, loudest, highest) in LEVELS.items():
            samples, channels = self.decoded(relative)
            self.assertLessEqual(abs(sum(samples) / len(samples) / 32768), 0.002, f"{relative}: DC offset")
            measured = loudness.as_played(loudness.measure(samples, channels))
            heard[relative] = measured.integrated if channels == 2 else measured.momentary_max
            self.assertLessEqual(measured.peak, highest, relative)
            self.assertTrue(quietest <= heard[relative] <= loudest, f"{relative}: {heard[relative]:.1f} LUFS")
        others = [level for relative, level in heard.items() if LEVELS[relative] != STANDOUT]
        for relative in ("assets/explosion.wav", "assets/death.wav"):
            self.assertGreater(heard[relative], max(others), f"{relative} stands out")


class Shaders(unittest.TestCase):
    def test_interface_and_compile(self):
        for relative in SHADERS:
            text = (REPO / relative).read_text()
            for needed in ("#version 330", "in vec2 fragTexCoord;", "in vec4 fragColor;",
                           "uniform sampler2D texture0;", "uniform vec4 colDiffuse;",
                           "out vec4 finalColor;"):
                self.assertIn(needed, text, relative)
        grain = (REPO / "shaders/grain.fs").read_text()
        self.assertIn("uniform float time;", grain)
        self.assertIn("uniform vec2 resolution;", grain)
        validator = shutil.which("glslangValidator")
        if validator is None:
            self.skipTest("glslangValidator (glslang-tools) is not installed")
        for relative in SHADERS:
            result = subprocess.run([validator, "-S", "frag", str(REPO / relative)],
                                    capture_output=True, text=True)
            self.assertEqual(result.returncode, 0, result.stdout)


if __name__ == "__main__":
    unittest.main()
