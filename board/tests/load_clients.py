"""The load benchmark's clients, each kind in processes of its own so that no one interpreter's lock sets the pace:
readers and submitters on kept-alive connections (http.client, one thread a client), and tricklers that hold a
connection open by sending a byte of a request that never ends every few seconds. Every client has a loopback
source address of its own, as players on the internet would."""

import http.client
import ipaddress
import json
import random
import resource
import select
import selectors
import socket
import sys
import threading
import time

FIRST = ipaddress.IPv4Address("127.0.0.2")


def address(n):
    """The n-th client's source address: 127.0.0.2, 127.0.0.3, ... (Linux answers to all of 127/8)."""
    return str(FIRST + n)


class Tally:
    """What one process's clients saw, sent back to the benchmark at the end."""

    def __init__(self):
        self.lock = threading.Lock()
        self.latencies = {}  # kind -> seconds of each answer over an open connection
        self.answered_at, self.began = {}, time.monotonic()  # kind -> when each came, from the start
        self.statuses = {}  # (kind, status, error code) -> count
        self.errors = {"5xx": 0, "reset": 0, "timeout": 0}
        self.reconnects = 0
        self.acknowledged = []  # (run id, index of the run in the pool) of each 201

    def answer(self, kind, seconds, status, code=""):
        with self.lock:
            self.latencies.setdefault(kind, []).append(seconds)
            self.answered_at.setdefault(kind, []).append(time.monotonic() - self.began)
            self.statuses[(kind, status, code)] = self.statuses.get((kind, status, code), 0) + 1
            self.errors["5xx"] += status >= 500

    def error(self, what):
        with self.lock:
            self.errors[what] += 1


class Client:
    """One kept-alive connection from its own address; a connection the server closed is opened again untimed."""

    def __init__(self, server, source, timeout):
        self.server, self.source, self.timeout, self.connection = server, source, timeout, None

    def open(self, tally):
        """Connects, untimed; False after a reset or time-out, which the tally counts."""
        self.connection = http.client.HTTPConnection(*self.server, timeout=self.timeout, source_address=(self.source, 0))
        try:
            self.connection.connect()
        except TimeoutError:
            return self.fail(tally, "timeout")
        except OSError:
            return self.fail(tally, "reset")
        with tally.lock:
            tally.reconnects += 1
        return True

    def exchange(self, tally, method, path, body=None, headers=None):
        """(status, body, seconds, Retry-After) of one request, or None after a reset or time-out, which the tally counts."""
        if self.connection and self.connection.sock and select.select([self.connection.sock], [], [], 0)[0]:
            self.close()  # closed by the server while it was idle: the end of a kept-alive connection, no error
        if self.connection is None and not self.open(tally):
            return None
        start = time.perf_counter()
        try:
            self.connection.request(method, path, body=body, headers=headers or {})
            response = self.connection.getresponse()
            data = response.read()
        except TimeoutError:
            return self.fail(tally, "timeout")
        except (OSError, http.client.HTTPException):
            return self.fail(tally, "reset")
        seconds = time.perf_counter() - start
        if response.will_close:
            self.close()
        return response.status, data, seconds, response.getheader("Retry-After")

    def fail(self, tally, what):
        tally.error(what)
        self.close()
        return False

    def close(self):
        if self.connection:
            self.connection.close()
        self.connection = None


def cpu_seconds():
    used = resource.getrusage(resource.RUSAGE_SELF)
    return used.ru_utime + used.ru_stime


