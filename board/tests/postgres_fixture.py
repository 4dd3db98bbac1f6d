"""The private PostgreSQL cluster that the store's unit tests share, as a ctest fixture:
`start FILE` makes and starts one (postgres_cluster.Cluster) and writes to FILE the address of
its maintenance database on the first line, and what `stop FILE` needs to stop and remove it."""

import json
import os
import sys

from postgres_cluster import Cluster


def stop(state_file):
    with open(state_file) as f:
        f.readline()
        state = json.loads(f.readline())
    cluster = Cluster.__new__(Cluster)
    cluster.__dict__.update(state)
    try:
        cluster.stop()
    finally:
        os.remove(state_file)


def main():
    command, state_file = sys.argv[1:3]
    if command == "start":
        if os.path.exists(state_file):  # left by a run that was stopped before its cleanup
            stop(state_file)
        cluster = Cluster()
        with open(state_file, "w") as f:
            f.write(f"postgresql://board@127.0.0.1:{cluster.port}/postgres\n")
            f.write(json.dumps({"bin": cluster.bin, "dir": cluster.dir, "user": cluster.user}) + "\n")
    elif command == "stop":
        stop(state_file)
    else:
        sys.exit(f"usage: {sys.argv[0]} start|stop FILE")


if __name__ == "__main__":
    main()
