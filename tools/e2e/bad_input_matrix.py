"""Starts the real game on damaged input files, one case at a time, and checks
that it still reaches its menu, plays a level and quits cleanly.

Every asset file (under assets/ and shaders/) is tried missing, empty, cut to
its first half and replaced by random bytes; every data file (data/map,
data/maprender, data/settings, data/best, data/options, data/run) missing, empty, as garbage text, 10 MB long,
with CRLF line ends and as binary bytes; data/options and the desktop's
user-dirs.dirs also as a pipe (which must not hold the start-up) and as a
folder; and the whole data/ directory is tried read-only. Each case runs the game twice in one Xvfb session: once to
its main menu, once with `--level 3`, firing for a moment. The demos folder is tried as a plain file and full
of damaged demos, a pipe and a folder named like demos: there the menu run continues the kept run with NEW GAME,
and the player's other files must come out as they went in. Last, a demo the game records is damaged in
every way a file can be and handed to --verify and --play, which must refuse it in one line with exit code 2,
and its header is changed (check sum and all), which --verify must find. A case passes when
both screens are drawn, Escape ends both runs with exit code 0, nothing comes
on standard error (a sanitizer's report) and standard output holds only the
normal lines plus what the case allows: at most the game's one line naming
each unusable asset ("WARNING: ASSET: [<path>] ...", into which the game folds
whatever raylib says about that file), the map loaders' "Error: Could not open
file <path>" for a missing map file, and nothing more for a file that still
parses.

    python3 tools/e2e/bad_input_matrix.py [--quick] [--binary PATH] [--only RE]

prints a table of the cases and exits 1 if any failed."""

import argparse
import collections
import glob
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import time
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)

from e2e_common import HarnessError  # noqa: E402
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402

ROOT = os.environ.get("TALLOWFEN_SOURCE_DIR", os.path.abspath(os.path.join(HERE, "..", "..")))
BINARY = os.environ.get("TALLOWFEN_BINARY", os.path.join(ROOT, "build", "src", "tallowfen"))
DATA_FILES = ("map", "maprender", "settings", "best", "options", "run")
# A best and a kept run as the game writes them, where the data/best and data/run cases start.
BEST_RUN = b"tallowfen best run\nlevel 12\ngold 34\nkills 20\nend\n"
KEPT_RUN = b"tallowfen run\nlevel 4\ngold 12\npotions 1\nhealth 75\ngoldmagnet 2\nend\n"
# Options as the game writes them (a volume turned down, fire on Space), the
# starting point of the data/options cases.
OPTIONS = (b"music_volume = 60\neffects_volume = 100\nwalk_up = W, Up\nwalk_up_pad = Pad up\n"
           b"fire = Space\nfire_pad = Pad RT, Pad RB\n")
UPGRADES = ("bulletricochet", "bulletspeed", "goldmagnet", "goldmultiplier", "goldspawns")
# The catalogue lists itself twice at start-up; a level start names its enemies.
CATALOGUE = [f"Verified {id} - ID: {id}" for id in UPGRADES] * 2
PLACED = re.compile(r"\d+ \d+")
# The game's one line for an asset file that did not load cleanly.
ASSET_LINE = re.compile(r"WARNING: ASSET: \[(?P<path>[^\]]+)\] damaged or missing: .+")
SANITIZER = re.compile(r"Sanitizer|runtime error:|^==\d+==", re.M)
HUD_BLUE = (0, 121, 241)
WHITE = (255, 255, 255)
# Generous: the waits poll and end as soon as the game shows what is awaited,
# so only a failing case (or a sanitizer build) uses them up.
WINDOW_TIMEOUT = 60.0
DRAW_TIMEOUT = 60.0
EXIT_TIMEOUT = 30.0
SHOTS = None  # a folder for each run's last screenshot, when asked for


def _rng(*seed):
    return random.Random(":".join(seed))


# -- the cases ----------------------------------------------------------------

