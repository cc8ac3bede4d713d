"""The server products' own pages: the service account and database server, the catalog drive
and the working folders of the document server, the report-server page of the report manager,
and each product sheet's pages in install, upgrade, repair and uninstall runs."""
import re
import time

import pytest

from ids import (
    IDC_ACCOUNT, IDC_ACCOUNT_HINT, IDC_ACCOUNT_LABEL, IDC_BROWSE_SHARED_FOLDER, IDC_SERVER_LABEL, IDC_SHARED_FOLDER_LABEL, IDC_CATALOG_DRIVES, IDC_DESCRIPTION, IDC_DOCUMENT_COMPRESS,
    IDC_FINISH_TITLE, IDC_PASSWORD, IDC_PROGRESS_BAR, IDC_REPORT_SERVER_URL, IDC_SERVER,
    IDC_SHARED_FOLDER, IDC_SHARED_FOLDER_HINT, IDC_TITLE, IDC_VIRUS_SCAN)
from wine import PRODUCTS, Distribution, dump_of, files_holding, log_folder, read_log
from wizard import IDOK

WELCOME, INSTALL, FINISH = IDC_DESCRIPTION, IDC_PROGRESS_BAR, IDC_FINISH_TITLE
ACCOUNT, PASSWORD, SERVER, URL, SHARE = IDC_ACCOUNT, IDC_PASSWORD, IDC_SERVER, IDC_REPORT_SERVER_URL, IDC_SHARED_FOLDER
CATALOG, VIRUS_SCAN, COMPRESS = IDC_CATALOG_DRIVES, IDC_VIRUS_SCAN, IDC_DOCUMENT_COMPRESS
SECRET = "Pw-Gui-Secret-7"
# Typed with a blank: the definition quotes its reference, which the setup leaves as it is, so the
# package gets it as one value. (A typed quote is doubled as Windows Installer reads it; Wine's
# installer drops every quote of a property value, so that part is left to the unit tests.)
TYPED_ACCOUNT = "O\\svc admin"

MESSAGES = {
    104: "This folder cannot be used.",
    10000: "Enter both the account name and the password.",
    10001: "Enter the account in the form DOMAIN\\user.",
    10003: "Enter the name of the database server.",
    10005: "The server cannot be reached. Check the server name and make sure the server is running "
           "and connected to the network.",
    50212: "Enter the report server URL.",
    50213: "The shared folder must be a network share (\\\\server\\share) that you can write to.",
    50215: "The report server could not be verified. Check the report server URL, the account and the password.",
}
# Each server product: its first package's product code and what its page set is per mode.
PRODUCTS_UNDER_TEST = {
    "VaradavuRadare": {"install": ["welcome", "login", "catalog", "folders", "install", "finish"],
                       "upgrade": ["login", "install", "finish"]},
    "VoruderaDEZ": {"install": ["welcome", "login", "install", "finish"], "upgrade": ["login", "install", "finish"]},
    "VURovizo": {"install": ["welcome", "login", "install", "finish"], "upgrade": ["login", "install", "finish"]},
    "VaruzaVuruduzOduzur": {"install": ["welcome", "report", "install", "finish"], "upgrade": ["install", "finish"]},
}
# The control each page is known by.
PAGE_CONTROL = {"welcome": WELCOME, "login": SERVER, "report": SHARE, "catalog": CATALOG, "folders": VIRUS_SCAN,
                "install": INSTALL, "finish": FINISH}


def setup_log(prefix):
    return read_log(log_folder(prefix) / "Setup.log")


def fill(wizard, values):
    for control, text in values.items():
        wizard.type(control, text)


def refused(wizard, number, page_control):
    """Next is refused with the culture message; the page stays."""
    wizard.press("next")
    box = wizard.box()
    assert box.text.startswith(MESSAGES[number]), box.text
    wizard.answer(IDOK)
    wizard.wait_page(page_control)


@pytest.fixture(scope="module")
def share(prefix):
    """\\\\localhost\\share, a writable network share: Wine maps UNC paths below dosdevices\\unc."""
    folder = prefix.path / "dosdevices" / "unc" / "localhost" / "share"
    folder.mkdir(parents=True, exist_ok=True)
    return "\\\\localhost\\share"


