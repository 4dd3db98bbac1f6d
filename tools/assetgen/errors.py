"""Error type shared by every source reader.

A bad source file must stop the generator with one readable line that says
which file and which line to fix, so every parser raises SourceError and the
command-line entry point prints it instead of a traceback.
"""


class SourceError(Exception):
    """A problem in a text source, tied to a file and (when known) a line."""

    def __init__(self, path, line, message):
        self.path = str(path)
        self.line = line
        self.message = message
        where = f"{self.path}:{line}" if line else self.path
        super().__init__(f"{where}: {message}")

    def __reduce__(self):
        # rebuilt from its parts when it comes back from a worker process
        return SourceError, (self.path, self.line, self.message)


def source_lines(path):
    """Yield (line_number, text) for the meaningful lines of a source file.

    Comments start with '#' only at the start of a line (after spaces), because
    '#' also introduces colours in the palette and sharps in note names.
    """
    try:
        with open(path, encoding="utf-8") as handle:
            raw = handle.read().splitlines()
    except OSError as exc:
        raise SourceError(path, 0, f"cannot read source: {exc.strerror}") from None
    for number, text in enumerate(raw, start=1):
        stripped = text.strip()
        if not stripped or stripped.startswith("#"):
            continue
        yield number, stripped


def parse_number(path, line, text, what):
    """Read a float from a source token, or say which token was wrong."""
    try:
        return float(text)
    except ValueError:
        raise SourceError(path, line, f"{what} must be a number, got {text!r}") from None


def parse_int(path, line, text, what):
    """Read an integer from a source token, or say which token was wrong."""
    try:
        return int(text)
    except ValueError:
        raise SourceError(path, line, f"{what} must be a whole number, got {text!r}") from None