def asset_files(root=ROOT):
    """Every asset file, as a path relative to the game's directory."""
    found = []
    for top in ("assets", "shaders"):
        for folder, _, names in os.walk(os.path.join(root, top)):
            found += [os.path.relpath(os.path.join(folder, n), root) for n in names]
    return sorted(found)


def _damage_asset(how, rel):
    def apply(path):
        with open(path, "rb") as f:
            original = f.read()
        if how == "missing":
            os.remove(path)
            return
        data = {"empty": b"", "truncated": original[:len(original) // 2],
                "random": _rng(rel, how).randbytes(len(original))}[how]
        with open(path, "wb") as f:
            f.write(data)
    return apply


def _data_content(name, how, original):
    """The bytes of a damaged data file; None for a missing one."""
    rng = _rng(name, how)
    if how == "missing":
        return None
    if how == "empty":
        return b""
    if how == "garbage text":
        printable = [chr(c) for c in range(32, 127)]
        return "".join("".join(rng.choice(printable) for _ in range(rng.randrange(45))) + "\n"
                       for _ in range(30)).encode()
    if how == "binary":
        return rng.randbytes(4096)
    if how == "crlf":
        return (original or b"011").replace(b"\n", b"\r\n") + (b"\r\n" if name == "settings" else b"")
    if how == "10 MB":
        if name == "settings":  # blanks are skipped before each switch
            return b" \n" * (5 << 20) + b"011"
        # A first line far beyond 20 characters, then the rest of the file.
        first, _, rest = original.partition(b"\n")
        return first + b"0" * (10 << 20) + b"\n" + rest
    if how == "all walls":
        return (b"1" * 20 + b"\n") * 20
    raise ValueError(how)


def _write_data(name, how):
    def apply(path):
        if how in ("fifo", "directory"):
            if os.path.lexists(path):
                os.remove(path)
            os.makedirs(os.path.dirname(path), exist_ok=True)
            (os.mkfifo if how == "fifo" else os.mkdir)(path)
            return
        original = None
        if os.path.exists(path):
            with open(path, "rb") as f:
                original = f.read()
        content = _data_content(name, how, original)
        if content is None:
            if os.path.exists(path):
                os.remove(path)
            return
        with open(path, "wb") as f:
            f.write(content)
    return apply


Case = collections.namedtuple("Case", "file how damage damaged expected read_only keeps", defaults=(False,))
Case.__doc__ = """One row of the matrix: `damage` maps a relative path to a function
that spoils that file in a laid-out game directory; `damaged` are the asset
files whose one line each is allowed; `expected` a regular expression
for all extra lines (joined by newlines) of the menu run and of the level run; `read_only`
mounts data/ read-only and has the menu run try the settings screen's Save; `keeps` has the menu run
continue the kept run and checks that the player's files are left as they were."""


def asset_case(how, files):
    return Case(", ".join(files), how, {f: _damage_asset(how, f) for f in files}, tuple(files),
                ("", ""), False)


def data_cases():
    cases = []
    for name in DATA_FILES:
        odd = ("fifo", "directory") if name == "options" else ()
        for how in ("missing", "empty", "garbage text", "10 MB", "crlf", "binary") + odd:
            expected = ""
            if how == "missing" and name in ("map", "maprender"):
                expected = re.escape(f"Error: Could not open file data/{name}")
            elif name == "best" and how != "missing":  # a damaged best run is set aside
                expected = "Ignoring the best run in data/best: .+" + ("" if how != "crlf" else "|")
            elif name == "options" and how in ("garbage text", "10 MB", "binary") + odd:  # one line, defaults
                expected = "Ignoring what is damaged in data/options: .+"
            elif name == "run" and how != "missing":  # set aside at the menu; --level does not read it
                expected = "Ignoring the run kept in data/run: .+"
            cases.append(Case(f"data/{name}", how, {f"data/{name}": _write_data(name, how)}, (),
                              (expected, "" if name == "run" else expected), False))
    cases.append(Case("data/map", "all walls", {"data/map": _write_data("map", "all walls")}, (),
                      ("", "No floor tile inside the map's outer ring: level 3 starts without enemies"),
                      False))
    for how in ("fifo", "directory"):  # XDG_CONFIG_HOME is the game's .config; it plays on without the file
        dirs, ignored = ".config/user-dirs.dirs", r"Ignoring .+/\.config/user-dirs\.dirs: it is not a plain file"
        cases.append(Case(dirs, how, {dirs: _write_data("user-dirs.dirs", how)}, (), (ignored, ignored), False))
    cases += demo_folder_cases()
    cases.append(Case("data/", "read-only", {}, (),
                      (r"Error: Could not save settings to data/settings: .+",
                       r"Error: Could not keep the run in data/run: .+\n"
                       r"Error: Could not keep the run's demo in data/demos: .+"), True))
    return cases


ASSET_DAMAGES = ("missing", "empty", "truncated", "random")
# The player's files that a damaged demos folder must leave alone.
PLAYER_FILES = {"settings": b"101", "best": BEST_RUN, "options": OPTIONS, "run": KEPT_RUN, "window": b"0"}


def _demo_folder(how):
    def apply(path):
        if how == "a plain file":
            with open(path, "wb") as f:
                f.write(b"not a folder\n")
            return
        # Enough for the new run to prune them, the newest first to be read when the kept run goes on.
        os.mkdir(path)
        for i in range(52):
            with open(os.path.join(path, f"tallowfen-2026-01-01-10-00-{i:02d}-level4.demo"), "wb") as f:
                f.write(b"tallowfen demo 1\ngame Tallowfen\n"[:i % 20] + _rng("demo", str(i)).randbytes(i * 7))
        os.mkfifo(os.path.join(path, "tallowfen-2026-01-01-10-00-98-level4.demo"))
        os.mkdir(os.path.join(path, "tallowfen-2026-01-01-10-00-99-level4.demo"))
    return apply


def demo_folder_cases():
    unmade = r"Error: Could not keep the run's demo in data/demos: .+"
    return [Case("data/demos", how, {"data/demos": _demo_folder(how)}, (), expected, False, True)
            for how, expected in (("a plain file", (unmade, unmade)), ("damaged demos", ("", "")))]


def full_matrix():
    return [asset_case(how, [f]) for f in asset_files() for how in ASSET_DAMAGES] + data_cases()


def quick_matrix():
    """Every data-file case (of the best run only the huge and the binary
    one, of the options only the damaged ones); the four asset damages each
    on one file of every kind at once (image, shader, music, sound), a
    different file each time."""
    picks = {"missing": ("assets/bird.png", "shaders/white_mask.fs", "assets/ingame.mp3", "assets/hit.wav"),
             "empty": ("assets/tilemap.png", "shaders/grain.fs", "assets/menu.mp3", "assets/select.wav"),
             "truncated": ("assets/crab.png", "shaders/grain.fs", "assets/ingame.mp3", "assets/click.wav"),
             "random": ("assets/upgrade_icons/Ricochet.png", "shaders/white_mask.fs", "assets/menu.mp3",
                        "assets/explosion.wav")}
    data = [c for c in data_cases() if (c.file not in ("data/best", "data/run") or c.how in ("10 MB", "binary"))
            and (c.file != "data/options" or c.how in ("garbage text", "10 MB", "binary", "fifo", "directory"))]
    return [asset_case(how, picks[how]) for how in ASSET_DAMAGES] + data


# -- running one case ---------------------------------------------------------

class GameDir:
    """A working directory laid out as the game expects, with the case's
    damage done; data/ is a read-only tmpfs for the read-only case."""

    def __init__(self, case):
        self.dir = tempfile.mkdtemp(prefix="tallowfen-bad-")
        self.mounted = False
        for name in ("assets", "shaders"):
            shutil.copytree(os.path.join(ROOT, name), os.path.join(self.dir, name))
        data = os.path.join(self.dir, "data")
        os.mkdir(data)
        for name in ("map", "maprender"):
            shutil.copy(os.path.join(ROOT, "data", name), os.path.join(data, name))
        for name, content in (("settings", b"111"), ("best", BEST_RUN), ("options", OPTIONS), ("run", KEPT_RUN)):
            if case.keeps:
                content = PLAYER_FILES[name]
            if name == "settings" or f"data/{name}" in case.damage or case.read_only or case.keeps:
                with open(os.path.join(data, name), "wb") as f:
                    f.write(content)
        if case.keeps:
            with open(os.path.join(data, "window"), "wb") as f:
                f.write(PLAYER_FILES["window"])
        for rel, damage in case.damage.items():
            damage(os.path.join(self.dir, rel))
        if case.read_only:
            self._mount_read_only(data)

    def _mount_read_only(self, data):
        # chmod does not stop root, so the files go onto a tmpfs that is then
        # remounted read-only.
        keep = tempfile.mkdtemp(prefix="tallowfen-data-")
        shutil.rmtree(keep)
        shutil.copytree(data, keep)
        result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=1m", "tallowfen-ro", data],
                                capture_output=True, text=True)
        if result.returncode != 0:
            shutil.rmtree(keep)
            raise Unavailable(f"cannot mount a tmpfs ({result.stderr.strip() or result.returncode})")
        self.mounted = True
        shutil.copytree(keep, data, dirs_exist_ok=True)
        shutil.rmtree(keep)
        remount = subprocess.run(["mount", "-o", "remount,ro", data], capture_output=True, text=True)
        try:
            open(os.path.join(data, "probe"), "w").close()
        except OSError:
            return
        self.remove()
        raise Unavailable(f"data/ stayed writable after the read-only remount {remount.stderr.strip()}")

    def remove(self):
        if self.mounted:
            subprocess.run(["umount", os.path.join(self.dir, "data")], check=False)
        shutil.rmtree(self.dir, ignore_errors=True)


