"""The deployment document and the package-manager manifest say what setup.exe does: their switches
are accepted by its command-line reader, their codes are those of core/exit_codes.h."""
import re
import shlex

import yaml

from test_exit_codes import enum_codes
from wine import ROOT, SAMPLE_PRODUCTS, log_folder, read_log

MANIFEST = ROOT / "docs" / "manifests" / "Orvanta.RizodSuite.installer.yaml"
DEPLOYMENT = ROOT / "docs" / "deployment.md"

# What the manifest's responses mean, by the exit code's name.
RESPONSES = {
    "AnotherSetupRunning": "installInProgress",
    "Cancelled": "cancelledByUser",
    "SuccessRestartRequired": "rebootRequiredToFinish",
    "RebootRequired": "rebootRequiredForInstall",
    "RestartRequired": "rebootRequiredForInstall",
    "InvalidCommandLine": "invalidParameter",
    "DependencyNotMet": "missingDependency",
    "DotNetRequired": "missingDependency",
    "NotAdministrator": "blockedByPolicy",
}


def manifest():
    return yaml.safe_load(MANIFEST.read_text())


def manifest_arguments():
    """Every switch string of the manifest with its placeholders filled, as one argument list."""
    switches = manifest()["InstallerSwitches"]
    filled = " ".join(switches.values()).replace("<LOGPATH>", "C:\\DeployLogs\\plan.log")
    filled = filled.replace("<INSTALLPATH>", "C:\\Orvanta\\Rizod")
    return shlex.split(filled, posix=True)


def test_every_manifest_code_is_an_exit_code_with_its_response():
    codes = enum_codes()
    names = {value: name for name, value in codes.items()}
    listed = manifest()["ExpectedReturnCodes"]
    assert listed
    for entry in listed:
        name = names.get(entry["InstallerReturnCode"])
        assert name, f"{entry['InstallerReturnCode']} is no exit code of core/exit_codes.h"
        assert RESPONSES[name] == entry["ReturnResponse"], name
    # Every code a tool could act on differently from a plain failure is in the manifest.
    assert {codes[name] for name in RESPONSES} == {e["InstallerReturnCode"] for e in listed}


def test_the_manifest_names_the_products_codes():
    entries = manifest()["AppsAndFeaturesEntries"]
    assert manifest()["ProductCode"] == SAMPLE_PRODUCTS["RizodServer"]
    assert [e["ProductCode"] for e in entries] == [SAMPLE_PRODUCTS["RizodServer"], SAMPLE_PRODUCTS["UvarudClient"]]


def test_the_deployment_table_holds_every_exit_code():
    text = DEPLOYMENT.read_text()
    section = text[text.index("## Exit codes as deployment tools read them"):]
    section = section[:section.index("\n## ", 1)]
    rows = {name: int(value) for value, name in re.findall(r"^\| (\d+) \| `([A-Za-z]+)` \|", section, re.M)}
    assert rows == enum_codes()


def test_the_reader_accepts_every_switch_the_documents_give(prefix, dist):
    """The manifest's switches and every switch of the document's table, given to the real
    setup.exe with /plan: none is refused, and nothing is installed."""
    table = DEPLOYMENT.read_text().split("## Switches", 1)[1].split("\n## ", 1)[0]
    documented = set(re.findall(r"`(/[A-Za-z?*]+)", table))
    assert {"/quiet", "/qn", "/passive", "/norestart", "/log", "/l*v", "/plan", "/layout", "/?"} <= documented
    # Value switches come with their values from the manifest; help and the mode switches would end
    # the run or change its mode.
    plain = sorted(s for s in documented if not s.startswith("/l") and s not in
                   {"/result", "/?", "/help", "/passive", "/u", "/r", "/upgrade"})
    for f in log_folder(prefix).glob("*"):
        f.unlink()
    code = dist.run("/plan", *manifest_arguments(), *plain, "/result", "C:\\DeployLogs\\plan.json")
    lines = read_log(prefix.host_path("C:\\DeployLogs\\plan.log"))
    assert code == 0, "\n".join(lines)
    assert not any(l.startswith("Unknown switch") or "needs a value" in l for l in lines), lines
    assert "Planning only: nothing on this computer is changed." in lines
    assert prefix.product_state(SAMPLE_PRODUCTS["RizodServer"]) == -1
