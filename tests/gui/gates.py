"""Packages that hold a run at a known point until the test lets them go: the install page can
then be looked at while a package runs."""
import time

from wine import build_package

GATES = {"A": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5B1}", "B": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5B2}"}
COMPONENTS = {"A": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5D1}", "B": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5D2}"}
UPGRADE_CODES = {"A": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5C1}", "B": "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5C2}"}
HOLD_SECONDS = 120


def gate_wxs(name):
    """A package whose immediate custom action holds it in holdfile.exe until C:\\gate<name>.release
    appears (C:\\gate<name>.held says it waits); its file makes progress messages after the hold."""
    return f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{GATES[name]}" Name="Uvarud Gate {name}" Language="1033" Version="1.0.0"
           Manufacturer="Orvanta" UpgradeCode="{UPGRADE_CODES[name]}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="data.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="ProgramFilesFolder">
      <Directory Id="INSTALLDIR" Name="UvarudGate{name}">
        <Component Id="Note" Guid="{COMPONENTS[name]}"><File Id="Note" Source="gate.txt"/></Component>
      </Directory></Directory></Directory>
    <Feature Id="Main" Level="1"><ComponentRef Id="Note"/></Feature>
    <Property Id="HOLDER" Value="C:\\holdfile.exe"/>
    <CustomAction Id="Hold" Property="HOLDER" ExeCommand="C:\\gate{name} {HOLD_SECONDS}" Execute="immediate"
                  Return="ignore"/>
    <InstallExecuteSequence><Custom Action="Hold" After="InstallInitialize"/></InstallExecuteSequence>
  </Product>
</Wix>
"""


def gated(dist, scratch):
    """Gate A becomes the third of the server's four packages, gate B the first of the client's
    three: seven packages in all, gate A holding the run after two, gate B after four."""
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text()
    client = text.index('<Product ShortName="Uvarud"')
    server, client_part = text[:client], text[client:]
    server = server.replace("<InstallOrder>3</InstallOrder>", "<InstallOrder>4</InstallOrder>")
    for n in (2, 1):
        client_part = client_part.replace(f"<InstallOrder>{n}</InstallOrder>", f"<InstallOrder>{n + 1}</InstallOrder>")

    group = "<PackageFileGroup>"
    server = server.replace(group, group + gate_package(dist, scratch, "A", 3, 3), 1)
    client_part = client_part.replace(group, group + gate_package(dist, scratch, "B", 1, 2), 1)
    definition.write_text(server + client_part)


def gate_package(dist, scratch, name, order, rollback):
    """The definition's entry of gate `name`, its package built into the distribution."""
    (scratch / "gate.txt").write_text("A gate of the GUI tests.\n")  # beside the sources
    location = build_package(dist, scratch, f"UvarudGate{name}", gate_wxs(name))
    return f"""<PackageFile><Name>Gate {name}</Name><GUID>{GATES[name]}</GUID><Location>{location}</Location>
          <InstallOrder>{order}</InstallOrder><InstallRollbackOrder>{rollback}</InstallRollbackOrder></PackageFile>
        """


def gated_last(dist, scratch, definition_name):
    """Gate A installed after the packages of the definition's first group, rolled back first."""
    definition = dist.dir / definition_name
    text = definition.read_text()
    start = text.index("<PackageFileGroup>")
    end = text.index("</PackageFileGroup>", start)
    group = text[start:end]
    entry = gate_package(dist, scratch, "A", group.count("<InstallOrder>") + 1, group.count("<InstallRollbackOrder>") + 1)
    definition.write_text(text[:end] + entry + text[end:])


def gate_file(prefix, name, suffix):
    return prefix.drive_c / f"gate{name}{suffix}"


def clear_gates(prefix):
    for name in GATES:
        for suffix in ("", ".held", ".release"):
            gate_file(prefix, name, suffix).unlink(missing_ok=True)


def wait_held(prefix, wizard, name, seconds=120):
    deadline = time.monotonic() + seconds
    while not gate_file(prefix, name, ".held").exists():
        assert wizard.process.poll() is None, f"the run ended before gate {name}"
        assert time.monotonic() < deadline, f"gate {name} not reached in {seconds} s"
        time.sleep(0.2)


def release(prefix, name):
    gate_file(prefix, name, ".release").write_text("")
