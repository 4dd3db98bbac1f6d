"""Writes 16-bit PCM WAV files with the standard wave module.

wave writes no timestamps or extra chunks, so the bytes depend only on the
samples, which keeps the generator reproducible.
"""

import io
import struct
import wave

from synth import RATE


def encode_wav(samples, channels=1):
    """Return WAV bytes for interleaved int16 samples."""
    buffer = io.BytesIO()
    with wave.open(buffer, "wb") as out:
        out.setnchannels(channels)
        out.setsampwidth(2)
        out.setframerate(RATE)
        out.writeframes(struct.pack(f"<{len(samples)}h", *samples))
    return buffer.getvalue()
