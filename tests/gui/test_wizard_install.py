"""The wizard as a person sees it on a machine without the products: the four pages, cancel at
each stage, the install folder, and the pages in a black high-contrast scheme."""
import contextlib
import time

from display import contrast_ratio, region_colours
from ids import (
    IDC_BROWSE, IDC_CLICK_NEXT, IDC_DASHBOARD_BOX, IDC_DESCRIPTION, IDC_FINISH_TITLE, IDC_FOLDER,
    IDC_KEEP_CACHE_BOX, IDC_PATH_LABEL, IDC_PATH_LINE, IDC_PRODUCT_TEXT, IDC_PROGRESS_BAR, IDC_README_BOX,
    IDC_TITLE)
from wine import SAMPLE_PRODUCTS, build_package, dump_of, log_folder, read_log, uninstall_all
from wizard import IDNO, IDOK, IDYES

WELCOME, PRODUCT, INSTALL, FINISH = IDC_DESCRIPTION, IDC_FOLDER, IDC_PROGRESS_BAR, IDC_FINISH_TITLE
RIZOD = [SAMPLE_PRODUCTS[k] for k in ("RizodServer", "RizodDocs", "RizodTools")]
CANCEL_QUESTION = "Are you sure you want to cancel setup?"
SLOW = "{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5A1}"
# A package that takes its time: an immediate custom action waits 8 seconds in holdfile.exe.
SLOW_WXS = f"""<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{SLOW}" Name="Uvarud Slow Add-in" Language="1033" Version="1.0.0"
           Manufacturer="Orvanta" UpgradeCode="{{8A4D6F10-52B3-4C8E-A1D7-3F9B20C4E5A2}}">
    <Package InstallerVersion="200" Compressed="yes" InstallScope="perMachine"/>
    <Media Id="1" Cabinet="data.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir"><Directory Id="ProgramFilesFolder"/></Directory>
    <Feature Id="Main" Level="1"/>
    <Property Id="HOLDER" Value="C:\\holdfile.exe"/>
    <CustomAction Id="Wait" Property="HOLDER" ExeCommand="C:\\slow.txt 8" Execute="immediate" Return="ignore"/>
    <InstallExecuteSequence><Custom Action="Wait" After="InstallInitialize"/></InstallExecuteSequence>
  </Product>
</Wix>
"""


def setup_log(prefix):
    return read_log(log_folder(prefix) / "Setup.log")


def slow_prerequisite(dist, seconds=8):
    """A prerequisite that keeps the install page busy (with Cancel disabled) for a while."""
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text().replace("<Order>1</Order>\n      <Name>Orvanta Runtime", "<Order>2</Order>\n      <Name>Orvanta Runtime")
    definition.write_text(text.replace("  <PrerequisiteFileGroup>", f"""  <PrerequisiteFileGroup>
    <PrerequisiteFile><Order>1</Order><Name>Slow Tool</Name><Location>C:\\holdfile.exe</Location>
      <Arguments>C:\\slow.txt {seconds}</Arguments></PrerequisiteFile>""", 1))


def test_first_start_walks_welcome_product_install_finish_and_installs_everything(prefix, dist, wizard):
    uninstall_all(prefix)
    wizard.start()
    state = wizard.wait_page(WELCOME)
    wizard.screenshot("welcome")
    assert "Welcome to the Rizod Document Server Setup Wizard" in state.control(IDC_TITLE).text
    assert not state.buttons["back"].visible and state.buttons["next"].enabled
    wizard.press("next")
    state = wizard.wait_page(PRODUCT)
    wizard.screenshot("product")
    assert state.control(IDC_FOLDER).text == "C:\\Program Files (x86)\\Orvanta\\Rizod"
    assert state.control(IDC_BROWSE).enabled
    wizard.press("next")
    wizard.wait_page(INSTALL)
    wizard.screenshot("install")
    state = wizard.wait_page(FINISH, timeout=240)
    wizard.screenshot("finish")
    assert state.control(FINISH).text == "Installation complete"
    assert not state.buttons["cancel"].visible and state.buttons["finish"].enabled
    wizard.press("finish")
    assert wizard.exit_code() == 0
    assert [prefix.product_state(code) for code in RIZOD] == [5, 5, 5]
    lines = setup_log(prefix)
    dump = dump_of(lines)
    assert dump["SetupSuccess"] == "True" and dump["Silent"] == "False"
    assert "Closing setup" in lines
    # Both offers were ticked: the readme (two products, the second without a ReadMe: the install
    # folder's) and the dashboard are launched, and their failures only logged.
    assert any(l.startswith("Executing ") and l.strip().endswith("Readme_en-US.rtf") for l in lines), lines
    assert any(l.startswith("Executing ") and l.endswith("ZEM.CommonUIFramework.Shell.exe DashboardProfile") for l in lines)
    assert (log_folder(prefix) / "Rizod_InstallSetup.log").exists()


