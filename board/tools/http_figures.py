#!/usr/bin/env python3
"""Figures of the board's HTTP side, printed, never judged: wrk's throughput and latency on a day's table
with the rate limits lifted, and the server's peak memory after a 500 MB chunked post and a GET of 3,000,000
header lines. Everything on loopback, against a board this script starts and stops.

    board/tools/http_figures.py build/board/tallowfen-board build/src/tallowfen build/board/tests/daily
"""

import datetime
import http.client
import os
import re
import signal
import socket
import subprocess
import sys
import tempfile


def peak_kb(pid):
    with open(f"/proc/{pid}/status") as f:
        return int(re.search(r"VmHWM:\s+(\d+) kB", f.read()).group(1))


class Board:
    def __init__(self, binary, verifier, data):
        # wrk's 200 connections come from one address: past the cap on an address's connections where there is one.
        usage = subprocess.run([binary, "--help"], capture_output=True, text=True).stdout
        uncapped = ["--connections-per-address", "1000"] if "--connections-per-address" in usage else []
        self.process = subprocess.Popen([binary, "--port", "0", "--data", data, "--verifier", verifier, *uncapped,
                                         "--gets-per-minute", "1000000", "--posts-per-minute", "1000000"],
                                        stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        first = self.process.stdout.readline()
        self.port = int(re.search(r"listening on http://[\d.]+:(\d+)/", first).group(1))
        # The log goes on into a file no one reads, so a full pipe never stalls the server.
        self.drain = subprocess.Popen(["cat"], stdin=self.process.stdout, stdout=subprocess.DEVNULL)

    def stop(self):
        self.process.send_signal(signal.SIGTERM)
        try:
            self.process.wait(60)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(60)
        self.drain.wait(60)


def send_until_answered(port, head, pieces, timeout=60):
    """Sends `head`, then each piece until the server answers or closes; the bytes sent and its status line."""
    sent = 0
    with socket.create_connection(("127.0.0.1", port), timeout=timeout) as s:
        s.sendall(head)
        s.setblocking(False)
        try:
            for piece in pieces:
                try:
                    if s.recv(1, socket.MSG_PEEK):
                        break
                except BlockingIOError:
                    pass
                s.setblocking(True)
                s.sendall(piece)
                s.setblocking(False)
                sent += len(piece)
        except (BrokenPipeError, ConnectionResetError):
            pass
        s.setblocking(True)
        try:
            answer = s.recv(200).split(b"\r\n")[0].decode(errors="replace")
        except (ConnectionResetError, socket.timeout):
            answer = "(no answer)"
    return sent, answer


def throughput(board, demos):
    day = datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")
    ranked = 0
    for n in range(1, 5):
        with open(os.path.join(demos, f"today-{n}.demo"), "rb") as f:
            connection = http.client.HTTPConnection("127.0.0.1", board.port, timeout=60)
            connection.request("POST", "/api/runs", f.read(), {"Tallowfen-Key": f"{n:032x}",
                                                               "Tallowfen-Name": f"Figure{n}"})
            answer = connection.getresponse()
            answer.read()
            ranked += answer.status == 201
            connection.close()
    wrk = subprocess.run(["wrk", "-t2", "-c200", "-d20s", "--latency", f"http://127.0.0.1:{board.port}/api/daily/{day}"],
                         capture_output=True, text=True, timeout=120).stdout
    rate = re.search(r"Requests/sec:\s+([\d.]+)", wrk).group(1)
    median = re.search(r"^\s+50%\s+(\S+)", wrk, re.M).group(1)
    p99 = re.search(r"^\s+99%\s+(\S+)", wrk, re.M).group(1)
    timeouts = re.search(r"timeout (\d+)", wrk)
    refused = re.search(r"Non-2xx or 3xx responses: (\d+)", wrk)
    errors = re.search(r"Socket errors: (.*)", wrk)
    return (f"wrk -t2 -c200 -d20s /api/daily/{day} ({ranked} runs): {rate} requests/s, median {median}, p99 {p99}, "
            f"timeouts {timeouts.group(1) if timeouts else 0}, not 2xx {refused.group(1) if refused else 0}, "
            f"socket errors: {errors.group(1) if errors else 'none'}")


def chunked_post(board, _):
    before = peak_kb(board.process.pid)
    chunk = b"%x\r\n" % (1 << 20) + bytes(1 << 20) + b"\r\n"
    sent, answer = send_until_answered(
        board.port, b"POST /api/runs HTTP/1.1\r\nHost: x\r\nTransfer-Encoding: chunked\r\n\r\n",
        (chunk for _ in range(500)))
    return (f"500 MB chunked post: {sent >> 20} MB sent before the answer ({answer}); "
            f"peak memory {before // 1024} MB before, {peak_kb(board.process.pid) // 1024} MB after")


def header_flood(board, _):
    before = peak_kb(board.process.pid)
    lines = b"X-Filler: 0\r\n" * 10000
    sent, answer = send_until_answered(board.port, b"GET /api/health HTTP/1.1\r\nHost: x\r\n",
                                       [*(lines for _ in range(300)), b"\r\n"])
    return (f"GET with 3,000,000 header lines: {sent // 13 // 1000}k lines sent before the answer ({answer}); "
            f"peak memory {before // 1024} MB before, {peak_kb(board.process.pid) // 1024} MB after")


def main():
    binary, verifier, demos = sys.argv[1:4]
    with tempfile.TemporaryDirectory(prefix="board-figures-") as scratch:
        for figure in (throughput, chunked_post, header_flood):  # each on a fresh board, for its peak memory
            board = Board(binary, verifier, f"{scratch}/data")
            try:
                line = figure(board, demos)
            finally:
                board.stop()
            print(line, flush=True)


if __name__ == "__main__":
    main()
