"""The page served by the real daily board (tallowfen-board --site): a daily run played in headless
Chromium is sent by the page's fetch, ranked, listed on the board's page and watched from its Watch
link; served by a plain web server, the page looks for no board."""

import math
import os
import re
import sys
import tempfile
import unittest
import urllib.parse

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))
sys.path.insert(0, os.path.join(ROOT, "board", "tests"))

import native  # noqa: E402
from webpage import (EVENTS_ENV, Browser, Page, SiteServer, bird_at, level_finished, site_from_env,  # noqa: E402
                     wait_for)

SITE = site_from_env()
BOARD = os.environ.get("BOARD_BINARY") or os.path.join(ROOT, "build", "board", "tallowfen-board")
GAME = native.binary_from_env()
# Typed into the game's name field key by key; the Ö goes as two bytes in a ByteString header.
NAME = "Fen Öwl"
SKYBLUE = (102, 191, 255)
DEMO_RED = (230, 41, 55)
RANKED = r"Board: rank (\d+) of (\d+) \((\S+\.demo): HTTP (\d+)\)$"


NO_SITE = "TALLOWFEN_WEB_SITE names no built site (build-web/site once built)"
MISSING = NO_SITE if SITE is None else next((f"no {what} at {path}" for what, path in (
    ("board server", BOARD), ("desktop game (the board's verifier)", GAME)) if not os.access(path, os.X_OK)), None)


@unittest.skipIf(MISSING, MISSING)
class BoardPageTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        os.environ["BOARD_BINARY"] = BOARD
        from board_server import Server
        data = tempfile.TemporaryDirectory(prefix="tallowfen-web-board-")
        cls.addClassCleanup(data.cleanup)
        cls.board = Server(["--site", SITE, "--data", data.name, "--verifier", GAME, "--posts-per-minute", "1000",
                            "--gets-per-minute", "100000"])
        cls.addClassCleanup(cls.board.stop)
        cls.base = f"http://{cls.board.host}:{cls.board.port}/"
        cls.browser = Browser()
        cls.addClassCleanup(cls.browser.quit)

    @staticmethod
    def name_field_shown(picture):
        return picture.count(SKYBLUE, box=(30, 78, 260, 84)) > 400

    @staticmethod
    def finish_the_level(page):
        """Fire held where the day's birds are, or around the player when none is in view."""
        aims = [(120 + round(60 * math.cos(a / 4)), 120 + round(60 * math.sin(a / 4))) for a in range(25)]

        def aim():
            picture = page.picture()
            if level_finished(picture):
                return True
            page.move(*(bird_at(picture) or aims[page.frames() // 20 % len(aims)]))
        page.move(*aims[0])
        page.mouse_down()
        try:
            wait_for(aim, 180, '"Level finished!"')
        finally:
            page.release()

    def test_a_daily_run_played_in_the_page_is_ranked_listed_and_watched(self):
        self.browser.forget(self.base)
        query = urllib.parse.urlencode([("arg", "--daily"), ("env", EVENTS_ENV)])
        page = self.browser.open(f"{self.base}index.html?{query}")
        wait_for(lambda: page.tallowfen("t.board !== null"), 30, "the page's look for a board")
        self.assertIs(page.tallowfen("t.board"), True, "the board's /api/health answered")
        self.assertEqual(page.element("board-link"), [True, "Board"])
        page.wait_event("state 1")
        self.finish_the_level(page)
        # To the shop, then its Menu: the counted try ends there and the game asks the name.
        since = len(page.lines())
        page.key("q")
        page.wait_event("state 3", since)
        page.click_until(60, 75, lambda: ("log", "state 0") in page.lines()[since:], "the main menu")
        page.wait_picture(self.name_field_shown, 30, "the name field over the menu")
        for key in NAME:
            page.key(key)
        page.key("Return")
        self.assertEqual(page.js("return scrollY"), 0, "the name's space went to the game, not to scrolling")
        self.assertFalse(self.name_field_shown(page.picture()), "the typed name was taken")
        line, match = page.wait_line(RANKED, 120)
        self.assertEqual(match.group(1, 2, 4), ("1", "1", "201"), page.lines()[line])
        sent = page.read(next(f for f in page.files() if f.endswith("/demos/daily/" + match[3])))  # the page's own
        head = dict(line.split(" ", 1) for line in sent.split(b"\nend\n", 1)[0].decode().splitlines()[1:])
        status, day = self.board.get(f"/api/daily/{self.board.get('/api/days')[1]['today']}")
        self.assertEqual((status, day["total"], len(day["entries"])), (200, 1, 1), day)
        entry = day["entries"][0]
        self.assertEqual(entry["name"], NAME, "typed in the page, sent as UTF-8 bytes")
        self.assertIn("wasm32", entry["build"], "the page's build recorded it")
        self.assertEqual((str(entry["level"]), str(entry["gold"]), str(entry["kills"])),
                         (head["level"], head["gold"], head["kills"]), entry)

        # The board's own page lists it; its Watch link, clicked, plays it in the page.
        from selenium.webdriver.common.by import By
        driver = self.browser.driver
        driver.get(self.base + "board/")
        self.assertIn(NAME, driver.find_element(By.TAG_NAME, "body").text)
        links = driver.find_elements(By.LINK_TEXT, "Watch")
        self.assertEqual([a.get_attribute("href") for a in links], [urllib.parse.urljoin(self.base, entry["watch"])])
        links[0].click()
        watched = Page(driver, entry["watch"])
        watched.wait_running()
        wait_for(lambda: watched.picture(whole=True).count(DEMO_RED, box=(440, 0, 160, 40)) > 50, 30,
                 "the DEMO mark over the watched run")
        self.assertEqual(watched.read(f"/tmp/{entry['id']}.demo"), sent, "the board gave back the bytes sent")
        self.assertEqual([text for kind, text in watched.lines() if kind == "error"], [])


@unittest.skipIf(SITE is None, NO_SITE)
class NoBoardTest(unittest.TestCase):
    def test_a_plain_web_server_leaves_the_page_without_a_board(self):
        with SiteServer(SITE) as server, Browser() as browser:
            page = browser.open(f"{server.base}index.html?arg=--daily")
            wait_for(lambda: page.tallowfen("t.board !== null"), 30, "the page's look for a board")
            self.assertIs(page.tallowfen("t.board"), False)
            self.assertEqual(page.element("board-link"), [False, "Board"])
            page.wait_frames(30)
            self.assertEqual([text for kind, text in page.lines() if kind == "error"], [])
            self.assertFalse([text for kind, text in page.lines() if re.search(r"board|health", text, re.I)])


if __name__ == "__main__":
    unittest.main()