def walk(wizard, pages, short, at_page):
    """Goes through the pages in order, checking each is the one expected, with a screenshot;
    at_page(name, state) fills a page before Next. The install page of these small packages may
    be over before it can be seen: it is looked at when it is still there, and the finish page
    must come at its place after it."""
    for index, name in enumerate(pages):
        if name == "install":
            state = wizard.wait_page((INSTALL, FINISH))
            if state.holds(INSTALL) and state.control(INSTALL).visible:
                assert state.page == index
                wizard.screenshot(f"{short}_{name}", showing=INSTALL)
            continue
        state = wizard.wait_page(PAGE_CONTROL[name], timeout=240 if name == "finish" else 60)
        assert state.page == index, f"{name} is page {state.page}, expected {index}"
        wizard.screenshot(f"{short}_{name}")
        if name == "finish":
            assert state.buttons["finish"].enabled
            wizard.press("finish")
        else:
            at_page(name, state)
            wizard.press("next")
    return wizard.exit_code()


def focus_settles_on(wizard, control_id, seconds=5):
    """A page with fields gives its first field the focus once it is shown."""
    deadline = time.time() + seconds
    while wizard.state().focus != control_id:
        assert time.time() < deadline, f"focus on {wizard.state().focus}, not on the first field {control_id}"
        time.sleep(0.2)


def document_server_pages(wizard, prefix, name, state):
    """The document server's refusals on its way, then valid values."""
    if name in ("login", "catalog", "folders"):
        focus_settles_on(wizard, {"login": ACCOUNT, "catalog": CATALOG, "folders": VIRUS_SCAN}[name])
    if name == "login":
        # Each label's access key, pressed as a person does, moves to its field.
        for keys, field in (("alt+p", PASSWORD), ("alt+d", SERVER), ("alt+a", ACCOUNT)):
            wizard.real_keys(keys)
            focus_settles_on(wizard, field)
    if name == "login":
        assert state.buttons["back"].visible and state.control(ACCOUNT).visible
        assert state.control(SERVER).text, "the server name starts as this computer's name"
        for values, number in [
            ({ACCOUNT: "", PASSWORD: "", SERVER: "localhost"}, 10000),
            ({ACCOUNT: "\\svc", PASSWORD: SECRET}, 10001),
            ({ACCOUNT: "svc"}, 10001),
            ({ACCOUNT: "O\\svc", SERVER: ""}, 10003),
            ({SERVER: "nonexistent.invalid"}, 10005),
        ]:
            fill(wizard, values)
            refused(wizard, number, SERVER)
        assert "gethostbyname failed with error code: 11001" in setup_log(prefix)
        fill(wizard, {SERVER: "localhost"})  # with a one-letter domain
    elif name == "catalog":
        catalog = state.control(CATALOG)
        assert "C:\\" in catalog.items and catalog.text == "C:\\"
    elif name == "folders":
        assert state.control(VIRUS_SCAN).text == "C:\\VirusScan"
        assert state.control(COMPRESS).text == "C:\\DocumentCompress"
        for folder in ["C:\\" + "v" * 128, "\\\\localhost\\share\\scan"]:
            fill(wizard, {VIRUS_SCAN: folder})
            refused(wizard, 104, VIRUS_SCAN)
        fill(wizard, {VIRUS_SCAN: "C:\\Scan"})


def login_page(wizard, prefix, name, state):
    if name == "login":
        fill(wizard, {ACCOUNT: TYPED_ACCOUNT, PASSWORD: SECRET, SERVER: "localhost"})


HINTS = {ACCOUNT: "The Windows account, in the form DOMAIN\\user", PASSWORD: "The password of this account.",
         URL: "The address of the report server", SHARE: "A network share"}


def report_server_pages(wizard, prefix, name, state):
    """The report manager's refusals on its way, then values the stand-in tool accepts."""
    if name != "report":
        return
    assert state.control(IDC_TITLE).text == "Report Server"
    assert wizard.tooltip(IDC_ACCOUNT_HINT).startswith("The Windows account")
    assert wizard.tooltip(IDC_SHARED_FOLDER_HINT).startswith("A network share")
    # A screen reader names a field by the text just before it: the label, not the icon.
    order = [c.id for c in state.controls]
    for label, field in ((IDC_ACCOUNT_LABEL, ACCOUNT), (IDC_SERVER_LABEL, URL), (IDC_SHARED_FOLDER_LABEL, SHARE)):
        assert order.index(field) == order.index(label) + 1, (label, order)
    # Each field shows its icon's hint beside it while it has the focus: the keyboard reaches them too.
    for keys, field in (("alt+u", URL), ("alt+s", SHARE), ("alt+a", ACCOUNT), ("Tab", PASSWORD)):
        wizard.real_keys(keys)
        focus_settles_on(wizard, field)
        text, (left, top, _, _) = wizard.shown_tip()
        place = state.control(field).rect
        assert text.startswith(HINTS[field]) and left >= place[2] and abs(top - place[1]) <= 2, (field, text, place)
    wizard.real_keys("alt+s", "Tab")  # on to Browse: no field, no hint
    assert wizard.state().focus == IDC_BROWSE_SHARED_FOLDER and wizard.shown_tip() is None
    wizard.real_keys("alt+a")
    for values, number in [
        ({ACCOUNT: "ORVANTA\\reports", PASSWORD: "", URL: "http://localhost/ReportServer", SHARE: "\\\\localhost\\share"}, 10000),
        ({PASSWORD: SECRET, SHARE: "C:\\Share"}, 50213),
        ({SHARE: "\\\\localhost\\share", URL: ""}, 50212),
        ({URL: "not a url"}, 50215),
        ({URL: "http://localhost/Other"}, 50215),
    ]:
        fill(wizard, values)
        refused(wizard, number, SHARE)
    lines = setup_log(prefix)
    assert "Verifying http://localhost/Other for user ORVANTA\\reports returned 401" in lines
    fill(wizard, {URL: "http://localhost/ReportServer"})


