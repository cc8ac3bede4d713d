"""The product definition and run-mode detection of the real setup.exe, with real MSI packages."""
import socket
import threading

import pytest

from wine import dump_of, log_folder, read_log, uninstall_all

RIZOD = "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C301}"
RIZOD_LOCATION = "C:\\Program Files (x86)\\Orvanta\\Rizod\\"


def run(prefix, dist, *args):
    code = dist.run(*args)
    return code, read_log(log_folder(prefix) / "Setup.log")


def clear_logs(prefix):
    for f in log_folder(prefix).glob("*Setup.log"):
        f.unlink()


@pytest.fixture(autouse=True)
def clean_machine(prefix):
    uninstall_all(prefix)


def test_absent_product_is_installed(prefix, dist):
    clear_logs(prefix)
    code, lines = run(prefix, dist, "/q")
    assert code == 0
    assert "Trying to load C:\\dist\\RizodSuite.xml" in lines
    assert "Install mode detected" in lines
    dump = dump_of(lines)
    assert (dump["Mode"], dump["Install"], dump["Uninstall"]) == ("Install", "True", "False")
    assert dump["SoloProduct"] == "False"
    assert (log_folder(prefix) / "Rizod_InstallSetup.log").exists()


def test_repair_of_an_absent_product_chooses_no_mode(prefix, dist):
    clear_logs(prefix)
    code, lines = run(prefix, dist, "/r", "/q")
    assert code == 0
    assert not any(l.endswith("mode detected") for l in lines), lines
    dump = dump_of(lines)
    assert [dump[k] for k in ("Install", "Uninstall", "Repair", "Upgrade")] == ["False"] * 4
    assert dump["Mode"] == ""
    assert "[INSTALLDIRECTORY]" not in dump
    assert (log_folder(prefix) / "Rizod_Setup.log").exists()


def install_rizod_server(prefix):
    code = prefix.run("msiexec", "/i", "C:\\dist\\Packages\\RizodServer.msi", "/qn",
                      f"ARPINSTALLLOCATION={RIZOD_LOCATION}")
    assert code == 0


def test_repair_and_uninstall_asked_together_on_an_installed_product(prefix, dist):
    install_rizod_server(prefix)
    code, lines = run(prefix, dist, "/r", "/u", "/q")
    assert "Repair mode detected" in lines and "Uninstall mode detected" in lines
    assert dump_of(lines)["Mode"] == "RepairUninstall"


def test_installed_product_is_uninstalled_from_its_install_location(prefix, dist):
    install_rizod_server(prefix)
    clear_logs(prefix)
    code, lines = run(prefix, dist, "/q")
    assert code == 0
    assert "Uninstall mode detected" in lines
    dump = dump_of(lines)
    assert dump["Mode"] == "Uninstall"
    assert dump["Uninstall"] == "True" and dump["Install"] == "False"
    # InstallLocation cut at "\Orvanta\" and joined with the QV directory "Orvanta\Rizod".
    assert dump["[INSTALLDIRECTORY]"] == "C:\\Program Files (x86)\\Orvanta\\Rizod"
    assert dump["Tier1_Installed"] == "False"
    assert (log_folder(prefix) / "Rizod_UninstallSetup.log").exists()


# --- definitions that are broken or hostile: each ends with a log line and a failure code ---
# (1619: missing or unreadable, 1620: does not parse or holds no product, as msiexec answers)

class Listener:
    """A loopback TCP port that records whether anybody connected."""

    def __init__(self):
        self.sock = socket.socket()
        self.sock.bind(("127.0.0.1", 0))
        self.sock.listen(4)
        self.sock.settimeout(0.2)
        self.port = self.sock.getsockname()[1]
        self.connected = False
        self.stop = False
        self.thread = threading.Thread(target=self._serve, daemon=True)
        self.thread.start()

    def _serve(self):
        while not self.stop:
            try:
                conn, _ = self.sock.accept()
                self.connected = True
                conn.close()
            except OSError:
                pass

    def close(self):
        self.stop = True
        self.thread.join()
        self.sock.close()


def product(i):
    return (f'<Product ShortName="P{i}" Name="Product {i}" GUID="{{00000000-0000-0000-0000-{i:012d}}}" '
            f'QVDirectory="Q{i}" Platform="OP"><PackageFileGroup><PackageFile><ShortName>P{i}</ShortName>'
            f'<Location>[WORKINGDIRECTORY]\\P{i}.msi</Location></PackageFile></PackageFileGroup></Product>')


