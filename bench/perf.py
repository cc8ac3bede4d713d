#!/usr/bin/env python3
"""The bootstrapper's own cost under Wine, each figure with its goal (after a build:
scripts/build.sh). Makes its own clean Wine prefixes (build/x64/wine/bench*) and removes them.

    bench/perf.py [--runs N] [--only install,checks,wizard,bundle] [--sizes 10,100,1000,10000] [--timeout S]

install: "setup.exe /q" on the sample suite against MsiInstallProductW called directly on the
         same packages, alternated; the setup's own time before the first package and after the last.
checks:  the checks and the package walk on generated definitions of N items of each kind.
wizard:  process start to the first wizard page, under a private Xvfb.
bundle:  the one-file setup against its folder, start to the first package, for the sample suite
         and for the suite with a 50 MB file more.
Medians with minimum and maximum over the runs; a run of the checks beyond the time-out ends
that size and the larger ones.
"""
import argparse
import sys
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
from checks_figures import checks_figures  # noqa: E402
from bundle_figures import bundle_figures  # noqa: E402
from figures import print_table  # noqa: E402
from install_figures import install_figures  # noqa: E402
from wine import BUILD, WinePrefix  # noqa: E402
from wizard_figures import wizard_figures  # noqa: E402

PARTS = ("install", "checks", "wizard", "bundle")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--only", default=",".join(PARTS))
    parser.add_argument("--sizes", default="10,100,1000,10000")
    parser.add_argument("--timeout", type=int, default=120, help="seconds one run of the checks may take")
    args = parser.parse_args()
    parts = args.only.split(",")
    unknown = set(parts) - set(PARTS)
    if unknown:
        parser.error(f"unknown part {', '.join(sorted(unknown))}; the parts are {', '.join(PARTS)}")
    sizes = [int(s) for s in args.sizes.split(",")]

    tables = []
    if "install" in parts or "checks" in parts or "bundle" in parts:
        prefix = WinePrefix(BUILD / "wine" / "bench")
        prefix.up()
        try:
            if "install" in parts:
                tables.append(("Sample suite, setup.exe /q", install_figures(prefix, args.runs)))
            if "checks" in parts:
                walk, growth = checks_figures(prefix, args.runs, sizes, args.timeout)
                tables.append(("Checks and the package walk, N items of each kind", walk))
                tables.append(("Growth per tenfold N", growth))
            if "bundle" in parts:
                tables.append(("One-file setup against its folder", bundle_figures(prefix, args.runs)))
        finally:
            prefix.down()
    if "wizard" in parts:
        tables.append(("Interactive start under Xvfb", wizard_figures(args.runs)))
    for title, figures in tables:
        print_table(title, figures)


if __name__ == "__main__":
    main()
