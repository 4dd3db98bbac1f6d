"""Removes DC offset with a gentle high-pass, for effects and looping music.

Pulse waves of uneven duty and filtered noise leave the mix off centre; the
offset wastes headroom and clicks where a sound starts or stops. A 2nd-order
Butterworth high-pass at 20 Hz takes it away without touching anything heard.
"""

import math

CUTOFF_HZ = 20.0
# A 20 Hz Butterworth forgets its past to a billionth within a quarter second.
SETTLE_SECONDS = 0.25
# After an effect's release the filter's output swings back for a while; 40 ms
# holds nearly all of that swing (an offset of under 0.0002 is left).
TAIL_SECONDS = 0.04


def _coefficients(rate, cutoff=CUTOFF_HZ):
    """Biquad high-pass (b0, b1, b2, a1, a2), normalised by a0."""
    w0 = 2 * math.pi * cutoff / rate
    alpha = math.sin(w0) / math.sqrt(2)   # Q = 1/sqrt(2): Butterworth
    cos_w0 = math.cos(w0)
    a0 = 1 + alpha
    b0 = (1 + cos_w0) / 2 / a0
    return b0, -2 * b0, b0, -2 * cos_w0 / a0, (1 - alpha) / a0


def _run(samples, coefficients, state):
    """Filter in place (transposed direct form II); return the end state."""
    b0, b1, b2, a1, a2 = coefficients
    z1, z2 = state
    for i, x in enumerate(samples):
        y = b0 * x + z1
        z1 = b1 * x - a1 * y + z2
        z2 = b2 * x - a2 * y
        samples[i] = y
    return z1, z2


def remove_dc(samples, rate):
    """High-pass a one-shot mono sound, extended by TAIL_SECONDS of the
    filter's swing back, which balances what it took away: cut off, part of
    the offset would stay in the file."""
    out = list(samples) + [0.0] * int(TAIL_SECONDS * rate)
    _run(out, _coefficients(rate), (0.0, 0.0))
    return out


def remove_dc_loop(interleaved, channels, rate):
    """High-pass a seamless loop so that it stays seamless.

    Each channel's filter is first run over the loop's last SETTLE_SECONDS, so
    it starts the loop in the state it ends it in: the result is what the
    filter would give with the loop played over and over.
    """
    coefficients = _coefficients(rate)
    warm = min(len(interleaved) // channels, int(SETTLE_SECONDS * rate))
    out = list(interleaved)
    for channel in range(channels):
        side = out[channel::channels]
        state = _run(side[len(side) - warm:], coefficients, (0.0, 0.0))
        _run(side, coefficients, state)
        out[channel::channels] = side
    return out