class Unavailable(Exception):
    """The case cannot be set up on this machine (not a fault of the game)."""


def menu_drawn(game):
    shot = game.shot()
    title = shot.count(WHITE, box=game.window_box((10, 10, 200, 40)))
    button = game.window_box((20, 85, 120, 30))  # NEW GAME
    lit = button[2] * button[3] - shot.count((0, 0, 0), box=button)
    return title > 300 and lit > button[2] * button[3] // 2


def level_drawn(game):
    shot = game.shot()
    panel = shot.dominant_color(game.window_box((245, 225, 70, 10)))
    return (all(abs(a - b) <= 24 for a, b in zip(panel, HUD_BLUE))
            and shot.count(WHITE, box=game.window_box((250, 8, 60, 20))) > 40)  # "Level 3"


def _poll(condition, app, timeout):
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline and app.running:
        if condition():
            return True
        time.sleep(0.05)
    return False


NO_DEVICE = "AUDIO: Failed to initialize playback device"


def run_game(session, game_dir, level, **options):
    """One start of the game: (drawn, exit code or a word, stdout lines,
    stderr text). The level run holds fire for a moment; with `continue_run`
    the menu run goes on to the kept run's level. The sound device is opened
    before any of the game's files are read, so a device the test machine
    failed to give (once seen on a loaded machine) says nothing of the case:
    that start is tried once more, and the sound server's log is shown."""
    run = _run_game(session, game_dir, level, **options)
    if not any(NO_DEVICE in line for line in run[2]):
        return run
    log = os.path.join(session.tmpdir or "", "pulseaudio.log")
    tail = open(log, errors="replace").read()[-1500:] if os.path.exists(log) else "(no log)"
    print(f"    no sound device for this start; trying once more. The sound server said:\n{tail}", file=sys.stderr)
    return _run_game(session, game_dir, level, **options)


