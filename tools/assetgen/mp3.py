"""MP3 encoding through Debian's `lame` command, plus a frame-header reader.

lame is run with fixed settings and no ID3 tag; its output then depends only
on the input samples (checked by the tests). lame still writes its Info/LAME
header frame, which records the encoder delay and padding so that decoders
that honour it play the loop without a gap at the seam.
"""

import os
import shutil
import struct
import subprocess
import tempfile

from wavio import encode_wav

LAME_FLAGS = ["--quiet", "--noreplaygain", "-q", "2", "-b", "160", "-m", "j"]


class EncoderError(Exception):
    """lame is missing or failed."""


def encode_mp3(interleaved_pcm16):
    """Encode stereo int16 samples to MP3 bytes."""
    lame = shutil.which("lame")
    if lame is None:
        raise EncoderError("the 'lame' encoder is not installed (apt-get install -y lame)")
    with tempfile.TemporaryDirectory() as work:
        source, target = os.path.join(work, "in.wav"), os.path.join(work, "out.mp3")
        with open(source, "wb") as handle:
            handle.write(encode_wav(interleaved_pcm16, channels=2))
        result = subprocess.run([lame, *LAME_FLAGS, source, target],
                                capture_output=True, text=True)
        if result.returncode != 0:
            raise EncoderError(f"lame failed: {result.stderr.strip()}")
        with open(target, "rb") as handle:
            return handle.read()


BITRATES = [0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320]
RATES = [44100, 48000, 32000]


def mp3_info(data):
    """Walk the MPEG-1 Layer III frames; return (sample_rate, channels, seconds).

    Seconds count the audio frames (the Info header frame is skipped) minus
    the encoder delay and padding recorded in the LAME header, as a gapless
    decoder plays them. Raises ValueError if the stream is broken.
    """
    pos, frames, rate, channels, delay, padding = 0, 0, None, None, 0, 0
    if data[:3] == b"ID3":
        size = data[6:10]
        pos = 10 + ((size[0] << 21) | (size[1] << 14) | (size[2] << 7) | size[3])
    while pos + 4 <= len(data):
        (header,) = struct.unpack(">I", data[pos:pos + 4])
        if header >> 21 != 0x7FF or (header >> 19) & 3 != 3 or (header >> 17) & 3 != 1:
            raise ValueError(f"no MPEG-1 Layer III frame at byte {pos}")
        bitrate_index, rate_index = (header >> 12) & 15, (header >> 10) & 3
        if bitrate_index in (0, 15) or rate_index == 3:
            raise ValueError(f"invalid frame header at byte {pos}")
        rate = RATES[rate_index]
        channels = 1 if (header >> 6) & 3 == 3 else 2
        length = 144000 * BITRATES[bitrate_index] // rate + ((header >> 9) & 1)
        frame = data[pos:pos + length]
        side = 17 if channels == 1 else 32
        tag = frame[4 + side:8 + side]
        if frames == 0 and tag in (b"Info", b"Xing"):
            lame_at = frame.find(b"LAME")
            if lame_at >= 0:
                packed = frame[lame_at + 21:lame_at + 24]
                delay = (packed[0] << 4) | (packed[1] >> 4)
                padding = ((packed[1] & 15) << 8) | packed[2]
        else:
            frames += 1
        pos += length
    if frames == 0:
        raise ValueError("no audio frames")
    return rate, channels, (frames * 1152 - delay - padding) / rate
