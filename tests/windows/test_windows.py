"""The Windows build under Wine, in the harness's private display and sound
sink: its unit tests, its golden demos, its menu against the native game's,
its sound, where its saves land and that they outlive a restart (under a
profile and from a folder with names beyond ASCII too), damaged files, and
what its zip holds. TALLOWFEN_WINDOWS_ZIP names the zip (scripts/windows.sh);
without it every test is skipped. TALLOWFEN_WINDOWS_BUILD names the build
folder holding the unit tests (scripts/windows.sh --tests). WINEPREFIX, if
set, is the prefix to use."""

import fnmatch
import glob
import os
import random
import re
import shutil
import subprocess
import sys
import tempfile
import unittest
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

import native  # noqa: E402
from bad_input_matrix import ASSET_LINE, menu_drawn  # noqa: E402
from game_driver import GameDriver  # noqa: E402
from harness import Session  # noqa: E402

ZIP = os.environ.get("TALLOWFEN_WINDOWS_ZIP")
PREFIX = os.environ.get("WINEPREFIX") or os.path.expanduser("~/.cache/tallowfen/windows/wine")
WINE_ENV = {"WINEPREFIX": PREFIX, "WINEDEBUG": "-all", "WINEDLLOVERRIDES": "mscoree,mshtml="}
MAX_ZIP_BYTES = 15 * 1000 * 1000
# What 64-bit Windows 10 and 11 have in System32, which the program may import.
SYSTEM_DLLS = {"kernel32.dll", "user32.dll", "gdi32.dll", "shell32.dll", "ole32.dll", "winmm.dll", "msvcrt.dll",
               "advapi32.dll", "shlwapi.dll", "opengl32.dll", "imm32.dll", "ws2_32.dll", "winhttp.dll"}
SHOTS = os.path.join(tempfile.gettempdir(), "tallowfen-windows-shots")
BUILD = os.environ.get("TALLOWFEN_WINDOWS_BUILD")
# The unit tests that do not run on Windows, each with the reason; those marked
# "not built" are left out of the Windows build (tests/CMakeLists.txt,
# platform/tests/CMakeLists.txt), the others are filtered out here.
NOT_ON_WINDOWS = {
    "SettingsCrash.*": "not built: forks a saver and kills it with POSIX signals, SIGXFSZ too",
    "GameFixture.MusicIsNeverHeardAboveItsSavedVolume": "not built: stalls standard output on a pipe set non-blocking by fcntl",
    "Audio*:MusicVolume.*": "not built: the layer's sound tests make their sounds with libsndfile and Linux's sound libraries",
    "SaveFolder.TreeOrPlayersDataFolderAndOneLineWhenItCannotBeMade": "Linux's save folder, from XDG_DATA_HOME or HOME",
    "PicturesFolder.MakesTheFolderOrSaysWhyNot": "Linux's Pictures folder, from XDG_PICTURES_DIR or HOME",
    "RootSearch.TakesTheFirstFolderWithAssetsNearTheProgramThenTheInstalledOne": "POSIX paths, and /usr/share",
    "Files.ApplicationDirectoryIsTheExecutablesWithATrailingSlash": "finds the program through Linux's /proc/self/exe",
}
# The user's folders as Windows names them, and the profile and game folders with names beyond ASCII.
SHELL_FOLDERS = r"HKCU\Software\Microsoft\Windows\CurrentVersion\Explorer\User Shell Folders"
UNICODE_PROFILE = "C:\\users\\Zoë 日本"
UNICODE_GAME = "C:\\Spiele\\Zoë"


def wine(*args, **kwargs):
    return subprocess.run(["wine", *args], env=dict(os.environ, **WINE_ENV), **kwargs)


def stop_wineserver():
    """Wine's desktop process keeps the display it started on: each session gets its own."""
    subprocess.run(["wineserver", "-k"], env=dict(os.environ, **WINE_ENV), check=False)
    subprocess.run(["wineserver", "-w"], env=dict(os.environ, **WINE_ENV), check=False)


def linux_path(windows_path):
    """Where a path on the prefix's drive C: is on Linux."""
    return os.path.join(PREFIX, "drive_c", *windows_path.split("\\")[1:])


def roaming():
    """The prefix's %APPDATA%."""
    found = glob.glob(os.path.join(PREFIX, "drive_c", "users", "*", "AppData", "Roaming"))
    found = [f for f in found if f.split(os.sep)[-3] not in ("Public", UNICODE_PROFILE.split("\\")[-1])]
    if not found:
        raise AssertionError(f"no AppData\\Roaming in {PREFIX}")
    return found[0]


