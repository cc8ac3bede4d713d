"""Every page of the plain sample and of the document server, driven with real key presses only,
on the screens people use: 100 % at 1024x768, 125 % at 1280x720 (the sheet must shrink to fit), 150 % at 1920x1080, 200 % at 2560x1440, and a
white-on-black high-contrast scheme. On each page: where the focus is, a screenshot of the page
(the install page while a package runs), and nothing cut off."""
import re
import shutil
import time

import pytest

from display import HIGH_CONTRAST_BLACK, Xvfb, contrast_ratio, region_colours
from gates import GATES, clear_gates, gated, gated_last, release, wait_held
from ids import (IDC_ACCOUNT, IDC_CATALOG_DRIVES, IDC_DESCRIPTION, IDC_FINISH_TITLE, IDC_FOLDER, IDC_PROGRESS_BAR,
                 IDC_SERVER, IDC_VIRUS_SCAN)
from wine import BIN, BUILD, PRODUCTS, Distribution, WinePrefix, uninstall_all
from wizard import BUTTONS, Wizard

# name: (dots per inch, screen, registry values); the values stay in the prefix, so the scheme comes last
SCREENS = {
    "100": (96, "1024x768", {}),
    "125": (120, "1280x720", {}),  # too small for the sheet at its design size: it must shrink
    "150": (144, "1920x1080", {}),
    "200": (192, "2560x1440", {}),
    "contrast": (96, "1024x768", HIGH_CONTRAST_BLACK),
}
BLACK = (0, 0, 0)
NEXT, FINISH = BUTTONS["next"], BUTTONS["finish"]


@pytest.fixture(scope="module")
def prefix():
    """One prefix for every screen: each screen restarts its processes on its own display."""
    prefix = WinePrefix(BUILD / "wine" / "gui_screens")
    prefix.up()
    prefix.reg_add("HKCU\\Software\\Wine\\X11 Driver", "Managed", "N")
    for tool in ("wizdriver.exe", "wizmeasure.dll"):
        shutil.copy(BIN / tool, prefix.drive_c / tool)
    yield prefix
    prefix.down()


@pytest.fixture(scope="module", params=list(SCREENS))
def screen(request, prefix):
    dpi, size, values = SCREENS[request.param]
    xvfb = Xvfb(BUILD / "wine" / f"gui_screens_{request.param}.xvfb.log", size=size).start()
    prefix.env["DISPLAY"] = xvfb.display
    prefix.reg_add("HKCU\\Control Panel\\Desktop", "LogPixels", dpi, kind="REG_DWORD")
    for key, name, value in values:
        prefix.reg_add(key, name, value)
    prefix.restart_server()  # the screen's size, its DPI and its colours are read when a process starts
    yield request.param, xvfb.display
    prefix.restart_server()
    xvfb.stop()


def settled(wizard, page_control, focus, timeout=60):
    """The page is shown, not minimized, with the focus where a person expects it."""
    state = wizard.wait_page(page_control, timeout=timeout)
    deadline = time.time() + 5
    while state.focus != focus and time.time() < deadline:
        time.sleep(0.2)
        state = wizard.state()
    assert not state.minimized and state.control(page_control).visible
    assert state.focus == focus, f"focus on {state.focus}, expected {focus}"
    return state


def shown(wizard, name, page_control, focus, timeout=60):
    settled(wizard, page_control, focus, timeout)
    looked_at(wizard, name, page_control)


def held_install_page(prefix, wizard):
    """The install page looked at while gate A holds the run, then let go."""
    wait_held(prefix, wizard, "A", seconds=60)
    shown(wizard, "install", IDC_PROGRESS_BAR, BUTTONS["cancel"])
    release(prefix, "A")


def finished(wizard):
    shown(wizard, "finish", IDC_FINISH_TITLE, FINISH, timeout=240)
    wizard.real_keys("Return")
    assert wizard.exit_code() == 0


def looked_at(wizard, name, page_control):
    """The page's screenshot, which must show the page, and what a person would see cut off on it;
    in the black scheme every text of the page stands out from the black by 4.5:1 at least."""
    shot = wizard.screenshot(name, showing=page_control)
    assert shot, f"the {name} page was gone before its screenshot"
    faults = wizard.clipping_faults()
    assert faults == [], f"{name}: {faults}"
    if wizard.name.startswith("contrast"):
        state = wizard.state()
        for control in state.controls:
            if control.visible and control.text and control.cls in ("Static", "Button", "RichEdit20W"):
                colours = region_colours(shot, control.rect)
                ink = max(contrast_ratio(c, BLACK) for c in colours)
                assert BLACK in colours and ink >= 4.5, (name, control.id, control.text[:30], ink)


def test_the_plain_sample_installs_with_keys_on_every_screen(prefix, screen, tmp_path):
    name, display = screen
    uninstall_all(prefix, GATES.values())
    clear_gates(prefix)
    dist = Distribution(prefix)
    gated(dist, tmp_path)
    wizard = Wizard(prefix, display, f"{name}_plain", program=dist.setup)
    wizard.start()
    try:
        shown(wizard, "welcome", IDC_DESCRIPTION, NEXT)
        wizard.real_keys("Return")
        shown(wizard, "product", IDC_FOLDER, NEXT)
        wizard.real_keys("alt+n")
        held_install_page(prefix, wizard)
        wait_held(prefix, wizard, "B")
        release(prefix, "B")
        finished(wizard)
    finally:
        release(prefix, "A")
        release(prefix, "B")
        wizard.stop()


def test_the_document_server_installs_with_keys_on_every_screen(prefix, screen, tmp_path):
    name, display = screen
    uninstall_all(prefix, GATES.values())  # the plain sample's walk installed gate A
    clear_gates(prefix)
    dist = Distribution(prefix, "VaradavuRadare", PRODUCTS / "VaradavuRadare")
    codes = re.findall(r"<GUID>(\{[^}]+\})</GUID>", (dist.dir / "VaradavuRadare.xml").read_text())
    gated_last(dist, tmp_path, "VaradavuRadare.xml")
    wizard = Wizard(prefix, display, f"{name}_document_server", program=dist.setup)
    wizard.start()
    try:
        shown(wizard, "welcome", IDC_DESCRIPTION, NEXT)
        wizard.real_keys("Return")
        settled(wizard, IDC_SERVER, IDC_ACCOUNT)
        # Moving into a field selects its text: what is typed replaces it.
        wizard.real_type("O\\svc")
        wizard.real_keys("Tab")
        wizard.real_type("Pw-Screens-1")
        wizard.real_keys("alt+d")
        wizard.real_type("localhost")
        looked_at(wizard, "login", IDC_SERVER)
        wizard.real_keys("Return")
        shown(wizard, "catalog", IDC_CATALOG_DRIVES, IDC_CATALOG_DRIVES)
        wizard.real_keys("Return")
        shown(wizard, "folders", IDC_VIRUS_SCAN, IDC_VIRUS_SCAN)
        wizard.real_keys("Return")
        held_install_page(prefix, wizard)
        finished(wizard)
    finally:
        release(prefix, "A")
        wizard.stop()
        for code in codes + [GATES["A"]]:
            if prefix.product_state(code) == 5:
                prefix.run("msiexec", "/x", code, "/qn")
