"""End-to-end tests of tallowfen-board: the real server on loopback with the
real game as its verifier, fed genuine daily runs (board_record_daily) and
edited ones; with SQLite in a scratch folder, and with BOARD_POSTGRES set, on
a private PostgreSQL cluster."""

import datetime
import os
import shutil
import socket
import subprocess
import tempfile
import threading
import unittest

import postgres_cluster
from board_server import Server, demo, key, relabel, verify, with_input_after_end

POSTGRES = os.environ.get("BOARD_POSTGRES") == "1"


def numbers(answer):
    return f"level {answer['level']}, gold {answer['gold']}, kills {answer['kills']}"


class BoardApi(unittest.TestCase):
    """The API's promises, on whichever database the run chose."""

    cluster = None

    @classmethod
    def setUpClass(cls):
        if POSTGRES:
            cls.cluster = postgres_cluster.Cluster()

    @classmethod
    def tearDownClass(cls):
        if cls.cluster:
            cls.cluster.stop()

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="board-e2e-")
        self.servers = []
        self.storage = ["--db", self.cluster.new_database()] if self.cluster else \
            ["--data", os.path.join(self.scratch, "data")]

    def tearDown(self):
        for server in self.servers:
            self.assertEqual(server.stop(), 0, "the board did not stop cleanly")
        shutil.rmtree(self.scratch)

    def start(self, *args):
        server = Server([*self.storage, "--posts-per-minute", "1000", *args])
        self.servers.append(server)
        return server

    def test_ranks_what_the_game_computes_and_serves_each_run_to_watch(self):
        board = self.start()
        today = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")
        sent = []
        for n, name in enumerate(["today-1.demo", "today-4.demo", "today-2.demo", "today-3.demo"]):
            status, answer = board.post(demo(name), key(n + 1), f"Player {n + 1}")
            self.assertEqual(status, 201, answer)
            expected, verdict, _ = verify(os.path.join(os.environ["BOARD_DEMOS"], name), self.scratch)
            self.assertTrue(expected.startswith(numbers(answer) + ", digest "), (expected, answer))
            self.assertEqual((answer["day"], verdict), (today, "matches the recording"))
            sent.append((answer, demo(name)))
        order = sorted(sent, key=lambda s: (-s[0]["level"], -s[0]["gold"], -s[0]["kills"], s[0]["submitted_at"]))
        status, table = board.get(f"/api/daily/{today}")
        self.assertEqual([e["id"] for e in table["entries"]], [s[0]["id"] for s in order])
        self.assertEqual([e["rank"] for e in table["entries"]], [1, 2, 3, 4])
        self.assertEqual(table["total"], 4)
        status, page = board.get(f"/api/daily/{today}?offset=1&limit=2")
        self.assertEqual([e["id"] for e in page["entries"]], [s[0]["id"] for s in order[1:3]])
        for answer, data in sent:
            self.assertEqual(board.get(answer["demo"]), (200, data))
        status, html = board.get("/board/")
        for answer, _ in sent:
            self.assertIn(f'<a href="/?play=/api/runs/{answer["id"]}.demo">Watch</a>'.encode(), html)
        self.assertEqual(board.get("/api/days")[1]["days"], [today])
        self.assertEqual(board.get("/api/health")[0], 200)

    def test_refuses_each_wrong_run_with_its_reason(self):
        board = self.start("--max-demo-bytes", "100000")
        good = demo("today-3.demo")
        self.assertEqual(board.post(demo("today-2.demo"), key(1), "Tide")[0], 201)
        claims_more = relabel(good, gold="999")
        damaged = good[:-7] + bytes([good[-7] ^ 1]) + good[-6:]
        old = (datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(days=2)).strftime("%Y-%m-%d")
        differs = verify(claims_more, self.scratch)[1]
        self.assertTrue(differs.startswith("differs: "), differs)
        cases = [  # demo, key, name -> status, code, the reason it gives
            (damaged, key(2), "Foam", 400, "damaged", "the demo cannot be read: it is damaged (its check sum differs)"),
            (demo("level05.demo"), key(2), "Foam", 422, "not_daily", "the demo is not of a daily run"),
            (demo("today-2p.demo"), key(2), "Foam", 422, "practice", None),
            (relabel(good, daily=old), key(2), "Foam", 422, "wrong_day", None),
            (claims_more, key(2), "Foam", 422, "differs", "verification differs: " + differs[len("differs: "):]),
            (with_input_after_end(good), key(2), "Foam", 422, "input_after_end", None),
            (good, key(2), "  ", 400, "name_invalid", "the name is empty"),
            (good, key(2), "x" * 17, 400, "name_invalid", None),
            (good, key(2)[:-1], "Foam", 400, "key_invalid", None),
            (good, key(2), "tide", 409, "name_taken", None),
            (good, key(1), "Tide", 409, "day_counted", None),
            (demo("today-2.demo"), key(2), "Foam", 409, "already_ranked", None),
            (good + bytes(100000), key(2), "Foam", 413, "too_large", None),
        ]
        for data, who, name, status, code, reason in cases:
            with self.subTest(code=code, name=name):
                got, answer = board.post(data, who, name)
                self.assertEqual((got, answer["error"]), (status, code), answer)
                self.assertEqual(answer["reason"], reason or answer["reason"])
        self.assertEqual(board.get("/api/daily/" + demo_day(good))[1]["total"], 1)
        self.assertEqual(board.post(good, key(2), "Foam")[0], 201)  # none of that counted against Foam

    def test_the_same_run_again_is_ranked_once(self):
        board = self.start()
        status, first = board.post(demo("today-1.demo"), key(1), "First")
        self.assertEqual(status, 201)
        self.assertEqual(board.post(demo("today-1.demo"), key(1), "First"), (200, first))  # a retry
        self.assertEqual(board.post(demo("yesterday-1.demo"), key(1), "First")[0], 201)  # yesterday's still counts
        relabelled = relabel(demo("today-1.demo"), platform="raylib aarch64")
        self.assertEqual(board.post(relabelled, key(2), "Second")[1]["error"], "already_ranked")

    def test_a_ranked_run_survives_the_server_killed_at_once(self):
        board = self.start()
        status, answer = board.post(demo("today-4.demo"), key(7), "Lasting")
        self.assertEqual(status, 201)
        board.kill()
        self.servers.remove(board)
        again = self.start()
        table = again.get(f"/api/daily/{answer['day']}")[1]
        entry = table["entries"][0]
        self.assertEqual({k: entry[k] for k in ("id", "name", "level", "gold", "kills", "submitted_at")},
                         {k: answer[k] for k in ("id", "name", "level", "gold", "kills", "submitted_at")})
        self.assertEqual(again.get(answer["demo"]), (200, demo("today-4.demo")))

    def test_names_are_escaped_on_the_page(self):
        board = self.start()
        name = "<b>&'\"</b>"
        status, answer = board.post(demo("today-2.demo"), key(3), name)
        self.assertEqual((status, answer["name"]), (201, name))
        html = board.get("/board/")[1].decode()
        self.assertIn("&lt;b&gt;&amp;&#39;&quot;&lt;/b&gt;", html)
        self.assertNotIn("<b>", html)

    @unittest.skipUnless(POSTGRES, "servers share a database on PostgreSQL")
    def test_servers_sharing_a_database_see_each_others_runs(self):
        one, two = self.start(), self.start()
        status, answer = one.post(demo("today-3.demo"), key(4), "Shared")
        self.assertEqual(status, 201)
        self.assertEqual(two.get(answer["demo"]), (200, demo("today-3.demo")))
        self.assertEqual(two.post(demo("today-3.demo"), key(5), "Other")[1]["error"], "already_ranked")
        self.assertEqual(two.post(demo("today-1.demo"), key(4), "Shared")[1]["error"], "day_counted")