def test_cancel_asks_first_no_stays_yes_reports_cancelled_and_installs_nothing(prefix, dist, wizard):
    uninstall_all(prefix)
    wizard.start()
    wizard.wait_page(WELCOME)
    # Unlocking the session minimizes the wizard and brings it back half a second later;
    # locking alone changes nothing.
    WTS_SESSION_CHANGE, LOCK, UNLOCK = 0x2B1, 7, 8
    watched = wizard.post(WTS_SESSION_CHANGE, LOCK, 1500)
    assert watched["watch.minimized"] == "0"
    watched = wizard.post(WTS_SESSION_CHANGE, UNLOCK, 3000)
    assert watched["watch.minimized"] == "1" and watched["watch.end.minimized"] == "0", watched
    wizard.press("cancel")
    box = wizard.box()
    assert box.text == CANCEL_QUESTION and box.caption == "Rizod Server"
    wizard.answer(IDNO)
    assert wizard.wait_page(WELCOME).holds(IDC_DESCRIPTION)
    wizard.press("cancel")
    wizard.box()
    wizard.answer(IDYES)
    state = wizard.wait_page(FINISH)
    wizard.screenshot("cancelled")
    assert state.control(FINISH).text == "Installation cancelled"
    assert not state.control(IDC_README_BOX).visible and not state.control(IDC_DASHBOARD_BOX).visible
    wizard.press("finish")
    assert wizard.exit_code() == 1602
    assert [prefix.product_state(code) for code in RIZOD] == [-1, -1, -1]


def test_enter_and_escape_on_the_busy_install_page_explain_that_it_cannot_cancel(prefix, dist, wizard):
    uninstall_all(prefix)
    slow_prerequisite(dist)
    wizard.start()
    wizard.wait_page(WELCOME)
    wizard.press("next")
    wizard.wait_page(PRODUCT)
    wizard.press("next")
    state = wizard.wait_page(INSTALL)
    assert not state.buttons["cancel"].enabled
    # Real key presses: they reach the page only if it kept the keyboard focus.
    for key in ("Return", "Escape"):
        wizard.real_keys(key)
        box = wizard.box()
        assert box.text.startswith("Setup cannot be cancelled at this point"), key
        if key == "Escape":
            # The work goes on behind the box (it is never frozen, whatever it holds); only the
            # page waits for the box to close.
            logged = len(setup_log(prefix))
            time.sleep(10)
            assert len(setup_log(prefix)) > logged
            assert wizard.state().holds(INSTALL)
        wizard.answer(IDOK)
    state = wizard.wait_page(FINISH, timeout=240)
    assert state.control(FINISH).text == "Installation complete"
    wizard.press("finish")
    assert wizard.exit_code() == 0
    assert prefix.product_state(RIZOD[0]) == 5


