"""The interactive start under Xvfb: setup.exe without switches, from its process's creation to
the welcome page's activation (the setup's trace), and from the launch to wizdriver seeing the
page's text (control 218) for reference, which adds Wine's start of both programs."""
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "gui"))
from figures import TRACE_VARIABLE, Figure, fresh_trace, read_trace, first  # noqa: E402
from wine import Distribution  # noqa: E402
from wizard import Wizard, wizard_machine  # noqa: E402

WELCOME_TEXT = 218


def wizard_figures(runs):
    shown = Figure("process start -> first wizard page shown", goal=0.5)
    seen = Figure("launch -> welcome page seen by wizdriver")
    with wizard_machine("bench_wizard") as (prefix, display):
        Distribution(prefix)
        wizard = Wizard(prefix, display, "bench")
        for i in range(runs):
            trace, trace_file = fresh_trace(prefix, "wizard")
            prefix.env[TRACE_VARIABLE] = trace
            try:
                start = time.perf_counter()
                wizard.start()
                wizard.wait_page(WELCOME_TEXT, timeout=60)
                seen.samples.append(time.perf_counter() - start)
            finally:
                prefix.env.pop(TRACE_VARIABLE, None)
                wizard.stop()
            marks = read_trace(trace_file)
            if first(marks, "welcome page shown") is not None:
                shown.samples.append(first(marks, "welcome page shown"))
            print(f"  wizard run {i + 1}: page seen after {seen.samples[-1]:.2f} s", flush=True)
    return [shown, seen]
