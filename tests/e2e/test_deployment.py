"""What deployment tools rely on: the Windows Installer switches, the result file, a plan that
changes nothing, and a log at a path of the caller's choosing."""
import shutil

from test_checks import MINIMUM_RAM, with_checks
from wine import (SAMPLE_PRODUCTS, assert_untouched, check_result, log_folder, plant_link, read_log, restart_notice,
                  run_setup, uninstall_all)

ALL = list(SAMPLE_PRODUCTS.values())
RESTART_KEYS = [("HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", "QV_VRX"),
                ("HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment", "ZEM-REBOOT-REQUIRED")]


def states(prefix):
    return [prefix.product_state(c) for c in ALL]


def result(prefix):
    return check_result(log_folder(prefix) / "SetupResult.json")


def products(res):
    return {p["shortName"]: p for p in res["products"]}


def test_quiet_installs_and_qn_uninstalls_each_with_its_result(prefix, dist):
    uninstall_all(prefix)
    code, lines = run_setup(prefix, dist, "/quiet")
    assert code == 0, lines
    assert states(prefix) == [5] * 5
    res = result(prefix)
    assert (res["exitName"], res["mode"], res["ui"], res["plan"]) == ("Success", "install", "silent", False)
    assert res["restart"] == {"pending": False, "reason": ""}
    rizod = products(res)["Rizod"]
    assert (rizod["action"], rizod["outcome"], rizod["productCode"]) == ("install", "succeeded", SAMPLE_PRODUCTS["RizodServer"])
    assert "C:\\Temp\\DEVadirez\\RizodServer_Install.log" in rizod["logs"]
    assert [p["outcome"] for p in res["prerequisites"]] and all(p["outcome"] in ("succeeded", "skipped")
                                                                for p in res["prerequisites"])

    code, lines = run_setup(prefix, dist, "/qn")
    assert code == 0, lines
    assert states(prefix) == [-1] * 5
    res = result(prefix)
    assert res["mode"] == "uninstall"
    assert {p["action"] for p in res["products"]} == {"uninstall"}


def test_an_unknown_switch_refuses_the_command_line_before_anything_changes(prefix, dist):
    uninstall_all(prefix)
    code, lines = run_setup(prefix, dist, "/q", "/qb!")
    assert code == 1639, lines
    assert "The command line is not valid (/qb!); nothing was changed." in lines
    assert states(prefix) == [-1] * 5
    res = result(prefix)
    assert res["exitName"] == "InvalidCommandLine"
    assert {p["outcome"] for p in res["products"]} in (set(), {"skipped"})
    # Help asked for in a silent run answers 0 and changes nothing.
    code, lines = run_setup(prefix, dist, "/q", "/?")
    assert code == 0, lines
    assert states(prefix) == [-1] * 5


def test_norestart_reports_the_restart_a_package_asked_for_and_schedules_none(prefix, dist):
    uninstall_all(prefix)
    restart_notice(dist, 3010)
    # The switch's REBOOT=ReallySuppress comes first on the step's command line: the code from the environment.
    prefix.env["EXITWITH_CODE"] = "3010"
    try:
        code, lines = run_setup(prefix, dist, "/q", "/norestart")
    finally:
        del prefix.env["EXITWITH_CODE"]
    assert code == 3010, lines
    assert any("REBOOT=ReallySuppress" in l for l in lines)
    res = result(prefix)
    assert res["exitName"] == "SuccessRestartRequired"
    assert res["restart"]["pending"] is True
    assert "/norestart" in res["restart"]["reason"]
    for key, name in RESTART_KEYS:
        assert prefix.reg_query(key, name) is None
    uninstall_all(prefix)


def test_a_failed_product_and_its_skipped_dependant_are_told_apart(prefix, dist):
    uninstall_all(prefix)
    definition = (dist.dir / "RizodSuite.xml").read_text()
    (dist.dir / "RizodSuite.xml").write_text(
        definition.replace("RizodServer.msi</Location>", "RizodServerMissing.msi</Location>", 1))
    code, lines = run_setup(prefix, dist, "/q")
    assert code == 50000, lines
    by_name = products(result(prefix))
    assert by_name["Rizod"]["outcome"] == "failed"
    assert by_name["Rizod"]["resultCode"] != 0
    assert (by_name["Uvarud"]["outcome"], by_name["Uvarud"]["resultCode"]) == ("skipped", 50000)
    assert by_name["Uvarud"]["reason"] == "dependency missing: Rizod is not installed"


def test_a_refusing_check_is_in_the_result(prefix, dist):
    uninstall_all(prefix)
    with_checks(dist, MINIMUM_RAM)
    code, lines = run_setup(prefix, dist, "/q")
    assert code == 1603
    res = result(prefix)
    assert res["exitName"] == "Failed"
    assert {p["reason"] for p in res["products"]} == {"check refused: the minimum requirement check refused the run"}


def test_plan_names_every_action_and_changes_nothing(prefix, dist):
    uninstall_all(prefix)
    # One package of the suite is already on the machine, and a check refuses.
    assert prefix.run("msiexec", "/i", "C:\\dist\\Packages\\RizodTools.msi", "/qn") == 0
    with_checks(dist, MINIMUM_RAM)
    before = states(prefix)
    code, lines = run_setup(prefix, dist, "/plan", "/quiet")
    assert code == 1603, lines
    assert "Planning only: nothing on this computer is changed." in lines
    assert states(prefix) == before
    for key, name in RESTART_KEYS:
        assert prefix.reg_query(key, name) is None
    assert not any(l.startswith("Installing ") for l in lines)
    res = result(prefix)
    assert res["plan"] is True
    packages = {p["name"]: (p["action"], p["reason"]) for item in res["products"] for p in item["packages"]}
    assert packages["Rizod Tools"] == ("skip", "already installed"), packages
    assert packages["Rizod Server"] == ("install", "")
    assert {"Uvarud Client", "Uvarud Language Pack"} <= set(packages)
    assert {p["outcome"] for p in res["products"]} == {"planned"}
    assert "Plan: Rizod, group 1, Rizod Tools: skip (already installed)" in lines
    uninstall_all(prefix)


def test_log_goes_to_the_chosen_file_and_never_through_a_link(prefix, dist):
    uninstall_all(prefix)
    chosen = prefix.host_path("C:\\DeployLogs\\rizod.log")
    shutil.rmtree(chosen.parent, ignore_errors=True)
    for f in log_folder(prefix).glob("*"):
        f.unlink()
    code = dist.run("/q", "/l*v", "C:\\DeployLogs\\rizod.log")
    assert code == 0
    lines = read_log(chosen)
    assert "Returning 0" in lines and "Running in silent mode" in lines
    assert not (log_folder(prefix) / "Setup.log").exists()
    assert result(prefix)["log"] == "C:\\DeployLogs\\rizod.log"
    uninstall_all(prefix)

    target = plant_link(prefix, "C:\\PlantedLogs")
    code, lines = run_setup(prefix, dist, "/q", "/log", "C:\\PlantedLogs\\rizod.log")
    assert code == 103024
    assert_untouched(target)
    assert states(prefix) == [-1] * 5
    assert any(l.startswith("The log file C:\\PlantedLogs\\rizod.log is refused: C:\\PlantedLogs is a link") for l in lines)