def _run_game(session, game_dir, level, save_settings=False, name="", continue_run=False):
    argv = [BINARY] + (["--level", "3"] if level else [])
    app = session.start(argv, cwd=game_dir, env_extra={"XDG_CONFIG_HOME": os.path.join(game_dir, ".config"),
                                                       "XDG_PICTURES_DIR": ""})
    try:
        win = app.window("Tallowfen", timeout=WINDOW_TIMEOUT)
        game = GameDriver(app, win)
        check = (lambda: level_drawn(game)) if level else (lambda: menu_drawn(game))
        drawn = _poll(check, app, DRAW_TIMEOUT)
        if drawn and level:
            win.move_mouse(*game.to_window(200, 60))
            win.mousedown()
            app.wait_frames(20)  # a few shots
            win.mouseup()
            drawn = check()
        if SHOTS and app.running:
            shot_name = re.sub(r"\W+", "_", name) + ("-level" if level else "-menu") + ".png"
            win.screenshot(os.path.join(SHOTS, shot_name))
        if drawn and save_settings:
            saved = lambda: "Could not save" in app.stdout_text()  # noqa: E731
            game.click_until(240, 100, lambda: not menu_drawn(game), "the settings screen")
            game.click_until(60, 205, saved, "the save's report")  # Save
        if drawn and continue_run:
            game.click_until(85, 100, lambda: not menu_drawn(game), "NEW GAME")
            drawn = _poll(lambda: level_drawn(game), app, DRAW_TIMEOUT)
        if app.running:
            game.key("Escape")
        code = app.wait(EXIT_TIMEOUT)
    except HarnessError as e:
        drawn = False
        code = "hang" if app.running else app.returncode
        app.kill()
        print(f"    {' '.join(argv[1:]) or 'menu'}: {str(e).splitlines()[0]}", file=sys.stderr)
    return drawn, code, app.stdout_text().splitlines(), app.stderr_text()


