"""The checks and the package walk on generated definitions of N install checks, registry
checks, minimum requirements and numbered packages (all skipped by a false condition, so only
the walk is timed), from the setup's trace; with the growth for each tenfold N."""
import statistics

from figures import Figure, TimedOut, fresh_trace, read_trace, first, timed_run
from wine import Distribution

# Each phase, between two marks of the trace.
PHASES = [
    ("install checks", "checks begin", "install checks done"),
    ("minimum requirements", "install checks done", "refusing checks done"),
    ("registry checks", "refusing checks done", "registry checks done"),
    ("numbered packages", "registry checks done", "packages done"),
    ("all checks and the walk", "checks begin", "packages done"),
]
GOAL_AT_1000 = 1.0
GROWTH_GOAL = 12.0  # "about tenfold": ten, with room for the noise of one run


def definition(n):
    """A product whose N packages a false condition skips, and N checks of each kind. The install
    checks all ask one probe, so it runs once and the rest find the property set."""
    def numbered(make):
        return "\n".join(make(i) for i in range(1, n + 1))
    never = '<InstallConditionsList><InstallConditions><InstallIf Property="BenchNever" Value="True"/>' \
            '</InstallConditions></InstallConditionsList>'
    packages = numbered(lambda i: f"""
      <PackageFile><ShortName>{'Bench' if i == 1 else f'Bench{i}'}</ShortName><Name>Bench package {i}</Name>
        <Location>[WORKINGDIRECTORY]\\Packages\\RizodServer.msi</Location><InstallOrder>{i}</InstallOrder>{never}
      </PackageFile>""")
    install_checks = numbered(lambda i: f'<InstallCheck Property="MSXML6"><Order>{i}</Order></InstallCheck>')
    registry_checks = numbered(lambda i: f"""<RegistryCheck Property="BenchValue{i}"><Order>{i}</Order>
      <HKey>HKLM</HKey><Subkey>Software\\Microsoft\\Windows NT\\CurrentVersion</Subkey>
      <QueryValue>CurrentVersion</QueryValue></RegistryCheck>""")
    requirements = numbered(lambda i: f"""<MinimumRequirement Order="{i}"><MessageInfo>Requirement {i}</MessageInfo>
      <CheckGroupList><CheckGroup><Check Property="BypassMSRCheck" Value="False" Error="bypassed"/></CheckGroup>
      </CheckGroupList></MinimumRequirement>""")
    return f"""<?xml version="1.0" encoding="utf-8"?>
<Setup>
  <Products>
    <Product ShortName="Bench" Name="Bench Suite" Platform="OP" GUID="{{0B3E2C6A-9D41-4F57-8E2B-6A1C0D9F3E{n % 100:02d}}}"
             QVDirectory="Orvanta\\Bench" RootDirectory="Orvanta" Resources="Rizodresources.dll">
      <PackageFileGroup>{packages}
      </PackageFileGroup>
    </Product>
  </Products>
  <InstallChecks>{install_checks}</InstallChecks>
  <RegistryChecks>{registry_checks}</RegistryChecks>
  <MinimumRequirementChecks>{requirements}</MinimumRequirementChecks>
</Setup>
"""


def checks_figures(prefix, runs, sizes, timeout):
    dist = Distribution(prefix, "benchdist")
    for n in sizes:
        (dist.dir / f"Bench{n}.xml").write_text(definition(n))
    total = PHASES[-1][0]
    figures = {(phase, n): Figure(f"{phase}, N={n}", goal=GOAL_AT_1000 if n == 1000 and phase == total else None)
               for phase, _, _ in PHASES for n in sizes}
    too_slow = {}  # phase-independent: a size whose run passed the time-out is not run again
    for i in range(runs):
        for n in sizes:
            if any(n >= slow for slow in too_slow):
                continue
            trace, trace_file = fresh_trace(prefix, f"checks{n}")
            try:
                wall, code = timed_run(prefix, dist.setup, "/q", f"Bench{n}.xml", trace=trace, timeout=timeout)
            except TimedOut:
                too_slow[n] = timeout
                print(f"  checks run {i + 1}, N={n}: over {timeout} s, larger N not run", flush=True)
                continue
            assert code == 0, f"setup.exe /q Bench{n}.xml exited with {code}"
            marks = read_trace(trace_file)
            for phase, begin, end in PHASES:
                if first(marks, begin) is not None and first(marks, end) is not None:
                    figures[(phase, n)].samples.append(first(marks, end) - first(marks, begin))
            print(f"  checks run {i + 1}, N={n}: setup.exe {wall:.2f} s", flush=True)
    for (phase, n), figure in figures.items():
        if n in too_slow:
            figure.note = f"a run passed the {timeout} s time-out"
    growth = []
    for phase, _, _ in PHASES:
        for small, big in zip(sizes, sizes[1:]):
            a, b = figures[(phase, small)], figures[(phase, big)]
            # Below N=100 the fixed cost of a run hides the walk's growth.
            g = Figure(f"{phase}, growth N={small} -> {big}", goal=GROWTH_GOAL if small >= 100 else None, unit="x",
                       note="of the medians")
            if a.samples and b.samples:
                g.samples = [statistics.median(b.samples) / max(statistics.median(a.samples), 1e-6)]
            growth.append(g)
    return list(figures.values()), growth
