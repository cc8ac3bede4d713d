"""The one-file setup against its folder: from starting the program to the first
MsiInstallProductW call, for the sample suite and for the suite with a 50 MB file more."""
import importlib.util
import os
import shutil
import subprocess
import time
from pathlib import Path

from figures import TRACE_VARIABLE, Figure, fresh_trace
from wine import BIN, ROOT, Distribution, uninstall_all

_spec = importlib.util.spec_from_file_location("pack_bundle", ROOT / "scripts" / "pack-bundle.py")
pack_bundle = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(pack_bundle)

LARGE = 50 * 1024 * 1024


def until_first_package(prefix, program, timeout):
    """Seconds from starting the program (through exitcode.exe) until the setup's trace shows its
    first package call, seen by polling the trace every 5 ms; the run is then waited for."""
    trace, trace_file = fresh_trace(prefix, "bundle")
    env = dict(prefix.env, **{TRACE_VARIABLE: trace})
    start = time.perf_counter()
    run = subprocess.Popen(["wine", "C:\\exitcode.exe", program, "/q"], env=env, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seen = None
    try:
        while seen is None and time.perf_counter() - start < timeout:
            if trace_file.exists() and " install call" in trace_file.read_text("ascii", "replace"):
                seen = time.perf_counter() - start
            elif run.poll() is not None and seen is None:
                break
            time.sleep(0.005)
        run.wait(timeout=timeout)
    finally:
        if run.poll() is None:
            run.kill()
            prefix.restart_server()
    if seen is None:
        raise RuntimeError(f"{program} made no package call")
    return seen


def bundle_figures(prefix, runs, timeout=300):
    figures = []
    for label, extra in (("sample suite", 0), ("suite with a 50 MB file", LARGE)):
        dist = Distribution(prefix, name="bench_dist")
        if extra:
            (dist.dir / "Packages" / "Large.bin").write_bytes(os.urandom(extra))
        bundle = prefix.drive_c / "bench_bundle.exe"
        pack_bundle.pack(BIN / "bundle_stub.exe", dist.dir, bundle)
        folder = Figure(f"{label}: folder, start -> first package")
        single = Figure(f"{label}: bundle, start -> first package")
        ratio = Figure(f"{label}: ratio bundle / folder", unit="")
        extra_cost = Figure(f"{label}: bundle's extra time")
        copy = Figure(f"{label}: copying the bundle's {bundle.stat().st_size // 1024} KiB once (Linux side)")
        for i in range(runs):
            uninstall_all(prefix)
            f = until_first_package(prefix, dist.setup, timeout)
            uninstall_all(prefix)
            b = until_first_package(prefix, "C:\\bench_bundle.exe", timeout)
            start = time.perf_counter()
            shutil.copyfile(bundle, prefix.drive_c / "bench_copy.bin")
            with open(prefix.drive_c / "bench_copy.bin", "rb+") as written:
                os.fsync(written.fileno())
            copy.samples.append(time.perf_counter() - start)
            (prefix.drive_c / "bench_copy.bin").unlink()
            folder.samples.append(f)
            single.samples.append(b)
            ratio.samples.append(b / f)
            extra_cost.samples.append(b - f)
            print(f"  bundle run {i + 1} ({label}): folder {f:.3f} s, bundle {b:.3f} s", flush=True)
        uninstall_all(prefix)
        bundle.unlink()
        shutil.rmtree(dist.dir)
        figures += [folder, single, ratio, extra_cost, copy]
    return figures
