"""Builds a looping music track from a note-list source.

Source lines:
  tempo BPM                    beats per minute
  steps N                      grid steps per bar (default 16)
  echo STEPS FEEDBACK WET      the shared echo, fed by instruments with echo=1
  instrument NAME key=value... a voice preset; extra keys pan=-1..1, echo=0|1
  pattern NAME INSTRUMENT      one bar for one instrument; the next line holds
                               exactly N tokens: a note (C4, F#3, Bb2), notes
                               joined by '+' (a chord), 'x' (the instrument's
                               own pitch, for drums), '-' (hold) or '.' (rest)
  group NAME PATTERN...        a name for patterns (or groups) that sound together
  play COUNT PATTERN...        COUNT bars, each playing all the patterns given
  section NAME ... end         the play lines in between form a block of bars
                               that is not played yet; 'play COUNT NAME' plays
                               the whole block COUNT times
The track is a whole number of bars. Notes and echoes that ring past the last
bar are folded back onto the start, so the end flows into the beginning.
"""

import operator
import re

import synth
from errors import SourceError, parse_int, parse_number, source_lines

NOTE = re.compile(r"^([A-G])([#b]?)(-?\d)$")
SEMITONE = {"C": 0, "D": 2, "E": 4, "F": 5, "G": 7, "A": 9, "B": 11}
INSTRUMENT_KEYS = dict(synth.VOICE_DEFAULTS, pan=0.0, echo=0.0)


def note_frequency(token):
    """Frequency of a note name such as A4 (440 Hz) or C#5; None if not a note."""
    match = NOTE.match(token)
    if not match:
        return None
    letter, accidental, octave = match.groups()
    semis = SEMITONE[letter] + {"#": 1, "b": -1, "": 0}[accidental] + 12 * (int(octave) + 1)
    return 440.0 * 2 ** ((semis - 69) / 12.0)


class Song:
    """Everything read from a music source, checked and ready to render."""

    def __init__(self):
        self.tempo, self.steps = None, 16
        self.echo = (3, 0.0, 0.0)
        self.instruments, self.patterns, self.bars = {}, {}, []
        self.groups, self.sections = {}, {}


def _parse_pattern(path, line, text, song, instrument):
    tokens = text.split()
    if len(tokens) != song.steps:
        raise SourceError(path, line, f"pattern has {len(tokens)} steps, expected {song.steps}")
    notes, current = [], None   # notes: [start_step, length_steps, [freqs]]
    for step, token in enumerate(tokens):
        if token == "-":
            if current is None:
                raise SourceError(path, line, f"step {step + 1}: '-' holds nothing")
            current[1] += 1
            continue
        current = None
        if token == ".":
            continue
        if token == "x":
            freqs = [song.instruments[instrument]["freq"]]
        else:
            freqs = [note_frequency(part) for part in token.split("+")]
            if None in freqs:
                raise SourceError(path, line, f"step {step + 1}: {token!r} is not a note, "
                                              "'x', '-' or '.'")
        current = [step, 1, freqs]
        notes.append(current)
    return notes


def _expand(song, names, complain):
    """Pattern names behind a list of pattern and group names, in order."""
    patterns = []
    for name in names:
        if name in song.groups:
            patterns += song.groups[name]
        elif name in song.patterns:
            patterns.append(name)
        else:
            complain(f"unknown pattern or group {name!r}")
    return patterns


def _play(song, args, complain, path, line):
    """The bars one play line adds: COUNT bars of patterns, or a section COUNT times."""
    count = parse_int(path, line, args[0], "play count")
    if count <= 0:
        complain("play count must be positive")
    if args[1] in song.sections:
        if len(args) != 2:
            complain(f"section {args[1]!r} must be played on its own")
        return song.sections[args[1]] * count
    return [_expand(song, args[1:], complain)] * count


