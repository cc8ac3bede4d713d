"""What every part of the benchmark shares: the figures table, the setup's trace and timed runs."""
import statistics
import subprocess
import sys
import time
from dataclasses import dataclass, field
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from wine import WinePrefix  # noqa: E402

TRACE_VARIABLE = "ZEM_SETUP_TRACE"


@dataclass
class Figure:
    """One row of the table: samples in seconds (or a ratio) and the goal they are held to."""
    name: str
    samples: list = field(default_factory=list)
    goal: float = None  # the sample's median must not exceed it; None for a figure shown for reference
    unit: str = "s"
    note: str = ""

    def met(self):
        if self.goal is None:
            return ""
        if not self.samples:
            return "open"
        return "yes" if statistics.median(self.samples) <= self.goal else "NO"

    def row(self):
        def fmt(v):
            return f"{v:.3f}" + (f" {self.unit}" if self.unit else "")
        if self.samples:
            cells = [fmt(statistics.median(self.samples)), fmt(min(self.samples)), fmt(max(self.samples))]
        else:
            cells = ["-", "-", "-"]
        goal = f"<= {fmt(self.goal)}" if self.goal is not None else ""
        return [self.name, *cells, str(len(self.samples)), goal, self.met(), self.note]


def print_table(title, figures):
    header = ["figure", "median", "min", "max", "runs", "goal", "met", "note"]
    rows = [header] + [f.row() for f in figures]
    widths = [max(len(r[i]) for r in rows) for i in range(len(header))]
    print(f"\n{title}")
    for r in rows:
        print("  " + "  ".join(c.ljust(w) for c, w in zip(r, widths)).rstrip())
    sys.stdout.flush()


def read_trace(path: Path):
    """The setup's marks: a list of (event, seconds since its process was created)."""
    marks = []
    if path.exists():
        for line in path.read_text("ascii", "replace").splitlines():
            seconds, _, event = line.partition(" ")
            if event:
                marks.append((event, float(seconds)))
    return marks


def first(marks, event):
    return next((s for e, s in marks if e == event), None)


def last(marks, event):
    return next((s for e, s in reversed(marks) if e == event), None)


class TimedOut(Exception):
    pass


def timed_run(prefix: WinePrefix, program, *args, trace: str = None, timeout=300):
    """Runs a Windows program: (its wall time, its exit code). trace: the Windows path the setup
    writes its marks to. A run beyond timeout is ended with every process of the prefix."""
    env = prefix.env
    if trace:
        env[TRACE_VARIABLE] = trace
    try:
        start = time.perf_counter()
        code = prefix.run(program, *args, timeout=timeout)
        return time.perf_counter() - start, code
    except subprocess.TimeoutExpired:
        prefix.restart_server()
        raise TimedOut(f"{program} {' '.join(args)} still running after {timeout} s")
    finally:
        env.pop(TRACE_VARIABLE, None)


def fresh_trace(prefix: WinePrefix, name: str):
    """A Windows path for a run's trace, and its file on this side, emptied."""
    windows = f"C:\\bench\\{name}.trace"
    host = prefix.host_path(windows)
    host.parent.mkdir(parents=True, exist_ok=True)
    host.unlink(missing_ok=True)
    return windows, host
