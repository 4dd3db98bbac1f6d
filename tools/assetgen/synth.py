"""The small chiptune synthesiser behind every sound and both music tracks.

A voice is one oscillator (pulse, triangle, saw, sine or noise) shaped by an
ADSR envelope, with optional pitch slide, vibrato, arpeggio and a one-pole
low-pass filter. Sound effects are a few voices; music is many voices placed
on a grid. Everything is plain floats in Python lists; noise comes from a
seeded xorshift so that the same source always renders the same samples.
"""

import math
import operator

RATE = 44100

# Every voice parameter, its default and a one-line meaning (shown in errors).
VOICE_DEFAULTS = {
    "wave": "square",   # square | triangle | saw | sine | noise
    "freq": 440.0,      # start pitch in Hz (noise: how often a new value is drawn)
    "to": 0.0,          # end pitch of an exponential slide; 0 = no slide
    "slide": 0.0,       # slide time in s; 0 = over the whole voice
    "duty": 0.5,        # pulse width of the square wave
    "attack": 0.005,
    "decay": 0.05,
    "sustain": 1.0,     # level held after the decay, 0..1
    "release": 0.05,
    "dur": 0.1,         # time from note-on to the start of the release
    "vol": 0.5,
    "vibrato": 0.0,     # vibrato depth in semitones
    "vibrate": 5.0,     # vibrato speed in Hz
    "vibdelay": 0.0,    # seconds before the vibrato starts
    "arp": "",          # semitone offsets cycled at arprate, e.g. 0,4,7
    "arprate": 30.0,
    "lp": 0.0,          # low-pass cutoff in Hz; 0 = off
    "lpto": 0.0,        # low-pass cutoff at the end of the voice
    "seed": 1,          # noise seed
}
WAVES = ("square", "triangle", "saw", "sine", "noise")


class XorShift:
    """32-bit xorshift: tiny, fast enough and identical on every platform."""

    def __init__(self, seed):
        self.state = (seed * 2654435761 + 1) & 0xFFFFFFFF or 1

    def next_float(self):
        x = self.state
        x ^= (x << 13) & 0xFFFFFFFF
        x ^= x >> 17
        x ^= (x << 5) & 0xFFFFFFFF
        self.state = x
        return x / 2147483648.0 - 1.0


def envelope(p, times):
    """ADSR levels at the given times (seconds after note-on), in one pass."""
    attack, decay, sustain, dur = p["attack"], p["decay"], p["sustain"], p["dur"]
    release, peak_at = p["release"], attack + decay

    def held(u):
        if u < attack:
            return u / attack
        if u < peak_at:
            return 1.0 - (1.0 - sustain) * (u - attack) / decay
        return sustain

    released = held(dur)
    end = dur + release if release > 0 else dur
    # one expression per sample instead of a call: this runs for every sample
    # of every voice, and the music has millions of them
    return [(t / attack if t < attack else 1.0 - (1.0 - sustain) * (t - attack) / decay
             if t < peak_at else sustain) if t < dur
            else released * (1.0 - (t - dur) / release) if t < end else 0.0
            for t in times]


