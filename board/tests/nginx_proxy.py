"""A private nginx from Debian in front of a board on loopback, with the site file the board's package ships
(board/packaging/nginx-site.conf) pointed at it; its config, pid, logs and temporary files in a folder of its
own, run in the foreground by an account that is not root, removed when stopped."""

import os
import pwd
import queue
import shutil
import signal
import socket
import subprocess
import tempfile
import threading

SITE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "packaging", "nginx-site.conf")


class Proxy:
    def __init__(self, board_port):
        self.dir = tempfile.mkdtemp(prefix="board-nginx-")
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        with open(SITE) as f:
            site = f.read()
        site = site.replace("listen 80;", f"listen 127.0.0.1:{self.port};").replace("listen [::]:80;", "")
        site = site.replace("server 127.0.0.1:8090;", f"server 127.0.0.1:{board_port};")
        temp = "".join(f"    {kind}_temp_path {self.dir}/{kind};\n"
                       for kind in ("client_body", "proxy", "fastcgi", "uwsgi", "scgi"))
        with open(f"{self.dir}/nginx.conf", "w") as f:
            f.write(f"pid {self.dir}/nginx.pid;\nerror_log stderr notice;\nworker_processes 1;\nevents {{}}\n"
                    f"http {{\n    access_log off;\n{temp}{site}}}\n")
        user = []
        if os.geteuid() == 0:
            account = pwd.getpwnam("nobody")
            os.chown(self.dir, account.pw_uid, account.pw_gid)
            user = ["setpriv", f"--reuid={account.pw_uid}", f"--regid={account.pw_gid}", "--clear-groups"]
        self.process = subprocess.Popen([*user, "nginx", "-p", self.dir, "-c", f"{self.dir}/nginx.conf", "-e", "stderr",
                                         "-g", "daemon off;"], stderr=subprocess.PIPE, text=True)
        self.lines = queue.Queue()
        threading.Thread(target=self._read, daemon=True).start()
        # Its worker starts once the listening socket is open.
        while (line := self.lines.get(timeout=30)) is not None and "start worker process" not in line:
            pass
        if line is None:
            self.stop()
            raise AssertionError("nginx did not start")

    def _read(self):
        for line in self.process.stderr:
            self.lines.put(line)
        self.lines.put(None)

    def stop(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
        self.process.wait(30)
        shutil.rmtree(self.dir)
