"""Recording what programs play into the session's null sink, or without a
sound server on ALSA's default device, and measuring it: loudness, silence,
when sound starts and stops, and which track it is.

`python3 e2e_audio.py OUT` is the reader behind write_asoundrc's device."""

import array
import itertools
import math
import operator
import os
import shlex
import signal
import subprocess
import sys
import tempfile
import time
import wave

from e2e_common import HarnessError, require, run_tool, tail, wait_until

# EBU R128 through libebur128, shared with the asset generator
sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "assetgen"))
import loudness as ebur128  # noqa: E402

RATE = 44100
CHANNELS = 2
FRAME_BYTES = 2 * CHANNELS
SILENCE = 1e-3  # about -60 dBFS: well under any audible effect, above dither


class Sound:
    """Recorded audio: interleaved signed 16-bit samples. Levels are returned
    as fractions of full scale (0.0 to 1.0) and times in seconds from the
    start of the recording."""

    def __init__(self, samples, rate=RATE, channels=CHANNELS):
        self.samples = samples
        self.rate = rate
        self.channels = channels

    @classmethod
    def from_s16le(cls, data, rate=RATE, channels=CHANNELS):
        data = data[:len(data) - len(data) % (2 * channels)]
        samples = array.array("h")
        samples.frombytes(data)
        if sys.byteorder == "big":
            samples.byteswap()
        return cls(samples, rate, channels)

    @classmethod
    def from_mp3(cls, path):
        """Decodes an MP3 file with lame, e.g. a track to compare a recording with."""
        with tempfile.TemporaryDirectory() as work:
            wav = os.path.join(work, "decoded.wav")
            run_tool(["lame", "--quiet", "--decode", path, wav], os.environ, timeout=60)
            with wave.open(wav) as w:
                return cls.from_s16le(w.readframes(w.getnframes()), w.getframerate(), w.getnchannels())

    def __repr__(self):
        return f"<Sound {self.duration():.2f} s, rms {self.rms():.4f}, peak {self.peak():.4f}>"

    def duration(self):
        return len(self.samples) / (self.rate * self.channels)

    def _span(self, start, end):
        lo = 0 if start is None else max(0, int(start * self.rate) * self.channels)
        hi = len(self.samples) if end is None else min(len(self.samples),
                                                       int(end * self.rate) * self.channels)
        return self.samples[lo:max(lo, hi)]

    def rms(self, start=None, end=None):
        """Root-mean-square level over all channels, optionally of a time span."""
        part = self._span(start, end)
        if not part:
            return 0.0
        return math.sqrt(sum(s * s for s in part) / len(part)) / 32768.0

    def peak(self, start=None, end=None):
        """Largest absolute sample, optionally of a time span."""
        part = self._span(start, end)
        if not part:
            return 0.0
        return max(max(part), -min(part)) / 32768.0

    def loudness(self):
        """EBU R128: .integrated and .momentary_max in LUFS, .peak 0..1."""
        return ebur128.measure(self.samples, self.channels, self.rate)

    def clipped(self, level=32767):
        """How many samples reach `level` or beyond (full scale by default)."""
        return sum(1 for s in self.samples if s >= level or s <= -level)

    def is_silent(self, threshold=SILENCE, after=None):
        """True when no sample rises above threshold (after `after` seconds,
        so that a sound just ending when the recording began is let go)."""
        return self.peak(after) <= threshold

    def frequency(self, channel=0):
        """The pitch in Hz of one channel, from the median period between its
        rising zero crossings (placed between samples) from the first to the
        last loud sample; None when too quiet. The median, so that a gap in
        the sound (a period the output missed on a loaded machine) does not
        pull the pitch down as a count over the whole span would."""
        ch = self.samples[channel::self.channels]
        loud = [i for i, s in enumerate(ch) if abs(s) > 1638]  # above 5 % of full scale
        if len(loud) < 2:
            return None
        rises = [i + ch[i] / (ch[i] - ch[i + 1]) for i in range(loud[0], loud[-1]) if ch[i] < 0 <= ch[i + 1]]
        if len(rises) < 2:
            return None
        periods = sorted(b - a for a, b in zip(rises, rises[1:]))
        return self.rate / periods[len(periods) // 2]

    def sides_differ(self):
        """The largest difference between the left and right sample of a frame."""
        if self.channels != 2 or not self.samples:
            return 0.0
        return max(abs(l - r) for l, r in zip(self.samples[0::2], self.samples[1::2])) / 32768.0

    def rms_over_time(self, window_ms=50):
        """[(t, rms)] per consecutive window of window_ms; t is its start."""
        step = max(1, int(self.rate * window_ms / 1000)) * self.channels
        out = []
        for lo in range(0, len(self.samples), step):
            part = self.samples[lo:lo + step]
            level = math.sqrt(sum(s * s for s in part) / len(part)) / 32768.0
            out.append((lo / (self.rate * self.channels), level))
        return out

    def sound_start(self, threshold=SILENCE, window_ms=10):
        """Time of the first window louder than threshold, or None if silent."""
        for t, level in self.rms_over_time(window_ms):
            if level > threshold:
                return t
        return None

    def sound_end(self, threshold=SILENCE, window_ms=10):
        """Time just after the last window louder than threshold, or None."""
        loud = [t for t, level in self.rms_over_time(window_ms) if level > threshold]
        return loud[-1] + window_ms / 1000 if loud else None

    def likeness(self, reference, start, seconds=2.0):
        """The best correlation of `seconds` of the mono mix from `start` with
        reference's first ten seconds: near 1 for the same track at any level,
        near 0 for others. Zero crossings per 10 ms, which follow the notes,
        find the offset; a quarter second of samples around it scores."""
        step = self.rate // 100

        def crossings(mono):
            changes = list(map(operator.ne, (v < 0 for v in mono), (v < 0 for v in mono[1:])))
            return [sum(changes[i:i + step]) for i in range(0, len(changes) - step + 1, step)]

        # A reference is compared with many recordings: its side is worked out once.
        cache = reference.__dict__.setdefault("_likeness_cache", {})
        if (seconds, step) not in cache:
            whole = reference._mono(0, 10 + seconds)
            cache[(seconds, step)] = whole, crossings(whole)
        whole, whole_notes = cache[(seconds, step)]
        part = self._mono(start, start + seconds)
        notes = crossings(part)
        if not notes or len(whole_notes) < len(notes):
            raise HarnessError(f"too short to compare: {self!r} from {start:g} s with {reference!r}")
        _, near = _best_match(notes, whole_notes, range(len(whole_notes) - len(notes) + 1))
        head = part[:self.rate // 4]
        near_samples = range(max(0, (near - 2) * step), min(len(whole) - len(head), (near + 2) * step) + 1)
        return _best_match(head, whole, near_samples)[0]

    def _mono(self, start, end):
        part = self._span(start, end)
        return [sum(part[i:i + self.channels]) for i in range(0, len(part), self.channels)]

    def save_wav(self, path):
        """Writes the recording as a WAV file for a person to listen to."""
        data = array.array("h", self.samples)
        if sys.byteorder == "big":
            data.byteswap()
        with wave.open(path, "wb") as w:
            w.setnchannels(self.channels)
            w.setsampwidth(2)
            w.setframerate(self.rate)
            w.writeframes(data.tobytes())
        return path


def _dot_products(part, whole, first, count):
    """[sum(part[i] * whole[k + i] for i) for k from first to first + count - 1],
    exactly, for whole numbers. One multiplication of two big integers does
    them all: with each value shifted to a small positive number and given
    64 bits of its own, the coefficients of the product of the reversed part
    and the piece of whole are these sums (shifted), and none spills into the
    next. That takes a tenth of the time of the plain sums."""
    n = len(part)
    piece = whole[first:first + count + n - 1]
    shift = 1 + max(1, *map(abs, part), *map(abs, piece))
    if n * (2 * shift) ** 2 >= 1 << 64:
        return [sum(map(operator.mul, part, whole[k:k + n])) for k in range(first, first + count)]
    a = int.from_bytes(array.array("Q", [v + shift for v in reversed(part)]).tobytes(), "little")
    w = int.from_bytes(array.array("Q", [v + shift for v in piece]).tobytes(), "little")
    product = array.array("Q")
    product.frombytes((a * w).to_bytes(8 * (len(piece) + n), "little"))
    if sys.byteorder == "big":
        product.byteswap()
    # sum((p + s)(q + s)) = sum(pq) + s sum(q) + s sum(p) + n s^2
    sums = list(itertools.accumulate(piece, initial=0))
    fixed = shift * sum(part) + n * shift * shift
    return [product[n - 1 + m] - shift * (sums[m + n] - sums[m]) - fixed for m in range(count)]


def _best_match(part, whole, offsets):
    """(correlation coefficient, offset): the offset into whole where part
    correlates best with the same length of whole; offsets is a range."""
    n, mean = len(part), sum(part) / len(part)
    centred = [v - mean for v in part]
    spread = sum(map(operator.mul, centred, centred))
    sums = list(itertools.accumulate(whole, initial=0))
    squares = list(itertools.accumulate(map(operator.mul, whole, whole), initial=0))
    whole_numbers = all(type(v) is int for v in part) and all(type(v) is int for v in whole)
    dots = _dot_products(part, whole, offsets[0], len(offsets)) if offsets.step == 1 and whole_numbers else None
    best = (0.0, offsets[0])
    for i, k in enumerate(offsets):
        other = squares[k + n] - squares[k] - (sums[k + n] - sums[k]) ** 2 / n
        if spread > 0 and other > 0:
            # sum((p - mean) q) = sum(pq) - mean sum(q)
            dot = (dots[i] - mean * (sums[k + n] - sums[k]) if dots is not None
                   else sum(map(operator.mul, centred, whole[k:k + n])))
            best = max(best, (dot / math.sqrt(spread * other), k))
    return best


class Recorder:
    """A running capture of the session sink's monitor; stop() ends it and
    returns the Sound. Made by Session.record()."""

    def __init__(self, env, sink, path):
        self.path = path
        self.sound = None
        self._log = path + ".log"
        with open(path, "wb") as out, open(self._log, "wb") as log:
            self.proc = subprocess.Popen(
                [require("parec", env), "-d", f"{sink}.monitor", "--format=s16le",
                 f"--rate={RATE}", f"--channels={CHANNELS}", "--latency-msec=20",
                 "--client-name=e2e-recorder"],
                stdout=out, stderr=log, stdin=subprocess.DEVNULL, env=env)
        self.pid = self.proc.pid
        self.sink = sink

    def wait_started(self, start_timeout=5.0):
        """Returns once audio flows, so anything played from now on is captured."""
        path, sink = self.path, self.sink
        # The monitor delivers silence continuously, so any data at all in the
        # file means the stream is connected.
        started = wait_until(lambda: self.proc.poll() is not None or os.path.getsize(path) > 0,
                             start_timeout)
        if self.proc.poll() is not None or not started:
            self.kill()
            raise HarnessError(f"parec did not start recording {sink}.monitor within "
                               f"{start_timeout:g} s: {tail(self._log)}")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        if self.sound is None:
            self.stop()

    def stop(self):
        """Ends the capture and returns what was recorded as a Sound."""
        if self.sound is not None:
            return self.sound
        if self.proc.poll() is None:
            # SIGINT lets parec write out what it already read before exiting.
            self.proc.send_signal(signal.SIGINT)
            try:
                self.proc.wait(timeout=5)
            except subprocess.TimeoutExpired:
                self.kill()
        with open(self.path, "rb") as f:
            self.sound = Sound.from_s16le(f.read())
        return self.sound

    def kill(self):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()

    def _stopped(self):
        if self.sound is None:
            raise HarnessError("stop() the recorder before measuring what it recorded")
        return self.sound

    def rms(self, *args):
        return self._stopped().rms(*args)

    def peak(self, *args):
        return self._stopped().peak(*args)

    def is_silent(self, threshold=SILENCE):
        return self._stopped().is_silent(threshold)

    def frequency(self, channel=0):
        return self._stopped().frequency(channel)

    def rms_over_time(self, window_ms=50):
        return self._stopped().rms_over_time(window_ms)


def write_asoundrc(home, path, floats=True, paced=True):
    """Makes HOME/.asoundrc send what a program plays on ALSA's default device
    to path, as 16-bit stereo at RATE, through a reader that takes it no faster
    than a sound card would play it, so the program's writes block as on one.
    Without floats the device takes integer samples only; unpaced, it takes
    them as fast as they come, as ALSA's plain null device does."""
    reader = shlex.join([sys.executable, os.path.abspath(__file__), path])
    to_s16 = (f'type plug; slave {{ pcm "keep"; format S16_LE; rate {RATE}; channels {CHANNELS} }}' if floats
              else f'type rate; slave {{ pcm {{ type linear; slave {{ pcm "keep"; format S16_LE }} }}; rate {RATE} }}')
    target = f"|exec {reader}" if paced else path
    with open(os.path.join(home, ".asoundrc"), "w") as f:
        f.write(f'pcm.!default {{ {to_s16} }}\n'
                f'pcm.keep {{ type file; slave.pcm "null"; file "{target}"; format "raw" }}\n')


def _drain(path):
    per_second, total = RATE * FRAME_BYTES, 0
    with open(path, "wb") as out:
        while chunk := os.read(0, per_second // 100):
            start = time.monotonic() if total == 0 else start
            out.write(chunk)
            total += len(chunk)
            time.sleep(max(0.0, start + total / per_second - time.monotonic()))


if __name__ == "__main__":
    _drain(sys.argv[1])
