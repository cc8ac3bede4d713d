#!/usr/bin/env python3
"""Wall time of "setup.exe /q" installing the sample suite, against a minimal program that calls
MsiInstallProductW on the same packages in the same order (the definition's finalize section is
left out: it runs programs of its own). Both run in one Wine prefix,
alternated, and the machine is cleaned between runs. Prints the median of each and their ratio.

    bench/install_bench.py [RUNS]      (after a build: scripts/build.sh)
"""
import statistics
import sys
import time
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parents[1] / "tests" / "e2e"))
from wine import BIN, BUILD, Distribution, SAMPLE_PRODUCTS, WinePrefix, uninstall_all  # noqa: E402

# The sample's prerequisite first, as the setup installs it, then the products' packages.
RUNTIME = "{4F2A9C31-7B1E-4D5A-9C3E-2B8D6A1F0E01}"
ORDER = ["OrvantaRuntime", "RizodServer", "RizodDocs", "RizodTools", "UvarudClient", "UvarudLanguagePack"]
CODES = dict(SAMPLE_PRODUCTS, OrvantaRuntime=RUNTIME)


def timed(prefix, program, *args):
    start = time.perf_counter()
    code = prefix.run(program, *args)
    elapsed = time.perf_counter() - start
    assert code == 0, f"{program} exited with {code}"
    return elapsed


def main():
    runs = int(sys.argv[1]) if len(sys.argv) > 1 else 5
    prefix = WinePrefix(BUILD / "wine" / "bench")
    prefix.up()
    try:
        dist = Distribution(prefix)
        # The sample's finalize section starts cmd.exe twice (a command waited for and the
        # clean-up batch): the definition's own work, which the direct installer does not do.
        definition = dist.dir / "RizodSuite.xml"
        text = definition.read_text()
        definition.write_text(text[:text.index("<Finalize>")] + text[text.index("</Finalize>") + len("</Finalize>"):])
        (prefix.drive_c / "direct_install.exe").write_bytes((BIN / "direct_install.exe").read_bytes())
        packages = [f"C:\\dist\\Packages\\{p}.msi" for p in ORDER]
        setup_times, direct_times = [], []
        for i in range(runs):
            uninstall_all(prefix, [RUNTIME])
            setup_times.append(timed(prefix, dist.setup, "/q"))
            assert all(prefix.product_state(CODES[p]) == 5 for p in ORDER)
            uninstall_all(prefix, [RUNTIME])
            direct_times.append(timed(prefix, "C:\\direct_install.exe", *packages))
            assert all(prefix.product_state(CODES[p]) == 5 for p in ORDER)
            print(f"run {i + 1}: setup.exe {setup_times[-1]:.2f} s, direct {direct_times[-1]:.2f} s", flush=True)
        s, d = statistics.median(setup_times), statistics.median(direct_times)
        print(f"median setup.exe /q {s:.2f} s, median direct MsiInstallProductW {d:.2f} s, ratio {s / d:.2f}")
    finally:
        prefix.down()


if __name__ == "__main__":
    main()
