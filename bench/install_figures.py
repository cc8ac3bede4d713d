"""The sample suite's silent install: "setup.exe /q" against direct_install.exe, which calls
MsiInstallProductW on the same packages in the same order (the definition's finalize section is
left out: it runs programs of its own), alternated in one prefix with the machine cleaned between
runs; and, from the setup's trace, its own time before the first package and after the last."""
from figures import Figure, fresh_trace, read_trace, first, last, timed_run
from wine import BIN, Distribution, SAMPLE_PRODUCTS, uninstall_all

# The sample's prerequisite first, as the setup installs it, then the products' packages.
RUNTIME = "{4F2A9C31-7B1E-4D5A-9C3E-2B8D6A1F0E01}"
ORDER = ["OrvantaRuntime", "RizodServer", "RizodDocs", "RizodTools", "UvarudClient", "UvarudLanguagePack"]
CODES = dict(SAMPLE_PRODUCTS, OrvantaRuntime=RUNTIME)


def install_figures(prefix, runs):
    dist = Distribution(prefix)
    # The sample's finalize section starts cmd.exe twice (a command waited for and the clean-up
    # batch): the definition's own work, which the direct installer does not do.
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text()
    definition.write_text(text[:text.index("<Finalize>")] + text[text.index("</Finalize>") + len("</Finalize>"):])
    (prefix.drive_c / "direct_install.exe").write_bytes((BIN / "direct_install.exe").read_bytes())
    packages = [f"C:\\dist\\Packages\\{p}.msi" for p in ORDER]

    setup = Figure("setup.exe /q wall time")
    direct = Figure("direct MsiInstallProductW wall time")
    ratio = Figure("ratio setup.exe / direct", goal=1.05, unit="")
    before = Figure("process start -> first MsiInstallProductW", goal=0.3)
    loader = Figure("  of which process start -> wWinMain (Wine's loader)")
    own = Figure("  of which wWinMain -> first call (the setup's own code)")
    direct_before = Figure("  direct_install.exe: process start -> first call")
    after = Figure("last package returned -> exit", goal=0.3)
    direct_after = Figure("  direct_install.exe: last return -> exit")
    for i in range(runs):
        uninstall_all(prefix, [RUNTIME])
        trace, trace_file = fresh_trace(prefix, "install")
        s, code = timed_run(prefix, dist.setup, "/q", trace=trace)
        assert code == 0, f"setup.exe /q exited with {code}"
        assert all(prefix.product_state(CODES[p]) == 5 for p in ORDER)
        marks = read_trace(trace_file)
        uninstall_all(prefix, [RUNTIME])
        trace, trace_file = fresh_trace(prefix, "direct")
        d, code = timed_run(prefix, "C:\\direct_install.exe", *packages, trace=trace)
        direct_marks = read_trace(trace_file)
        assert code == 0, f"direct_install.exe exited with {code}"
        assert all(prefix.product_state(CODES[p]) == 5 for p in ORDER)
        setup.samples.append(s)
        direct.samples.append(d)
        ratio.samples.append(s / d)
        for figure, m, start in ((before, marks, "install call"), (loader, marks, "start"),
                                 (direct_before, direct_marks, "install call")):
            if first(m, start) is not None:
                figure.samples.append(first(m, start))
        if first(marks, "install call") is not None and first(marks, "start") is not None:
            own.samples.append(first(marks, "install call") - first(marks, "start"))
        for figure, m in ((after, marks), (direct_after, direct_marks)):
            if last(m, "package returned") is not None and last(m, "exit") is not None:
                figure.samples.append(last(m, "exit") - last(m, "package returned"))
        print(f"  install run {i + 1}: setup.exe {s:.2f} s, direct {d:.2f} s", flush=True)
    return [setup, direct, ratio, before, loader, own, direct_before, after, direct_after]