@pytest.fixture
def bad_dist(prefix, dist):
    (dist.dir / "RizodSuite.xml").unlink()
    clear_logs(prefix)
    return dist


@pytest.mark.parametrize("name,content,expect", [
    ("malformed", b'<?xml version="1.0"?>\r\n<Setup>\r\n  <Product ShortName="A">\r\n</Setup>', "could not be parsed at line"),
    ("empty", b"", "could not be parsed at line"),
    ("garbage", bytes(range(256)) * 4, "could not be parsed at line"),
])
def test_definition_that_does_not_parse_is_reported(prefix, bad_dist, name, content, expect):
    (bad_dist.dir / "Suite.xml").write_bytes(content)
    code, lines = run(prefix, bad_dist, "/q")
    assert code == 1620
    assert "Returning 1620" in lines
    assert "Trying to load C:\\dist\\Suite.xml" in lines
    assert any(expect in l for l in lines), lines
    assert not any(l.endswith("mode detected") for l in lines)
    assert lines[-1].startswith("Copying ")


def test_utf16_definition_with_bom_loads(prefix, bad_dist):
    xml = '<?xml version="1.0" encoding="utf-16"?><Setup>' + product(1) + "</Setup>"
    (bad_dist.dir / "Suite.xml").write_bytes(b"\xff\xfe" + xml.encode("utf-16-le"))
    code, lines = run(prefix, bad_dist, "/q")
    # Loaded and walked; its only package has no install order, which the run reports.
    assert code == 1620
    assert "A package group of P1 has no package numbered 1; it is rolled back." in lines
    assert "Install mode detected" in lines
    assert (log_folder(prefix) / "P1_InstallSetup.log").exists()


def test_external_entities_are_neither_fetched_nor_expanded(prefix, bad_dist):
    listener = Listener()
    try:
        (prefix.drive_c / "secret.txt").write_text("SECRETVALUE")
        xml = ('<?xml version="1.0"?>\n'
               f'<!DOCTYPE Setup [<!ENTITY remote SYSTEM "http://127.0.0.1:{listener.port}/x.xml">'
               '<!ENTITY local SYSTEM "file:///C:/secret.txt">]>\n'
               '<Setup><Product ShortName="&local;" Name="&remote;" GUID="{00000000-0000-0000-0000-000000000001}"/>'
               '</Setup>')
        (bad_dist.dir / "Suite.xml").write_text(xml)
        code, lines = run(prefix, bad_dist, "/q")
    finally:
        listener.close()
    assert code == 1620
    assert not listener.connected
    assert not any("SECRETVALUE" in l for l in lines), lines
    assert not any("SECRETVALUE" in f.name for f in log_folder(prefix).iterdir())
    assert lines[-1].startswith("Copying ")


def test_ten_thousand_products(prefix, bad_dist):
    xml = "<Setup>" + "".join(product(i) for i in range(1, 10001)) + "</Setup>"
    (bad_dist.dir / "Suite.xml").write_text(xml)
    code, lines = run(prefix, bad_dist, "/q")
    assert code == 1620  # every group walked; none has a package numbered 1
    assert "Install mode detected" in lines
    assert "A package group of P10000 has no package numbered 1; it is rolled back." in lines
    assert dump_of(lines)["SoloProduct"] == "False"


def test_named_definition_that_does_not_exist(prefix, dist):
    clear_logs(prefix)
    code, lines = run(prefix, dist, "/q", "Missing.xml")
    assert code == 1619
    assert any("C:\\dist\\Missing.xml" in l for l in lines), lines
    assert not any(l.startswith("Trying to load") for l in lines)


def test_only_excluded_files_means_no_definition(prefix, bad_dist):
    (bad_dist.dir / "ProxyOverride.xml").write_text("<Proxy/>")
    code, lines = run(prefix, bad_dist, "/q")
    assert code == 1619
    assert not any(l.startswith("Trying to load") for l in lines)
    assert "Returning 1619" in lines


def test_definition_without_products(prefix, bad_dist):
    (bad_dist.dir / "Suite.xml").write_text("<Setup><Products/></Setup>")
    code, lines = run(prefix, bad_dist, "/q")
    assert code == 1620
    assert "Suite.xml holds no Product element; there is nothing to set up" in lines
    assert not any(l.endswith("mode detected") for l in lines)
