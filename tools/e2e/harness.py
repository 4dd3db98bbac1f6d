"""End-to-end test harness: a private X display (Xvfb) and a private PulseAudio
null sink in which real programs run, are driven and are observed.

    with Session() as s:
        app = s.start(["./tallowfen"])
        win = app.window("Tallowfen", timeout=20)
        rec = s.record()
        win.key("Return")
        sound = rec.stop()
        shot = win.screenshot("menu.png")

Command line: `harness.py run [--isolate-home] -- CMD ARGS...` runs CMD inside
a fresh session and exits with CMD's exit code.
"""

import argparse
import atexit
import os
import re
import select
import shutil
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from e2e_app import App, stop_group  # noqa: E402
from e2e_audio import Recorder, Sound  # noqa: E402
from e2e_common import (HarnessError, ProgramNotFound, SignalGuard, require,  # noqa: E402
                        run_tool, tail, wait_until)
from e2e_image import Shot  # noqa: E402
from e2e_window import SizeHints, Window  # noqa: E402

__all__ = ["Session", "App", "Window", "Shot", "Recorder", "Sound", "SizeHints", "HarnessError",
           "ProgramNotFound"]

# Variables that would point a program at the caller's display, sound server
# or message bus instead of the session's.
_FOREIGN = ("DISPLAY", "WAYLAND_DISPLAY", "XAUTHORITY", "PULSE_SERVER", "PULSE_SINK",
            "PULSE_SOURCE", "PULSE_COOKIE", "PULSE_RUNTIME_PATH", "DBUS_SESSION_BUS_ADDRESS")


