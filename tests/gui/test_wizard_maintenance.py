"""The wizard on a machine that has the products: the maintenance message, repair and uninstall
on the install page, a failed product in the outcome table, and a Foundation product's plain pages."""
import subprocess

from ids import (
    IDC_CLICK_NEXT, IDC_DESCRIPTION, IDC_FINISH_TITLE, IDC_FOLDER, IDC_LINK, IDC_OUTCOME, IDC_OUTCOME_TABLE,
    IDC_PROGRESS_BAR)
from wine import FAILING, SAMPLE_PRODUCTS, build_failing_package, log_folder, read_log, uninstall_all
from wizard import IDOK, IDYES, Wizard

WELCOME, INSTALL, FINISH = IDC_DESCRIPTION, IDC_PROGRESS_BAR, IDC_FINISH_TITLE
RIZOD = [SAMPLE_PRODUCTS[k] for k in ("RizodServer", "RizodDocs", "RizodTools")]


def states(prefix):
    return [prefix.product_state(code) for code in RIZOD]


def brightness(image, geometry):
    """The mean brightness (0 black .. 1 white) of a part of a screenshot."""
    out = subprocess.run(["convert", str(image), "-crop", geometry, "+repage", "-colorspace", "Gray", "-format",
                          "%[fx:mean]", "info:"], capture_output=True, check=True, timeout=60)
    return float(out.stdout)


def installed(prefix, dist):
    if states(prefix) != [5, 5, 5]:
        assert dist.run("/q") == 0


def test_a_start_without_switches_on_the_installed_suite_only_says_so(prefix, dist, wizard):
    installed(prefix, dist)
    wizard.start()
    box = wizard.box()
    wizard.screenshot("maintenance")
    assert box.caption == "Rizod Server"
    assert box.text.startswith("Rizod Server is already installed on this computer.")
    wizard.answer(IDOK)
    assert wizard.exit_code() == 0
    assert states(prefix) == [5, 5, 5]
    assert "Running in user interface mode" in read_log(log_folder(prefix) / "Setup.log")


def test_repair_and_uninstall_open_on_the_install_page_and_work_without_input(prefix, dist, wizard):
    installed(prefix, dist)
    for switch, title, expected in (("/r", "Repair complete", [5, 5, 5]), ("/u", "Uninstall complete", [-1, -1, -1])):
        wizard.start(switch)
        if switch == "/u":
            # The suite's launch message names what goes before anything is removed.
            assert "will be removed from this computer" in wizard.box().text
            wizard.answer(IDYES)
        state = wizard.wait_page(INSTALL)
        assert state.page == 0 and not state.holds(IDC_CLICK_NEXT)
        wizard.screenshot(f"install{switch[1]}", showing=INSTALL)
        state = wizard.wait_page(FINISH, timeout=240)
        wizard.screenshot(f"finish{switch[1]}")
        assert state.control(FINISH).text == title, switch
        wizard.press("finish")
        assert wizard.exit_code() == 0, switch
        assert states(prefix) == expected, switch
    lines = read_log(log_folder(prefix) / "Setup.log")
    assert "StartUninstall thread" in lines


def test_one_failed_product_of_two_is_reported_in_the_outcome_table(prefix, dist, wizard, tmp_path):
    uninstall_all(prefix, [FAILING])
    location = build_failing_package(dist, tmp_path)
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text()
    client_end = text.index("</Product>", text.index('<Product ShortName="Uvarud"'))
    text = text[:client_end] + f"""  <PackageFileGroup>
        <PackageFile><Name>Uvarud Legacy Bridge</Name><GUID>{FAILING}</GUID><Location>{location}</Location>
          <InstallOrder>1</InstallOrder><InstallLog>UvarudLegacyBridge_Install.log</InstallLog></PackageFile>
      </PackageFileGroup>
    """ + text[client_end:]
    definition.write_text(text)
    wizard.start()
    wizard.wait_page(WELCOME)
    wizard.press("next")
    wizard.wait_page(IDC_FOLDER)
    wizard.press("next")
    state = wizard.wait_page(FINISH, timeout=240)
    wizard.screenshot("mixed")
    assert state.control(FINISH).text == "Installation completed with errors"
    assert state.control(IDC_OUTCOME).text == ("Some products failed and were rolled back; the products that "
                                               "succeeded stay as setup left them.")
    link = state.control(IDC_LINK)
    assert link.visible and link.text == "Setup log: <a>C:\\Temp\\DEVadirez\\Setup.log</a>"
    assert (log_folder(prefix) / "Setup.log").exists()
    table = state.control(IDC_OUTCOME_TABLE)
    assert table.visible
    rows = table.text.split("\n")
    assert rows[0] == "Product\tStatus"
    assert rows[1] == "Rizod Server\tSuccess"
    assert rows[2].startswith("Uvarud Client\tError code : 1603 - ")
    wizard.press("finish")
    assert wizard.exit_code() == 1603
    assert prefix.product_state(RIZOD[0]) == 5


RUN_ONCE = "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce"
ENVIRONMENT_KEY = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager\\Environment"


def run_once_value(prefix):
    out = prefix._run(["wine", "reg", "query", RUN_ONCE, "/v", "QV_VRX"]).stdout.decode("utf-8", "replace")
    line = next((l for l in out.splitlines() if "QV_VRX" in l), None)
    return line.split("REG_SZ", 1)[1].strip() if line else None


def uninstall_until_finish(run, *args):
    run.start(*args)
    assert "will be removed from this computer" in run.box().text
    run.answer(IDYES)
    run.wait_page(FINISH, timeout=240)
    run.press("finish")
    return run.exit_code()


