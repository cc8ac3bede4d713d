"""The one-file sample setup started without switches: its wizard is the folder's, driven through
one install and through a cancel, with the folder's exit codes and no unpacked folder left."""
import shutil

import pytest

from ids import IDC_FOLDER, IDC_TITLE
from test_wizard_install import CANCEL_QUESTION, FINISH, INSTALL, PRODUCT, RIZOD, WELCOME
from wine import BUILD, log_folder, read_log, uninstall_all
from wizard import IDYES, Wizard

BUNDLE = "C:\\bundles\\RizodSuite-setup.exe"


@pytest.fixture
def wizard(request, prefix, screen):
    """The wizard of the one-file setup; a stop ends its unpacked setup.exe too."""
    host = prefix.host_path(BUNDLE)
    host.parent.mkdir(exist_ok=True)
    shutil.copy(BUILD / "RizodSuite-setup.exe", host)
    w = Wizard(prefix, screen, request.node.name, program=BUNDLE, child="setup.exe")
    yield w
    w.stop()


def unpacked_folders(prefix):
    return sorted((prefix.drive_c / "windows" / "temp").glob("Setup-*"))


def bundle_log(prefix):
    return read_log(log_folder(prefix) / "Bundle.log")


def test_the_bundle_wizard_walks_welcome_product_install_finish_and_installs(prefix, wizard):
    uninstall_all(prefix)
    wizard.start()
    state = wizard.wait_page(WELCOME)
    wizard.screenshot("welcome")
    assert "Welcome to the Rizod Document Server Setup Wizard" in state.control(IDC_TITLE).text
    assert unpacked_folders(prefix), "the wizard runs from no unpacked folder"
    wizard.press("next")
    state = wizard.wait_page(PRODUCT)
    wizard.screenshot("product")
    assert state.control(IDC_FOLDER).text == "C:\\Program Files (x86)\\Orvanta\\Rizod"
    wizard.press("next")
    wizard.wait_page(INSTALL)
    wizard.screenshot("install", showing=INSTALL)
    state = wizard.wait_page(FINISH, timeout=240)
    wizard.screenshot("finish")
    assert state.control(FINISH).text == "Installation complete"
    wizard.press("finish")
    assert wizard.exit_code() == 0, bundle_log(prefix)
    assert [prefix.product_state(code) for code in RIZOD] == [5, 5, 5]
    assert any(l.endswith("setup.exe returned 0") for l in bundle_log(prefix))
    assert unpacked_folders(prefix) == []
    uninstall_all(prefix)


def test_a_cancel_in_the_bundle_wizard_ends_with_1602_as_the_folder_does(prefix, wizard):
    uninstall_all(prefix)
    wizard.start()
    wizard.wait_page(WELCOME)
    wizard.press("cancel")
    assert wizard.box().text == CANCEL_QUESTION
    wizard.answer(IDYES)
    state = wizard.wait_page(FINISH)
    wizard.screenshot("cancelled")
    assert state.control(FINISH).text == "Installation cancelled"
    wizard.press("finish")
    assert wizard.exit_code() == 1602, bundle_log(prefix)
    assert [prefix.product_state(code) for code in RIZOD] == [-1, -1, -1]
    assert any(l.endswith("setup.exe returned 1602") for l in bundle_log(prefix))
    assert unpacked_folders(prefix) == []
