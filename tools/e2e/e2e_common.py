"""Shared pieces of the end-to-end harness: its error type and how it runs
the X and PulseAudio command-line tools."""

import contextlib
import os
import shutil
import signal
import subprocess
import time

# Which Debian package brings each tool, so a missing one names its fix.
PACKAGE_OF = {
    "Xvfb": "xvfb",
    "xdpyinfo": "x11-utils",
    "xprop": "x11-utils",
    "xwininfo": "x11-utils",
    "xdotool": "xdotool",
    "xmessage": "x11-utils",
    "openbox": "openbox",
    "import": "imagemagick",
    "pulseaudio": "pulseaudio",
    "pactl": "pulseaudio-utils",
    "parec": "pulseaudio-utils",
    "lame": "lame",
}

TOOL_TIMEOUT = 10.0


class HarnessError(RuntimeError):
    """Raised when the harness cannot do what a test asked of it; the message
    says what went wrong and, where it can, how to fix it."""


class ProgramNotFound(HarnessError):
    """Raised when the program a test asked to start does not exist."""


class SignalGuard:
    """Turns termination signals into SystemExit for the command-line mode,
    but never between starting a process and recording it for cleanup: a
    signal landing there is held until the process is on the books."""

    SIGNALS = (signal.SIGTERM, signal.SIGINT, signal.SIGHUP)
    depth = 0
    pending = None

    @classmethod
    def install(cls):
        for sig in cls.SIGNALS:
            signal.signal(sig, cls._handle)

    @classmethod
    def _handle(cls, signum, _frame):
        # Later signals are ignored so they cannot cut the cleanup short.
        for sig in cls.SIGNALS:
            signal.signal(sig, signal.SIG_IGN)
        if cls.depth:
            cls.pending = signum
        else:
            raise SystemExit(128 + signum)

    @classmethod
    @contextlib.contextmanager
    def hold(cls):
        cls.depth += 1
        try:
            yield
        finally:
            cls.depth -= 1
        if cls.depth == 0 and cls.pending is not None:
            signum, cls.pending = cls.pending, None
            raise SystemExit(128 + signum)


def require(tool, env=None):
    """Returns the full path of a tool, or raises naming the package to install."""
    path = shutil.which(tool, path=(env or os.environ).get("PATH"))
    if path is None:
        package = PACKAGE_OF.get(tool)
        hint = f": install {package}" if package else ""
        raise HarnessError(f"{tool} not found{hint}")
    return path


def run_tool(argv, env, timeout=TOOL_TIMEOUT, check=True, binary=False):
    """Runs one short-lived tool and returns its CompletedProcess.

    A bounded timeout keeps a wedged X or Pulse tool from hanging a test run."""
    exe = require(argv[0], env)
    try:
        result = subprocess.run([exe] + list(argv[1:]), env=env, capture_output=True,
                                timeout=timeout, text=not binary, stdin=subprocess.DEVNULL)
    except subprocess.TimeoutExpired:
        raise HarnessError(f"{' '.join(argv)} did not finish within {timeout:g} s") from None
    if check and result.returncode != 0:
        err = result.stderr.decode(errors="replace") if binary else result.stderr
        raise HarnessError(f"{' '.join(argv)} failed with exit code {result.returncode}: "
                           f"{err.strip()}")
    return result


def wait_until(predicate, timeout, interval=0.05):
    """Polls predicate until it returns something truthy; returns that value or
    None when the timeout passes first."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() >= deadline:
            return None
        time.sleep(interval)


def tail(path, lines=20):
    """The last lines of a log file, for error messages."""
    try:
        with open(path, errors="replace") as f:
            return "".join(f.readlines()[-lines:])
    except OSError:
        return ""