def read_path(day, total, rng):
    """Mostly the first pages of the day's table and of the board's page, sometimes a deep one."""
    roll = rng.random()
    deep = rng.randrange(max(1, total // 50)) if total > 0 else 0
    if roll < 0.45:
        return "first pages", f"/api/daily/{day}?offset={50 * min(rng.randrange(10), rng.randrange(10))}&limit=50"
    if roll < 0.60:
        return "deep pages", f"/api/daily/{day}?offset={50 * deep}&limit=50"
    if roll < 0.95:
        return "board page", "/board/" if rng.random() < 0.8 else f"/board/{day}?page={rng.randrange(10)}"
    return "board page", f"/board/{day}?page={deep // 2}"


def run_clients(kind, setup, first, count, ready, start, results):
    """`count` clients of `kind` from addresses `first`..., started together once `start` is set."""
    sys.setswitchinterval(0.0005)  # a thread whose answer came waits less for the lock
    tally, server, deadline = Tally(), (setup["host"], setup["port"]), [0.0]
    clients = [Client(server, address(first + n), setup["timeout"]) for n in range(count)]
    counter = iter(range(first << 20, (first + 1) << 20))
    counter_lock = threading.Lock()

    def think(rng):
        if setup["think"] > 0:  # a person reading the page, or playing, before the next request
            time.sleep(min(rng.expovariate(1 / setup["think"]), max(0.0, deadline[0] - time.monotonic())))

    def reader(client, rng):
        while time.monotonic() < deadline[0]:
            what, path = read_path(setup["day"], setup["seeded"], rng)
            answer = client.exchange(tally, "GET", path)
            if answer:
                tally.answer(what, answer[2], answer[0])
            think(rng)

    def submitter(client, rng):
        while time.monotonic() < deadline[0]:
            with counter_lock:
                n = next(counter)
            which = n % len(setup["runs"])
            answer = client.exchange(tally, "POST", "/api/runs", setup["runs"][which], {
                "Content-Type": "application/octet-stream", "Tallowfen-Key": f"{n:032x}", "Tallowfen-Name": f"Load {n}"})
            if answer:
                status, body, seconds, retry_after = answer
                said = json.loads(body) if body.startswith(b"{") else {}
                tally.answer("post", seconds, status, said.get("error", ""))
                if status == 201:
                    with tally.lock:
                        tally.acknowledged.append((said["id"], which))
                if status == 429:  # a player's game sends it again later, on a new connection, not at once
                    client.close()
                    pause = float(retry_after) if (retry_after or "").isdigit() else 1.0
                    time.sleep(max(0.0, min(pause, deadline[0] - time.monotonic())))
            think(rng)


    for client in clients:  # connected before the clock starts
        client.open(tally)
    tally.reconnects = 0
    tally.errors = dict.fromkeys(tally.errors, 0)
    ready.put(kind)
    start.wait()
    tally.began = time.monotonic()
    deadline[0] = tally.began + setup["seconds"]
    work = reader if kind == "read" else submitter
    threads = [threading.Thread(target=work, args=(c, random.Random(first + n)), daemon=True)
               for n, c in enumerate(clients)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    for client in clients:
        client.close()
    results.put((kind, tally.__dict__ | {"lock": None, "cpu": cpu_seconds()}))


def run_tricklers(setup, first, count, ready, start, results):
    """`count` connections that each send one byte of an endless request every `trickle` seconds; one the
    server drops is counted and opened again at its next turn."""
    period, selector = setup["trickle"], selectors.DefaultSelector()
    tally = {"cut off": 0, "refused": 0}
    sockets, unsent, connected = [None] * count, [b""] * count, [False] * count

    def connect(n):
        s = socket.socket()
        s.setblocking(False)
        s.bind((address(first + n), 0))
        s.connect_ex((setup["host"], setup["port"]))
        sockets[n], connected[n] = s, False
        unsent[n] = b"GET /api/health HTTP/1.1\r\nHost: board\r\nX-Trickle: "
        selector.register(s, selectors.EVENT_WRITE, n)

    def drop(n, what):
        tally[what] += 1
        selector.unregister(sockets[n])
        sockets[n].close()
        sockets[n] = None

    def events(timeout):
        for key, _ in selector.select(timeout):
            n = key.data
            if not connected[n]:
                if key.fileobj.getsockopt(socket.SOL_SOCKET, socket.SO_ERROR):
                    drop(n, "refused")
                else:
                    connected[n] = True
                    selector.modify(key.fileobj, selectors.EVENT_READ, n)
                continue
            try:
                gone = not key.fileobj.recv(4096)  # an answer to the request given up on, or the close
            except OSError:
                gone = True
            if gone:
                drop(n, "cut off")

    for n in range(count):
        connect(n)
    until = time.monotonic() + 30
    while not all(connected[n] or sockets[n] is None for n in range(count)) and time.monotonic() < until:
        events(0.1)
    ready.put("trickle")
    start.wait()
    began = time.monotonic()
    due = [began + period * n / count for n in range(count)]
    while time.monotonic() < began + setup["seconds"]:
        events(0.05)
        now = time.monotonic()
        for n in range(count):
            if due[n] > now:
                continue
            due[n] += period
            if sockets[n] is None:
                connect(n)
            elif connected[n]:
                try:
                    sockets[n].send(unsent[n][:1] or b"a")
                    unsent[n] = unsent[n][1:]
                except BlockingIOError:
                    pass
                except OSError:
                    drop(n, "cut off")
    tally["held"] = sum(connected[n] and sockets[n] is not None for n in range(count))
    for n in range(count):
        if sockets[n] is not None:
            sockets[n].close()
    results.put(("trickle", tally | {"cpu": cpu_seconds()}))
