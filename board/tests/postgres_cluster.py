"""A private PostgreSQL cluster for the board's tests, on a free loopback port, run by an account
that is not root (PostgreSQL refuses root), removed when stopped."""

import glob
import os
import pwd
import shutil
import socket
import subprocess
import tempfile


class Cluster:
    def __init__(self):
        self.bin = os.path.dirname(sorted(glob.glob("/usr/lib/postgresql/*/bin/initdb"))[-1])
        self.dir = tempfile.mkdtemp(prefix="board-pg-")
        self.user = []
        if os.geteuid() == 0:
            account = pwd.getpwnam("postgres")
            os.chown(self.dir, account.pw_uid, account.pw_gid)
            self.user = ["runuser", "-u", "postgres", "--"]
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.databases = 0
        self._run("initdb", "-D", "data", "-A", "trust", "-U", "board", "--no-sync", "-E", "UTF8")
        # -w returns once it takes connections; fsync stays on, as a 201 promises the disk.
        self._run("pg_ctl", "-D", "data", "-w", "-l", "log", "-o",
                  f"-c listen_addresses=127.0.0.1 -p {self.port} -k {self.dir}", "start")

    def _run(self, tool, *args):
        subprocess.run([*self.user, os.path.join(self.bin, tool), *args], check=True, capture_output=True,
                       cwd=self.dir, timeout=120)

    def new_database(self):
        self.databases += 1
        subprocess.run(["createdb", "-h", "127.0.0.1", "-p", str(self.port), "-U", "board", f"db{self.databases}"],
                       check=True, capture_output=True, timeout=60)
        return f"postgresql://board@127.0.0.1:{self.port}/db{self.databases}"

    def query(self, url, sql):
        """The rows `sql` gives on the database at `url`, each a tuple of texts."""
        done = subprocess.run([os.path.join(self.bin, "psql"), "-X", "-q", "-A", "-t", "-F", "\t", "-v", "ON_ERROR_STOP=1",
                               "-c", sql, url], check=True, capture_output=True, text=True, timeout=600)
        return [tuple(line.split("\t")) for line in done.stdout.splitlines()]

    def stop(self):
        self._run("pg_ctl", "-D", "data", "-m", "fast", "-w", "stop")
        shutil.rmtree(self.dir)
