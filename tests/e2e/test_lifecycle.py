"""One machine through a product's life: install with finalize steps, uninstall with the
install-source record, repair, and upgrades from the previous release."""
import shutil

from wine import BIN, SAMPLE_PRODUCTS, log_folder, run_setup, uninstall_all

RIZOD = [SAMPLE_PRODUCTS[k] for k in ("RizodServer", "RizodDocs", "RizodTools")]
UVARUD = [SAMPLE_PRODUCTS[k] for k in ("UvarudClient", "UvarudLanguagePack")]
LEGACY = "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C300}"
INSTALLED = "C:\\Program Files (x86)\\Orvanta\\Rizod"
RECORD = "C:\\ProgramData\\QV\\InstallSourceInfo\\InstallSourceInfo.xml"


def local_package(prefix, code):
    """The cached package Windows Installer records for a per-machine product."""
    g = code.strip("{}").replace("-", "")
    squished = g[7::-1] + g[11:7:-1] + g[15:11:-1] + "".join(g[i + 1] + g[i] for i in range(16, 32, 2))
    key = ("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Installer\\UserData\\S-1-5-18\\Products\\"
           + squished + "\\InstallProperties")
    out = prefix._run(["wine", "reg", "query", key, "/v", "LocalPackage"]).stdout.decode("utf-8", "replace")
    line = next(l for l in out.splitlines() if "LocalPackage" in l)
    return line.split("REG_SZ", 1)[1].strip()


def states(prefix, codes):
    return [prefix.product_state(c) for c in codes]


def test_install_finalizes_then_uninstall_keeps_the_install_source_record(prefix, dist):
    uninstall_all(prefix, [LEGACY])
    logs = log_folder(prefix)
    staging = logs / "RizodStaging"
    staging.mkdir(parents=True, exist_ok=True)
    (staging / "part.tmp").write_text("staging")
    windows_file = prefix.host_path("C:\\windows\\win.ini")
    assert windows_file.exists()
    # Deletions the clean-up must refuse: a drive root, the Windows folder, and a path that only
    # looks as if it were in the log folder.
    definition = dist.dir / "RizodSuite.xml"
    definition.write_text(definition.read_text().replace(
        "<DeleteFile><Location>[TEMPDIRECTORY]\\RizodStaging</Location></DeleteFile>",
        "<DeleteFile><Location>[TEMPDIRECTORY]\\RizodStaging</Location></DeleteFile>"
        "<DeleteFile><Location>C:\\</Location></DeleteFile>"
        "<DeleteFile><Location>C:\\windows</Location></DeleteFile>"
        "<DeleteFile><Location>[TEMPDIRECTORY]\\..\\..\\windows\\win.ini</Location></DeleteFile>"
        "<DeleteFile><Location>C:\\QV\\..\\windows\\system.ini</Location></DeleteFile>"))

    code, lines = run_setup(prefix, dist, "/q")
    assert code == 0, lines
    assert states(prefix, RIZOD + UVARUD) == [5] * 5
    folder = prefix.host_path(INSTALLED)
    present = {p.name.lower() for p in folder.iterdir()}  # Windows names ignore letter case
    for name in ("setup.exe", "VariablesList.xml", "Rizod.xml", "Rizodresources.dll", "setup_en-US.dll",
                 "setup_fr-CA.dll", "ProxyOverride.config", "Rizod Quick Start.txt", "RizodServer.txt"):
        assert name.lower() in present, name
    assert f"Copying C:\\dist\\Packages\\setup.exe to {INSTALLED}\\setup.exe succeeded." in lines
    assert any(l.startswith("Executing cmd.exe /c echo Rizod Server setup finished") for l in lines)
    assert "Process returned 0" in lines
    assert (logs / "Rizod_Finalize.txt").read_text().startswith("Rizod Server setup finished")

    # Nothing held it open: it went in the process, and the batch is left nothing to delete.
    batch = (logs / "cleanup_Rizod.bat").read_bytes().decode("ascii")
    assert batch == "PING 127.0.0.1 -n 10\r\n", batch
    assert not staging.exists()
    assert windows_file.exists() and prefix.host_path("C:\\windows\\system.ini").exists()
    assert prefix.host_path("C:\\windows\\system32").is_dir()

    # An administrator's proxy settings survive a repair.
    (folder / "ProxyOverride.config").write_text("<configuration>edited</configuration>")
    code, lines = run_setup(prefix, dist, "/r", "/q")
    assert code == 0, lines
    for name in ("Rizod Server", "Rizod Documentation", "Rizod Tools", "Uvarud Client"):
        assert any(l.startswith(f"Repairing {name} returned ") for l in lines), name
    assert (logs / "RizodServer_Repair.log").stat().st_size > 0
    assert (folder / "ProxyOverride.config").read_text() == "<configuration>edited</configuration>"

    # The machine's install-source record: Rizod's source has gone missing; the record names the
    # cached package Windows Installer keeps for Rizod Server (the only one it restores from).
    cached = local_package(prefix, SAMPLE_PRODUCTS["RizodServer"])
    source = prefix.host_path("C:\\Sources\\Orvanta\\RizodServer.msi")
    if source.parent.exists():
        shutil.rmtree(source.parent.parent)
    record = prefix.host_path(RECORD)
    record.parent.mkdir(parents=True, exist_ok=True)
    record.write_text(
        "<InstallSourceInfo>"
        f"<ProductMetaData><ProductName>Rizod</ProductName><LocalPackage>{cached}</LocalPackage><InstallSource>C:\\Sources\\Orvanta\\RizodServer.msi</InstallSource>"
        "</ProductMetaData>"
        "<ProductMetaData><ProductName>Kelvora</ProductName><LocalPackage>C:\\x.msi</LocalPackage>"
        "<InstallSource>C:\\y.msi</InstallSource></ProductMetaData>"
        "</InstallSourceInfo>")

    code, lines = run_setup(prefix, dist, "/q")
    assert "Uninstall mode detected" in lines
    assert code == 0, lines
    assert states(prefix, RIZOD + UVARUD) == [-1] * 5
    assert (logs / "Rizod_UninstallSetup.log").exists()
    assert "Skipping uninstall of Rizod Server 2025 since it is not installed." in lines
    assert any(l.startswith("Uninstalling Rizod Tools returned 0.") for l in lines)  # the post-uninstall pass
    assert (logs / "Rizod_PreUninstall.txt").read_text().startswith("Rizod Server is being removed")
    assert source.exists()
    assert "C:\\Sources\\Orvanta created." in lines
    saved = record.read_text()
    assert "<ProductName>Rizod</ProductName>" not in saved
    assert "Kelvora" in saved
    assert f"Saving {RECORD} returned 0." in lines