class Session:
    """A private X display and PulseAudio null sink, with every process started
    in them; closing the session ends all of those and deletes its temp files."""

    def __init__(self, screen="1280x1024x24", sink="tallowfen_e2e", isolate_home=True,
                 start_timeout=15.0):
        self.screen = screen
        self.sink = sink
        self.isolate_home = isolate_home
        self.start_timeout = start_timeout
        self.display = None
        self.env = None
        self.tmpdir = None
        self._procs = []  # (kind, Popen), in start order
        self.apps = []
        self.recorders = []
        self._open = False

    def __enter__(self):
        self.open()
        return self

    def __exit__(self, *exc):
        self.close()

    def pids(self):
        """Pids of every process this session started, for leak checks."""
        return ([p.pid for _, p in self._procs] + [a.pid for a in self.apps]
                + [r.pid for r in self.recorders])

    # --- start-up ----------------------------------------------------------

    def open(self):
        for tool in ("Xvfb", "xdpyinfo", "pulseaudio", "pactl", "parec"):
            require(tool)
        self.tmpdir = tempfile.mkdtemp(prefix="tallowfen-e2e-")
        self._open = True
        atexit.register(self.close)
        try:
            self.runtime_dir = os.path.join(self.tmpdir, "run")
            self.home = os.path.join(self.tmpdir, "home")
            for d in (self.runtime_dir, self.home):
                os.mkdir(d, 0o700)
            self._start_xvfb()
            self._start_pulse()
            self.env = self._app_env()
        except BaseException:
            self.close()
            raise

    def _spawn(self, kind, argv, env, log, pass_fds=()):
        with open(os.path.join(self.tmpdir, log), "wb") as out, SignalGuard.hold():
            proc = subprocess.Popen(argv, stdout=out, stderr=subprocess.STDOUT, pass_fds=pass_fds,
                                    stdin=subprocess.DEVNULL, env=env, start_new_session=True)
            self._procs.append((kind, proc))
        return proc

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        try:
            self._spawn("Xvfb", [require("Xvfb"), "-displayfd", str(write_end), "-screen", "0",
                                 self.screen, "-nolisten", "tcp", "-noreset"],
                        os.environ, "xvfb.log", pass_fds=(write_end,))
            os.close(write_end)
            write_end = None
            number = b""
            deadline = time.monotonic() + self.start_timeout
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                ready, _, _ = select.select([read_end], [], [], 0.1)
                if ready:
                    chunk = os.read(read_end, 16)
                    if not chunk:
                        break
                    number += chunk
        finally:
            os.close(read_end)
            if write_end is not None:
                os.close(write_end)
        if not number.strip().isdigit():
            raise HarnessError("Xvfb did not report a display within "
                               f"{self.start_timeout:g} s: {tail(os.path.join(self.tmpdir, 'xvfb.log'))}")
        self.display = ":" + number.decode().strip()
        x_env = dict(os.environ, DISPLAY=self.display)
        x_env.pop("XAUTHORITY", None)
        if not wait_until(lambda: run_tool(["xdpyinfo"], x_env, check=False).returncode == 0,
                          self.start_timeout):
            raise HarnessError(f"Xvfb display {self.display} did not answer xdpyinfo")

    def _start_pulse(self):
        socket = os.path.join(self.runtime_dir, "pulse", "native")
        env = {k: v for k, v in os.environ.items() if k not in _FOREIGN}
        # No DISPLAY and no bus: otherwise the daemon may autolaunch a
        # dbus-daemon that the session would not know to stop.
        env.update(HOME=self.home, XDG_RUNTIME_DIR=self.runtime_dir,
                   XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                   DBUS_SESSION_BUS_ADDRESS="disabled:")
        self._spawn("pulseaudio", [
            require("pulseaudio"), "-n", "--daemonize=no", "--system=no", "--exit-idle-time=-1",
            "--use-pid-file=no", "--high-priority=no", "--realtime=no", "--log-target=stderr",
            # Shared memory off, memfd with it: PulseAudio 16's memfd transport can
            # lose track of a client's pool and abort the server mid-test ("Cannot
            # send block reference with non-registered memfd ID", its bug 824).
            # Over the socket alone every client's sound arrives just the same.
            "--disable-shm=yes",
            f"--load=module-null-sink sink_name={self.sink} rate=44100 channels=2",
            f"--load=module-native-protocol-unix auth-anonymous=1 socket={socket}",
        ], env, "pulseaudio.log")
        self.pulse_env = dict(env, PULSE_SERVER="unix:" + socket, PULSE_SINK=self.sink,
                              PULSE_COOKIE=os.path.join(self.runtime_dir, "pulse-cookie"))
        ok = wait_until(lambda: f"Default Sink: {self.sink}" in run_tool(
            ["pactl", "info"], self.pulse_env, check=False).stdout, self.start_timeout)
        if not ok:
            raise HarnessError("PulseAudio did not come up with the null sink within "
                               f"{self.start_timeout:g} s: "
                               f"{tail(os.path.join(self.tmpdir, 'pulseaudio.log'))}")
        # Without a client asking for low latency the null sink renders in
        # two-second blocks, delaying the start of every recording and every
        # sound's arrival at the monitor; this idle reader keeps it fine-grained.
        self._spawn("clock", [require("parec"), "-d", f"{self.sink}.monitor",
                              "--latency-msec=10", "--client-name=e2e-clock"],
                    self.pulse_env, "clock.log")
        if not wait_until(lambda: run_tool(["pactl", "list", "short", "source-outputs"],
                                           self.pulse_env).stdout.strip(), self.start_timeout):
            raise HarnessError(f"parec could not connect to {self.sink}.monitor: "
                               f"{tail(os.path.join(self.tmpdir, 'clock.log'))}")
        # The sink only adopts the short blocks at its next wake-up, up to two
        # seconds away; a suspend and resume restarts its clock right now.
        for state in ("1", "0"):
            run_tool(["pactl", "suspend-sink", self.sink, state], self.pulse_env)

    def _app_env(self):
        env = {k: v for k, v in os.environ.items() if k not in _FOREIGN}
        env.update({k: self.pulse_env[k] for k in ("XDG_RUNTIME_DIR", "PULSE_SERVER",
                                                    "PULSE_SINK", "PULSE_COOKIE")})
        env.update(DISPLAY=self.display, DBUS_SESSION_BUS_ADDRESS="disabled:",
                   ALSOFT_DRIVERS="pulse")
        if self.isolate_home:
            env.update(HOME=self.home, XDG_CONFIG_HOME=os.path.join(self.home, ".config"),
                       XDG_DATA_HOME=os.path.join(self.home, ".local", "share"),
                       XDG_STATE_HOME=os.path.join(self.home, ".local", "state"),
                       XDG_CACHE_HOME=os.path.join(self.home, ".cache"))
        return env

    # --- use ---------------------------------------------------------------

    def start(self, argv, cwd=None, env_extra=None, capture=True):
        """Runs a program in the session. With capture its stdout and stderr go
        to files (App.stdout_text()); without, they are the caller's."""
        if not self._open:
            raise HarnessError("the session is not open")
        index = len(self.apps)
        # A program that keeps an event stream (the game does) writes it here.
        events_path = os.path.join(self.tmpdir, f"app{index}.events")
        env = dict(self.env, TALLOWFEN_EVENTS=events_path, **(env_extra or {}))
        out_path = os.path.join(self.tmpdir, f"app{index}.out") if capture else None
        err_path = os.path.join(self.tmpdir, f"app{index}.err") if capture else None
        try:
            out = open(out_path, "wb") if capture else None
            err = open(err_path, "wb") if capture else None
            with SignalGuard.hold():
                try:
                    proc = subprocess.Popen(list(argv), cwd=cwd, env=env, stdout=out, stderr=err,
                                            stdin=subprocess.DEVNULL if capture else None,
                                            start_new_session=True)
                finally:
                    for f in (out, err):
                        if f:
                            f.close()
                app = App(self, argv, proc, out_path, err_path, env["TALLOWFEN_EVENTS"])
                self.apps.append(app)
        except FileNotFoundError:
            raise ProgramNotFound(f"program not found: {argv[0]}") from None
        except PermissionError:
            raise HarnessError(f"program is not executable: {argv[0]}") from None
        return app

    def record(self, start_timeout=5.0):
        """Starts recording everything played to the session's sink."""
        path = os.path.join(self.tmpdir, f"rec{len(self.recorders)}.raw")
        with SignalGuard.hold():
            rec = Recorder(self.pulse_env, self.sink, path)
            self.recorders.append(rec)
        rec.wait_started(start_timeout)
        return rec

    def start_window_manager(self, timeout=10.0):
        """Starts openbox on the display and returns once it manages the
        screen. Only tests that need one call this: without a window manager
        nothing answers a request to minimise (iconify) a window."""
        # The session's HOME keeps openbox from reading the caller's configuration.
        self._spawn("openbox", [require("openbox"), "--sm-disable"], self.env, "openbox.log")
        managed = wait_until(lambda: "window id" in run_tool(
            ["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], self.env, check=False).stdout, timeout)
        if not managed:
            raise HarnessError(f"openbox did not take the screen within {timeout:g} s: "
                               f"{tail(os.path.join(self.tmpdir, 'openbox.log'))}")

    def root_window(self):
        """The whole screen as a Window, e.g. for a screenshot of everything."""
        out = run_tool(["xwininfo", "-root"], self.env).stdout
        return Window(self.env, int(re.search(r"Window id: (0x[0-9a-f]+)", out).group(1), 16),
                      "root")

    # --- shutdown ----------------------------------------------------------

    def close(self):
        """Stops every process of the session, newest first, and deletes its files."""
        if not self._open:
            return
        self._open = False
        atexit.unregister(self.close)
        stops = ([rec.kill for rec in self.recorders]
                 + [lambda p=app.proc: stop_group(p) for app in reversed(self.apps)]
                 + [lambda p=proc: stop_group(p) for _, proc in reversed(self._procs)])
        failure = None
        try:
            for stop in stops:
                try:
                    stop()
                except Exception as e:  # one stuck process must not leave the rest running
                    failure = failure or e
        finally:
            shutil.rmtree(self.tmpdir, ignore_errors=True)
        if failure:
            raise failure


def main(argv=None):
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    sub = parser.add_subparsers(dest="command", required=True)
    run = sub.add_parser("run", help="run a command inside a fresh session")
    run.add_argument("--screen", default="1280x1024x24")
    run.add_argument("--isolate-home", action="store_true",
                     help="give the command a private HOME and XDG directories")
    run.add_argument("cmd", nargs=argparse.REMAINDER)
    args = parser.parse_args(argv)
    cmd = args.cmd[1:] if args.cmd[:1] == ["--"] else args.cmd
    if not cmd:
        parser.error("run needs a command after --")
    SignalGuard.install()
    try:
        with Session(screen=args.screen, isolate_home=args.isolate_home) as session:
            app = session.start(cmd, capture=False)
            code = app.proc.wait()
    except HarnessError as e:
        print(f"harness: {e}", file=sys.stderr)
        # 127 and 125 follow the shell's and env's codes for these cases.
        return 127 if isinstance(e, ProgramNotFound) else 125
    return 128 - code if code < 0 else code


if __name__ == "__main__":
    sys.exit(main())