def upgrade_login(wizard, prefix, name, state):
    """An upgrade asks for the server alone, on the first page."""
    assert not state.buttons["back"].visible
    assert not state.control(ACCOUNT).visible and not state.control(PASSWORD).visible
    assert state.control(SERVER).visible
    fill(wizard, {SERVER: "localhost"})


FILL = {"VaradavuRadare": document_server_pages, "VoruderaDEZ": login_page, "VURovizo": login_page,
        "VaruzaVuruduzOduzur": report_server_pages}
# What the install stores, per product, beside the account.
STORED = {
    "VaradavuRadare": {"[USER]": "O\\svc", "[SERVER_NAME]": "localhost", "[CATALOGDRIVE]": "C:\\",
                       "[VIRUS_SCAN_PATH]": "C:\\Scan", "[DOCUMENT_COMPRESS_PATH]": "C:\\DocumentCompress"},
    "VoruderaDEZ": {"[USER]": TYPED_ACCOUNT, "[SERVER_NAME]": "localhost"},
    "VURovizo": {"[USER]": TYPED_ACCOUNT, "[SERVER_NAME]": "localhost"},
    "VaruzaVuruduzOduzur": {"[USER]": "ORVANTA\\reports", "[SERVER_NAME]": "http://localhost/ReportServer",
                            "[SHARED_FOLDER]": "\\\\localhost\\share"},
}


def stored_user(prefix, short):
    """The account the product's package wrote to HKLM\\Software\\Orvanta\\<short> (32-bit view)."""
    out = prefix._run(["wine", "reg", "query", f"HKLM\\Software\\Orvanta\\{short}", "/v", "User", "/reg:32"])
    line = next(l for l in out.stdout.decode("utf-8", "replace").splitlines() if "REG_SZ" in l)
    return line.split("REG_SZ", 1)[1].strip()


def product_code(dist, short):
    """The first package's product code of the product's definition."""
    return re.search(r"<GUID>(\{[^}]+\})</GUID>", (dist.dir / f"{short}.xml").read_text()).group(1)


@pytest.mark.parametrize("short", list(PRODUCTS_UNDER_TEST))
def test_each_product_sheet_shows_its_pages_in_install_upgrade_repair_and_uninstall(prefix, share, wizard, short):
    dist = Distribution(prefix, short, PRODUCTS / short)
    wizard.program = dist.setup
    pages = PRODUCTS_UNDER_TEST[short]
    code = product_code(dist, short)

    wizard.start()
    assert walk(wizard, pages["install"], "install",
                lambda name, state: FILL[short](wizard, prefix, name, state)) == 0
    assert prefix.product_state(code) == 5
    dump = dump_of(setup_log(prefix))
    assert {name: dump.get(name) for name in STORED[short]} == STORED[short]
    assert dump["[PASSWORD]"] != SECRET
    # The package records the account as it was typed.
    assert stored_user(prefix, short) == STORED[short]["[USER]"]

    wizard.start("/upgrade")
    assert walk(wizard, pages["upgrade"], "upgrade",
                lambda name, state: upgrade_login(wizard, prefix, name, state)) == 0
    if "login" in pages["upgrade"]:
        assert dump_of(setup_log(prefix))["[SERVER_NAME]"] == "localhost"

    for switch in ("/r", "/u"):
        wizard.start(switch)
        assert walk(wizard, ["install", "finish"], switch[1:], None) == 0
    assert prefix.product_state(code) != 5
    assert files_holding(prefix, [SECRET]) == []
