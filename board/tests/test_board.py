"""End-to-end tests of tallowfen-board: the real server on loopback with the
real game as its verifier, fed genuine daily runs (board_daily_runs) and
edited ones; with SQLite, or with BOARD_POSTGRES=1 on a private cluster."""

import datetime
import gzip
import http.client
import os
import pwd
import shutil
import socket
import subprocess
import tempfile
import threading
import unittest

from board_server import Server, demo, key, relabel, verify, with_input_after_end
from postgres_cluster import Cluster

POSTGRES = os.environ.get("BOARD_POSTGRES") == "1"


def numbers(answer):
    return f"level {answer['level']}, gold {answer['gold']}, kills {answer['kills']}"


def utc_day(days_back=0):
    return (datetime.datetime.now(datetime.timezone.utc) - datetime.timedelta(days=days_back)).strftime("%Y-%m-%d")


class Scratch(unittest.TestCase):

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="board-e2e-")
        os.chmod(self.scratch, 0o711)  # a server run as root runs its verifier as a user who passes through
        # The servers' temporary files, where each makes the folder its verifiers read.
        self.temp = f"{self.scratch}/tmp"
        self.verifying = f"{self.temp}/tallowfen-board-verifying-{os.geteuid()}"
        os.mkdir(self.temp)
        self.servers = []

    def tearDown(self):
        for server in self.servers:
            self.assertEqual(server.stop(), 0, "the board did not stop cleanly")
        shutil.rmtree(self.scratch)

    def start(self, *args):
        self.servers.append(Server([*args], {"TMPDIR": self.temp}))
        return self.servers[-1]

    def run_board(self, *args):
        """A board that is expected not to start: its status and what it said."""
        done = subprocess.run([os.environ["BOARD_BINARY"], *args], capture_output=True, text=True, timeout=60,
                              env={**os.environ, "TMPDIR": self.temp})
        return done.returncode, done.stderr

    def left_running(self):
        """The processes that name this test's temporary files: a verifier, or something it left."""
        found = []
        for pid in filter(str.isdigit, os.listdir("/proc")):
            try:
                with open(f"/proc/{pid}/cmdline", "rb") as f:
                    if self.temp.encode() in f.read():
                        found.append(int(pid))
            except OSError:
                pass  # gone meanwhile
        for pid in found:
            os.kill(pid, 9)
        return found


