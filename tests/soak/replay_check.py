"""Two soaks of one seed end in the same state, and another seed does not:
a failure found by a soak can be replayed from the seed it prints.
    replay_check.py SOAK_BINARY [updates]"""
import subprocess
import sys


def digest(binary, updates, seed):
    out = subprocess.run([binary, str(updates), str(seed)], capture_output=True, text=True, timeout=600).stdout
    lines = [l for l in out.splitlines() if l.startswith("soak: digest ")]
    if not lines:
        sys.exit(f"seed {seed}: the soak printed no digest:\n{out}")
    return lines[-1].split()[-1]


def main():
    binary, updates = sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 3000
    first, again, other = digest(binary, updates, 11), digest(binary, updates, 11), digest(binary, updates, 12)
    print(f"seed 11: {first}, again: {again}; seed 12: {other}")
    if first != again:
        sys.exit("the same seed ended in different states")
    if first == other:
        sys.exit("two seeds ended in the same state: the digest does not tell runs apart")


if __name__ == "__main__":
    main()
