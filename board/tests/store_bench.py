"""Measures the store on a day of many runs: seeds a day on a SQLite file and on a private PostgreSQL
cluster with board_seed_day (printing how long each took), then runs board_store_bench on both.

    python3 board/tests/store_bench.py BUILD_FOLDER [--runs 1000000] [benchmark options...]
"""

import argparse
import os
import shutil
import subprocess
import sys
import tempfile
import time

from postgres_cluster import Cluster

DAY = "2026-12-08"


def seed(tool, where, runs):
    start = time.monotonic()
    subprocess.run([tool, where, DAY, str(runs)], check=True, timeout=1800)
    return time.monotonic() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=1_000_000)
    args, bench_args = parser.parse_known_args()
    tool = os.path.join(args.build, "board", "board_seed_day")
    bench = os.path.join(args.build, "board", "tests", "board_store_bench")
    scratch = tempfile.mkdtemp(prefix="board-bench-")
    cluster = Cluster()
    try:
        sqlite = os.path.join(scratch, "board.sqlite3")
        postgres = cluster.new_database()
        for name, where in (("SQLite", sqlite), ("PostgreSQL", postgres)):
            print(f"seeded {args.runs} runs on {name} in {seed(tool, where, args.runs):.1f} s", flush=True)
        env = dict(os.environ, BOARD_BENCH_DAY=DAY, BOARD_BENCH_SQLITE=sqlite, BOARD_BENCH_POSTGRES=postgres)
        return subprocess.run([bench, *bench_args], env=env, timeout=3600).returncode
    finally:
        cluster.stop()
        shutil.rmtree(scratch)


if __name__ == "__main__":
    sys.exit(main())
