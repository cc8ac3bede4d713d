"""Checks and probes in real silent runs: what the machine has, and what stops a run."""
import subprocess
import time

from wine import SAMPLE_PRODUCTS, dump_of, run_setup, uninstall_all

RIZOD_SERVER = SAMPLE_PRODUCTS["RizodServer"]
NDP4 = "HKLM\\Software\\Microsoft\\NET Framework Setup\\NDP\\v4\\Full"


def with_checks(dist, fragment, replace=()):
    """The distribution's definition with the given elements added (and texts replaced)."""
    path = dist.dir / "RizodSuite.xml"
    definition = path.read_text()
    for old, new in replace:
        assert old in definition
        definition = definition.replace(old, new)
    path.write_text(definition.replace("</Setup>", fragment + "\n</Setup>"))


class Holder:
    """holdfile.exe running in the prefix, holding a file open without sharing."""

    def __init__(self, prefix, windows_path):
        self.prefix, self.path = prefix, windows_path
        self.host = prefix.host_path(windows_path)
        self.host.parent.mkdir(parents=True, exist_ok=True)
        for suffix in (".held", ".release"):
            self.host.with_name(self.host.name + suffix).unlink(missing_ok=True)
        self.process = subprocess.Popen(["wine", "C:\\holdfile.exe", windows_path, "120"], env=prefix.env,
                                        stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                        stderr=subprocess.DEVNULL)
        held = self.host.with_name(self.host.name + ".held")
        for _ in range(300):
            if held.exists():
                return
            time.sleep(0.1)
        raise AssertionError("holdfile.exe did not start")

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.host.with_name(self.host.name + ".release").write_text("")
        self.process.wait(timeout=60)


def test_probes_fill_the_properties_that_conditions_read(prefix, dist):
    uninstall_all(prefix)
    prefix.reg_add(NDP4, "Install", 1, "REG_DWORD", view=32)
    prefix.reg_add(NDP4, "Release", 461814, "REG_DWORD", view=32)
    prefix.reg_add("HKLM\\Software\\Orvanta\\Probe", "Edition", "Enterprise", view=32)
    with_checks(dist, """
  <InstallChecks>
    <InstallCheck Property="MSXML6"><Order>1</Order></InstallCheck>
    <InstallCheck Property="DotNetFramework_4"><Order>2</Order></InstallCheck>
    <InstallCheck Property="msxml6"><Order>3</Order></InstallCheck>
    <InstallCheck Property="SQLServer"><Order>4</Order></InstallCheck>
  </InstallChecks>
  <MSIChecks>
    <MSICheck Property="RizodServerInstalled" GUID="%s"><Order>1</Order></MSICheck>
  </MSIChecks>
  <RegistryChecks>
    <RegistryCheck Property="EDITION"><Order>1</Order>
      <HKey>HKLM</HKey><Subkey>Software\\Orvanta\\Probe</Subkey><QueryValue>Edition</QueryValue>
    </RegistryCheck>
  </RegistryChecks>""".replace("%s", RIZOD_SERVER), replace=[('NETFramework="4.8"', 'NETFramework="4.7.2"')])
    code, lines = run_setup(prefix, dist, "/q", "/r")  # no mode: checks only, nothing installed
    dump = dump_of(lines)
    assert dump["MSXML6"] == "True"
    assert dump["DotNetFramework_4"] == "True"
    assert "MSXML6 True" in lines
    assert "msxml6 not handled" in lines
    assert ".NET Framework 4.7.2 Full installed." in lines
    assert dump["SQLServer"] == "Unknown"
    assert dump["RizodServerInstalled"] == "False"
    assert dump["EDITION"] == "Enterprise"
    assert code == 0

    # Without the framework's release value the same probe answers False and an install is cancelled.
    prefix.reg_delete(NDP4, "Release", view=32)
    code, lines = run_setup(prefix, dist, "/q")
    assert dump_of(lines)["DotNetFramework_4"] == "False"
    assert "Cancelling install - .NET Framework install required" in lines
    assert code == 1223
    assert prefix.product_state(RIZOD_SERVER) == -1


