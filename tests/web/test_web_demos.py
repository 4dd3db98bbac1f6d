"""Demos named by the page's address: every golden demo verified in the page
through ?verify=, a demo played through ?play=, and the one line the page
gives when a demo is missing or on another site."""

import os
import shutil
import sys
import tempfile
import unittest
import urllib.parse

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tools", "web"))
sys.path.insert(0, os.path.join(ROOT, "tests", "demos"))

from check_golden import header  # noqa: E402
from webpage import EVENTS_ENV, Browser, SiteServer, site_from_env, wait_for  # noqa: E402

SITE = site_from_env()
GOLDEN = os.path.join(ROOT, "tests", "demos")
# Fresh runs the desktop builds have just recorded, when the test script names them.
FRESH = os.environ.get("TALLOWFEN_FRESH_DEMOS", "")


class DemoAddressTest(unittest.TestCase):
    """The built site served with the golden demos beside it in goldens/,
    from a temporary folder, so nothing is added to the site itself."""

    @classmethod
    def setUpClass(cls):
        if SITE is None:
            raise unittest.SkipTest("TALLOWFEN_WEB_SITE names no built site (build-web/site once built)")
        cls.demos = sorted(name for name in os.listdir(GOLDEN) if name.endswith(".demo"))
        folder = tempfile.mkdtemp(prefix="tallowfen-web-demos-")
        cls.addClassCleanup(shutil.rmtree, folder)
        for name in os.listdir(SITE):
            os.symlink(os.path.join(SITE, name), os.path.join(folder, name))
        os.mkdir(os.path.join(folder, "goldens"))
        for name in cls.demos:
            shutil.copy(os.path.join(GOLDEN, name), os.path.join(folder, "goldens", name))
        cls.fresh = sorted(name for name in os.listdir(FRESH) if name.endswith(".demo")) if FRESH else []
        os.mkdir(os.path.join(folder, "fresh"))
        for name in cls.fresh:
            shutil.copy(os.path.join(FRESH, name), os.path.join(folder, "fresh", name))
        cls.server = SiteServer(folder).start()
        cls.addClassCleanup(cls.server.stop)
        cls.browser = Browser()
        cls.addClassCleanup(cls.browser.quit)

    def open(self, *params):
        self.browser.forget(self.server.base)
        query = urllib.parse.urlencode(params, quote_via=urllib.parse.quote, safe="/")
        return self.browser.open(f"{self.server.base}index.html?{query}", wait_running=False)

    @staticmethod
    def shown(page, timeout):
        """The page's message once it shows: the verify's lines, or why the game did not start."""
        return wait_for(lambda: (e := page.element("error")) and e[0] and e[1], timeout, "the page's message")

    def verify_in_page(self, folder, names, source):
        for name in names:
            with self.subTest(name):
                head = header(os.path.join(source, name))
                page = self.open(("verify", f"{folder}/{name}"))
                shown = self.shown(page, 600)
                printed = [f"level {head['level']}, gold {head['gold']}, kills {head['kills']}, "
                           f"digest {head['digest']}", "matches the recording"]
                self.assertEqual(page.stdout_lines(), printed, shown)
                self.assertEqual(shown.splitlines(), printed, "shown on the page in the same words")

    def test_every_golden_demo_matches_its_recording_in_the_page(self):
        self.assertGreaterEqual(len(self.demos), 3, f"the golden demos of {GOLDEN}")
        self.verify_in_page("goldens", self.demos, GOLDEN)

    def test_fresh_runs_of_the_desktop_builds_match_in_the_page(self):
        if not FRESH:
            self.skipTest("TALLOWFEN_FRESH_DEMOS names no folder of fresh runs")
        self.assertTrue(self.fresh, f"fresh runs in {FRESH}")
        self.verify_in_page("fresh", self.fresh, FRESH)

    def test_a_demo_named_by_address_plays(self):
        page = self.open(("play", "goldens/" + self.demos[0]), ("env", EVENTS_ENV))
        page.wait_running()
        page.wait_event("state 1")  # the demo's level, not the main menu
        self.assertIn("/tmp/" + self.demos[0], page.files("/tmp"))

    def test_a_demo_that_cannot_be_fetched_stops_the_game_with_one_line(self):
        base, demo = self.server.base, "goldens/" + self.demos[0]
        elsewhere = base.replace("127.0.0.1", "localhost") + demo
        rows = (  # the page's parameters, what its line says
            ([("verify", "goldens/missing.demo")], f"could not fetch the demo {base}goldens/missing.demo: 404"),
            ([("verify", elsewhere)], f"from its own site only ({base.rstrip('/')}), not from http://localhost:"),
            ([("play", "http://[bad")], 'cannot fetch a demo from "http://[bad": it is not an address'),
            ([("play", demo), ("verify", demo)], "takes ?play= or ?verify=, not both"),
        )
        for params, words in rows:
            with self.subTest(params):
                page = self.open(*params)
                shown = self.shown(page, 60)
                self.assertIn(words, shown)
                self.assertEqual([text for kind, text in page.lines() if kind == "error"], [shown],
                                 "the same line, once, in the console")
                self.assertFalse(page.js("return !!(window.Module && window.Module.calledRun)"), "no game")
                self.assertEqual(page.stdout_lines(), [])

if __name__ == "__main__":
    unittest.main()
