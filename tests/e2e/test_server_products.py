"""The sample server products installed silently and removed again: what their packages record
of the values the run gives them, and that the password reaches no file."""
import pytest

from wine import PRODUCTS, Distribution, files_holding, log_folder, run_setup

PASSWORD = "Zq7-not-in-any-file"
DOCUMENT = {"Server": "{2D811096-47A3-4B0A-87FD-3CF8231BBC01}", "Indexer": "{2D811096-47A3-4B0A-87FD-3CF8231BBC02}"}
DOCUMENT_2025 = "{2D811096-47A3-4B0A-87FD-3CF8231BBC00}"

# Short name, switches beyond /q, package product codes, the values the main package records.
CASES = [
    ("VaradavuRadare", ["DOCUMENT_SERVICEACCOUNTID=ORVANTA\\docsvc", f"DOCUMENT_SERVICEACCOUNTPWD={PASSWORD}",
                        "SYSTEM_IP=db01.orvanta.local"],
     list(DOCUMENT.values()),
     # The catalog drive and the two folders are the silent run's defaults on drive C.
     {"User": "ORVANTA\\docsvc", "ServerName": "db01.orvanta.local", "CatalogDrive": "C:\\",
      "VirusScanPath": "C:\\VirusScan", "DocumentCompressPath": "C:\\DocumentCompress"}),
    ("VoruderaDEZ", ["DOCUMENT_SERVICEACCOUNTID=ORVANTA\\dsp", f"DOCUMENT_SERVICEACCOUNTPWD={PASSWORD}",
                     "SYSTEM_IP=db02"],
     ["{47DC305E-033C-4F45-AC5B-D72DFE7D5101}"], {"User": "ORVANTA\\dsp", "ServerName": "db02"}),
    ("VURovizo", ["VUROVIZO_USER=ORVANTA\\updates", f"VUROVIZO_PASSWORD={PASSWORD}", "SYSTEM_IP=db03"],
     ["{559A0A38-A6D3-406C-B93B-0D51B1C5F801}"], {"User": "ORVANTA\\updates", "ServerName": "db03"}),
    ("VaruzaVuruduzOduzur", ["DOCUMENT_SERVICEACCOUNTID=ORVANTA\\reports", f"DOCUMENT_SERVICEACCOUNTPWD={PASSWORD}",
                             "DOCUMENT_PORTAL_SERVER=http://localhost/ReportServer"],
     ["{F1DA8D18-3B18-472C-A6DA-1A17872DA201}"],
     # No switch gives the shared folder: the package receives the bracketed name.
     {"User": "ORVANTA\\reports", "ReportServerUrl": "http://localhost/ReportServer",
      "SharedFolder": "[SHARED_FOLDER]"}),
]


def recorded(prefix, short):
    """The values under the product's key (32-bit packages: the WOW6432Node view)."""
    result = prefix._run(["wine", "reg", "query", f"HKLM\\Software\\WOW6432Node\\Orvanta\\{short}"])
    values = {}
    for line in result.stdout.decode("utf-8", "replace").splitlines():
        parts = line.strip().split(None, 2)
        if len(parts) >= 2 and parts[1] == "REG_SZ":
            values[parts[0]] = parts[2] if len(parts) == 3 else ""
    return values


@pytest.mark.parametrize("short,switches,codes,values", CASES, ids=[c[0] for c in CASES])
def test_silent_install_records_the_values_and_uninstall_removes_them(prefix, short, switches, codes, values):
    dist = Distribution(prefix, short, source=PRODUCTS / short)
    code, lines = run_setup(prefix, dist, "/q", *switches)
    assert code == 0, lines
    assert [prefix.product_state(c) for c in codes] == [5] * len(codes)
    assert recorded(prefix, short) == values
    assert files_holding(prefix, [PASSWORD]) == []
    assert (log_folder(prefix) / f"{short}_InstallSetup.log").exists()
    if short == "VaradavuRadare":  # the document server's defaults, each logged; a given server kept
        assert {"System drive is C:\\", "Virus scan is C:\\VirusScan",
                "Document compress path is C:\\DocumentCompress"} <= set(lines)
        assert not any(l.startswith("Server name is ") for l in lines)

    code, lines = run_setup(prefix, dist, "/q", "/u")
    assert code == 0, lines
    assert [prefix.product_state(c) for c in codes] == [-1] * len(codes)
    assert recorded(prefix, short) == {}


def test_document_server_upgrade_replaces_the_previous_release(prefix):
    dist = Distribution(prefix, "VaradavuRadare", source=PRODUCTS / "VaradavuRadare")
    assert prefix.run("msiexec", "/i", "C:\\VaradavuRadare\\Packages\\VaradavuRadareLegacy.msi", "/qn") == 0
    assert prefix.product_state(DOCUMENT_2025) == 5
    code, lines = run_setup(prefix, dist, "/upgrade", "/q", "SYSTEM_IP=db04")
    assert code == 0, lines
    assert "Uninstalling Varadavu Radare Document Server 2025 returned 0." in lines
    assert prefix.product_state(DOCUMENT_2025) == -1
    assert [prefix.product_state(c) for c in DOCUMENT.values()] == [5, 5]
    assert recorded(prefix, "VaradavuRadare")["ServerName"] == "db04"
    code, lines = run_setup(prefix, dist, "/q", "/u")
    assert code == 0, lines
    assert [prefix.product_state(c) for c in DOCUMENT.values()] == [-1, -1]
