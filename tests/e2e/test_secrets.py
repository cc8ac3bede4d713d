"""Passwords given on the command line or written in the definition reach no file and no registry
value of the machine, in ANSI or UTF-16, after an install, a repair, an uninstall, a failed
install and a prerequisite that needs a reboot."""
import shutil

from wine import BIN, FAILING, build_failing_package, dump_of, log_folder, run_setup, uninstall_all, with_dotnet

SECRETS = {
    "DOCUMENT_SERVICEACCOUNTPWD": "Ds-Secret-2",
    "VUROVIZO_PASSWORD": "Vz-Secret-1",  # the last password argument is [PASSWORD]
    "SQL_SA_PASSWORD": "Sq-Secret-3",
    "vurovizo_Pwd": "Mx-Secret-4",
}
DEFINITION_SECRET = "Rt-Secret-5"  # a literal of the definition, under a secret name
ARGS = ["/q"] + [f"{name}={value}" for name, value in SECRETS.items()]


def with_secrets(definition: str) -> str:
    """The sample definition with [PASSWORD] in a package's arguments, a pre-uninstall command, a
    finalize command, a post-install command and an executable prerequisite's arguments, and a
    secret literal in the MSI prerequisite's arguments."""
    definition = definition.replace(
        'ARPINSTALLLOCATION="[INSTALLDIRECTORY]"</InstallArguments>',
        'ARPINSTALLLOCATION="[INSTALLDIRECTORY]" DBPASSWORD="[PASSWORD]"</InstallArguments>', 1)
    definition = definition.replace(
        '&gt;&gt; "[TEMPDIRECTORY]\\Rizod_PreUninstall.txt"</PreUninstall>',
        '&gt;&gt; "[TEMPDIRECTORY]\\Rizod_PreUninstall.txt" &amp; rem [PASSWORD]</PreUninstall>', 1)
    definition = definition.replace(
        "</ExecuteCommand>\n        </ExecuteCommandGroup>",
        "</ExecuteCommand>\n          <ExecuteCommand><Order>2</Order><Command>cmd.exe</Command>"
        "<Arguments>/c rem [PASSWORD]</Arguments><WaitForCompletion>True</WaitForCompletion></ExecuteCommand>\n"
        "        </ExecuteCommandGroup>", 1)
    definition = definition.replace(
        "<InstallLog>OrvantaRuntime_Install.log</InstallLog>",
        f"<Arguments>RUNTIME_PWD={DEFINITION_SECRET}</Arguments><InstallLog>OrvantaRuntime_Install.log</InstallLog>", 1)
    definition = definition.replace("  </PrerequisiteFileGroup>", """    <PrerequisiteFile>
      <Order>2</Order>
      <Name>Orvanta Agent</Name>
      <Location>[WORKINGDIRECTORY]\\Packages\\agent.exe</Location>
      <Arguments>/quiet Agent_Password=[PASSWORD]</Arguments>
    </PrerequisiteFile>
  </PrerequisiteFileGroup>""", 1)
    definition = definition.replace("      </PackageFileGroup>", """        <PackageFile>
          <Name>Rizod Database Update</Name>
          <Location>[WORKINGDIRECTORY]\\Packages\\dbupdate.exe</Location>
          <InstallArguments>/quiet DB_PWD=[PASSWORD]</InstallArguments>
          <PostInstallOrder>1</PostInstallOrder>
        </PackageFile>
      </PackageFileGroup>""", 1)
    assert definition.count("[PASSWORD]") == 5 and DEFINITION_SECRET in definition
    return definition


def with_tools(dist):
    """The executable prerequisite and the post-install command: exitwith.exe, which writes its
    command line to exitwith.log beside itself (in C:\\dist, which is not searched for leaks)."""
    for name in ("agent.exe", "dbupdate.exe"):
        shutil.copy(BIN / "exitwith.exe", dist.dir / "Packages" / name)
    record = dist.dir / "Packages" / "exitwith.log"
    record.unlink(missing_ok=True)
    return record


def leaks(prefix, forms=None):
    """Every file under C:\\Temp, C:\\ProgramData and the products' folder, and the registry
    export, that holds a secret: (where, secret) pairs. forms: the byte forms to look for instead of
    the secrets in ANSI and UTF-16."""
    export = prefix.drive_c / "registry.reg"
    prefix.run("regedit", "/E", "C:\\registry.reg")
    roots = [prefix.drive_c / "Temp", prefix.drive_c / "ProgramData", prefix.drive_c / "Program Files" / "Orvanta",
             prefix.drive_c / "Program Files (x86)" / "Orvanta"]
    files = [export] + [f for root in roots if root.exists() for f in root.rglob("*") if f.is_file()]
    if forms is None:
        forms = [s.encode(e) for s in list(SECRETS.values()) + [DEFINITION_SECRET] for e in ("cp1252", "utf-16-le")]
    found = []
    for f in files:
        data = f.read_bytes()
        found += [(str(f), form) for form in forms if form in data]
    export.unlink()
    return found


