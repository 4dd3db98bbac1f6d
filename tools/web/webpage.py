"""Drives the game's web build in a real headless Chromium: serves a built
site over loopback HTTP, opens it with the game's arguments and environment
in the URL, reads what the game prints (its console), its canvas and its
saves, and sends real mouse and keyboard input.

Positions are virtual-screen pixels (320 x 240), mapped into the canvas by
the game's letterbox and into the page by the canvas's CSS box.

Needs Debian's chromium, chromium-driver and python3-selenium
(tools/web/setup.sh installs them)."""

import base64
import os
import re
import socket
import subprocess
import sys
import time
import urllib.error
import urllib.parse
import urllib.request

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
sys.path.insert(0, os.path.join(ROOT, "tools", "e2e"))

from e2e_image import Shot  # noqa: E402

CHROMIUM = "/usr/bin/chromium"
CHROMEDRIVER = "/usr/bin/chromedriver"
# Software WebGL 2 without a GPU; the sandbox needs privileges a test run lacks.
CHROMIUM_FLAGS = ["--headless=new", "--no-sandbox", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
                  "--window-size=800,700", "--disable-background-timer-throttling",
                  "--disable-renderer-backgrounding", "--disable-backgrounding-occluded-windows"]
SITE_FILES = ("index.html", "tallowfen.js", "tallowfen.wasm", "tallowfen.data")
VIRTUAL = (320, 240)
EVENTS_ENV = "TALLOWFEN_EVENTS=/dev/stdout"
# A line the game prints on stdout for its own events, not for the player.
EVENT_LINE = re.compile(r"^(frame \d+|state \d+|level \d+|paused [01]|click -?\d+ -?\d+)$")

# Installed before any of the page's scripts, so the runtime's print() binds
# to it: every console line is kept in order, with its kind, for the tests.
CONSOLE_HOOK = """
(() => {
  const kept = [];
  Object.defineProperty(window, '__consoleLines', {value: kept});
  for (const kind of ['log', 'warn', 'error', 'info']) {
    const original = console[kind].bind(console);
    console[kind] = (...args) => { kept.push([kind, args.map(String).join(' ')]); original(...args); };
  }
})();
"""

# Bytes cross to Python as base64: a plain array of numbers is many times larger.
BASE64_JS = """
const base64 = (bytes) => {
  let text = '';
  for (let i = 0; i < bytes.length; i += 0x8000) {
    text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
  }
  return btoa(text);
};
"""

# The canvas's drawing buffer sampled at each virtual pixel's centre, as RGB.
VIRTUAL_PICTURE_JS = BASE64_JS + """
const [vw, vh, whole] = arguments;
const canvas = document.getElementById('canvas');
const gl = canvas.getContext('webgl2');
if (gl && !gl.getContextAttributes().preserveDrawingBuffer) return 'no preserveDrawingBuffer';
const copy = document.createElement('canvas');
copy.width = canvas.width; copy.height = canvas.height;
const g = copy.getContext('2d');
g.drawImage(canvas, 0, 0);
const data = g.getImageData(0, 0, canvas.width, canvas.height).data;
const w = whole ? canvas.width : vw, h = whole ? canvas.height : vh;
const sx = canvas.width / vw, sy = canvas.height / vh;
const out = new Uint8Array(w * h * 3);
for (let y = 0; y < h; y++) {
  const cy = whole ? y : Math.floor(y * sy + sy / 2);
  for (let x = 0; x < w; x++) {
    const cx = whole ? x : Math.floor(x * sx + sx / 2);
    const i = (cy * canvas.width + cx) * 4, o = (y * w + x) * 3;
    out[o] = data[i]; out[o + 1] = data[i + 1]; out[o + 2] = data[i + 2];
  }
}
return [w, h, base64(out)];
"""

FS_JS = BASE64_JS + """
const fs = window.FS || (window.Module && window.Module.FS);
if (!fs) return {error: 'the page offers no FS'};
const [what, path] = arguments;
try {
  if (what === 'read') {
    return {data: base64(fs.readFile(path))};
  }
  const found = [];
  const walk = (dir) => {
    for (const name of fs.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const full = (dir === '/' ? '' : dir) + '/' + name;
      if (['/dev', '/proc', '/sys'].includes(full)) continue;
      const mode = fs.lstat(full).mode;
      if (fs.isDir(mode)) walk(full); else found.push(full);
    }
  };
  walk(path);
  return {files: found};
} catch (e) {
  return {error: String(e && (e.message || e.code || e.errno) || e)};
}
"""


