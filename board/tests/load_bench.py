#!/usr/bin/env python3
"""The board under load, in figures: readers and submitters of genuine runs on kept-alive connections while many
connections trickle a byte every few seconds, on a day that already holds a million runs. Prints what it measured;
it times nothing against a threshold.

  python3 board/tests/load_bench.py --db sqlite|postgresql [--runs 1000000] [--seconds 60]

It takes the programs from the build folder (--build, "build"), records its pool of genuine daily runs of today
with board_daily_runs (in a private display, kept for the day in BUILD/board/bench-runs), seeds the day with
board_seed_day, and runs PostgreSQL as a private cluster on loopback."""

import argparse
import datetime
import multiprocessing
import os
import re
import resource
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
sys.path.insert(0, HERE)
from board_server import Server, distinct_runs  # noqa: E402
from load_clients import run_clients, run_tricklers  # noqa: E402
from postgres_cluster import Cluster  # noqa: E402
import load_report  # noqa: E402


def options():
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("--db", choices=["sqlite", "postgresql"], default="sqlite")
    p.add_argument("--runs", type=int, default=1000000, help="runs the day holds before the load")
    p.add_argument("--seconds", type=float, default=60)
    p.add_argument("--readers", type=int, default=200)
    p.add_argument("--submitters", type=int, default=50)
    p.add_argument("--tricklers", type=int, default=1000)
    p.add_argument("--trickle", type=float, default=5, help="seconds between a trickler's bytes")
    p.add_argument("--pool", type=int, default=240, help="daily runs recorded, before duplicates are dropped")
    p.add_argument("--timeout", type=float, default=10, help="seconds a client waits for an answer")
    p.add_argument("--think", type=float, default=0,
                   help="a client's mean pause between requests in seconds; 0, each asks again at once, measures capacity")
    p.add_argument("--build", default=os.path.join(ROOT, "build"))
    p.add_argument("--check", action="store_true", help="exit 1 on any error or memory over 200 MB, not only a loss")
    return p.parse_args()


def today():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d")


def record_pool(build, count):
    """Today's genuine runs, recorded once a day: the bot holding its fire a different while in each."""
    folder = os.path.join(build, "board", "bench-runs", today())
    plans = [f"today:{fire}+{hold}" for hold in range(0, count, 2) for fire in (3, 4, 5, 6)][:count]
    if not os.path.isdir(folder) or len(os.listdir(folder)) < len(plans):
        shutil.rmtree(os.path.dirname(folder), ignore_errors=True)
        recorder = [os.path.join(build, "board", "board_daily_runs"), folder, *plans]
        if not os.environ.get("DISPLAY"):
            recorder = [sys.executable, os.path.join(ROOT, "tools", "e2e", "harness.py"), "run", "--", *recorder]
        # A bot that stalls costs its one run; the rest are recorded.
        subprocess.run(recorder, stdout=subprocess.DEVNULL, timeout=600)
    runs = distinct_runs(folder) if os.path.isdir(folder) else []
    if not runs:
        raise SystemExit(f"load_bench: board_daily_runs recorded no runs in {folder}")
    return runs


class LoggedServer(Server):
    """The board, its log lines read as they come: each request's status and the time the server gives it."""

    LINE = re.compile(r"^\S+ \S+ (GET|POST) (\S+) (\d{3}) \d+ (\d+)ms")

    def __init__(self, args):
        self.served, self.log_errors, self.listening = {}, [], False
        super().__init__(args)
        self.listening = True

    def _read(self):
        for line in self.process.stdout:
            if not self.listening:
                self.lines.put(line.rstrip("\n"))
                continue
            match = self.LINE.match(line)
            if match:
                method, path, status, ms = match.groups()
                kind = "post " + status if method == "POST" else "read"
                self.served.setdefault(kind, []).append(int(ms) / 1000)
            elif line.startswith(("error", "tallowfen-board")):  # the exception handler's, or a failure
                self.log_errors.append(line.rstrip("\n"))
        self.lines.put(None)


def resident(pid, samples, stop):
    """The server's resident memory (VmRSS, bytes), sampled every 0.1 s until `stop`."""
    while not stop.wait(0.1):
        try:
            with open(f"/proc/{pid}/status") as f:
                samples.append(int(next(line for line in f if line.startswith("VmRSS:")).split()[1]) * 1024)
        except (OSError, StopIteration):
            return


def seed(storage, day, count, build):
    """Fills `day` with `count` synthetic runs through the store's own schema (board_seed_day)."""
    tool = os.path.join(build, "board", "board_seed_day")
    database = storage[1] if storage[0] == "--db" else os.path.join(storage[1], "board.sqlite3")
    if not os.access(tool, os.X_OK):
        raise SystemExit(f"load_bench: no {tool}; build the target board_seed_day")
    subprocess.run([tool, database, day, str(count)], check=True, stdout=subprocess.DEVNULL, timeout=1800)


