"""End-to-end tests of the board's HTTP side on loopback: what slow, huge or forged requests get, the limits on
time and connections, 100-continue, kept-alive answers, the site's files, and the board behind a real nginx."""

import datetime
import http.client
import os
import re
import shutil
import socket
import statistics
import struct
import tempfile
import threading
import time
import unittest

from board_server import Server, demo, key
from nginx_proxy import Proxy


def connect(board, source="127.0.0.1", timeout=30):
    return socket.create_connection((board.host, board.port), timeout=timeout, source_address=(source, 0))


def send_then_answer(sock, head, pieces):
    """Sends `head` and the pieces, as far as the server reads them, and then waits for its answer."""
    try:
        sock.sendall(head)
        for piece in pieces:
            sock.sendall(piece)
    except (BrokenPipeError, ConnectionResetError):
        pass
    return read_answer(sock)


def read_answer(sock):
    answer = http.client.HTTPResponse(sock)
    answer.begin()
    return answer.status, answer.getheaders(), answer.read()


def what_comes(sock):
    """The next bytes, b"" once the server has closed (reset as it closed, with our request unread, or not)."""
    try:
        return sock.recv(100)
    except ConnectionResetError:
        return b""


def memory_kb(pid, field):
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(rf"{field}:\s+(\d+) kB", f.read()).group(1))


def data_segments_in(sock):
    """TCP_INFO's tcpi_data_segs_in: the segments with data this socket has received."""
    return struct.unpack_from("I", sock.getsockopt(socket.IPPROTO_TCP, socket.TCP_INFO, 232), 152)[0]


class Trickle(threading.Thread):
    """Sends one byte to each socket every `every` seconds, never finishing a request; `rounds` counts them."""

    def __init__(self, sockets, every):
        super().__init__(daemon=True)
        self.sockets, self.every, self.stopped, self.rounds = sockets, every, threading.Event(), 0
        self.round_done = threading.Condition()

    def run(self):
        while not self.stopped.is_set():
            for s in list(self.sockets):
                try:
                    s.sendall(b"x")
                except OSError:
                    self.sockets.remove(s)
            with self.round_done:
                self.rounds += 1
                self.round_done.notify_all()
            self.stopped.wait(self.every)

    def wait_rounds(self, n):
        with self.round_done:
            self.round_done.wait_for(lambda: self.rounds >= n, timeout=30)

    def stop(self):
        self.stopped.set()
        self.join(30)