class PageError(AssertionError):
    pass


def wait_for(condition, timeout=15.0, what="the page to react", interval=0.05):
    """Polls until condition() gives something true and returns it."""
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() >= deadline:
            raise PageError(f"waited {timeout:g} s for {what}")
        time.sleep(interval)


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def site_from_env():
    """The built site named by TALLOWFEN_WEB_SITE, or None when none is named;
    a named folder that is not a built site is an error, not a skip."""
    site = os.environ.get("TALLOWFEN_WEB_SITE", "")
    if not site:
        return None
    missing = [name for name in SITE_FILES if not os.path.isfile(os.path.join(site, name))]
    if missing:
        raise FileNotFoundError(f"TALLOWFEN_WEB_SITE={site} lacks {', '.join(missing)}")
    return os.path.abspath(site)


def page_url(base, args=(), env=(), events=False):
    """The page's address with the game's command line and environment."""
    params = [("arg", str(a)) for a in args] + [("env", e) for e in env]
    if events:
        params.append(("env", EVENTS_ENV))
    query = urllib.parse.urlencode(params, quote_via=urllib.parse.quote, safe="/=-")
    return base + "index.html" + ("?" + query if query else "")


class SiteServer:
    """python3 -m http.server on a free loopback port, serving one folder."""

    def __init__(self, folder):
        self.folder = folder
        self.proc = None
        self.port = None

    def __enter__(self):
        return self.start()

    def __exit__(self, *exc):
        self.stop()

    @property
    def base(self):
        return f"http://127.0.0.1:{self.port}/"

    def start(self, timeout=10.0):
        for _ in range(3):  # another program may take the port between the probe and the bind
            self.port = free_port()
            self.proc = subprocess.Popen(
                [sys.executable, "-m", "http.server", "--bind", "127.0.0.1", str(self.port),
                 "--directory", self.folder],
                stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            try:
                wait_for(self._answers, timeout, f"the site server on port {self.port}")
                return self
            except PageError:
                self.stop()
        raise PageError(f"could not serve {self.folder}")

    def _answers(self):
        if self.proc.poll() is not None:
            raise PageError(f"the site server exited with {self.proc.returncode}")
        try:
            with urllib.request.urlopen(self.base, timeout=1):
                return True
        except (urllib.error.URLError, OSError):
            return False

    def stop(self):
        if self.proc is None:
            return
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        self.proc = None


class Browser:
    """One headless Chromium, driven through chromedriver."""

    def __init__(self, extra_flags=(), before_page=()):
        """extra_flags: more Chromium switches; before_page: scripts run in
        every page before its own (to take a feature away, say)."""
        from selenium import webdriver
        from selenium.webdriver.chrome.service import Service
        options = webdriver.ChromeOptions()
        options.binary_location = CHROMIUM
        for flag in CHROMIUM_FLAGS + list(extra_flags):
            options.add_argument(flag)
        self.driver = webdriver.Chrome(service=Service(CHROMEDRIVER), options=options)
        self.driver.set_script_timeout(30)
        for script in (CONSOLE_HOOK, *before_page):
            self.driver.execute_cdp_cmd("Page.addScriptToEvaluateOnNewDocument", {"source": script})

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.quit()

    def quit(self):
        if self.driver is not None:
            self.driver.quit()
            self.driver = None

    def forget(self, base):
        """Drops what the origin kept (the saves' IndexedDB above all) and the
        HTTP cache, so the next load starts as a first visit."""
        self.driver.get("about:blank")
        origin = base.rstrip("/")
        self.driver.execute_cdp_cmd("Storage.clearDataForOrigin", {"origin": origin, "storageTypes": "all"})
        self.driver.execute_cdp_cmd("Network.clearBrowserCache", {})

    def open(self, url, wait_running=True, timeout=60.0):
        """Loads the page; by default waits until the game shows frames."""
        self.driver.get(url)
        page = Page(self.driver, url)
        if wait_running:
            page.wait_running(timeout)
        return page


class Page:
    """One load of the page: its console from the start, its canvas, input."""

    def __init__(self, driver, url):
        self.driver = driver
        self.url = url
        self._lines = []
        self._box = None
        self._held_mouse = False
        self._held_keys = set()

    def js(self, script, *args):
        return self.driver.execute_script(script, *args)

    # -- the console ---------------------------------------------------------
    def lines(self):
        """Every console line so far, as (kind, text): kind 'log' is the
        game's stdout, 'warn' its stderr."""
        fresh = self.js("return (window.__consoleLines || []).slice(arguments[0]);", len(self._lines))
        self._lines.extend(tuple(line) for line in fresh)
        return self._lines

    def stdout_lines(self):
        """What the game printed, its own event lines left out."""
        return [text for kind, text in self.lines() if kind == "log" and not EVENT_LINE.match(text)]

    def events(self):
        return [text for kind, text in self.lines() if kind == "log" and EVENT_LINE.match(text)]

    def wait_line(self, pattern, timeout=15.0, since=0, kind="log"):
        """Waits for a console line of that kind, from index `since` of
        lines(), matching the expression; returns (index, match)."""
        regex = re.compile(pattern)

        def find():
            for i, (k, text) in enumerate(self.lines()[since:], since):
                if k == kind and (m := regex.match(text)):
                    return i, m
            return None
        try:
            return wait_for(find, timeout, f"a console line like {pattern!r}")
        except PageError as e:
            raise PageError(f"{e}; the last lines: {self.lines()[-8:]}{self.problem()}") from None

    def problem(self):
        """The page's own error text, for failure messages."""
        text = self.js("const e = document.getElementById('error'); return e ? e.textContent : '';")
        return f"\n#error says: {text.strip()}" if text and text.strip() else ""

    # -- the runtime ---------------------------------------------------------
    def tallowfen(self, expression):
        """Evaluates an expression over window.tallowfen (named t)."""
        return self.js(f"const t = window.tallowfen; return t ? ({expression}) : null;")

    def frames(self):
        return self.tallowfen("t.frames") or 0

    def wait_running(self, timeout=60.0):
        wait_for(lambda: self.frames() > 0 or self.problem(), timeout, f"the first frame of {self.url}")
        if self.frames() == 0:
            raise PageError(f"{self.url} shows no frame{self.problem()}")

    def wait_picture(self, condition, timeout=20.0, what="the picture"):
        """Polls the virtual picture until condition(picture) holds; stops
        at once when the page shows its error instead."""
        def check():
            if problem := self.problem():
                raise PageError(f"the page failed while waiting for {what}:{problem}")
            return condition(self.picture())
        return wait_for(check, timeout, what)

    def wait_frames(self, count=3, timeout=15.0):
        """Waits for `count` more frames: input sent before is then drawn."""
        target = self.frames() + count
        wait_for(lambda: self.frames() >= target, timeout, f"{count} more frames", interval=0.01)

    def wait_event(self, line, since=0, timeout=15.0):
        """Waits for the game's event line, e.g. 'state 1'; returns its index."""
        return self.wait_line(re.escape(line) + "$", timeout, since)[0]

    def audio(self):
        return self.tallowfen("{state: t.audio.state(), heard: t.audio.heard()}")

    # -- the canvas ----------------------------------------------------------
    def canvas_size(self):
        return tuple(self.js("const c = document.getElementById('canvas'); return [c.width, c.height];"))

    def picture(self, whole=False):
        """The virtual screen as the canvas shows it, one sample a virtual
        pixel (whole: every canvas pixel instead)."""
        read = self.js(VIRTUAL_PICTURE_JS, *VIRTUAL, whole)
        if read == "no preserveDrawingBuffer":
            # Otherwise the buffer is cleared once shown and reads back empty.
            raise PageError("the canvas's WebGL context was made without preserveDrawingBuffer: "
                            "its pictures cannot be read")
        w, h, data = read
        return Shot(w, h, base64.b64decode(data))

    # -- input ---------------------------------------------------------------
    def _canvas_box(self):
        if self._box is None:
            self._box = self.js("const c = document.getElementById('canvas');"
                                "const r = c.getBoundingClientRect(); return [r.left, r.top, r.width, r.height];")
        return self._box

    def to_page(self, vx, vy):
        """A virtual pixel's centre in the page's CSS pixels."""
        left, top, width, height = self._canvas_box()
        return (int(left + (vx + 0.5) * width / VIRTUAL[0]), int(top + (vy + 0.5) * height / VIRTUAL[1]))

    def _actions(self):
        from selenium.webdriver.common.actions.action_builder import ActionBuilder
        return ActionBuilder(self.driver, duration=0)

    def move(self, vx, vy):
        actions = self._actions()
        actions.pointer_action.move_to_location(*self.to_page(vx, vy))
        actions.perform()

    def mouse_down(self):
        actions = self._actions()
        actions.pointer_action.pointer_down()
        actions.perform()
        self._held_mouse = True

    def mouse_up(self):
        actions = self._actions()
        actions.pointer_action.pointer_up()
        actions.perform()
        self._held_mouse = False

    def key_down(self, key):
        actions = self._actions()
        actions.key_action.key_down(_key(key))
        actions.perform()
        self._held_keys.add(key)

    def key_up(self, key):
        actions = self._actions()
        actions.key_action.key_up(_key(key))
        actions.perform()
        self._held_keys.discard(key)

    def release(self):
        """Lets go of every held key and button."""
        for key in list(self._held_keys):
            self.key_up(key)
        if self._held_mouse:
            self.mouse_up()

    def key(self, key):
        """A key held across the game's next input poll, then let go."""
        self.key_down(key)
        try:
            self.wait_frames(2)
        finally:
            self.key_up(key)
        self.wait_frames(2)

    def click(self, vx, vy):
        """Clicks a virtual pixel, held until the game has seen the button
        (its 'click' event: the page must be opened with events on)."""
        self.move(vx, vy)
        since = len(self.lines())
        self.mouse_down()
        try:
            self.wait_line(r"click ", since=since)
        finally:
            self.mouse_up()
        self.wait_frames(2)

    def click_until(self, vx, vy, condition, what, tries=3, timeout=8.0):
        """Clicks again only while the click's effect has not shown."""
        for _ in range(tries):
            self.click(vx, vy)
            try:
                return wait_for(condition, timeout, what)
            except PageError:
                pass
        raise PageError(f"{tries} clicks at ({vx}, {vy}) did not bring {what}")

    # -- the page's files (emscripten's FS) ----------------------------------
    def files(self, folder="/"):
        """Every file under the folder, as absolute paths."""
        result = self.js(FS_JS, "list", folder)
        if "error" in result:
            raise PageError(f"listing {folder}: {result['error']}")
        return result["files"]

    def read(self, path):
        result = self.js(FS_JS, "read", path)
        if "error" in result:
            raise PageError(f"reading {path}: {result['error']}")
        return base64.b64decode(result["data"])

    def saves_folder(self):
        """The folder the game keeps its saves in, found by its settings or
        its demos (none of the shipped files live there)."""
        for path in self.files():
            folder, name = os.path.split(path)
            if name == "settings":
                return folder
            if os.path.basename(folder) == "demos":
                return os.path.dirname(folder)
        return None

    # -- page elements -------------------------------------------------------
    def element(self, element_id):
        """(shown, text) of an element, or None when the page lacks it."""
        return self.js("const e = document.getElementById(arguments[0]); if (!e) return null;"
                       "const s = getComputedStyle(e);"
                       "const shown = !e.hidden && s.display !== 'none' && s.visibility !== 'hidden'"
                       " && e.getClientRects().length > 0;"
                       "return [shown, e.textContent.trim()];", element_id)


KEYS = {"Escape": "\ue00c", "Return": "\ue007", "space": " ", "F9": "\ue039"}


def _key(name):
    return KEYS.get(name, name)


# -- reading the game's virtual screen ----------------------------------------
# As the native end-to-end driver reads the window, in virtual pixels here.
BIRD_VIOLET = (0x74, 0x50, 0xad)
GREEN = (0, 228, 48)
WHITE = (255, 255, 255)
PLAY_AREA = (0, 0, 240, 240)  # the level's view, left of the HUD


def menu_shown(picture):
    """The main menu's white title is drawn, top left."""
    return picture.count(WHITE, box=(10, 10, 200, 40)) > 100


def level_finished(picture):
    """ "Level finished!" and its second line show above the level."""
    return picture.count(GREEN, box=(20, 20, 200, 60)) > 200


def bird_at(picture):
    """The virtual position of one bird in view (the first from the top,
    the centre of the violet near it), or None."""
    near = []
    for y, x0, pixels in picture._rows(PLAY_AREA):
        for i, p in enumerate(pixels):
            if p == BIRD_VIOLET and (not near or (abs(x0 + i - near[0][0]) < 32 and abs(y - near[0][1]) < 32)):
                near.append((x0 + i, y))
    if not near:
        return None
    return (sum(x for x, _ in near) // len(near), sum(y for _, y in near) // len(near))