def parse_song(path):
    song, lines = Song(), source_lines(path)
    section = None   # (name, line, bars) of the section being written, if any
    for line, text in lines:
        fields = text.split()
        word, args = fields[0], fields[1:]

        def complain(message, line=line):
            raise SourceError(path, line, message)

        if word == "tempo" and len(args) == 1:
            song.tempo = parse_number(path, line, args[0], "tempo")
            if not 20 <= song.tempo <= 400:
                complain("tempo must lie between 20 and 400")
        elif word == "steps" and len(args) == 1:
            song.steps = parse_int(path, line, args[0], "steps")
            if song.steps <= 0:
                complain("steps must be positive")
        elif word == "echo" and len(args) == 3:
            song.echo = (parse_int(path, line, args[0], "echo steps"),
                         parse_number(path, line, args[1], "echo feedback"),
                         parse_number(path, line, args[2], "echo wet"))
            if song.echo[0] <= 0 or not 0 <= song.echo[1] < 0.9:
                complain("echo needs steps above 0 and feedback from 0 to 0.9")
        elif word == "instrument" and args:
            params = dict(INSTRUMENT_KEYS)
            params.update(synth.parse_params(args[1:], complain, INSTRUMENT_KEYS))
            synth.check_voice(params, complain)
            song.instruments[args[0]] = params
        elif word == "pattern" and len(args) == 2:
            if args[1] not in song.instruments:
                complain(f"pattern uses unknown instrument {args[1]!r}")
            try:
                row_line, row = next(lines)
            except StopIteration:
                complain("pattern has no note line after it")
            song.patterns[args[0]] = (args[1], _parse_pattern(path, row_line, row, song, args[1]))
        elif word == "group" and len(args) >= 2:
            if args[0] in song.patterns:
                complain(f"group {args[0]!r} has the name of a pattern")
            song.groups[args[0]] = _expand(song, args[1:], complain)
        elif word == "play" and len(args) >= 2:
            bars = _play(song, args, complain, path, line)
            (section[2] if section else song.bars).extend(bars)
        elif word == "section" and len(args) == 1 and section is None:
            section = (args[0], line, [])
        elif word == "end" and not args and section is not None:
            if not section[2]:
                complain(f"section {section[0]!r} has no play lines")
            song.sections[section[0]] = section[2]
            section = None
        else:
            complain(f"cannot read {text!r}")
    if section is not None:
        raise SourceError(path, section[1], f"section {section[0]!r} has no 'end'")
    if song.tempo is None or not song.bars:
        raise SourceError(path, 0, "a song needs a tempo line and at least one play line")
    return song


def _render_chord(params, freqs, seconds):
    """One instrument playing the given pitches together for `seconds`:
    the dry samples and their left and right parts after panning."""
    mixed = []
    for freq in freqs:
        voice = dict(params, freq=freq, dur=seconds)
        if params["to"] > 0:
            voice["to"] = params["to"] * freq / params["freq"]
        samples = synth.render_voice(voice)
        mixed = samples if not mixed else list(map(operator.add, mixed, samples))
    pan = params["pan"]
    gains = (((1.0 - pan) / 2) ** 0.5, ((1.0 + pan) / 2) ** 0.5)
    return [mixed] + [list(map(gain.__mul__, mixed)) for gain in gains]


def render_song(song):
    """Render the song to interleaved stereo floats, exactly len(bars) long."""
    step_samples = synth.RATE * 60.0 / song.tempo * 4 / song.steps
    length = int(round(len(song.bars) * song.steps * step_samples))
    tail = int(synth.RATE * 4)
    left, right, send = [0.0] * (length + tail), [0.0] * (length + tail), [0.0] * (length + tail)
    cache = {}   # a chord sounds the same wherever it is played: render it once
    for bar_index, names in enumerate(song.bars):
        for name in names:
            instrument, notes = song.patterns[name]
            params = song.instruments[instrument]
            for start, steps, freqs in notes:
                offset = int(round((bar_index * song.steps + start) * step_samples))
                key = (instrument, tuple(round(freq, 3) for freq in freqs), steps)
                if key not in cache:
                    cache[key] = _render_chord(params, freqs, steps * step_samples / synth.RATE)
                dry, on_left, on_right = cache[key]
                synth.mix_into(left, on_left, offset)
                synth.mix_into(right, on_right, offset)
                if params["echo"]:
                    synth.mix_into(send, dry, offset)
    _add_echo(song, step_samples, send, left, right)
    for channel in (left, right):
        for i in range(tail):
            channel[i % length] += channel[length + i]
        del channel[length:]
    mixed = [0.0] * (2 * length)
    mixed[0::2], mixed[1::2] = left, right
    return mixed


def _add_echo(song, step_samples, send, left, right):
    """Feedback echo of the send bus, bouncing between the two sides."""
    steps, feedback, wet = song.echo
    if wet <= 0:
        return
    delay = int(round(steps * step_samples))
    size = len(send)
    echo_left, echo_right = [0.0] * size, [0.0] * size
    # Each block of `delay` samples depends only on the block before it, so
    # whole blocks are computed at once. Ping-pong: each repeat crosses sides.
    for start in range(delay, size, delay):
        end = min(start + delay, size)
        before = slice(start - delay, end - delay)
        echo_left[start:end] = map(operator.add, send[before],
                                   map(feedback.__mul__, echo_right[before]))
        echo_right[start:end] = map(feedback.__mul__, echo_left[before])
    for channel, near, far in ((left, echo_left, echo_right), (right, echo_right, echo_left)):
        wet_mix = map(wet.__mul__, map(operator.add, near, map((0.3).__mul__, far)))
        channel[:] = map(operator.add, channel, wet_mix)