def extra_lines(case, lines, level, continued=False):
    """The output lines beyond the normal ones, and complaints about the
    normal ones: the catalogue twice, and a level's three enemies."""
    normal = [line for line in lines if line.startswith("Verified ")]
    placed = [line for line in lines if PLACED.fullmatch(line)]
    rest = [line for line in lines if line not in normal and line not in placed]
    wrong = []
    if normal != CATALOGUE:
        wrong.append(f"{len(normal)} catalogue lines")
    if len(placed) != (3 if level and case.how != "all walls" else 4 if continued else 0):  # the kept run is at 4
        wrong.append(f"{len(placed)} placed enemies")
    return rest, wrong


def judge(case, extra, library_lines, level):
    """What is wrong with the extra output of one run of the case. Lines that
    a decoding library writes on standard error about a damaged asset take
    the place of that asset's one line."""
    if case.damaged:
        named = [m["path"] if (m := ASSET_LINE.fullmatch(line)) else None for line in extra]
        if (len(extra) + len(library_lines) > len(case.damaged) or len(set(named)) < len(named)
                or not set(named) <= set(case.damaged)):
            return "asset output beyond one line naming each damaged file"
        return None
    expected = case.expected[level]
    if library_lines:
        return "library lines on standard error"
    if not re.fullmatch(expected, "\n".join(extra)):
        return "unexpected output"
    return None


Row = collections.namedtuple("Row", "file how menu level codes extra problems skipped")


def run_case(session, case):
    try:
        game_dir = GameDir(case)
    except Unavailable as e:
        return Row(case.file, case.how, None, None, (), [], [], str(e))
    problems = []
    try:
        name = f"{case.file} {case.how}"
        data = os.path.join(game_dir.dir, "data")
        runs = [run_game(session, game_dir.dir, False, save_settings=case.read_only, name=name,
                         continue_run=case.keeps)]
        # Quitting mid-level keeps the run as it began; a new run at --level 3 replaces it.
        problems += [f"menu: data/{n} changed" for n in PLAYER_FILES if case.keeps and _read(data, n) != PLAYER_FILES[n]]
        runs.append(run_game(session, game_dir.dir, True, name=name))
        problems += [f"level: data/{n} changed" for n in PLAYER_FILES
                     if case.keeps and n != "run" and _read(data, n) != PLAYER_FILES[n]]
        extra_all = []
        for (drawn, code, lines, err), level in zip(runs, (False, True)):
            where = "level" if level else "menu"
            extra, wrong = extra_lines(case, lines, level, continued=case.keeps)
            if SANITIZER.search(err):
                wrong.append("sanitizer report: " + next(l for l in err.splitlines() if SANITIZER.search(l)))
                err = ""
            library = [line for line in err.splitlines() if line.strip()]
            verdict = judge(case, extra, library, level)
            problems += [f"{where}: {w}" for w in wrong + ([verdict] if verdict else [])]
            if not drawn:
                problems.append(f"{where}: not drawn")
            if code != 0:
                problems.append(f"{where}: exit {code}")
            extra_all += [l for l in extra + [f"(stderr) {l}" for l in library] if l not in extra_all]
        return Row(case.file, case.how, runs[0][0], runs[1][0], (runs[0][1], runs[1][1]), extra_all,
                   problems, None)
    finally:
        game_dir.remove()


