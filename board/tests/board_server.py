"""The board server as its tests drive it, and demos edited as a cheat or a damaged disk would edit them."""

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


class Server:
    """One tallowfen-board process; `log` holds its lines, `next_line` waits for one."""

    def __init__(self, args, env=None):
        sanitized = ["--verify-memory", "0"] if os.environ.get("BOARD_SANITIZED") == "1" else []
        self.process = subprocess.Popen([os.environ["BOARD_BINARY"], "--port", "0", *sanitized, *args],
                                        stdout=subprocess.PIPE, stderr=subprocess.STDOUT, text=True,
                                        env={**os.environ, **(env or {})})
        self.lines, self.log = queue.Queue(), []
        self.reader = threading.Thread(target=self._read, daemon=True)
        self.reader.start()
        first = self.next_line(60)
        match = re.search(r"listening on http://([\d.]+):(\d+)/", first or "")
        if not match:
            self.kill()
            raise AssertionError(f"the board did not start: {first!r}")
        self.host, self.port = match.group(1), int(match.group(2))

    def _read(self):
        for line in self.process.stdout:
            self.log.append(line.rstrip("\n"))
            self.lines.put(line.rstrip("\n"))
        self.lines.put(None)

    def next_line(self, timeout=30):
        return self.lines.get(timeout=timeout)

    def request(self, method, path, body=None, headers=None):
        connection = http.client.HTTPConnection(self.host, self.port, timeout=60)
        connection.request(method, path, body=body, headers=headers or {})
        response = connection.getresponse()
        data = response.read()
        connection.close()
        is_json = response.getheader("Content-Type", "").startswith("application/json")
        return response.status, json.loads(data) if is_json else data

    def post(self, demo_bytes, key, name):
        return self.request("POST", "/api/runs", demo_bytes, {
            "Content-Type": "application/octet-stream", "Tallowfen-Key": key,
            "Tallowfen-Name": name.encode().decode("latin-1")})

    def get(self, path):
        return self.request("GET", path)

    def get_bytes(self, path):
        """The answer's body as it came, unread."""
        connection = http.client.HTTPConnection(self.host, self.port, timeout=60)
        connection.request("GET", path)
        response = connection.getresponse()
        data = response.read()
        connection.close()
        return response.status, data

    def kill(self):
        self.process.send_signal(signal.SIGKILL)
        return self.stop()

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
    """A daily demo the tests recorded (today-3.demo ...) or a golden one (level05.demo)."""
    folder = os.path.join(os.environ["TALLOWFEN_SOURCE_DIR"], "tests", "demos") if name.startswith("level") \
        else os.environ["BOARD_DEMOS"]
    with open(os.path.join(folder, name), "rb") as f:
        return f.read()


def _edit(data, header, body=b""):
    """The demo with its header lines passed through `header` and `body` added, its check sum made good.
    The lines are read as Latin-1, a character a byte, so an edit may put any byte in them."""
    end = data.index(b"\nend\n")
    lines = header([line for line in data[:end].decode("latin-1").split("\n") if not line.startswith("crc ")])
    text = "".join(line + "\n" for line in lines).encode("latin-1")
    body = data[end + 5:] + body
    return text + f"crc {zlib.crc32(body, zlib.crc32(text)):08x}\nend\n".encode() + body


def relabel(data, **fields):
    return _edit(data, lambda lines: [f"{line.split()[0]} {fields[line.split()[0]]}" if line.split()[0] in fields
                                      else line for line in lines])


def with_input_after_end(data):
    """The demo with one more tic after its last mark, in a chunk of its own."""
    # One tic, no mark: nothing changed from the demo's last tic, and the step 1/60 s; every bit the
    # coder takes is a zero, under the fresh odds each chunk starts from, so its stream is six zero bytes.
    plain = struct.pack("<II", 1, 0) + bytes(6)
    chunk = struct.pack("<I", len(plain)) + plain

    def sizes(lines):
        body = next(line for line in lines if line.startswith("body ")).split()
        grown = f"body {int(body[1]) + len(chunk)} {int(body[2]) + 1}"
        return [grown if line.startswith("body ") else line for line in lines]
    return _edit(data, sizes, chunk)


def verify(data, scratch):
    """What the game itself says of a demo: its numbers line and its verdict."""
    path = os.path.join(scratch, "check.demo")
    with open(path, "wb") as f:
        f.write(data)
    done = subprocess.run([os.environ["TALLOWFEN_BINARY"], "--verify", path], capture_output=True, text=True,
                          timeout=120)
    return done.stdout.strip().split("\n")[-2:]
