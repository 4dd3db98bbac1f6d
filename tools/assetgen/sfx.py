"""Builds a sound effect from its source: a list of voices mixed together.

Source lines:
  loudness L               how loud it is heard, in LU against REFERENCE_LUFS
                           (default 0): the effects are balanced by this
  peak P                   the loudest sample it may reach as heard, 0..1
                           (default PEAK_CEILING); a sound whose loudness would
                           take it higher stops the generator instead of clipping
  voice key=value ...      one voice; `at=` is its start in seconds, the other
                           keys are the synthesiser's voice settings
The result is mono, free of DC, set to its loudness and ended with a short
fade so the last sample is silent instead of a click. Levels are as heard in
the game, whose mixer plays a file at loudness.PLAYED_GAIN.
"""

import dc
import loudness
import synth
from errors import SourceError, parse_number, source_lines

FADE_SECONDS = 0.004
# Effects are measured by their loudest momentary (400 ms) loudness, as the
# game plays them on both sides. An effect at 0 LU sits this loud.
REFERENCE_LUFS = -20.0
# Several effects land on the music at once; each keeps well clear of full scale.
PEAK_CEILING = 0.45


def build_sound(path):
    """Return the int16 samples of the effect described by the source."""
    voices, target_peak, target_lu, loudness_line = [], PEAK_CEILING, 0.0, 0
    for line, text in source_lines(path):
        fields = text.split()

        def complain(message, line=line):
            raise SourceError(path, line, message)

        if fields[0] == "peak" and len(fields) == 2:
            target_peak = parse_number(path, line, fields[1], "peak")
            if not 0 < target_peak < 1:
                complain("peak must lie between 0 and 1 so nothing clips")
        elif fields[0] == "loudness" and len(fields) == 2:
            target_lu, loudness_line = parse_number(path, line, fields[1], "loudness"), line
            if not -30 <= target_lu <= 20:
                complain("loudness must lie between -30 and 20 LU")
        elif fields[0] == "voice":
            allowed = dict(synth.VOICE_DEFAULTS, at=0.0)
            params = dict(allowed)
            params.update(synth.parse_params(fields[1:], complain, allowed))
            synth.check_voice(params, complain)
            if params["at"] < 0:
                complain("at must not be negative")
            voices.append(params)
        else:
            complain(f"expected 'loudness L', 'peak P' or 'voice key=value ...', got {fields[0]!r}")
    if not voices:
        raise SourceError(path, 0, "a sound needs at least one voice")
    length = max(int(round(v["at"] * synth.RATE)) + int(round((v["dur"] + v["release"]) * synth.RATE))
                 for v in voices)
    mix = [0.0] * length
    for params in voices:
        synth.mix_into(mix, synth.render_voice(params), int(round(params["at"] * synth.RATE)))
    mix = dc.remove_dc(mix, synth.RATE)
    fade = min(len(mix), int(FADE_SECONDS * synth.RATE))
    for i in range(fade):
        mix[len(mix) - fade + i] *= 1.0 - (i + 1) / fade
    heard = loudness.as_played(loudness.measure(mix)).momentary_max
    if heard == float("-inf"):
        raise SourceError(path, 0, "the sound is silent")
    # whole tenths of a dB, so a last-digit difference in the measurement
    # between library builds does not change the file
    gain = 10 ** (round(REFERENCE_LUFS + target_lu - heard, 1) / 20)
    played_peak = synth.peak(mix) * gain * loudness.PLAYED_GAIN
    if played_peak > target_peak:
        raise SourceError(path, loudness_line, f"at {target_lu:g} LU the peak would reach "
                          f"{played_peak:.2f}, above {target_peak:g}: lower the loudness "
                          "or make the sound less spiky")
    return synth.to_pcm16(mix, synth.peak(mix) * gain)
