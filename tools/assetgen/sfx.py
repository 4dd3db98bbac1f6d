"""Builds a sound effect from its source: a list of voices mixed together.

Source lines:
  peak P                   loudest sample after normalising, 0..1 (default 0.7)
  voice key=value ...      one voice; `at=` is its start in seconds, the other
                           keys are the synthesiser's voice settings
The result is mono, normalised to the peak and ended with a short fade so the
last sample is silent instead of a click.
"""

import synth
from errors import SourceError, parse_number, source_lines

FADE_SECONDS = 0.004


def build_sound(path):
    """Return the int16 samples of the effect described by the source."""
    voices, target_peak = [], 0.7
    for line, text in source_lines(path):
        fields = text.split()

        def complain(message, line=line):
            raise SourceError(path, line, message)

        if fields[0] == "peak" and len(fields) == 2:
            target_peak = parse_number(path, line, fields[1], "peak")
            if not 0 < target_peak < 1:
                complain("peak must lie between 0 and 1 so nothing clips")
        elif fields[0] == "voice":
            allowed = dict(synth.VOICE_DEFAULTS, at=0.0)
            params = dict(allowed)
            params.update(synth.parse_params(fields[1:], complain, allowed))
            synth.check_voice(params, complain)
            if params["at"] < 0:
                complain("at must not be negative")
            voices.append(params)
        else:
            complain(f"expected 'peak P' or 'voice key=value ...', got {fields[0]!r}")
    if not voices:
        raise SourceError(path, 0, "a sound needs at least one voice")
    length = max(int(round(v["at"] * synth.RATE)) + int(round((v["dur"] + v["release"]) * synth.RATE))
                 for v in voices)
    mix = [0.0] * length
    for params in voices:
        synth.mix_into(mix, synth.render_voice(params), int(round(params["at"] * synth.RATE)))
    fade = min(len(mix), int(FADE_SECONDS * synth.RATE))
    for i in range(fade):
        mix[len(mix) - fade + i] *= 1.0 - (i + 1) / fade
    return synth.to_pcm16(mix, target_peak)
