"""EBU R128 loudness and sample peak, measured by Debian's libebur128.

Loudness is left to a maintained implementation of the standard (package
libebur128-1, loaded through ctypes) rather than our own filter and gating.
Both the generator and the end-to-end tests measure with this module.

A mono effect is measured with the same samples on both sides, which reads
3 LU louder than one channel alone. `as_played` then gives a file's figures
as the game plays it: raylib adds every voice, centred, at PLAYED_GAIN of its
level on each side (its pan law), so a file must be that much hotter.
"""

import array
import ctypes
import math
from collections import namedtuple

Loudness = namedtuple("Loudness", "integrated momentary_max peak")

# raylib's pan law at the centre, 0.5 p (3 - p^2) with p = 0.5: -3.25 dB.
PLAYED_GAIN = 0.6875
PLAYED_DB = 20 * math.log10(PLAYED_GAIN)

_MODE_I = (1 << 2) | 1
_MODE_SAMPLE_PEAK = (1 << 4) | 1
_SILENT = -math.inf
_CHUNK_SECONDS = 0.01   # how finely the loudest momentary window is searched
_WINDOW_SECONDS = 0.4   # the momentary window: silence after a sound lets it all in


class LoudnessError(Exception):
    """libebur128 is missing or refused the audio."""


_lib = None


def _library():
    global _lib
    if _lib is None:
        try:
            lib = ctypes.CDLL("libebur128.so.1")
        except OSError:
            raise LoudnessError("libebur128 is not installed (apt-get install -y libebur128-1)") from None
        lib.ebur128_init.restype = ctypes.c_void_p
        lib.ebur128_init.argtypes = [ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        lib.ebur128_destroy.argtypes = [ctypes.POINTER(ctypes.c_void_p)]
        for name in ("ebur128_add_frames_double", "ebur128_add_frames_short"):
            getattr(lib, name).argtypes = [ctypes.c_void_p, ctypes.c_void_p, ctypes.c_size_t]
        for name in ("ebur128_loudness_global", "ebur128_loudness_momentary"):
            getattr(lib, name).argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_double)]
        lib.ebur128_sample_peak.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.POINTER(ctypes.c_double)]
        _lib = lib
    return _lib


def measure(samples, channels=1, rate=44100):
    """Loudness(integrated LUFS, loudest momentary LUFS, sample peak 0..1).

    samples are interleaved floats at full scale 1.0, or an array('h') of
    int16 as recorded. Silence reads -inf LUFS.
    """
    lib = _library()
    data = samples if isinstance(samples, array.array) else array.array("d", samples)
    short = data.typecode == "h"
    if channels == 1:
        data, channels = array.array(data.typecode, (s for s in data for _ in (0, 1))), 2
    data = data + array.array(data.typecode, bytes(data.itemsize * channels * int(_WINDOW_SECONDS * rate)))
    add = lib.ebur128_add_frames_short if short else lib.ebur128_add_frames_double
    state = ctypes.c_void_p(lib.ebur128_init(channels, rate, _MODE_I | _MODE_SAMPLE_PEAK))
    if not state.value:
        raise LoudnessError(f"libebur128 cannot measure {channels} channels at {rate} Hz")
    try:
        base, value = data.buffer_info()[0], ctypes.c_double()
        chunk, frames, loudest = int(_CHUNK_SECONDS * rate), len(data) // channels, _SILENT
        for start in range(0, frames, chunk):
            count = min(chunk, frames - start)
            if add(state, base + start * channels * data.itemsize, count) != 0:
                raise LoudnessError("libebur128 refused the samples")
            lib.ebur128_loudness_momentary(state, ctypes.byref(value))
            loudest = max(loudest, value.value)
        lib.ebur128_loudness_global(state, ctypes.byref(value))
        integrated, top = value.value, 0.0
        for channel in range(channels):
            lib.ebur128_sample_peak(state, channel, ctypes.byref(value))
            top = max(top, value.value)
    finally:
        lib.ebur128_destroy(ctypes.byref(state))
    return Loudness(integrated, loudest, top)


def as_played(measured):
    """A file's Loudness as heard through the game's mixer."""
    return Loudness(measured.integrated + PLAYED_DB, measured.momentary_max + PLAYED_DB,
                    measured.peak * PLAYED_GAIN)


def dbfs(level):
    """A level (0..1 of full scale) in dBFS; silence is -inf."""
    return 20 * math.log10(level) if level > 0 else _SILENT