def _read(folder, name):
    try:
        with open(os.path.join(folder, name), "rb") as f:
            return f.read()
    except OSError:
        return None


# -- demos handed to --verify and --play -------------------------------------

def header_of(demo):
    """The demo's header lines after the first, as {name: value} bytes."""
    return dict(line.split(b" ", 1) for line in demo.split(b"\nend\n")[0].split(b"\n")[1:])


def resummed(demo, **header):
    """The demo with header lines replaced and its check sum made right again."""
    head, packed = demo.split(b"\nend\n", 1)
    lines = [line.split(b" ", 1) for line in head.split(b"\n")]
    text = b"".join(k + b" " + str(header.get(k.decode(), v.decode())).encode() + b"\n"
                    for k, v in lines if k != b"crc")
    return text + b"crc %08x\nend\n" % zlib.crc32(packed, zlib.crc32(text)) + packed


def damaged_demos(good):
    """(case, the file's bytes or a word for what it is, the reason the game gives)."""
    flipped = bytearray(good)
    flipped[-3] ^= 8
    return [("truncated", good[:-16], "it is cut short or has bytes added"),
            ("bit-flipped", bytes(flipped), "it is damaged (its check sum differs)"),
            ("format 1", good.replace(b"tallowfen demo 4", b"tallowfen demo 1", 1),
             "it is in demo format 1, and this game reads format 4"),
            ("format 3", good.replace(b"tallowfen demo 4", b"tallowfen demo 3", 1),
             "it is in demo format 3, and this game reads format 4"),
            ("empty", b"", "it is empty"),
            ("9 MiB", good + bytes(9 << 20), "it is too large to be a demo"),
            ("fifo", "fifo", "it is not a plain file"),
            ("directory", "directory", "it is not a plain file"),
            ("missing", None, "there is no such file")]


def _run_quick(session, game_dir, argv):
    """A run that must end before any window: (exit code or "hang", stdout, stderr)."""
    app = session.start([BINARY] + argv, cwd=game_dir)
    try:
        code = app.wait(EXIT_TIMEOUT)
    except HarnessError:
        app.kill()
        code = "hang"
    return code, app.stdout_text(), app.stderr_text()


