"""The board server as its tests drive it: started on a free loopback port,
its log read as it comes, requests made with the standard library, and the
demo files edited the way a cheat or a damaged disk would edit them."""

import http.client
import json
import os
import queue
import re
import signal
import struct
import subprocess
import threading
import zlib

BOARD = os.environ.get("BOARD_BINARY", "")
GAME = os.environ.get("TALLOWFEN_BINARY", "")
DEMOS = os.environ.get("BOARD_DEMOS", "")
SANITIZED = os.environ.get("BOARD_SANITIZED") == "1"
GOLDEN = os.path.join(os.environ.get("TALLOWFEN_SOURCE_DIR", ""), "tests", "demos")


class Server:
    """One tallowfen-board process; `lines` is its log, line by line."""

    def __init__(self, args):
        extra = ["--verify-memory", "0"] if SANITIZED else []
        self.process = subprocess.Popen([BOARD, "--port", "0", *extra, *args], stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT, text=True)
        self.lines = queue.Queue()
        self.log = []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        first = self.next_line(60)
        match = re.search(r"listening on http://([\d.]+):(\d+)/", first or "")
        if not match:
            self.kill()
            self.process.stdout.close()
            raise AssertionError(f"the board did not start: {first!r}")
        self.host, self.port = match.group(1), int(match.group(2))

    def _read(self):
        for line in self.process.stdout:
            self.log.append(line.rstrip("\n"))
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def next_line(self, timeout=30):
        """The next line the server logs (None when it has exited)."""
        return self.lines.get(timeout=timeout)

    def request(self, method, path, body=None, headers=None):
        connection = http.client.HTTPConnection(self.host, self.port, timeout=60)
        connection.request(method, path, body=body, headers=headers or {})
        response = connection.getresponse()
        data = response.read()
        connection.close()
        kind = response.getheader("Content-Type", "")
        return response.status, json.loads(data) if kind.startswith("application/json") else data, response

    def post(self, demo, key, name):
        headers = {"Content-Type": "application/octet-stream", "Tallowfen-Key": key,
                   "Tallowfen-Name": name.encode("utf-8").decode("latin-1")}
        status, answer, _ = self.request("POST", "/api/runs", demo, headers)
        return status, answer

    def get(self, path):
        return self.request("GET", path)[:2]

    def kill(self):
        self.process.send_signal(signal.SIGKILL)
        self.process.wait(30)
        self.reader.join(30)
        self.process.stdout.close()

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            self.process.wait(30)
        self.reader.join(30)
        self.process.stdout.close()
        return self.process.returncode


def key(n):
    return f"{n:032x}"


def demo(name):
    """A recorded daily demo (today-3.demo ...) or a golden one (level05.demo)."""
    folder = GOLDEN if name.startswith(("level", "pad")) else DEMOS
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def _split(data):
    end = data.index(b"\nend\n")
    lines = data[:end].decode().split("\n")
    return lines, data[end + 5:]


def _join(lines, body):
    text = "".join(line + "\n" for line in lines if not line.startswith("crc "))
    crc = zlib.crc32(body, zlib.crc32(text.encode()))
    return text.encode() + f"crc {crc:08x}\nend\n".encode() + body


def relabel(data, **fields):
    """The demo with header lines replaced (daily="2020-01-01", gold="999"), its check sum made good."""
    lines, body = _split(data)
    lines = [f"{name} {fields[name]}" if name in fields else line
             for line in lines for name in [line.split(" ")[0]]]
    return _join(lines, body)


def with_input_after_end(data):
    """The demo with one more tic after its last mark, in a chunk of its own."""
    lines, body = _split(data)
    plain = struct.pack("<II", 1, 0) + bytes(18)  # one tic, no mark; each lane unchanged
    packed = zlib.compress(plain, 9)
    body += struct.pack("<II", len(packed), len(plain)) + packed
    sizes = next(line for line in lines if line.startswith("body ")).split()
    lines = [f"body {len(body)} {int(sizes[2]) + len(plain)}" if line.startswith("body ") else line
             for line in lines]
    return _join(lines, body)


def verify(path_or_bytes, scratch):
    """What the game itself says of a demo: (numbers line, verdict line, exit code)."""
    path = path_or_bytes
    if isinstance(path_or_bytes, bytes):
        path = os.path.join(scratch, "check.demo")
        with open(path, "wb") as f:
            f.write(path_or_bytes)
    done = subprocess.run([GAME, "--verify", path], capture_output=True, text=True, timeout=120)
    lines = done.stdout.strip().split("\n")
    return lines[-2] if len(lines) > 1 else "", lines[-1], done.returncode
