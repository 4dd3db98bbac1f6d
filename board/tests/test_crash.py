"""The board killed with SIGKILL twenty times while genuine runs are being sent: after each kill the database
checks clean, and after each restart every run the board acknowledged (201, or 200 for a retry) is served
byte for byte and listed on its day. SQLite, or with BOARD_POSTGRES=1 a private PostgreSQL cluster."""

import contextlib
import http.client
import json
import os
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import threading
import unittest

from board_server import Server, distinct_runs, key
from postgres_cluster import Cluster

POSTGRES = os.environ.get("BOARD_POSTGRES") == "1"
KILLS = 20
POSTERS = 3


class Post:
    """One run sent under its own key and name; a post the kill cut off is sent again as it was, as the game does."""

    def __init__(self, number, data):
        self.key, self.name, self.data = key(0xC0FFEE00 + number), f"Crash {number}", data
        self.sent, self.status, self.answer = threading.Event(), None, None

    def send(self, host, port):
        connection = http.client.HTTPConnection(host, port, timeout=60)
        try:
            connection.putrequest("POST", "/api/runs")
            for header, value in [("Content-Type", "application/octet-stream"), ("Tallowfen-Key", self.key),
                                  ("Tallowfen-Name", self.name), ("Content-Length", str(len(self.data)))]:
                connection.putheader(header, value)
            connection.endheaders(self.data)
            self.sent.set()
            response = connection.getresponse()
            self.status, self.answer = response.status, response.read()
        except (ConnectionError, http.client.HTTPException):
            self.status = None  # cut off: whether it was kept is for the next try to learn
        finally:
            self.sent.set()
            connection.close()


