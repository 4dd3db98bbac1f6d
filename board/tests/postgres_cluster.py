"""A private PostgreSQL cluster for the board's tests: made with initdb in a
scratch folder, listening on a free loopback port only, run by an account
that is not root (PostgreSQL refuses root), and removed when stopped."""

import glob
import os
import pwd
import shutil
import socket
import subprocess
import tempfile


def _free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class Cluster:
    def __init__(self):
        found = sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))
        if not found:
            raise unittest_skip("PostgreSQL's server is not installed")
        self.bin = os.path.dirname(found[-1])
        self.dir = tempfile.mkdtemp(prefix="board-pg-")
        self.user = []
        if os.geteuid() == 0:
            account = pwd.getpwnam("postgres")
            os.chown(self.dir, account.pw_uid, account.pw_gid)
            self.user = ["runuser", "-u", "postgres", "--"]
        self.port = _free_port()
        self.databases = 0
        data = os.path.join(self.dir, "data")
        self._run("initdb", "-D", data, "-A", "trust", "-U", "board", "--no-sync", "-E", "UTF8")
        # -w waits until it takes connections; fsync stays on, as the board's promise rests on it.
        self._run("pg_ctl", "-D", data, "-w", "-l", os.path.join(self.dir, "log"), "-o",
                  f"-c listen_addresses=127.0.0.1 -p {self.port} -k {self.dir}", "start")

    def _run(self, tool, *args):
        subprocess.run([*self.user, os.path.join(self.bin, tool), *args], check=True, capture_output=True,
                       cwd=self.dir, timeout=120)

    def new_database(self):
        """The URI of a fresh, empty database on the cluster."""
        self.databases += 1
        name = f"board{self.databases}"
        subprocess.run(["createdb", "-h", "127.0.0.1", "-p", str(self.port), "-U", "board", name], check=True,
                       capture_output=True, timeout=60)
        return f"postgresql://board@127.0.0.1:{self.port}/{name}"

    def stop(self):
        self._run("pg_ctl", "-D", os.path.join(self.dir, "data"), "-m", "fast", "-w", "stop")
        shutil.rmtree(self.dir)


def unittest_skip(why):
    import unittest
    return unittest.SkipTest(why)