def demo_rows(session):
    """Records a short demo at --level 3, then: every damaged copy refused by
    --verify and --play in one line with exit code 2, the demo itself
    verified, and each header value changed (check sum made right) found to
    differ."""
    game_dir = GameDir(Case("demos", "recorded", {}, (), ("", ""), False))
    try:
        drawn, code, _, _ = run_game(session, game_dir.dir, True)
        found = sorted(glob.glob(os.path.join(game_dir.dir, "data", "demos", "*.demo")))
        if not drawn or code != 0 or len(found) != 1:
            return [Row("demos", "recorded", drawn, drawn, (code,), found, ["no demo recorded"], None)]
        with open(found[0], "rb") as f:
            good = f.read()
        rows = []
        path = os.path.join(game_dir.dir, "case.demo")
        for how, content, reason in damaged_demos(good):
            if content in ("fifo", "directory"):
                (os.mkfifo if content == "fifo" else os.mkdir)(path)
            elif content is not None:
                with open(path, "wb") as f:
                    f.write(content)
            codes, problems = [], []
            for verb in ("verify", "play"):
                code, out, err = _run_quick(session, game_dir.dir, [f"--{verb}", path])
                codes.append(code)
                if (code, out, err) != (2, f"tallowfen: cannot {verb} {path}: {reason}\n", ""):
                    problems.append(f"--{verb}: exit {code}, {out.strip()!r} {err.strip()[:200]!r}")
            rows.append(Row("--verify/--play", how, True, True, tuple(codes), [reason], problems, None))
            if os.path.lexists(path):
                (os.rmdir if content == "directory" else os.remove)(path)
        kept = header_of(good)
        older = "Tallowfen 0.9.0"
        for how, change, want in (("as recorded", {}, (0, "matches the recording")),
                                  ("another version", {"game": older}, (0, "matches the recording")),
                                  # Every build plays every build's demos.
                                  ("another build", {"platform": "raylib wasm32"}, (0, "matches the recording")),
                                  ("another version, kills changed",
                                   {"game": older, "kills": int(kept[b"kills"]) + 1}, (1, "differs: ")),
                                  ("kills changed", {"kills": int(kept[b"kills"]) + 1}, (1, "differs: ")),
                                  ("result changed", {"result": "unfinished"}, (1, "differs: ")),
                                  ("gold changed", {"gold": int(kept[b"gold"]) + 5}, (1, "differs: "))):
            with open(path, "wb") as f:
                f.write(resummed(good, **change))
            code, out, err = _run_quick(session, game_dir.dir, ["--verify", path])
            lines = out.splitlines() or [""]
            # Another version's demo plays, with a line saying whose it is first.
            note = [f"{path} was recorded by {older}; this is {kept[b'game'].decode()}"] if "game" in change else []
            ok = (code == want[0] and lines[-1].startswith(want[1]) and lines[:-2] == note
                  and len(lines) == 2 + len(note) and not err)
            last = lines[-1]
            rows.append(Row("--verify", how, True, True, (code,), [last], [] if ok else [f"{code}: {out!r}"], None))
        return rows
    finally:
        game_dir.remove()


# -- the table ----------------------------------------------------------------

def format_row(row):
    if row.skipped:
        return f"| {row.file} | {row.how} | - | - | - | skipped: {row.skipped} |"
    ok = {True: "yes", False: "NO"}
    extra = "; ".join(l[:90] for l in row.extra) or "none"
    verdict = "" if not row.problems else " **FAIL: " + "; ".join(row.problems) + "**"
    return (f"| {row.file} | {row.how} | {ok[row.menu]} | {ok[row.level]} | "
            f"{'/'.join(str(c) for c in row.codes)} | {len(row.extra)}: {extra}{verdict} |")


def main(argv=None):
    global BINARY, SHOTS
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--quick", action="store_true", help="the short matrix that ctest runs")
    parser.add_argument("--binary", default=BINARY)
    parser.add_argument("--only", help="run only cases whose 'file case' matches this regex")
    parser.add_argument("--shots", help="save each run's last screenshot in this folder")
    args = parser.parse_args(argv)
    BINARY = os.path.abspath(args.binary)
    if args.shots:
        os.makedirs(args.shots, exist_ok=True)
        SHOTS = os.path.abspath(args.shots)
    cases = quick_matrix() if args.quick else full_matrix()
    if args.only:
        cases = [c for c in cases if re.search(args.only, f"{c.file} {c.how}")]
    print("| file | case | menu ok | level ok | exit codes | extra output lines |")
    print("|---|---|---|---|---|---|")
    start = time.monotonic()
    failed = 0
    with Session() as session:
        for case in cases:
            row = run_case(session, case)
            failed += bool(row.problems)
            print(format_row(row), flush=True)
        count = len(cases)
        if not args.only or re.search(args.only, "--verify --play demos"):
            for row in demo_rows(session):
                count += 1
                failed += bool(row.problems)
                print(format_row(row), flush=True)
    print(f"\n{count} cases in {time.monotonic() - start:.0f} s: "
          f"{count - failed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