def test_no_password_in_any_file_or_the_registry_after_install_repair_and_uninstall(prefix, dist):
    uninstall_all(prefix)
    definition = dist.dir / "RizodSuite.xml"
    definition.write_text(with_secrets(definition.read_text()))
    record = with_tools(dist)

    code, lines = run_setup(prefix, dist, *ARGS)
    assert code == 0, lines
    # Both tools ran and were given the password itself: masking is for the logs only.
    ran = record.read_text().splitlines()
    assert any(f"Agent_Password={SECRETS['VUROVIZO_PASSWORD']}" in l for l in ran), ran
    assert any(f"DB_PWD={SECRETS['VUROVIZO_PASSWORD']}" in l for l in ran), ran
    assert dump_of(lines)["[PASSWORD]"] == "******"
    for name in SECRETS:
        assert f"{name}=******" in lines
    for log in ("RizodServer_Install.log", "OrvantaRuntime_Install.log"):
        data = (log_folder(prefix) / log).read_bytes()
        # Wine's installer wrote the secret properties; they are there, masked.
        assert b"******" in data or "******".encode("utf-16-le") in data, log
    assert not any("Hiding passwords" in line for line in lines), lines
    assert (log_folder(prefix) / "SetupResult.json").exists()  # scanned with every other file
    assert leaks(prefix) == []

    code, lines = run_setup(prefix, dist, "/r", *ARGS)
    assert code == 0, lines
    assert (log_folder(prefix) / "RizodServer_Repair.log").exists(), lines
    assert leaks(prefix) == []

    code, lines = run_setup(prefix, dist, *ARGS)  # installed: the same command uninstalls
    assert code == 0, lines
    assert "Uninstall mode detected" in lines
    assert leaks(prefix) == []


# Outside code page 1252, and with what looks like an environment reference.
ODD = "Zeta-\u03a9mega-\u0101-Win%OS%-9"
# What it becomes in a narrow log: UTF-8, best fit (Windows Installer's), stand-ins; and UTF-16.
ODD_FORMS = [ODD.encode("utf-8"), b"Zeta-Omega-a-Win%OS%-9", b"Zeta-?mega-?-Win%OS%-9", ODD.encode("utf-16-le")]


def test_a_password_outside_the_code_page_reaches_the_tools_verbatim_and_no_log(prefix, dist):
    uninstall_all(prefix)
    definition = dist.dir / "RizodSuite.xml"
    definition.write_text(with_secrets(definition.read_text()))
    record = with_tools(dist)

    code, lines = run_setup(prefix, dist, "/q", f"VUROVIZO_PASSWORD={ODD}")
    assert code == 0, lines
    ran = record.read_text(encoding="utf-8").splitlines()
    assert any(f"DB_PWD={ODD}" in l for l in ran), ran  # "%OS%" is part of the value, not expanded
    data = (log_folder(prefix) / "RizodServer_Install.log").read_bytes()
    assert b"DBPASSWORD" in data and b"******" in data
    assert leaks(prefix, ODD_FORMS) == []
    uninstall_all(prefix)


def test_no_password_left_by_a_failed_install(prefix, dist, tmp_path):
    uninstall_all(prefix, [FAILING])
    build_failing_package(dist, tmp_path)
    with_tools(dist)
    definition = with_secrets((dist.dir / "RizodSuite.xml").read_text())
    failing_group = f"""
      <PackageFileGroup>
        <PackageFile>
          <Name>Uvarud Legacy Bridge</Name>
          <GUID>{FAILING}</GUID>
          <Location>[WORKINGDIRECTORY]\\Packages\\UvarudLegacyBridge.msi</Location>
          <InstallArguments>BRIDGE_PASSWORD="[PASSWORD]"</InstallArguments>
          <InstallOrder>1</InstallOrder>
          <InstallLog>UvarudLegacyBridge_Install.log</InstallLog>
        </PackageFile>
      </PackageFileGroup>"""
    end = definition.rindex("</PackageFileGroup>") + len("</PackageFileGroup>")
    (dist.dir / "RizodSuite.xml").write_text(definition[:end] + failing_group + definition[end:])

    code, lines = run_setup(prefix, dist, *ARGS)
    assert code == 1603, lines
    assert any(name.endswith("Rollback.log") for name in (f.name for f in log_folder(prefix).iterdir()))
    assert not any("Hiding passwords" in line for line in lines), lines
    assert leaks(prefix) == []
    uninstall_all(prefix, [FAILING])


def test_no_password_left_by_a_prerequisite_that_needs_a_reboot(prefix, dist, vendor):  # noqa: F811
    uninstall_all(prefix)
    definition = dist.dir / "RizodSuite.xml"
    definition.write_text(with_secrets(definition.read_text()))
    with_tools(dist)
    with_dotnet(dist, "http://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe")
    prefix.env["EXITWITH_CODE"] = "3010"
    try:
        code, lines = run_setup(prefix, dist, *ARGS)
    finally:
        del prefix.env["EXITWITH_CODE"]
    assert code == 103010, lines
    assert "Setting ZEM-REBOOT-REQUIRED environment variable to true." in lines
    assert leaks(prefix) == []
    prefix._run(["wine", "reg", "delete", "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment",
                 "/v", "ZEM-REBOOT-REQUIRED", "/f"])