def render_voice(p):
    """Render one voice to a list of floats, note-on to end of release."""
    total = int(round((p["dur"] + p["release"]) * RATE))
    wave, duty, vol = p["wave"], p["duty"], p["vol"]
    freq = p["freq"]
    slide_samples = max(1, int((p["slide"] or (p["dur"] + p["release"])) * RATE))
    slide_step = (p["to"] / freq) ** (1.0 / slide_samples) if p["to"] > 0 else 1.0
    arp = [2 ** (int(s) / 12.0) for s in p["arp"].split(",")] if p["arp"] else [1.0]
    arp_len = max(1, int(RATE / p["arprate"]))
    vib_depth, vib_rate = p["vibrato"] / 12.0, p["vibrate"]
    vib_start = int(p["vibdelay"] * RATE)
    lp_from, lp_to = p["lp"], (p["lpto"] or p["lp"])
    rng = XorShift(int(p["seed"]))
    out = [0.0] * total
    levels = envelope(p, [i / RATE for i in range(total)])
    # Most music notes hold one pitch and one filter setting: work those out
    # once instead of per sample (the results are the same to the last bit).
    steady = slide_step == 1.0 and arp == [1.0] and not vib_depth
    sweep = lp_from != lp_to
    step = freq / RATE
    alpha = 1.0 - math.exp(-2 * math.pi * lp_from / RATE)
    phase, held_noise, filtered, base = 0.0, 0.0, 0.0, freq
    for i in range(total):
        if not steady:
            if i < slide_samples:
                base *= slide_step
            f = base * arp[(i // arp_len) % len(arp)]
            if vib_depth and i >= vib_start:
                f *= 2 ** (vib_depth * math.sin(2 * math.pi * vib_rate * (i - vib_start) / RATE))
            step = f / RATE
        phase += step
        if phase >= 1.0:
            phase -= int(phase)
            if wave == "noise":
                held_noise = rng.next_float()
        if wave == "square":
            s = 1.0 if phase < duty else -1.0
        elif wave == "triangle":
            s = 4.0 * phase - 1.0 if phase < 0.5 else 3.0 - 4.0 * phase
        elif wave == "saw":
            s = 2.0 * phase - 1.0
        elif wave == "sine":
            s = math.sin(2 * math.pi * phase)
        else:
            s = held_noise
        if lp_from:
            if sweep:
                cutoff = lp_from + (lp_to - lp_from) * i / total
                alpha = 1.0 - math.exp(-2 * math.pi * cutoff / RATE)
            filtered += alpha * (s - filtered)
            s = filtered
        out[i] = s * vol * levels[i]
    return out


def check_voice(p, complain):
    """Reject parameter values that would crash or silently misbehave."""
    if p["wave"] not in WAVES:
        complain(f"wave must be one of {', '.join(WAVES)}, got {p['wave']!r}")
    if p["freq"] <= 0:
        complain("freq must be above 0")
    if p["dur"] <= 0 or p["attack"] < 0 or p["decay"] <= 0 or p["release"] < 0:
        complain("dur and decay must be above 0, attack and release not negative")
    if p["attack"] == 0:
        p["attack"] = 1.0 / RATE
    if not 0 < p["duty"] < 1 or not 0 <= p["sustain"] <= 1:
        complain("duty must lie between 0 and 1 and sustain within 0..1")
    if p["arprate"] <= 0 or p["vibrate"] < 0 or p["lp"] < 0 or p["lpto"] < 0:
        complain("arprate must be above 0; vibrate, lp and lpto not negative")
    if p["arp"]:
        try:
            [int(s) for s in p["arp"].split(",")]
        except ValueError:
            complain(f"arp must be comma-separated whole semitones, got {p['arp']!r}")


def parse_params(fields, complain, allowed=VOICE_DEFAULTS):
    """Turn key=value words into a parameter dict, numbers converted."""
    values = {}
    for field in fields:
        key, sep, value = field.partition("=")
        if not sep or key not in allowed:
            complain(f"unknown setting {field!r}; known: {', '.join(sorted(allowed))}")
        if isinstance(allowed[key], str):
            values[key] = value
        else:
            try:
                values[key] = float(value)
            except ValueError:
                complain(f"{key} must be a number, got {value!r}")
    return values


def mix_into(target, samples, offset, gain=1.0):
    """Add samples into target starting at offset (target must be long enough)."""
    end = offset + len(samples)
    if gain != 1.0:
        samples = map(gain.__mul__, samples)
    target[offset:end] = map(operator.add, target[offset:end], samples)


def peak(samples):
    return max((abs(s) for s in samples), default=0.0)


def to_pcm16(samples, target_peak):
    """Scale so the loudest sample sits at target_peak and quantise to int16."""
    top = peak(samples)
    scale = target_peak / top if top > 0 else 0.0
    return [max(-32767, min(32767, int(round(s * scale * 32767)))) for s in samples]