class BoardApi(Scratch):
    """The API's promises, on whichever database the run chose."""

    @classmethod
    def setUpClass(cls):
        cls.cluster = Cluster() if POSTGRES else None

    @classmethod
    def tearDownClass(cls):
        if cls.cluster:
            cls.cluster.stop()

    def setUp(self):
        super().setUp()
        self.storage = ["--db", self.cluster.new_database()] if self.cluster else ["--data", f"{self.scratch}/data"]

    def board(self, *args):
        return self.start(*self.storage, "--posts-per-minute", "1000", *args)

    def test_ranks_what_the_game_computes_and_serves_each_run_to_watch(self):
        board, sent = self.board(), []
        for n, name in enumerate(["today-1.demo", "today-4.demo", "today-2.demo", "today-3.demo"]):
            status, answer = board.post(demo(name), key(n), f"Player {n}")
            self.assertEqual(status, 201, answer)
            self.assertEqual(verify(demo(name), self.scratch)[0].split(", digest")[0], numbers(answer))
            self.assertEqual((answer["day"], answer["of"]), (utc_day(), n + 1))
            sent.append(answer)
        ranked = [a["id"] for a in sorted(sent, key=lambda a: (-a["level"], -a["gold"], -a["kills"],
                                                               a["submitted_at"]))]
        table = board.get(f"/api/daily/{utc_day()}")[1]
        self.assertEqual(([e["id"] for e in table["entries"]], table["total"]), (ranked, 4))
        self.assertEqual([e["rank"] for e in table["entries"]], [1, 2, 3, 4])
        page = board.get(f"/api/daily/{utc_day()}?offset=1&limit=2")[1]["entries"]
        self.assertEqual([(e["id"], e["rank"]) for e in page], [(ranked[1], 2), (ranked[2], 3)])
        html = board.get("/board/")[1]
        for answer, name in zip(sent, ["today-1.demo", "today-4.demo", "today-2.demo", "today-3.demo"]):
            self.assertEqual(board.get(answer["demo"]), (200, demo(name)))
            self.assertIn(f'<a href="/?play=/api/runs/{answer["id"]}.demo">Watch</a>'.encode(), html)
        self.assertEqual(board.get("/api/days")[1]["days"], [utc_day()])

    def test_refuses_each_wrong_run_with_its_reason(self):
        board = self.board("--max-demo-bytes", "100000")
        good = demo("today-3.demo")
        self.assertEqual(board.post(demo("today-2.demo"), key(1), "Tide")[0], 201)
        claims_more = relabel(good, gold="999")
        differs = verify(claims_more, self.scratch)[1]
        self.assertTrue(differs.startswith("differs: "), differs)
        damaged = good[:-7] + bytes([good[-7] ^ 1]) + good[-6:]
        slowed = demo("today-1s.demo")  # a true recording, in slow motion
        self.assertEqual(verify(slowed, self.scratch)[1], "matches the recording")
        cases = [  # demo, key, name -> status, code, the reason given when it matters
            (damaged, 2, "Foam", 400, "damaged", "the demo cannot be read: it is damaged (its check sum differs)"),
            (demo("level05.demo"), 2, "Foam", 422, "not_daily", "the demo is not of a daily run"),
            (demo("today-2p.demo"), 2, "Foam", 422, "practice", None),
            (relabel(good, daily=utc_day(2)), 2, "Foam", 422, "wrong_day", None),
            (claims_more, 2, "Foam", 422, "differs", "verification " + differs),
            (with_input_after_end(good), 2, "Foam", 422, "input_after_end", None),
            (slowed, 2, "Foam", 422, "bad_steps", "the run was not played at the game's pace: update 0 steps 0.100 ms, "
             "shorter than any display paces a frame (1.000 ms)"),
            (good, 2, " \t", 400, "name_invalid", "the name is empty"),
            (good, 0, "Foam", 400, "key_invalid", None),  # a digit short
            (good, 2, "tide", 409, "name_taken", None),
            (good, 1, "Tide", 409, "day_counted", None),
            (demo("today-2.demo"), 2, "Foam", 409, "already_ranked", None),
            (good + bytes(100000), 2, "Foam", 413, "too_large", None),
        ]
        for data, who, name, status, code, reason in cases:
            with self.subTest(code=code, name=name):
                got, answer = board.post(data, key(who)[:31] if who == 0 else key(who), name)
                self.assertEqual((got, answer["error"]), (status, code), answer)
                self.assertEqual(answer["reason"], reason or answer["reason"])
        self.assertEqual(board.get(f"/api/daily/{utc_day()}")[1]["total"], 1)
        self.assertEqual(board.post(good, key(2), "Foam")[0], 201)  # none of that counted against Foam

    def test_the_same_run_again_is_ranked_once(self):
        board = self.board()
        status, first = board.post(demo("today-1.demo"), key(1), "First")
        self.assertEqual(status, 201)
        self.assertEqual(board.post(demo("today-1.demo"), key(1), "First"), (200, first))  # a retry
        self.assertEqual(board.post(demo("yesterday-1.demo"), key(1), "First")[0], 201)  # yesterday's counts too
        relabelled = relabel(demo("today-1.demo"), platform="raylib aarch64")
        self.assertEqual(board.post(relabelled, key(2), "Second")[1]["error"], "already_ranked")

    def test_a_copy_that_plays_to_the_same_marks_is_the_same_run(self):
        self.refused_as_ranked(["shopkey", "pointer"])

    def test_a_ranked_runs_beginning_is_no_new_run(self):
        self.refused_as_ranked(["prefix"])

    def refused_as_ranked(self, copies):
        """Each copy of today-3 that board_daily_runs wrote plays to its marks, and is refused once it is ranked."""
        board = self.board()
        self.assertEqual(board.post(demo("today-3.demo"), key(1), "First")[0], 201)
        for n, copy in enumerate(copies, 2):
            with self.subTest(copy=copy):
                data = demo(f"today-3-{copy}.demo")
                self.assertNotEqual(data, demo("today-3.demo"))
                self.assertEqual(verify(data, self.scratch)[1], "matches the recording")
                self.assertEqual(board.post(data, key(n), f"Copy {n}")[1]["error"], "already_ranked")
        self.assertEqual(board.get(f"/api/daily/{utc_day()}")[1]["total"], 1)

    def test_one_run_sent_at_once_under_ten_keys_is_verified_once(self):
        board, answers = self.board(), {}
        start = threading.Barrier(10)

        def send(n):
            start.wait()
            answers[n] = board.post(demo("today-2.demo"), key(n), f"At once {n}")
        senders = [threading.Thread(target=send, args=(n,)) for n in range(10)]
        for sender in senders:
            sender.start()
        for sender in senders:
            sender.join(120)
        statuses = sorted((status, answer.get("error")) for status, answer in answers.values())
        self.assertEqual(statuses, [(201, None)] + [(409, "already_ranked")] * 9)
        requests, verified = 0, []
        while requests < 10:  # a verification's line comes before its request's
            line = board.next_line()
            requests += not line.startswith("run ")
            verified += [line] if line.startswith("run ") else []
        self.assertEqual([line.split()[2] for line in verified], ["verified:"], verified)

    def test_a_ranked_run_survives_the_server_killed_at_once(self):
        board = self.board()
        status, answer = board.post(demo("today-4.demo"), key(7), "Lasting")
        self.assertEqual(status, 201)
        self.assertEqual(board.kill(), -9)
        self.servers.remove(board)
        again = self.board()
        entry = again.get(f"/api/daily/{answer['day']}")[1]["entries"][0]
        self.assertEqual(entry, {k: v for k, v in answer.items() if k != "of"})
        self.assertEqual(again.get(answer["demo"]), (200, demo("today-4.demo")))

    def test_names_are_escaped_on_the_page(self):
        board = self.board()
        self.assertEqual(board.post(demo("today-2.demo"), key(3), "<b>&'\"</b>")[1]["name"], "<b>&'\"</b>")
        html = board.get("/board/")[1].decode()
        self.assertIn("<td>&lt;b&gt;&amp;&#39;&quot;&lt;/b&gt;</td>", html)
        self.assertNotIn("<b>", html)

    def test_a_look_alike_name_is_taken_and_the_days_answers_stay_utf8(self):
        board = self.board()
        status, alice = board.post(demo("today-1.demo"), key(1), "alice")
        self.assertEqual(status, 201, alice)
        header = dict(line.split(" ", 1) for line in demo("today-1.demo").split(b"\nend\n")[0].decode().split("\n"))
        self.assertEqual(alice["build"], f"{header['game']} ({header['platform']})")
        for name, status, code in [("\u0430lice", 409, "name_taken"),  # a Cyrillic a
                                   ("ALICE", 409, "name_taken"),
                                   ("alice\ufe0f", 400, "name_invalid"),
                                   ("alice\U000e0061", 400, "name_invalid"),
                                   ("\u3164", 400, "name_invalid")]:
            with self.subTest(name=ascii(name)):
                got, answer = board.post(demo("today-2.demo"), key(2), name)
                self.assertEqual((got, answer.get("error")), (status, code), answer)
        odd_platform = relabel(demo("today-2.demo"), platform="\xff\xfe")
        status, answer = board.post(odd_platform, key(2), "Bob")
        self.assertEqual((status, answer["build"]), (201, f"{header['game']} (unknown platform)"), answer)
        odd_game = relabel(demo("today-3.demo"), game="Tallowfen \xff\xfe")
        self.assertEqual(board.post(odd_game, key(3), "Carol")[1]["error"], "unknown_build")
        for path in [f"/api/daily/{utc_day()}", "/board/"]:
            status, body = board.get_bytes(path)
            self.assertEqual(status, 200)
            body.decode("utf-8")  # raises on anything else
        table = board.get(f"/api/daily/{utc_day()}")[1]["entries"]
        self.assertEqual(sorted((e["name"], e["display_hz"]) for e in table), [("Bob", 60), ("alice", 60)])

    def test_a_second_board_on_the_same_port_and_data_is_refused_and_touches_nothing(self):
        board = self.board()
        folders = sorted(os.listdir(self.verifying))
        self.assertEqual(len(folders), 2, folders)  # the root's lock and this board's folder
        self.assertEqual(self.run_board("--port", str(board.port), *self.storage, "--verifier",
                                        os.environ["TALLOWFEN_BINARY"]),
                         (1, f"tallowfen-board: cannot listen on 127.0.0.1 port {board.port}\n"))
        self.assertEqual(sorted(os.listdir(self.verifying)), folders)
        self.assertEqual(board.post(demo("today-2.demo"), key(1), "After")[0], 201)

    def test_a_killed_boards_folder_is_removed_at_the_next_start_and_a_living_ones_kept(self):
        living = self.board()
        first = set(os.listdir(self.verifying))
        killed = self.board()
        [left] = set(os.listdir(self.verifying)) - first
        self.assertEqual(killed.kill(), -9)
        self.servers.remove(killed)
        self.assertIn(left, os.listdir(self.verifying))
        self.board()
        now = set(os.listdir(self.verifying))
        self.assertTrue(first < now and left not in now and len(now) == len(first) + 1, (first, left, now))
        self.assertEqual(living.post(demo("today-3.demo"), key(2), "Living")[0], 201)

    def test_the_site_is_sent_in_gzip_when_brotli_is_asked(self):
        os.mkdir(f"{self.scratch}/site")
        script = b"".join(b"var v%d = %d;\n" % (n, n * n) for n in range(12000))  # the page's script's size
        with open(f"{self.scratch}/site/game.js", "wb") as f:
            f.write(script)
        board = self.board("--site", f"{self.scratch}/site")
        for accepted, encoding in [("gzip, deflate, br", "gzip"), ("br", None), ("gzip", "gzip"), ("", None)]:
            connection = http.client.HTTPConnection(board.host, board.port, timeout=60)
            connection.request("GET", "/game.js", headers={"Accept-Encoding": accepted})
            response = connection.getresponse()
            body = response.read()
            connection.close()
            self.assertEqual((response.status, response.getheader("Content-Encoding")), (200, encoding), accepted)
            self.assertEqual(gzip.decompress(body) if encoding else body, script)

    @unittest.skipUnless(POSTGRES, "servers share a database on PostgreSQL")
    def test_servers_sharing_a_database_see_each_others_runs(self):
        one, two = self.board(), self.board()
        status, answer = one.post(demo("today-3.demo"), key(4), "Shared")
        self.assertEqual(status, 201)
        self.assertEqual(two.get(answer["demo"]), (200, demo("today-3.demo")))
        self.assertEqual(two.post(demo("today-3.demo"), key(5), "Other")[1]["error"], "already_ranked")
        self.assertEqual(two.post(demo("today-1.demo"), key(4), "Shared")[1]["error"], "day_counted")