def test_cancel_while_a_package_runs_is_asked_at_its_next_progress_message(prefix, dist, wizard, tmp_path):
    uninstall_all(prefix, [SLOW])
    location = build_package(dist, tmp_path, "UvarudSlowAddin", SLOW_WXS)
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text()
    # The slow package gets a group of its own before the client's, so Cancel is available while it waits.
    group = text.index("<PackageFileGroup>", text.index('<Product ShortName="Uvarud"'))
    text = text[:group] + f"""<PackageFileGroup>
        <PackageFile><Name>Uvarud Slow Add-in</Name><GUID>{SLOW}</GUID><Location>{location}</Location>
          <InstallOrder>1</InstallOrder><InstallLog>UvarudSlowAddin_Install.log</InstallLog></PackageFile>
      </PackageFileGroup>
      """ + text[group:]
    definition.write_text(text)
    wizard.start()
    wizard.wait_page(WELCOME)
    wizard.press("next")
    wizard.wait_page(PRODUCT)
    wizard.press("next")
    wizard.wait_page(INSTALL)
    # Cancel becomes available while the packages run, and takes the keyboard focus.
    for _ in range(300):
        state = wizard.state()
        if state.buttons["cancel"].enabled and state.focus == 2:
            break
    assert state.buttons["cancel"].enabled and state.focus == 2, state.focus
    wizard.real_keys("space")
    box = wizard.box()
    assert box.text == CANCEL_QUESTION
    wizard.screenshot("cancel_question")
    wizard.answer(IDNO)
    state = wizard.wait_page(FINISH, timeout=240)
    assert state.control(FINISH).text == "Installation complete"
    wizard.press("finish")
    assert wizard.exit_code() == 0


def test_a_folder_too_long_for_the_page_is_shortened_with_its_whole_text_as_tooltip(prefix, dist, wizard):
    uninstall_all(prefix)
    long_name = "W" * 95
    definition = dist.dir / "RizodSuite.xml"
    definition.write_text(definition.read_text().replace('QVDirectory="Orvanta\\Rizod"',
                                                         f'QVDirectory="Orvanta\\{long_name}"', 1))
    folder = f"C:\\Program Files (x86)\\Orvanta\\{long_name}"
    wizard.start()
    wizard.wait_page(WELCOME)
    wizard.press("next")
    state = wizard.wait_page(PRODUCT)
    wizard.screenshot("long_folder")
    shown = state.control(IDC_FOLDER).text
    assert shown.startswith("...") and folder.endswith(shown[3:]) and len(shown) < len(folder)
    assert wizard.tooltip(IDC_FOLDER) == folder
    wizard.press("next")
    wizard.wait_page(FINISH, timeout=240)
    wizard.press("finish")
    assert wizard.exit_code() == 0
    assert dump_of(setup_log(prefix))["[INSTALLDIRECTORY]"] == folder


# The document-cache question: a launch message whose text is the cache's culture text. It is
# asked when the last product of the family goes and a cache is left on the machine.
CACHE_MESSAGE = """  <LaunchMessages>
    <LaunchMessage MessageOrder="1"><MessageInfo>[50170]</MessageInfo><Option>OKCancel</Option>
      <FailOn>Cancel</FailOn></LaunchMessage>
  </LaunchMessages>
</Setup>"""


def test_the_document_cache_question_shows_its_whole_text_and_records_a_cleared_box(
        prefix, dist, wizard):
    uninstall_all(prefix)
    definition = dist.dir / "RizodSuite.xml"
    text = definition.read_text().replace('Platform="OP"', 'Platform="SaaS"')
    definition.write_text(text.replace("</Setup>", CACHE_MESSAGE))
    assert dist.run("/q") == 0
    cache = prefix.drive_c / "ProgramData" / "QV" / "DCS"
    cache.mkdir(parents=True, exist_ok=True)
    (cache / "documents.dat").write_text("cached")
    try:
        wizard.start("/u")
        box = wizard.box()
        wizard.screenshot("document_cache")  # three lines of text in a box drawn for two
        assert box.text.startswith("A shared document cache from an earlier installation was found")
        assert box.text.endswith("Do you want to continue?") and box.checked == {IDC_KEEP_CACHE_BOX: 1}
        assert wizard.toggle(IDC_KEEP_CACHE_BOX) == 0
        wizard.answer(IDOK)
        # The suite's own question: the cache choice is made, so a plain box.
        assert wizard.box().text.startswith("The following products will be removed from this computer")
        wizard.answer(IDYES)
        wizard.wait_page(FINISH, timeout=240)
        wizard.press("finish")
        assert wizard.exit_code() == 0
    finally:
        for f in cache.iterdir():
            f.unlink()
        cache.rmdir()
    assert dump_of(setup_log(prefix))["DCSCache"] == "True"
    assert prefix.product_state(RIZOD[0]) != 5


def tab_to(wizard, control_id, presses=10):
    """Real Tab presses until the control has the focus; its state then."""
    for _ in range(presses):
        state = wizard.state()
        if state.focus == control_id:
            return state
        wizard.real_keys("Tab")
    raise AssertionError(f"Tab never reached control {control_id}; focus on {wizard.state().focus}")