def test_a_cmd_exe_beside_setup_exe_never_runs_in_place_of_the_systems(prefix, dist):
    """The finalize command, a post-install step and a PreUninstall all name cmd.exe without a
    folder; one put in the distribution folder must not be what runs as administrator."""
    uninstall_all(prefix, [LEGACY])
    shutil.copy(BIN / "exitwith.exe", dist.dir / "cmd.exe")  # would note its command line in exitwith.log
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text()
    post = """
        <PackageFile>
          <Name>Post Note</Name>
          <Location>cmd.exe</Location>
          <InstallArguments>/c echo post-install ran&gt; "[TEMPDIRECTORY]\\Rizod_Post.txt"</InstallArguments>
          <PostInstallOrder>1</PostInstallOrder>
        </PackageFile>"""
    end = text.index("</PackageFileGroup>")
    definition.write_text(text[:end] + post + text[end:])
    logs = log_folder(prefix)

    code, lines = run_setup(prefix, dist, "/q")
    assert code == 0, lines
    assert (logs / "Rizod_Finalize.txt").read_text().startswith("Rizod Server setup finished")
    assert (logs / "Rizod_Post.txt").exists(), [l for l in lines if "ost" in l or "cmd" in l]
    assert (logs / "Rizod_Post.txt").read_text().startswith("post-install ran")
    code, lines = run_setup(prefix, dist, "/q")
    assert "Uninstall mode detected" in lines and code == 0, lines
    assert (logs / "Rizod_PreUninstall.txt").read_text().startswith("Rizod Server is being removed")
    assert not (dist.dir / "exitwith.log").exists()
    assert states(prefix, RIZOD + UVARUD) == [-1] * 5


def install_legacy(prefix, dist):
    code = prefix.run("msiexec", "/i", "C:\\dist\\Packages\\RizodServerLegacy.msi", "/qn",
                      "INSTALLDIR=C:\\Legacy\\Orvanta\\Rizod", "ARPINSTALLLOCATION=C:\\Legacy\\Orvanta\\Rizod")
    assert code == 0
    assert prefix.product_state(LEGACY) == 5


def test_upgrade_replaces_the_previous_release_in_its_folder(prefix, dist):
    uninstall_all(prefix, [LEGACY])
    install_legacy(prefix, dist)
    code, lines = run_setup(prefix, dist, "/upgrade", "/q")
    assert "Upgrade mode detected" in lines
    assert code == 0, lines
    assert "Uninstalling Rizod Server 2025 returned 0." in lines
    assert prefix.product_state(LEGACY) == -1
    assert states(prefix, RIZOD + UVARUD) == [5] * 5
    folder = prefix.host_path("C:\\Legacy\\Orvanta\\Rizod")
    assert (folder / "RizodServer.txt").exists()
    assert (folder / "setup.exe").exists() and (folder / "ProxyOverride.config").exists()
    # Only the first product is finalized: its two installed-folder look-ups, and no others.
    assert lines.count(" is installed.") == 2
    assert (log_folder(prefix) / "Rizod_Finalize.txt").exists()
    uninstall_all(prefix, [LEGACY])


def test_upgrade_on_windows_xp_is_refused_before_the_old_release_is_removed(prefix, dist):
    uninstall_all(prefix, [LEGACY])
    install_legacy(prefix, dist)
    prefix.set_windows_version("winxp")
    try:
        code, lines = run_setup(prefix, dist, "/upgrade", "/q")
    finally:
        prefix.set_windows_version(None)
    assert code == 1602, lines
    assert "Upgrade refused: XP is not supported; the installed release is kept." in lines
    assert not any(l.startswith("Uninstalling ") for l in lines), lines
    assert prefix.product_state(LEGACY) == 5
    assert states(prefix, RIZOD + UVARUD) == [-1] * 5
    uninstall_all(prefix, [LEGACY])