@unittest.skipIf(POSTGRES, "the limits are the server's, whatever its database")
class BoardLimits(Scratch):
    """The server under load and abuse, with a verifier that does as the test says."""

    def setUp(self):
        super().setUp()
        self.mode, self.gate, self.started, never = (f"{self.scratch}/{name}"
                                                     for name in ("mode", "gate", "started", "never"))
        for fifo in (self.gate, self.started, never):
            os.mkfifo(fifo)
            os.chmod(fifo, 0o666)  # for the verifier's user too
        # The shell's own commands alone: the verifier may start no other program.
        with open(f"{self.scratch}/verifier.sh", "w") as f:
            f.write(f"""#!/bin/sh
read mode <{self.mode}
case "$mode" in
  hang) read x <{never} ;;
  crash) kill -SEGV $$ ;;
  gate) echo started >{self.started}; read x <{self.gate} ;;
esac
echo "level 2, gold 3, kills 4, digest 0123456789abcdef"
echo "matches the recording"
""")
        os.chmod(f"{self.scratch}/verifier.sh", 0o755)

    def board(self, mode, *args):
        with open(self.mode, "w") as f:
            f.write(mode)
        return self.start("--data", f"{self.scratch}/data", "--verifier", f"{self.scratch}/verifier.sh", *args)

    def test_a_full_queue_answers_429_and_the_verifiers_numbers_are_ranked(self):
        board = self.board("gate", "--workers", "1", "--queue", "1", "--gets-per-minute", "1000000")
        answers = {}
        posts = [threading.Thread(target=lambda n=n: answers.update({n: board.post(demo(f"today-{n}.demo"), key(n),
                                                                                   f"P{n}")})) for n in (1, 2)]
        posts[0].start()
        self.wait_started()  # the first verifier holds the one worker
        posts[1].start()
        for _ in range(10000):  # until the second waits in the queue
            if board.get("/api/health")[1]["waiting"] == 1:
                break
        self.assertEqual(board.post(demo("today-3.demo"), key(3), "P3")[1]["error"], "busy")
        self.release()  # the first verifier goes on, and the second takes the worker
        self.wait_started()
        self.release()
        for thread in posts:
            thread.join(60)
        self.assertEqual([(answers[n][0], numbers(answers[n][1])) for n in (1, 2)],
                         [(201, "level 2, gold 3, kills 4")] * 2)  # the verifier's, not the demo's

    def wait_started(self):
        with open(self.started) as f:  # opens once a verifier writes to it
            self.assertEqual(f.read(), "started\n")

    def release(self):
        with open(self.gate, "w"):  # the waiting verifier's read ends as this writer leaves
            pass

    def test_a_verifier_that_hangs_or_crashes_costs_one_run(self):
        board = self.board("hang", "--verify-wall", "1")
        for mode, reason in [("hang", "did not finish in 1 s"), ("crash", "crashed (signal 11)"), ("", None)]:
            with open(self.mode, "w") as f:
                f.write(mode)
            status, answer = board.post(demo("today-1.demo"), key(1), "Hanging")
            self.assertEqual((status, answer.get("reason")),
                             (422, "the run could not be verified: the verifier " + reason) if reason else (201, None))

    def test_the_verifier_starts_nothing_and_runs_as_its_user(self):
        root = os.geteuid() == 0
        default = next((user for user in ("tallowfen-board", "nobody") if user in {p.pw_name for p in pwd.getpwall()}))
        for user in [None, "daemon"]:
            with self.subTest(user=user):
                board = self.start("--data", f"{self.scratch}/data-{user}", "--verifier", os.environ["FAKE_VERIFIER"],
                                   *(["--verifier-user", user] if user else []))
                status, answer = board.post(demo("today-1.demo"), key(1), "Boxed")
                uid = pwd.getpwnam(user or default).pw_uid if root else os.geteuid()
                # The fake's numbers: level 1 when it read the demo, gold for each process or program
                # that started, kills for its uid.
                self.assertEqual((status, answer.get("level"), answer.get("gold"), answer.get("kills")),
                                 (201, 1, 0, uid), answer)
                self.assertEqual(self.left_running(), [], "a process the verifier started outlived it")
                self.servers.remove(board)
                self.assertEqual(board.stop(), 0)
        if root:
            self.assertEqual(self.run_board("--port", "0", "--data", f"{self.scratch}/data", "--verifier-user",
                                            "no-such-user", "--verifier", os.environ["FAKE_VERIFIER"]),
                             (2, "tallowfen-board: no user no-such-user\n"))

    def test_an_address_sending_too_fast_or_too_slowly_is_cut_off(self):
        board = self.board("", "--posts-per-minute", "2", "--client-timeout", "1")
        slow = socket.create_connection((board.host, board.port))
        slow.sendall(b"POST /api/runs HTTP/1.1\r\nHost: x\r\n")  # and no more
        codes = [board.post(demo(f"today-{n}.demo"), key(n), f"Fast{n}")[0] for n in (1, 2, 3)]
        self.assertEqual((codes, board.get("/api/health")[0]), ([201, 201, 429], 200))
        slow.settimeout(30)
        while slow.recv(4096):  # until the server gives up on it
            pass
        slow.close()
        lines = [board.next_line() for _ in range(7)]  # one a request, the cut-off one's 408, and one a verification
        logged = [line.split()[2:5] for line in lines if not line.startswith("run ")]
        self.assertEqual(sorted(" ".join(line) for line in logged if line[2] != "408"),
                         ["GET /api/health 200", "POST /api/runs 201", "POST /api/runs 201", "POST /api/runs 429"])


@unittest.skipIf(POSTGRES, "it serves nothing, on any database")
class StepCheck(unittest.TestCase):
    def test_check_steps_says_which_demos_the_board_would_take(self):
        taken, slowed = (os.path.join(os.environ["BOARD_DEMOS"], n) for n in ("today-1.demo", "today-1s.demo"))
        for demos, code, verdicts in (([taken], 0, ["taken: 1"]), ([taken, slowed], 1, [
                "taken: 1", "refused, update 0 steps 0.100 ms, shorter than any display paces a frame (1.000 ms): "])):
            done = subprocess.run([os.environ["BOARD_BINARY"], "--check-steps", *demos], capture_output=True,
                                  text=True, timeout=60)
            self.assertEqual((done.returncode, len(done.stdout.splitlines())), (code, len(demos)), done.stdout)
            for line, demo_path, verdict in zip(done.stdout.splitlines(), demos, verdicts):
                self.assertTrue(line.startswith(f"{demo_path}: {verdict}"), line)


if __name__ == "__main__":
    unittest.main()