def test_a_reboot_before_an_uninstall_resumes_from_the_restart_folder_with_each_argument_whole(
        prefix, dist, wizard, screen):
    """.NET 4 comes first, and a reboot is pending: the uninstall stops for it and names its copy in
    the run-once key. Started as Windows starts that value, the copy reads each argument back whole;
    needing the reboot again, it names itself from where it runs rather than emptying its folder."""
    installed(prefix, dist)
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text().replace('NETFramework="4.8"', 'NETFramework="4.7.2"')
    definition.write_text(text.replace("  <PrerequisiteFileGroup>", """  <PrerequisiteFileGroup>
    <PrerequisiteFile><Order>1</Order><Name>.NET Framework</Name><Custom>.NET 4</Custom></PrerequisiteFile>
  </PrerequisiteFileGroup>
  <PrerequisiteFileGroup>""", 1))
    folder = "C:\\Program Files (x86)\\Orvanta\\Rizod"
    copy = "C:\\Temp\\DEVadirez\\Restart\\setup.exe"
    prefix.reg_add(ENVIRONMENT_KEY, "ZEM-REBOOT-REQUIRED", "true")  # the machine's, as a framework leaves it
    resumed = Wizard(prefix, screen, wizard.name + "_resumed", program="/line", child="setup.exe")
    try:
        code = uninstall_until_finish(wizard, "/u", f"INSTALLLOCATION={folder}")
        assert code == 103010, "\n".join(read_log(log_folder(prefix) / "Setup.log"))
        value = run_once_value(prefix)
        assert value == f'"{copy}" /restart /u "INSTALLLOCATION={folder}"'

        for f in log_folder(prefix).glob("*.log"):
            f.unlink()
        assert uninstall_until_finish(resumed, value) == 103010  # exitcode.exe /line: the value as written
        lines = read_log(log_folder(prefix) / "Setup.log")
        assert f"[INSTALLDIRECTORY] = {folder}" in lines
        assert "The setup runs from C:\\Temp\\DEVadirez\\Restart already; it is restarted from there." in lines
        assert prefix.host_path(copy).exists()
        assert run_once_value(prefix) == value
    finally:
        resumed.stop()
        prefix.reg_delete(ENVIRONMENT_KEY, "ZEM-REBOOT-REQUIRED")
        prefix.reg_delete(RUN_ONCE, "QV_VRX")
    assert states(prefix) == [5, 5, 5]


def test_a_foundation_product_shows_no_pictures(prefix, dist, wizard):
    uninstall_all(prefix)
    definition = dist.dir / "RizodSuite.xml"
    definition.write_text(definition.read_text().replace('Platform="OP"', 'Platform="Foundation"'))
    wizard.start()
    left, top, right, bottom = wizard.wait_page(WELCOME).rect
    shot = wizard.screenshot("foundation_welcome")
    wizard.press("cancel")
    wizard.box()
    wizard.answer(IDYES)
    wizard.wait_page(FINISH)
    wizard.press("finish")
    assert wizard.exit_code() == 1602
    # The header band and the side picture's place stay white (the sheet is centred on the screen).
    assert brightness(shot, f"600x50+{left + 10}+{top + 30}") > 0.97
    assert brightness(shot, f"150x300+{left + 440}+{top + 100}") > 0.97
    # Centred on the work area, and wholly on the screen.
    assert abs((left + right) / 2 - 512) <= 1 and left >= 0 and top >= 0 and bottom <= 768, (left, top, right, bottom)


LEGACY = "{6C1E2A4B-3D5F-4A71-9B20-7E8F10A2C300}"


def test_an_upgrade_on_windows_xp_is_refused_before_the_old_release_goes_then_one_on_windows_7_runs(
        prefix, dist, wizard):
    uninstall_all(prefix, [LEGACY])
    assert prefix.run("msiexec", "/i", "C:\\dist\\Packages\\RizodServerLegacy.msi", "/qn",
                      "INSTALLDIR=C:\\Legacy\\Orvanta\\Rizod", "ARPINSTALLLOCATION=C:\\Legacy\\Orvanta\\Rizod") == 0
    prefix.set_windows_version("winxp")
    try:
        wizard.start("/upgrade")
        wizard.wait_page(INSTALL)
        box = wizard.box()
        wizard.screenshot("upgrade_xp")
        assert box.text == "The installation was cancelled" and box.caption == "Rizod Server"
        wizard.answer(IDOK)
        state = wizard.wait_page(FINISH)
        assert state.control(FINISH).text == "Upgrade cancelled"
        wizard.press("finish")
        assert wizard.exit_code() == 1602
    finally:
        prefix.set_windows_version(None)
    assert prefix.product_state(LEGACY) == 5
    assert "Upgrade refused: XP is not supported; the installed release is kept." in read_log(
        log_folder(prefix) / "Setup.log")

    wizard.start("/upgrade")
    state = wizard.wait_page(FINISH, timeout=240)
    wizard.screenshot("upgrade_finish")
    assert state.control(FINISH).text == "Upgrade complete"
    wizard.press("finish")
    assert wizard.exit_code() == 0
    assert prefix.product_state(LEGACY) == -1 and states(prefix) == [5, 5, 5]


def test_help_and_an_unknown_switch_show_the_switches_and_change_nothing(prefix, dist, wizard):
    before = states(prefix)
    for args, code in ((("/?",), 0), (("/qb",), 1639)):
        wizard.start(*args)
        box = wizard.box()
        wizard.screenshot(f"help{code}")
        assert box.caption == "Setup: command line"
        assert "/passive" in box.text and "1639" in box.text and "/log <file>" in box.text, box.text
        assert box.text.startswith("The command line is not valid: /qb.") == (code == 1639)
        wizard.answer(IDOK)
        assert wizard.exit_code() == code, args
        assert states(prefix) == before
