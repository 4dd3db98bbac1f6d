"""Programs started in a Session: exit status, captured output, windows, and
how their processes are ended."""

import os
import re
import signal
import subprocess

from e2e_common import HarnessError, run_tool, tail, wait_until
from e2e_window import Window


def group_members(pgid):
    """Pids of live (non-zombie) processes in a process group, read from /proc."""
    members = []
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/stat", "rb") as f:
                fields = f.read().rsplit(b")", 1)[1].split()
        except (OSError, IndexError):
            continue
        # After the command name: state, ppid, pgrp.
        if int(fields[2]) == pgid and fields[0] != b"Z":
            members.append(int(entry))
    return members


def stop_group(proc, grace=3.0):
    """Ends a process we started in its own session, and whatever it spawned
    in that group: SIGTERM first so it can clean up, SIGKILL if it lingers.
    Returns once the leader is reaped and no member of the group runs."""
    for sig in (signal.SIGTERM, signal.SIGKILL):
        if proc.poll() is not None and not group_members(proc.pid):
            return
        try:
            os.killpg(proc.pid, sig)
        except (ProcessLookupError, PermissionError):
            pass
        try:
            proc.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            continue
        if wait_until(lambda: not group_members(proc.pid), grace):
            return
    proc.wait()


def _ere_escape(text):
    return re.sub(r"([\\.^$|?*+()\[\]{}])", r"\\\1", text)


class App:
    """A program started in a Session: its exit status, captured output and
    windows. Its process group is ended when the session closes."""

    def __init__(self, session, argv, proc, stdout_path, stderr_path, events_path=None):
        self.session = session
        self.argv = list(argv)
        self.proc = proc
        self.pid = proc.pid
        self.stdout_path = stdout_path
        self.stderr_path = stderr_path
        self.events_path = events_path

    def __repr__(self):
        return f"<App {self.argv[0]} pid {self.pid} returncode {self.returncode}>"

    @property
    def returncode(self):
        return self.proc.poll()

    @property
    def running(self):
        return self.proc.poll() is None

    def stdout_text(self):
        return self._read(self.stdout_path)

    def stderr_text(self):
        return self._read(self.stderr_path)

    @staticmethod
    def _read(path):
        if path is None:
            return ""
        with open(path, errors="replace") as f:
            return f.read()

    # --- the game's event stream (TALLOWFEN_EVENTS) --------------------------

    def events(self):
        """The whole lines the program has written to its event stream so far."""
        try:
            with open(self.events_path, errors="replace") as f:
                text = f.read()
        except (OSError, TypeError):
            return []
        return text.split("\n")[:-1]

    def wait_event(self, pattern, timeout=15.0, since=0):
        """Waits for an event line from index `since` on that matches the
        regular expression from its start; returns (index, match)."""
        regex = re.compile(pattern)

        def find():
            for i, line in enumerate(self.events()[since:], since):
                if m := regex.match(line):
                    return i, m
            if not self.running:
                return "exited"
            return None

        found = wait_until(find, timeout, interval=0.02)
        if found is None or found == "exited":
            why = "it exited" if found == "exited" else f"not within {timeout:g} s"
            raise HarnessError(f"{self.argv[0]} wrote no event like {pattern!r} ({why}); the last: "
                               f"{self.events()[-5:]}\n{self.describe_output()}")
        return found

    def frame(self):
        """How many frames the program has shown, from its stream's last lines."""
        try:
            with open(self.events_path, "rb") as f:
                f.seek(0, os.SEEK_END)
                f.seek(max(0, f.tell() - 512))
                lines = f.read().decode(errors="replace").split("\n")[:-1]
        except (OSError, TypeError):
            return 0
        for line in reversed(lines if len(lines) > 1 else self.events()):
            if line.startswith("frame "):
                return int(line.split()[1])
        return 0

    def wait_frames(self, count=3, timeout=10.0, exit_ok=False):
        """Waits until `count` more frames have been shown: input sent before
        the call has then been read, acted on and drawn. With exit_ok the
        program ending (the input closed it) also ends the wait."""
        target = self.frame() + count
        wait_until(lambda: self.frame() >= target or not self.running, timeout, interval=0.02)
        if self.frame() < target and (self.running or not exit_ok):
            raise HarnessError(f"{self.argv[0]} did not show {count} more frames within {timeout:g} s"
                               f"\n{self.describe_output()}")

    def describe_output(self):
        """The tail of stdout and stderr, for failure messages."""
        return (f"--- stdout of {self.argv[0]} ---\n{tail(self.stdout_path) if self.stdout_path else ''}"
                f"--- stderr ---\n{tail(self.stderr_path) if self.stderr_path else ''}")

    def wait(self, timeout=10.0):
        """Waits for the program to exit and returns its exit code."""
        try:
            return self.proc.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            raise HarnessError(f"{self.argv[0]} still running after {timeout:g} s\n"
                               f"{self.describe_output()}") from None

    def kill(self):
        stop_group(self.proc)

    def window(self, name, timeout=10.0):
        """Waits for a visible window titled exactly name and returns it."""
        pattern = "^" + _ere_escape(name) + "$"
        env = self.session.env

        def find():
            if self.proc.poll() is not None:
                return "exited"
            found = run_tool(["xdotool", "search", "--onlyvisible", "--name", pattern], env,
                             check=False).stdout.split()
            # xdotool matches case-insensitively, so confirm the exact title.
            for wid in found:
                win = Window(env, wid, name)
                if run_tool(["xdotool", "getwindowname", wid], env,
                            check=False).stdout.rstrip("\n") == name:
                    return win
            return None

        result = wait_until(find, timeout, interval=0.1)
        if result == "exited":
            raise HarnessError(f"{self.argv[0]} exited with code {self.returncode} before "
                               f"showing a window titled {name!r}\n{self.describe_output()}")
        if result is None:
            raise HarnessError(f"no visible window titled {name!r} within {timeout:g} s\n"
                               f"{self.describe_output()}")
        return result
