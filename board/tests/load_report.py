"""The load benchmark's figures, as it prints them."""

import os

MEMORY_LIMIT = 200 * 1024 * 1024


def percentile(values, fraction):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(fraction * len(ordered)))] if ordered else float("nan")


def spread(seconds):
    """p50 and p99 of a list of seconds, in milliseconds."""
    return f"p50 {1000 * percentile(seconds, 0.5):.1f} ms, p99 {1000 * percentile(seconds, 0.99):.1f} ms"


def met(ok):
    return "met" if ok else "MISSED"


class Figures:
    """What the clients, the server's log and its memory showed, summed over the client processes."""

    def __init__(self, args, day, seeding, pool, seen, board, samples, acknowledged, lost, total, alive,
                 machine_load):
        self.args, self.day, self.seeding, self.pool = args, day, seeding, pool
        self.board, self.samples, self.acknowledged, self.lost, self.total = board, samples, acknowledged, lost, total
        self.alive, self.machine_load = alive, machine_load
        self.latencies, self.statuses, self.errors, self.reconnects, self.trickle = {}, {}, {}, 0, {}
        self.slices = {}  # 10 s of the run -> the latencies of the reads answered in it
        self.cpu = {}
        for kind, tally in seen:
            self.cpu[kind] = self.cpu.get(kind, 0.0) + tally["cpu"]
            if kind == "trickle":
                self.trickle = tally
            if kind in ("trickle", "server"):
                continue
            for what, values in tally["latencies"].items():
                self.latencies.setdefault(what, []).extend(values)
                for at, seconds in zip(tally["answered_at"][what], values) if what != "post" else []:
                    self.slices.setdefault(int(at // 10), []).append(seconds)
            for what, count in tally["statuses"].items():
                self.statuses[what] = self.statuses.get(what, 0) + count
            for what, count in tally["errors"].items():
                self.errors[what] = self.errors.get(what, 0) + count
            self.reconnects += tally["reconnects"]

    def reads(self):
        return [s for kind, values in self.latencies.items() if kind != "post" for s in values]

    def clean(self):
        return (not any(self.errors.values()) and not self.board.log_errors and
                max(self.samples, default=0) <= MEMORY_LIMIT)

    def text(self):
        a, reads = self.args, self.reads()
        lines = [f"load on {a.db}: {self.day} seeded with {a.runs:,} runs in {self.seeding:.0f} s; "
                 f"{a.seconds:.0f} s of {a.readers} readers, {a.submitters} submitters of {self.pool} distinct "
                 f"genuine runs{f' (each pausing {a.think:g} s on average)' if a.think else ''}, {a.tricklers} tricklers "
                 f"(a byte every {a.trickle:g} s); the machine's load average "
                 f"{self.machine_load:.1f} on {os.cpu_count()} cores before"]
        p99 = percentile(reads, 0.99)
        lines.append(f"reads: {len(reads):,} answered, {len(reads) / a.seconds:,.0f}/s; {spread(reads)} "
                     f"(p99 target 50 ms: {met(p99 <= 0.05)}); {self.reconnects:,} connections opened again")
        lines.append("  p99 by 10 s: " + ", ".join(f"{1000 * percentile(self.slices[n], 0.99):.0f}"
                                                  for n in sorted(self.slices)) + " ms")
        for kind in sorted(k for k in self.latencies if k != "post"):
            values = self.latencies[kind]
            lines.append(f"  {kind}: {len(values):,}, {spread(values)}")
        read_statuses = {}
        for (kind, status, _), count in self.statuses.items():
            if kind != "post":
                read_statuses[status] = read_statuses.get(status, 0) + count
        lines.append("  statuses: " + ", ".join(f"{s} x{n:,}" for s, n in sorted(read_statuses.items())))
        posts = self.latencies.get("post", [])
        answered = ", ".join(f"{status}{' ' + code if code else ''} x{count:,}"
                             for (kind, status, code), count in sorted(self.statuses.items()) if kind == "post")
        lines.append(f"posts: {len(posts):,} answered ({answered or 'none'}); {spread(posts)}")
        served = self.board.served
        lines.append("  the server's time (its log, from the rate limit to the answer): " + "; ".join(
            f"{kind} {spread(values)}" for kind, values in sorted(served.items()) if kind.startswith("post")))
        lines.append(f"  a post's database time is at most a 409's (the demo read and the rules asked, no verification, "
                     f"but any wait for a thread too): {spread(served.get('post 409', []))}; a 201 adds the "
                     f"verification and its queue, then the write")
        lines.append(f"  reads in the server: {len(served.get('read', [])):,} logged (some answered after their client "
                     f"gave up), {spread(served.get('read', []))}")
        errors = sum(self.errors.values())
        lines.append(f"errors: {errors} ({', '.join(f'{k} {v}' for k, v in self.errors.items())}); "
                     f"{len(self.board.log_errors)} error lines logged{' (' + self.board.log_errors[0] + ')' if self.board.log_errors else ''}"
                     f"{'' if self.alive else '; THE SERVER DIED'}")
        lines.append(f"nothing lost: {len(self.acknowledged) - len(self.lost)} of {len(self.acknowledged)} runs "
                     f"answered 201 fetched back by id ({'ok' if not self.lost else 'LOST ' + str(self.lost[:10])}); "
                     f"the day holds {self.total if self.total is not None else '?'} runs")
        if self.trickle:
            lines.append(f"tricklers: {self.trickle['held']} held at the end, {self.trickle['cut off']} cut off by the "
                         f"server, {self.trickle['refused']} connections refused")
        peak = max(self.samples, default=0)
        lines.append(f"memory: resident peak {peak / 2**20:.0f} MB (target 200 MB: {met(peak <= MEMORY_LIMIT)}), "
                     f"at the end {self.samples[-1] / 2**20 if self.samples else 0:.0f} MB, {len(self.samples)} samples")
        clients = sum(seconds for kind, seconds in self.cpu.items() if kind != "server")
        lines.append(f"processor time in the {a.seconds:.0f} s: the server {self.cpu.get('server', 0):.0f} s (its "
                     f"verifiers' not counted), the clients {clients:.0f} s, of {a.seconds * os.cpu_count():.0f} s")
        return "\n".join(lines)