def test_enter_presses_the_button_a_person_moved_to(prefix, dist, wizard):
    """Real keys only: Enter on Cancel asks, on Back goes back, on Browse opens the folder dialog;
    Enter in the folder field goes on."""
    uninstall_all(prefix)
    wizard.start()
    wizard.wait_page(WELCOME)
    wizard.real_keys("Return")
    wizard.wait_page(PRODUCT)
    tab_to(wizard, 2)  # Cancel
    wizard.real_keys("Return")
    assert wizard.box().text == CANCEL_QUESTION
    wizard.real_keys("n")  # the question's No, by its access key
    state = wizard.wait_page(PRODUCT)
    assert state.page == 1 and "StartInstallation thread" not in setup_log(prefix)
    tab_to(wizard, IDC_BROWSE)
    wizard.real_keys("Return")
    assert wizard.window_shown("Browse for Folder")
    wizard.screenshot("browse_by_enter")
    wizard.real_keys("Escape")
    tab_to(wizard, 12323)  # Back
    wizard.real_keys("Return")
    wizard.wait_page(WELCOME)
    wizard.stop()
    assert [prefix.product_state(c) for c in RIZOD] == [-1, -1, -1]


# A black high-contrast scheme as Wine takes one: the system colours in the registry (its
# high-contrast flag always reads off), with the visual style off as Windows turns it off for
# such a scheme (Wine's style would put its own colours back). Wine reads them as its session
# starts.
COLOURS_KEY = "HKCU\\Control Panel\\Colors"
BLACK_SCHEME = [(COLOURS_KEY, name, value) for name, value in (
    ("Window", "0 0 0"), ("WindowText", "255 255 255"), ("Hilight", "26 235 255"), ("HilightText", "0 0 0"),
    ("ButtonFace", "0 0 0"), ("ButtonText", "255 255 255"), ("GrayText", "63 242 63"))] + [
    ("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "ThemeActive", "0")]
BLACK = (0, 0, 0)


@contextlib.contextmanager
def black_scheme(prefix):
    before = [(key, name, prefix.reg_query(key, name)) for key, name, _ in BLACK_SCHEME]
    for key, name, value in BLACK_SCHEME:
        prefix.reg_add(key, name, value)
    prefix.restart_server()
    try:
        yield
    finally:
        for key, name, value in before:
            if value is None:
                prefix.reg_delete(key, name)
            else:
                prefix.reg_add(key, name, value)
        prefix.restart_server()


def on_black(shot, state, control_id, least=4.5):
    """The control lies on the black page (a line: touches it), and its brightest ink stands out
    from it by `least`."""
    colours = region_colours(shot, state.control(control_id).rect)
    background = max(colours, key=colours.get)
    ink = max(contrast_ratio(c, BLACK) for c in colours)
    assert (BLACK in colours if least < 4.5 else background == BLACK) and ink >= least, (control_id, background, ink)


def test_in_a_black_scheme_every_page_is_black_with_readable_texts_and_lines(prefix, dist, wizard):
    """Black text and the blue title would vanish on black: they take the scheme's white; the
    separator line stays visible."""
    uninstall_all(prefix)
    slow_prerequisite(dist)  # the install page stays long enough to be looked at
    pages = [("welcome", WELCOME, (IDC_TITLE, IDC_DESCRIPTION, IDC_CLICK_NEXT)),
             ("product", PRODUCT, (IDC_PRODUCT_TEXT, IDC_PATH_LABEL, IDC_FOLDER)),
             ("install", INSTALL, (IDC_TITLE, IDC_DESCRIPTION)),
             ("finish", FINISH, (IDC_FINISH_TITLE, IDC_README_BOX))]
    with black_scheme(prefix):
        wizard.start()
        for name, page, texts in pages:
            state = wizard.wait_page(page, timeout=240)
            shot = wizard.screenshot(f"black_{name}")
            for control_id in texts:
                on_black(shot, state, control_id)
            if name == "product":
                on_black(shot, state, IDC_PATH_LINE, least=3)
            if name != "install":
                wizard.press("finish" if name == "finish" else "next")
        assert wizard.exit_code() == 0
