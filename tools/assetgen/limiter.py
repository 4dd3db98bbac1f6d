"""A look-ahead peak limiter for the looping music.

A track brought up to the music's loudness may still have a few peaks, where
drums and echoes pile up, that would leave the effects no room below full
scale. The limiter turns just those moments down, smoothly and a little ahead
of each peak, so the sound is not bent; it wraps round the loop's end so the
gain at the seam matches on both sides.
"""

import collections
import itertools

WINDOW_SECONDS = 0.01   # how far ahead the gain starts to fall, and how fast it recovers


def limit_loop(interleaved, channels, ceiling, rate):
    """Return the loop with no sample above ceiling (both sides turned down together)."""
    frames = len(interleaved) // channels
    window = max(1, int(WINDOW_SECONDS * rate))
    sides = [map(abs, interleaved[c::channels]) for c in range(channels)]
    tops = map(max, *sides) if channels > 1 else sides[0]
    need = [ceiling / top if top > ceiling else 1.0 for top in tops]
    if min(need, default=1.0) == 1.0:
        return list(interleaved)
    # The gain at frame i is the mean over `window` frames of the lowest need
    # within `window` of each: every such lowest is at most need[i], so the
    # mean is too, and the gain glides instead of stepping.
    wrapped = [need[(j - 2 * window) % frames] for j in range(frames + 4 * window)]
    lowest, queue = [], collections.deque()
    for j, value in enumerate(wrapped):
        while queue and wrapped[queue[-1]] >= value:
            queue.pop()
        queue.append(j)
        if queue[0] <= j - 2 * window - 1:
            queue.popleft()
        lowest.append(wrapped[queue[0]])   # lowest of wrapped[j - 2w .. j]
    # lowest[j] covers need around j - window; average window of them centred on i
    sums = list(itertools.accumulate(lowest, initial=0.0))
    half = window // 2
    out = list(interleaved)
    for i in range(frames):
        centre = i + 3 * window  # index in `lowest` of the window centred on frame i
        gain = (sums[centre + half + 1] - sums[centre - (window - half) + 1]) / window
        if gain < 1.0:
            for c in range(channels):
                out[i * channels + c] *= gain
    return out