class BoardHttp(unittest.TestCase):

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="board-http-")
        self.servers = []

    def tearDown(self):
        for server in self.servers:
            self.assertEqual(server.stop(), 0, "the board did not stop cleanly")
        shutil.rmtree(self.scratch)

    def board(self, *args):
        self.servers.append(Server(["--data", f"{self.scratch}/data", *args]))
        return self.servers[-1]

    def wait_logged(self, board, method_path_status):
        while (line := board.next_line()) is not None:
            if line.split()[2:5] == method_path_status.split():
                return line
        self.fail(f"the board never logged {method_path_status}")

    def test_a_chunked_body_past_the_limit_is_refused_before_it_is_all_sent(self):
        board = self.board()
        chunk = b"%x\r\n" % 65536 + bytes(65536) + b"\r\n"
        with connect(board) as s:  # 2.1 MB of a 10 MB body, and the board answers without the rest
            status, _, body = send_then_answer(
                s, b"POST /api/runs HTTP/1.1\r\nHost: b\r\nTransfer-Encoding: chunked\r\n\r\n", [chunk] * 33)
        self.assertEqual((status, body), (413, b'{"error":"too_large","reason":"the demo is larger than the board takes"}'))
        self.wait_logged(board, "POST /api/runs 413")

    def test_a_flood_of_header_lines_is_refused_at_once_and_costs_no_memory(self):
        board = self.board()
        self.assertEqual(board.get("/api/health")[0], 200)
        before = memory_kb(board.process.pid, "VmHWM")
        lines = b"X-Filler: 0\r\n" * 1000
        # 2,000 lines of 100,000 are past the limit, and the answer comes without the rest; then all of them.
        for pieces in ([lines] * 2, [lines] * 100 + [b"\r\n"]):
            with connect(board) as s:
                status, _, body = send_then_answer(s, b"GET /api/health HTTP/1.1\r\nHost: b\r\n", pieces)
            self.assertEqual((status, re.search(rb'"error":"(\w+)"', body).group(1)), (431, b"headers_too_large"))
            self.wait_logged(board, "GET /api/health 431")
        grown = memory_kb(board.process.pid, "VmHWM") - before
        print(f"\npeak memory grew {grown} kB for 102,000 header lines")
        self.assertLess(grown, 4096)

    def test_slow_sockets_leave_the_board_answering_others(self):
        board = self.board()
        slow = [connect(board, f"127.0.0.{10 + n}") for n in range(40)]  # one an address: no cap meets them
        for s in slow:
            s.sendall(b"GET /api/health HTTP/1.1\r\nX-Slow: ")
        trickle = Trickle(slow, 2)
        trickle.start()
        try:
            trickle.wait_rounds(2)  # every slow socket holds a request under way
            for _ in range(3):
                connection = http.client.HTTPConnection(board.host, board.port, timeout=10)
                connection.request("GET", "/api/health")
                self.assertEqual(connection.getresponse().status, 200)
                connection.close()
        finally:
            trickle.stop()
            for s in slow:
                s.close()

    def test_a_request_has_one_deadline_and_a_silent_connection_an_idle_limit(self):
        board = self.board("--client-timeout", "2", "--idle-timeout", "1")
        with connect(board) as silent, connect(board) as trickler:
            trickler.sendall(b"GET /api/health HTTP/1.1\r\nX-Slow: ")
            trickle = Trickle([trickler], 0.25)  # far within any one read's time-out
            trickle.start()
            try:
                status, _, body = read_answer(trickler)
            finally:
                trickle.stop()
            self.assertEqual((status, re.search(rb'"error":"(\w+)"', body).group(1)), (408, b"too_slow"))
            self.assertEqual(silent.recv(100), b"")  # closed, with nothing to answer
        self.wait_logged(board, "GET /api/health 408")

    def test_connections_past_an_addresss_cap_are_closed_at_once(self):
        board = self.board("--connections-per-address", "3")
        ask = b"GET /api/health HTTP/1.1\r\nHost: b\r\n\r\n"
        held = [connect(board) for _ in range(3)]
        for s in held:
            s.sendall(ask)
            self.assertEqual(read_answer(s)[0], 200)
        with connect(board) as fourth:
            fourth.sendall(ask)
            self.assertEqual(what_comes(fourth), b"")  # no answer: closed as it came
        with connect(board, "127.0.0.2") as other:
            other.sendall(ask)
            self.assertEqual(read_answer(other)[0], 200)
        held[0].sendall(ask.replace(b"\r\n\r\n", b"\r\nConnection: close\r\n\r\n"))
        self.assertEqual(read_answer(held[0])[0], 200)
        self.assertEqual(held[0].recv(1), b"")  # the board has let it go
        with connect(board) as again:
            again.sendall(ask)
            self.assertEqual(read_answer(again)[0], 200)
        for s in held:
            s.close()

    def test_behind_a_proxy_the_last_forwarded_line_names_the_client(self):
        board = self.board("--behind-proxy", "--gets-per-minute", "3")
        proxy = Proxy(board.port)
        self.addCleanup(proxy.stop)

        def ask(port, source, forged, n):
            connection = http.client.HTTPConnection(board.host, port, timeout=30, source_address=(source, 0))
            connection.putrequest("GET", "/api/health")
            for line in forged(n):
                connection.putheader("X-Forwarded-For", line)
            connection.endheaders()
            status = connection.getresponse().status
            connection.close()
            return status

        # Through nginx, every request forges two lines of its own; straight to the board, a proxy on this machine
        # (the test) adds its own line after the client's forged one.
        cases = [("nginx", proxy.port, "127.0.0.2", lambda n: [f"198.51.100.{n}", f"203.0.113.{n}, 192.0.2.{n}"]),
                 ("a proxy adding a line", board.port, "127.0.0.1", lambda n: [f"198.51.100.{n}", "192.0.2.200"])]
        for via, port, source, forged in cases:
            with self.subTest(via=via):
                self.assertEqual([ask(port, source, forged, n) for n in range(4)], [200, 200, 200, 429])
        self.assertEqual(ask(proxy.port, "127.0.0.3", lambda n: [f"198.51.100.{n}"], 9), 200)  # another client
        logged = [board.next_line().split() for _ in range(9)]  # a line a request, in their order
        self.assertEqual([(line[1], line[4]) for line in logged],
                         [(client, status) for client in ("127.0.0.2", "192.0.2.200") for status in
                          ("200", "200", "200", "429")] + [("127.0.0.3", "200")])

    def test_expect_100_continue_is_answered_before_the_body_is_sent(self):
        board = self.board("--max-demo-bytes", "100000")
        run = demo("today-2.demo")
        cases = [(run, 201, True), (run + bytes(100000), 413, False)]  # too large: refused with no 100 Continue
        for n, (body, status, go_on) in enumerate(cases):
            with self.subTest(status=status), connect(board) as s:
                s.sendall(f"POST /api/runs HTTP/1.1\r\nHost: b\r\nContent-Type: application/octet-stream\r\n"
                          f"Tallowfen-Key: {key(n)}\r\nTallowfen-Name: Expecting{n}\r\nContent-Length: {len(body)}\r\n"
                          f"Expect: 100-continue\r\n\r\n".encode())
                if go_on:
                    interim = b""
                    while b"\r\n\r\n" not in interim:
                        interim += s.recv(1)
                    self.assertEqual(interim, b"HTTP/1.1 100 Continue\r\n\r\n")
                    s.sendall(body)
                self.assertEqual(read_answer(s)[0], status)

    def test_kept_alive_answers_leave_in_one_segment(self):
        board = self.board("--posts-per-minute", "100")
        self.assertEqual(board.post(demo("today-3.demo"), key(1), "Kept")[0], 201)
        day = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")
        connection = http.client.HTTPConnection(board.host, board.port, timeout=30)
        connection.connect()
        took = []
        for n in range(60):
            path = ["/api/health", f"/api/daily/{day}", "/board/"][n % 3]
            segments = data_segments_in(connection.sock)
            start = time.perf_counter()
            connection.request("GET", path)
            answer = connection.getresponse()
            self.assertEqual((answer.status, len(answer.read()) > 0), (200, True))
            took.append(time.perf_counter() - start)
            self.assertEqual(data_segments_in(connection.sock) - segments, 1, f"request {n}, {path}")
        connection.close()
        print(f"\n60 kept-alive requests: median {statistics.median(took) * 1000:.2f} ms, "
              f"slowest {max(took) * 1000:.2f} ms")

    def test_the_site_is_served_safely_with_its_types(self):
        site, outside = f"{self.scratch}/site", f"{self.scratch}/outside"
        os.makedirs(f"{site}/docs")
        os.makedirs(outside)
        files = {"index.html": b"<p>game</p>", "tallowfen.js": b"var a;", "tallowfen.wasm": b"\0asm",
                 "tallowfen.data": b"\1\2", "page.css": b"p{}", "icon.png": b"\x89PNG", "favicon.ico": b"\0\0",
                 "list.json": b"{}", "docs/index.html": b"<p>docs</p>"}
        for name, data in files.items():
            with open(f"{site}/{name}", "wb") as f:
                f.write(data)
        with open(f"{outside}/secret.txt", "wb") as f:
            f.write(b"secret")
        os.symlink(f"{outside}/secret.txt", f"{site}/escape.txt")
        os.symlink(outside, f"{site}/escaped")
        board = self.board("--site", site)
        cases = [  # method, path -> status, Content-Type, body
            ("GET", "/", 200, "text/html; charset=utf-8", b"<p>game</p>"),
            ("GET", "/tallowfen.js", 200, "text/javascript; charset=utf-8", b"var a;"),
            ("GET", "/tallowfen.wasm", 200, "application/wasm", b"\0asm"),
            ("GET", "/tallowfen.data", 200, "application/octet-stream", b"\1\2"),
            ("GET", "/page.css", 200, "text/css; charset=utf-8", b"p{}"),
            ("GET", "/icon.png", 200, "image/png", b"\x89PNG"),
            ("GET", "/favicon.ico", 200, "image/vnd.microsoft.icon", b"\0\0"),
            ("GET", "/list.json", 200, "application/json; charset=utf-8", b"{}"),
            ("GET", "/docs/", 200, "text/html; charset=utf-8", b"<p>docs</p>"),
            ("HEAD", "/tallowfen.wasm", 200, "application/wasm", b""),
            ("GET", "/docs", 302, None, b""),
            ("GET", "/../outside/secret.txt", 404, "application/json; charset=utf-8", None),
            ("GET", "/%2e%2e/outside/secret.txt", 404, "application/json; charset=utf-8", None),
            ("GET", "/docs/..%2f..%2foutside/secret.txt", 404, "application/json; charset=utf-8", None),
            ("GET", "/escape.txt", 404, "application/json; charset=utf-8", None),
            ("GET", "/escaped/secret.txt", 404, "application/json; charset=utf-8", None),
            ("GET", "/board/about", 200, "text/html; charset=utf-8", None),
        ]
        for method, path, status, content_type, body in cases:
            with self.subTest(method=method, path=path):
                connection = http.client.HTTPConnection(board.host, board.port, timeout=30)
                connection.request(method, path)
                answer = connection.getresponse()
                data = answer.read()
                connection.close()
                self.assertEqual((answer.status, answer.getheader("Content-Type")), (status, content_type))
                self.assertEqual(answer.getheader("X-Content-Type-Options"), "nosniff")
                self.assertNotIn(b"secret", data)
                if body is not None:
                    self.assertEqual(data, body)
                if method == "HEAD":
                    self.assertEqual(answer.getheader("Content-Length"), str(len(files[path[1:]])))
                if path == "/docs":
                    self.assertEqual(answer.getheader("Location"), "/docs/")
                if path.startswith("/board/"):
                    self.assertEqual(answer.getheader("Content-Security-Policy"),
                                     "default-src 'none'; style-src 'unsafe-inline'")


if __name__ == "__main__":
    unittest.main()