def test_a_running_program_stops_the_run_before_anything_is_installed(prefix, dist):
    uninstall_all(prefix)
    with_checks(dist, """
  <AppChecks>
    <AppCheck Name="Rizod Monitor" Executable="HOLDFILE.exe" />
  </AppChecks>""")
    with Holder(prefix, "C:\\Temp\\monitor.dat"):
        code, lines = run_setup(prefix, dist, "/q")
    assert "Rizod Monitor must be closed to continue. Executable name is HOLDFILE.exe" in lines
    assert code == 1603  # a refused check is a failure to a deployment tool
    assert "Setup stopped: the running-application check refused the run." in lines
    assert dump_of(lines)["SetupSuccess"] == "False"
    assert all(prefix.product_state(c) == -1 for c in SAMPLE_PRODUCTS.values())

    # The program has ended: the same run installs.
    code, lines = run_setup(prefix, dist, "/q")
    assert code == 0, lines
    assert prefix.product_state(RIZOD_SERVER) == 5
    uninstall_all(prefix)


def test_a_locked_file_stops_the_run(prefix, dist):
    uninstall_all(prefix)
    with_checks(dist, """
  <FileInUseChecks>
    <FileCheck File="C:\\Temp\\Orvanta\\rizod.lock" Executable="Rizod Monitor" />
    <FileCheck File="C:\\Temp\\Orvanta\\absent.lock" Executable="Nobody" />
  </FileInUseChecks>""")
    with Holder(prefix, "C:\\Temp\\Orvanta\\rizod.lock"):
        code, lines = run_setup(prefix, dist, "/q")
    assert "Accessing C:\\Temp\\Orvanta\\rizod.lock returned error 32" in lines
    assert not any("absent.lock" in l for l in lines)
    assert code == 1603
    assert "Setup stopped: the file-in-use check refused the run." in lines
    assert prefix.product_state(RIZOD_SERVER) == -1


MINIMUM_RAM = """
  <MinimumRequirementChecks>
    <MinimumRequirement Order="1">
      <CheckConditions><CheckIf Property="BypassMSRCheck" Value="False" /></CheckConditions>
      <MessageInfo>This computer does not meet the minimum requirements.</MessageInfo>
      <CheckGroupList><CheckGroup>
        <Check Property="RAM" Value="&gt;=100000" Error="100000 GB of memory" />
      </CheckGroup></CheckGroupList>
    </MinimumRequirement>
  </MinimumRequirementChecks>"""


def test_a_missed_minimum_requirement_stops_the_run_unless_bypassed(prefix, dist):
    uninstall_all(prefix)
    with_checks(dist, MINIMUM_RAM)
    code, lines = run_setup(prefix, dist, "/q")
    assert "Minimum requirement RAM is 100000 GB of memory" in lines
    assert dump_of(lines)["BypassMSRCheck"] == "False"
    assert code == 1603
    assert "Setup stopped: the minimum requirement check refused the run." in lines
    assert prefix.product_state(RIZOD_SERVER) == -1
    # Started without /q the refusal is a message box (none shows without a display), and the exit
    # code still tells the deployment tool it failed.
    code, lines = run_setup(prefix, dist)
    assert code == 1603, lines
    assert "Setup stopped: the minimum requirement check refused the run." in lines

    prefix.env["OPBypassMSRCheck"] = "1"
    try:
        code, lines = run_setup(prefix, dist, "/q")
    finally:
        del prefix.env["OPBypassMSRCheck"]
    assert "OPBypassMSRCheck environment variable is set." in lines
    assert not any(l.startswith("Minimum requirement ") for l in lines)
    assert code == 0, lines
    assert prefix.product_state(RIZOD_SERVER) == 5
    uninstall_all(prefix)


def test_a_launch_message_failing_on_ok_stops_a_silent_run(prefix, dist):
    uninstall_all(prefix)
    with_checks(dist, """
  <LaunchMessages>
    <LaunchMessage MessageOrder="1">
      <MessageInfo>Rizod needs a scheduled maintenance window.</MessageInfo>
      <Option>YesNo</Option><FailOn>No</FailOn>
    </LaunchMessage>
    <LaunchMessage MessageOrder="2">
      <MessageInfo>This edition of Rizod cannot be installed silently.</MessageInfo>
      <Option>ok</Option><FailOn>OK</FailOn>
    </LaunchMessage>
  </LaunchMessages>""")
    code, lines = run_setup(prefix, dist, "/q")
    assert "This edition of Rizod cannot be installed silently." in lines
    assert "Rizod needs a scheduled maintenance window." not in lines
    assert code == 1603
    assert "Setup stopped: the launch message refused the run." in lines
    assert prefix.product_state(RIZOD_SERVER) == -1