class Crash(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.cluster = Cluster() if POSTGRES else None

    @classmethod
    def tearDownClass(cls):
        if cls.cluster:
            cls.cluster.stop()

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="board-crash-")
        self.url = self.cluster.new_database() if self.cluster else None
        self.storage = ["--db", self.url] if self.url else ["--data", self.scratch]
        self.board = None

    def tearDown(self):
        if self.board:
            self.board.kill()
        shutil.rmtree(self.scratch)

    def test_every_acknowledged_run_outlives_twenty_kills(self):
        runs = distinct_runs(os.environ["BOARD_POOL"])
        self.assertGreaterEqual(len(runs), 2 * KILLS, "too few distinct runs recorded")
        fresh = [Post(n, data) for n, data in enumerate(runs)]
        fresh.reverse()
        unanswered, acknowledged, cut_off = [], {}, 0
        for kill in range(KILLS):
            self.board = Server([*self.storage, "--posts-per-minute", "1000000", "--gets-per-minute", "1000000"])
            self.assert_all_there(acknowledged)
            posts = unanswered + [fresh.pop() for _ in range(POSTERS - len(unanswered))]
            for post in posts:
                post.sent.clear()
            threads = [threading.Thread(target=post.send, args=(self.board.host, self.board.port)) for post in posts]
            for thread in threads:
                thread.start()
            # The kill comes once every post is on its way, or after the first, second or third answer.
            answers = kill % (POSTERS + 1)
            for post in posts:
                post.sent.wait(60)
            while answers > 0:
                line = self.board.next_line(60)
                self.assertIsNotNone(line, "the board stopped by itself")
                answers -= " POST /api/runs " in line
            self.board.process.kill()
            for thread in threads:
                thread.join(60)
            self.assertEqual(self.board.stop(), -9)
            self.board = None
            unanswered = [post for post in posts if post.status is None]
            cut_off += len(unanswered)
            for post in posts:
                if post.status is not None:
                    self.assertIn(post.status, (200, 201), post.answer)
                    answer = json.loads(post.answer)
                    acknowledged[answer["id"]] = (post.data, answer)
            self.assert_database_sound(len(acknowledged))
        self.board = Server([*self.storage, "--gets-per-minute", "1000000"])
        self.assert_all_there(acknowledged)
        self.assertGreater(cut_off, 0, "no kill came while a post was under way")
        print(f"\n{len(acknowledged)} runs acknowledged, {cut_off} posts cut off by {KILLS} kills", file=sys.stderr)

    def assert_all_there(self, acknowledged):
        day_table = {}
        for day in {answer["day"] for _, answer in acknowledged.values()}:
            offset, total = 0, 1
            while offset < total:
                status, page = self.board.get(f"/api/daily/{day}?offset={offset}&limit=100")
                self.assertEqual(status, 200, page)
                day_table.update({e["id"]: e for e in page["entries"]})
                offset, total = offset + 100, page["total"]
        for run_id, (data, answer) in acknowledged.items():
            self.assertEqual(self.board.get(answer["demo"]), (200, data), f"run {run_id}")
            listed = {k: v for k, v in day_table.get(run_id, {}).items() if k not in ("rank", "of")}
            self.assertEqual(listed, {k: v for k, v in answer.items() if k not in ("rank", "of")})

    def assert_database_sound(self, acknowledged):
        # A run whose key owns no name, a name with no run, a run kept twice, fewer runs than were acknowledged
        # or a count kept beside the runs that differs from them would be a write half done or lost.
        checks = ["SELECT COUNT(*) - COUNT(DISTINCT run_hash) FROM runs",
                  "SELECT COUNT(*) FROM runs WHERE key_hash NOT IN (SELECT key_hash FROM names)",
                  "SELECT COUNT(*) FROM names WHERE key_hash NOT IN (SELECT key_hash FROM runs)",
                  f"SELECT CASE WHEN COUNT(*) < {acknowledged} THEN 1 ELSE 0 END FROM runs"]
        if self.url:
            amcheck = subprocess.run([os.path.join(self.cluster.bin, "pg_amcheck"), "--install-missing",
                                      "--heapallindexed", "--rootdescend", self.url],
                                     capture_output=True, text=True, timeout=120)
            self.assertEqual((amcheck.returncode, amcheck.stdout), (0, ""), amcheck.stderr)
            query = lambda sql: [row[0] for row in self.cluster.query(self.url, sql)]
            tables = set(query("SELECT tablename FROM pg_tables WHERE schemaname = 'public'"))
            found = [query(sql) for sql in checks + kept_beside(tables)]
        else:
            with contextlib.closing(sqlite3.connect(os.path.join(self.scratch, "board.sqlite3"))) as database:
                self.assertEqual(database.execute("PRAGMA integrity_check").fetchall(), [("ok",)])
                self.assertEqual(database.execute("PRAGMA foreign_key_check").fetchall(), [])
                query = lambda sql: [str(row[0]) for row in database.execute(sql)]
                tables = set(query("SELECT name FROM sqlite_master WHERE type = 'table'"))
                found = [query(sql) for sql in checks + kept_beside(tables)]
        self.assertEqual(dict(zip(checks + kept_beside(tables), found)),
                         {sql: ["0"] for sql in checks + kept_beside(tables)})


# What a store may keep beside its runs, by table: the runs counted by these columns, in the column `runs`.
COUNTED = {"day_counts": "day", "level_counts": "day, level", "gold_counts": "day, level, gold",
           "score_counts": "day, level, gold, kills"}


def kept_beside(tables):
    """Queries that count what differs between the runs and the tables kept from them that the store has."""
    checks = []
    for table, columns in COUNTED.items():
        if table in tables:
            counted = f"SELECT {columns}, COUNT(*) FROM runs GROUP BY {columns}"
            kept = f"SELECT {columns}, runs FROM {table}"
            checks += [f"SELECT COUNT(*) FROM ({counted} EXCEPT {kept}) AS missing",
                       f"SELECT COUNT(*) FROM ({kept} EXCEPT {counted}) AS extra"]
    if "run_links" in tables:
        checks.append("SELECT COUNT(*) FROM run_links WHERE run_id NOT IN (SELECT id FROM runs)")
    return checks

if __name__ == "__main__":
    unittest.main()
