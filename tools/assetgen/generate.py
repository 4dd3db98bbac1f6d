#!/usr/bin/python3
"""Regenerates the game's pictures, shaders, sounds and music from text sources.

    python3 tools/assetgen/generate.py            rewrite every asset in place
    python3 tools/assetgen/generate.py --check    rebuild into a temporary folder
                                                  and list assets that differ
Options --sources DIR and --out DIR point at another source tree or output
root (the tests use them). A mistake in a source is reported as FILE:LINE.
"""

import argparse
import filecmp
import multiprocessing
import os
import sys
import tempfile
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))

import dc  # noqa: E402  (the path above must be set first)
import limiter  # noqa: E402
import loudness  # noqa: E402
import music  # noqa: E402
import mp3  # noqa: E402
import pixelsrc  # noqa: E402
import sfx  # noqa: E402
import synth  # noqa: E402
from errors import SourceError, source_lines  # noqa: E402
from pngio import encode_rgba  # noqa: E402
from wavio import encode_wav  # noqa: E402

HERE = Path(__file__).resolve().parent
REPO_ROOT = HERE.parents[1]
# The music's integrated loudness in LUFS, under the effects, and the peak
# its loudest moments are limited to, leaving the effects that land on it
# room below full scale; both as heard in the game.
MUSIC_LUFS = -18.5
MUSIC_PEAK_CEILING = 0.38


def read_manifest(sources):
    """The (kind, source path, output path, scale) rows of the manifest.

    An image row may end in xN: the picture is written N times larger, each
    pixel a block, which is how one drawing gives the icon at several sizes.
    """
    path = sources / "manifest.txt"
    rows = []
    for line, text in source_lines(path):
        fields = text.split()
        if len(fields) not in (3, 4) or fields[0] not in BUILDERS:
            raise SourceError(path, line, f"expected 'KIND SOURCE OUTPUT [xN]' with KIND one of "
                                          f"{', '.join(BUILDERS)}")
        scale = 1
        if len(fields) == 4:
            digits = fields[3][1:]
            if fields[0] != "image" or not fields[3].startswith("x") or not digits.isdigit() \
                    or not 1 <= int(digits) <= 64:
                raise SourceError(path, line, "only an image takes a scale, written x1 to x64")
            scale = int(digits)
        rows.append((fields[0], sources / fields[1], fields[2], scale))
    return rows


def build_image(source, sources, scale=1):
    palette = pixelsrc.load_palette(sources / "palette.txt")
    width, height, rows = pixelsrc.build_image(source, palette)
    rows = [[pixel for pixel in row for _ in range(scale)] for row in rows for _ in range(scale)]
    return encode_rgba(width * scale, height * scale, rows)


def build_shader(source, sources):
    try:
        text = source.read_text(encoding="utf-8")
    except OSError as exc:
        raise SourceError(source, 0, f"cannot read source: {exc.strerror}") from None
    if not text.startswith("#version 330"):
        raise SourceError(source, 1, "a shader must start with '#version 330'")
    return text.encode("utf-8")


def build_sound(source, sources):
    return encode_wav(sfx.build_sound(source))


def normalise_music(samples):
    """A rendered stereo loop, without DC, at the music's loudness and
    limited to its ceiling, as int16."""
    samples = dc.remove_dc_loop(samples, 2, synth.RATE)
    heard = loudness.as_played(loudness.measure(samples, channels=2)).integrated
    if heard == float("-inf"):
        return synth.to_pcm16(samples, 0)
    # whole tenths of a dB, so that the file does not depend on the last
    # digits of the measurement
    gain = 10 ** (round(MUSIC_LUFS - heard, 1) / 20)
    ceiling = MUSIC_PEAK_CEILING / loudness.PLAYED_GAIN
    samples = limiter.limit_loop([s * gain for s in samples], 2, ceiling, synth.RATE)
    return synth.to_pcm16(samples, synth.peak(samples))


def build_music(source, sources):
    song = music.parse_song(source)
    return mp3.encode_mp3(normalise_music(music.render_song(song)))


BUILDERS = {"image": build_image, "shader": build_shader,
            "sound": build_sound, "music": build_music}


def generate(sources, out_root, log=print):
    """Build every asset of the manifest under out_root; return the outputs."""
    rows, outputs = read_manifest(sources), []
    music_rows = [source for kind, source, _, _ in rows if kind == "music"]
    # The music takes most of the time: one process per track keeps every core
    # busy. Leaving the block ends the workers, so a bad source elsewhere stops
    # the run at once.
    with multiprocessing.Pool(max(1, min(len(music_rows), os.cpu_count() or 1))) as pool:
        tracks = {source: pool.apply_async(build_music, (source, sources)) for source in music_rows}
        for kind, source, output, scale in rows:
            data = (build_image(source, sources, scale) if kind == "image"
                    else tracks[source].get() if kind == "music"
                    else BUILDERS[kind](source, sources))
            target = out_root / output
            target.parent.mkdir(parents=True, exist_ok=True)
            target.write_bytes(data)
            outputs.append(output)
            log(f"{kind:6} {output} ({len(data)} bytes)")
    return outputs


def check(sources, repo_root):
    """Rebuild into a temporary folder; return outputs that differ from the repo."""
    with tempfile.TemporaryDirectory() as scratch:
        outputs = generate(sources, Path(scratch), log=lambda _: None)
        return [output for output in outputs
                if not (repo_root / output).is_file()
                or not filecmp.cmp(Path(scratch) / output, repo_root / output, shallow=False)]


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check", action="store_true",
                        help="do not write; fail if the committed assets differ")
    parser.add_argument("--sources", type=Path, default=HERE / "sources",
                        help="source folder (default: the one next to this script)")
    parser.add_argument("--out", type=Path, default=REPO_ROOT,
                        help="output root (default: the repository root)")
    args = parser.parse_args(argv)
    try:
        if args.check:
            stale = check(args.sources, args.out)
            for output in stale:
                print(f"differs from its sources: {output}")
            if stale:
                print("run python3 tools/assetgen/generate.py to regenerate", file=sys.stderr)
                return 1
            print("all assets match their sources")
            return 0
        generate(args.sources, args.out)
        return 0
    except SourceError as exc:
        print(f"error: {exc}", file=sys.stderr)
    except (mp3.EncoderError, loudness.LoudnessError) as exc:
        print(f"error: {exc}", file=sys.stderr)
    except OSError as exc:
        print(f"error: {exc.filename or ''}: {exc.strerror}", file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