def demo_day(data):
    return next(line for line in data.split(b"\n") if line.startswith(b"daily ")).split()[1].decode()


@unittest.skipIf(POSTGRES, "the limits are the server's, whatever its database")
class BoardLimits(unittest.TestCase):
    """The server under load and abuse, with a verifier that does as the test says."""

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="board-limits-")
        self.mode = os.path.join(self.scratch, "mode")
        self.gate = os.path.join(self.scratch, "gate")
        self.started = os.path.join(self.scratch, "started")
        os.mkfifo(self.gate)
        os.mkfifo(self.started)
        fake = os.path.join(self.scratch, "verifier.sh")
        with open(fake, "w") as f:
            f.write(f"""#!/bin/sh
case "$(cat {self.mode})" in
  hang) exec sleep 600 ;;
  crash) kill -SEGV $$ ;;
  gate) echo started >{self.started}; cat {self.gate} >/dev/null ;;
esac
echo "level 2, gold 3, kills 4, digest 0123456789abcdef"
echo "matches the recording"
""")
        os.chmod(fake, 0o755)
        self.server = None

    def tearDown(self):
        if self.server:
            self.assertEqual(self.server.stop(), 0)
        shutil.rmtree(self.scratch)

    def start(self, *args):
        self.server = Server(["--data", os.path.join(self.scratch, "data"), "--verifier",
                              os.path.join(self.scratch, "verifier.sh"), *args])
        return self.server

    def set_mode(self, mode):
        with open(self.mode, "w") as f:
            f.write(mode)

    def test_a_full_queue_answers_429_and_the_verifiers_numbers_are_ranked(self):
        board = self.start("--workers", "1", "--queue", "1", "--posts-per-minute", "100",
                           "--gets-per-minute", "1000000")
        self.set_mode("gate")
        answers = {}

        def post(n, name):
            answers[n] = board.post(demo(name), key(n), f"P{n}")

        posts = [threading.Thread(target=post, args=(1, "today-1.demo")),
                 threading.Thread(target=post, args=(2, "today-2.demo"))]
        posts[0].start()
        self.wait_started()  # the first holds the one worker
        posts[1].start()
        for _ in range(10000):  # the second waits in the queue
            if board.get("/api/health")[1]["waiting"] == 1:
                break
        status, answer = board.post(demo("today-3.demo"), key(3), "P3")
        self.assertEqual((status, answer["error"]), (429, "busy"))
        self.release()
        self.wait_started()
        self.release()
        for thread in posts:
            thread.join(60)
        for n in (1, 2):
            self.assertEqual((answers[n][0], numbers(answers[n][1])), (201, "level 2, gold 3, kills 4"))

    def wait_started(self):
        with open(self.started) as f:  # opens once a verifier writes to it
            self.assertEqual(f.read(), "started\n")

    def release(self):
        with open(self.gate, "w"):  # the verifier's read ends when this writer leaves
            pass

    def test_a_verifier_that_hangs_or_crashes_costs_one_run(self):
        board = self.start("--verify-wall", "1", "--posts-per-minute", "100")
        for mode, reason in [("hang", "the verifier did not finish in 1 s"),
                             ("crash", "the verifier crashed (signal 11)")]:
            self.set_mode(mode)
            status, answer = board.post(demo("today-1.demo"), key(1), "Hanging")
            self.assertEqual((status, answer["reason"]), (422, "the run could not be verified: " + reason))
        self.set_mode("")
        self.assertEqual(board.post(demo("today-1.demo"), key(1), "Hanging")[0], 201)

    def test_an_address_sending_too_fast_or_too_slowly_is_cut_off(self):
        board = self.start("--posts-per-minute", "2", "--client-timeout", "1")
        self.set_mode("")
        slow = socket.create_connection((board.host, board.port))
        slow.sendall(b"POST /api/runs HTTP/1.1\r\nHost: x\r\n")  # and no more
        codes = [board.post(demo(f"today-{n}.demo"), key(n), f"Fast{n}")[0] for n in (1, 2, 3)]
        self.assertEqual(codes, [201, 201, 429])
        self.assertEqual(board.get("/api/health")[0], 200)  # other requests still served
        slow.settimeout(30)
        while slow.recv(4096):  # until the server gives up on it
            pass
        slow.close()
        logged = [" ".join(board.next_line().split()[2:5]) for _ in range(4)]
        self.assertEqual(logged, ["POST /api/runs 201", "POST /api/runs 201", "POST /api/runs 429",
                                  "GET /api/health 200"])


if __name__ == "__main__":
    unittest.main()