def read(path):
    """A file's text, None while it does not exist."""
    try:
        with open(path) as f:
            return f.read().strip()
    except FileNotFoundError:
        return None


def setUpModule():
    global GAME, EXE, WORK
    if not ZIP:
        raise unittest.SkipTest("TALLOWFEN_WINDOWS_ZIP names no zip (scripts/windows.sh builds one)")
    stop_wineserver()
    wine("wineboot", "-i", check=True, capture_output=True)
    WORK = tempfile.mkdtemp(prefix="tallowfen-windows-")
    with zipfile.ZipFile(ZIP) as archive:
        archive.extractall(WORK)
    GAME = os.path.join(WORK, os.path.splitext(os.path.basename(ZIP))[0])
    EXE = os.path.join(GAME, "tallowfen.exe")


def tearDownModule():
    stop_wineserver()
    shutil.rmtree(WORK, ignore_errors=True)


class WindowsGameTest(unittest.TestCase):
    def setUp(self):
        shutil.rmtree(os.path.join(roaming(), "Tallowfen"), ignore_errors=True)

    def start(self, session, *args, folder=None, exe=None, env=None):
        app = session.start(["wine", exe or EXE, *args], cwd=folder or GAME, env_extra=env or WINE_ENV)
        game = GameDriver(app, app.window("Tallowfen", timeout=60))
        game.wait_for(lambda: menu_drawn(game), timeout=60, what="the main menu")
        return app, game

    def quit(self, app, game):
        game.key("Escape")
        self.assertEqual(app.wait(30), 0, app.stdout_text())
        stop_wineserver()

    def test_unit_tests_pass(self):
        if not BUILD:
            self.skipTest("TALLOWFEN_WINDOWS_BUILD names no build folder (scripts/windows.sh --tests)")
        for exe in ("tests/tallowfen_tests.exe", "platform/tests/rlplatform_tests.exe"):
            with self.subTest(exe):
                path = os.path.join(BUILD, exe)
                listing = wine(path, "--gtest_list_tests", capture_output=True, text=True, check=True).stdout
                suite, names = "", []
                for line in listing.splitlines():
                    if not line.startswith(" "):
                        suite = line.split()[0]
                    else:
                        names.append(suite + line.split()[0])
                excluded = [n for n in names if any(fnmatch.fnmatchcase(n, p) for k in NOT_ON_WINDOWS
                                                    for p in k.split(":"))]
                with tempfile.TemporaryDirectory() as folder:
                    run = wine(path, "--gtest_brief=1", "--gtest_filter=-" + ":".join(NOT_ON_WINDOWS), cwd=folder,
                               capture_output=True, text=True, errors="replace", timeout=600)
                self.assertEqual(run.returncode, 0, run.stdout[-6000:] + run.stderr[-2000:])
                passed = re.search(r"^\[  PASSED  \] (\d+) tests?", run.stdout, re.M)
                self.assertIsNotNone(passed, run.stdout[-3000:])
                # Every test listed ran and passed, but those excluded: none skipped itself.
                self.assertEqual(int(passed.group(1)), len(names) - len(excluded), run.stdout[-3000:])

    def test_golden_demos_and_fresh_runs_verify(self):
        # The golden demos, and the fresh runs the other builds have just recorded when the script names them.
        folders = [os.path.join(ROOT, "tests", "demos")] + [f for f in [os.environ.get("TALLOWFEN_FRESH_DEMOS")] if f]
        for folder in folders:
            with self.subTest(folder):
                demos = glob.glob(os.path.join(folder, "*.demo"))
                run = subprocess.run([sys.executable, os.path.join(ROOT, "tests", "demos", "check_golden.py"), EXE,
                                      "--runner", "wine", "--demos", folder], env=dict(os.environ, **WINE_ENV),
                                     capture_output=True, text=True)
                self.assertEqual(run.returncode, 0, run.stdout + run.stderr)
                self.assertEqual(run.stdout.count("matches the recording"), len(demos), run.stdout)

    def test_menu_matches_the_native_menu(self):
        binary = native.binary_from_env()
        if not os.access(binary, os.X_OK):
            self.skipTest(f"no native game at {binary} (TALLOWFEN_BINARY)")
        os.makedirs(SHOTS, exist_ok=True)
        natives = native.menu_pictures(binary)
        ours = native.menu_pictures(EXE, count=1, runner=["wine"], env=WINE_ENV, folder=GAME,
                                    keep_first=os.path.join(SHOTS, "menu-wine.png"), session_end=stop_wineserver)
        wrong = native.differences(ours[0], natives)
        self.assertLessEqual(len(wrong), 320 * 240 // 1000, f"first differing virtual pixels {wrong[:12]}; see {SHOTS}")

    def menu_music(self, argv, folder, env=None):
        """What the sound server heard of the menu's first three seconds of music."""
        with Session() as session:
            recording = session.record()
            app = session.start(argv, cwd=folder, env_extra=env)
            game = GameDriver(app, app.window("Tallowfen", timeout=60))
            game.wait_for(lambda: menu_drawn(game), timeout=60, what="the main menu")
            app.wait_frames(180)
            sound = recording.stop()
            self.quit(app, game)
        return sound

    def test_the_menu_music_reaches_the_sound_server_at_its_level(self):
        sound = self.menu_music(["wine", EXE], GAME, WINE_ENV)
        self.assertFalse(sound.is_silent(), sound)
        self.assertGreater(sound.rms(), 0.01, sound)
        binary = native.binary_from_env()
        if os.access(binary, os.X_OK):  # the same music, decoded by libsndfile there and by mpg123 here
            folder = native.game_folder()
            self.addCleanup(shutil.rmtree, folder, ignore_errors=True)
            ours, theirs = sound.loudness(), self.menu_music([binary], folder).loudness()
            self.assertAlmostEqual(ours.integrated, theirs.integrated, delta=1.0)
            self.assertAlmostEqual(ours.peak, theirs.peak, delta=0.01)

    def test_saves_land_in_appdata_and_outlive_a_restart(self):
        saves = os.path.join(roaming(), "Tallowfen")
        with Session() as session:
            app, game = self.start(session)
            game.click_until(240, 100, lambda: not menu_drawn(game), "the settings screen")
            game.click_until(60, 205, lambda: os.path.exists(os.path.join(saves, "settings")), "the settings file")
            for keys, mode in (("alt+Return", "1"), ("alt+Return", "0"), ("F11", "1")):  # "1" is fullscreen
                game.key(keys)
                game.wait_for(lambda: read(os.path.join(saves, "window")) == mode, what=f"{keys} to save {mode}")
            self.quit(app, game)
            self.assertFalse(os.path.exists(os.path.join(GAME, "data", "settings")), "saved beside the program")
            with open(os.path.join(saves, "window")) as f:
                self.assertEqual(f.read().strip(), "1")
            app, game = self.start(session)
            self.assertEqual(game.win.size(), (1280, 1024), "the restarted game is not borderless fullscreen")
            self.quit(app, game)

    def test_saves_under_a_profile_and_a_game_folder_named_beyond_ascii(self):
        # A profile folder and a game folder named beyond ASCII: the user's AppData
        # moved there, and the zip unpacked under C:\Spiele\Zoë, started from elsewhere.
        # Wine takes its ANSI code page from the locale: UTF-8 here, as the manifest asks of Windows.
        env = dict(WINE_ENV, LC_ALL="C.UTF-8")
        roaming_folder = UNICODE_PROFILE + "\\AppData\\Roaming"
        os.makedirs(linux_path(roaming_folder), exist_ok=True)
        self.addCleanup(shutil.rmtree, linux_path(UNICODE_PROFILE), ignore_errors=True)
        query = wine("reg", "query", SHELL_FOLDERS, "/v", "AppData", capture_output=True, text=True, check=True)
        kept = re.search(r"AppData\s+REG_EXPAND_SZ\s+(.+)", query.stdout).group(1).strip()
        set_appdata = lambda value: subprocess.run(  # noqa: E731
            ["wine", "reg", "add", SHELL_FOLDERS, "/v", "AppData", "/t", "REG_EXPAND_SZ", "/d", value, "/f"],
            env=dict(os.environ, **env), check=True, capture_output=True)
        set_appdata(roaming_folder)
        self.addCleanup(stop_wineserver)
        self.addCleanup(set_appdata, kept)
        folder = os.path.join(linux_path(UNICODE_GAME), os.path.basename(GAME))
        shutil.copytree(GAME, folder)
        self.addCleanup(shutil.rmtree, linux_path(UNICODE_GAME), ignore_errors=True)
        exe = UNICODE_GAME + "\\" + os.path.basename(GAME) + "\\tallowfen.exe"
        settings = os.path.join(linux_path(roaming_folder), "Tallowfen", "settings")
        with Session() as session:
            # Music off, saved; after a restart sound off too: the saved switches were read back.
            for box, saved in ((62, "011"), (92, "001")):
                app, game = self.start(session, folder=WORK, exe=exe, env=env)
                game.click_until(240, 100, lambda: not menu_drawn(game), "the settings screen")
                game.click(205, box)
                game.click_until(60, 205, lambda: read(settings) == saved, f"the settings saved as {saved}")
                self.quit(app, game)
        self.assertFalse(os.path.exists(os.path.join(roaming(), "Tallowfen")), "saved in the old AppData")

    def test_damaged_files(self):
        def damage(path, how):
            if how == "missing":
                os.remove(path)
            elif how == "empty":
                open(path, "wb").close()
            elif how == "damaged":
                with open(path, "wb") as f:
                    f.write(random.Random(path).randbytes(5000))
            elif how == "10 MB":
                with open(path, "wb") as f:
                    f.write(b"volume 7\n" * (10 * 1024 * 1024 // 9))

        asset = r"WARNING: ASSET: \[{}\].*"
        rows = [  # file (in the game's folder, or under %APPDATA%\Tallowfen), how, the line it must bring
            ("assets/menu.mp3", "missing", asset.format("assets/menu.mp3")),
            ("assets/click.wav", "empty", asset.format("assets/click.wav")),
            ("assets/ingame.mp3", "damaged", asset.format("assets/ingame.mp3")),
            ("assets/crab.png", "damaged", asset.format("assets/crab.png")),
            ("data/map", "missing", re.escape("Error: Could not open file data/map")),
            ("%APPDATA%/options", "10 MB", r"Ignoring what is damaged in .*/Tallowfen/options: .+"),
            ("%APPDATA%", "a file in the folder's place", r"Tallowfen cannot make its save folder .*"),
        ]
        with Session() as session:
            for name, how, line in rows:
                with self.subTest(file=name, how=how):
                    folder = os.path.join(WORK, "case")
                    shutil.rmtree(folder, ignore_errors=True)
                    shutil.copytree(GAME, folder)
                    saves = os.path.join(roaming(), "Tallowfen")
                    shutil.rmtree(saves, ignore_errors=True)
                    if name == "%APPDATA%":
                        open(saves, "w").close()
                    elif name.startswith("%APPDATA%/"):
                        os.makedirs(saves)
                        damage(os.path.join(saves, name.split("/", 1)[1]), how)
                    else:
                        damage(os.path.join(folder, name), how)
                    app, game = self.start(session, folder=folder)
                    self.quit(app, game)
                    lines = [x for x in app.stdout_text().splitlines() if not x.startswith("Verified ")]
                    self.assertTrue(any(re.fullmatch(line, x) for x in lines), lines)
                    if os.path.isfile(saves):
                        os.remove(saves)

    def test_the_zip_holds_the_game_and_nothing_else(self):
        self.assertLessEqual(os.path.getsize(ZIP), MAX_ZIP_BYTES)
        with zipfile.ZipFile(ZIP) as archive:
            names = {n.split("/", 1)[1] for n in archive.namelist() if not n.endswith("/")}
        shipped = {os.path.relpath(p, ROOT) for d in ("assets", "shaders")
                   for p in glob.glob(os.path.join(ROOT, d, "**", "*"), recursive=True) if os.path.isfile(p)}
        self.assertEqual(names, shipped | {"tallowfen.exe", "README.txt", "data/map", "data/maprender"})
        # Every shipped asset is one the game names.
        sources = ""
        for path in glob.glob(os.path.join(ROOT, "src", "**", "*.cpp"), recursive=True):
            with open(path, errors="replace") as f:
                sources += f.read()
        for name in shipped:
            self.assertIn(os.path.basename(name), sources, f"{name} is shipped but never read")
        dump = subprocess.run(["x86_64-w64-mingw32-objdump", "-p", EXE], capture_output=True, text=True, check=True)
        imports = {m.lower() for m in re.findall(r"DLL Name: (\S+)", dump.stdout)}
        self.assertTrue(imports, "no imports read")
        self.assertLessEqual(imports, SYSTEM_DLLS, "the program needs a DLL that Windows does not ship")
        system32 = {n.lower() for n in os.listdir(os.path.join(PREFIX, "drive_c", "windows", "system32"))}
        self.assertLessEqual(imports, system32)


if __name__ == "__main__":
    unittest.main()