def server_cpu(pid):
    """The processor seconds the server has used, its verifiers' not counted."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            fields = f.read().rsplit(")", 1)[1].split()
        return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")
    except OSError:
        return 0.0


def load(args, board, runs, day):
    """Runs the clients for the set time; what each kind of process saw."""
    ctx = multiprocessing.get_context("spawn")
    ready, results, start = ctx.Queue(), ctx.Queue(), ctx.Event()
    setup = {"host": board.host, "port": board.port, "day": day, "seeded": args.runs, "seconds": args.seconds,
             "timeout": args.timeout, "runs": runs, "trickle": args.trickle, "think": args.think}
    processes, first = [], 0
    readers_each = 50
    for n in range(0, args.readers, readers_each):
        count = min(readers_each, args.readers - n)
        processes.append(ctx.Process(target=run_clients, args=("read", setup, first, count, ready, start, results)))
        first += count
    if args.submitters:
        processes.append(ctx.Process(target=run_clients,
                                     args=("post", setup, first, args.submitters, ready, start, results)))
        first += args.submitters
    if args.tricklers:
        processes.append(ctx.Process(target=run_tricklers,
                                     args=(setup, first, args.tricklers, ready, start, results)))
    try:
        for process in processes:
            process.start()
        for _ in processes:
            ready.get(timeout=120)
        began = server_cpu(board.process.pid)
        start.set()
        seen = [results.get(timeout=args.seconds + 4 * args.timeout + 120) for _ in processes]
        seen.append(("server", {"cpu": server_cpu(board.process.pid) - began}))
    finally:
        for process in (p for p in processes if p.pid is not None):
            process.join(30)
            if process.is_alive():  # stuck: what it saw is lost, and the benchmark says so
                process.terminate()
    return seen


def progress(what):
    print(f"load_bench: {what}", file=sys.stderr, flush=True)


def main():
    args = options()
    os.environ.setdefault("BOARD_BINARY", os.path.join(args.build, "board", "tallowfen-board"))
    # 1,250 clients' sockets here, and as many on the server's side.
    soft, hard = resource.getrlimit(resource.RLIMIT_NOFILE)
    wanted = args.readers + args.submitters + args.tricklers + 1024
    resource.setrlimit(resource.RLIMIT_NOFILE, (max(soft, min(hard, 2 * wanted)), hard))
    progress("recording today's runs")
    runs = record_pool(args.build, args.pool)
    day, scratch = today(), tempfile.mkdtemp(prefix="board-load-")
    cluster = Cluster() if args.db == "postgresql" else None
    try:
        storage = ["--db", cluster.new_database()] if cluster else ["--data", scratch]
        schema = Server(storage)  # the schema, as the server makes it
        schema.get("/api/health")  # serving: a SIGTERM before that may not stop it
        schema.stop()
        progress(f"seeding {day} with {args.runs:,} runs")
        began = time.monotonic()
        seed(storage, day, args.runs, args.build)
        seeding = time.monotonic() - began
        machine_load = os.getloadavg()[0]
        board = LoggedServer([*storage, "--posts-per-minute", "1000000", "--gets-per-minute", "1000000"])
        samples, stop = [], threading.Event()
        sampler = threading.Thread(target=resident, args=(board.process.pid, samples, stop))
        sampler.start()
        try:
            progress(f"{args.seconds:.0f} s of load")
            seen = load(args, board, runs, day)
        finally:
            stop.set()
            sampler.join()
            alive = board.process.poll() is None
            try:
                board.stop()
            except subprocess.TimeoutExpired:
                board.kill()  # still busy with what the load left queued
        # Fetched back from a fresh server, so what the load left behind cannot stand in the way.
        progress("fetching back every run answered 201")
        again = Server([*storage, "--gets-per-minute", "1000000"])
        acknowledged = [a for kind, tally in seen if kind == "post" for a in tally["acknowledged"]]
        lost = [run_id for run_id, which in acknowledged if again.get(f"/api/runs/{run_id}.demo") != (200, runs[which])]
        total = again.get(f"/api/daily/{day}?limit=1")[1]["total"]
        again.stop()
        figures = load_report.Figures(args, day, seeding, len(runs), seen, board, samples, acknowledged,
                                      lost, total, alive, machine_load)
        print(figures.text())
        failed = lost or not alive or (args.check and not figures.clean())
        return 1 if failed else 0
    finally:
        if cluster:
            cluster.stop()
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
