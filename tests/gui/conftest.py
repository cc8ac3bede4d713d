import shutil
import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))
sys.path.insert(0, str(Path(__file__).parents[1] / "e2e"))
from display import Xvfb  # noqa: E402
from wine import BIN, BUILD, Distribution, WinePrefix  # noqa: E402
from wizard import Wizard  # noqa: E402


@pytest.fixture(scope="module")
def screen(request):
    """A private X display for the module, always stopped."""
    name = Path(request.module.__file__).stem
    xvfb = Xvfb(BUILD / "wine" / f"gui_{name}.xvfb.log").start()
    try:
        yield xvfb.display
    finally:
        xvfb.stop()


@pytest.fixture(scope="module")
def prefix(request, screen):
    """A throw-away Wine prefix that shows its windows on the module's display."""
    name = Path(request.module.__file__).stem
    p = WinePrefix(BUILD / "wine" / f"gui_{name}", display=screen)
    try:
        p.up()
        # Unmanaged windows draw their own frame and caption: there is no window manager.
        p.reg_add("HKCU\\Software\\Wine\\X11 Driver", "Managed", "N")
        shutil.copy(BIN / "wizdriver.exe", p.drive_c / "wizdriver.exe")
        yield p
    finally:
        p.down()


@pytest.fixture
def dist(prefix):
    return Distribution(prefix)


@pytest.fixture
def wizard(request, prefix, screen):
    w = Wizard(prefix, screen, request.node.name)
    yield w
    w.stop()


@pytest.hookimpl(hookwrapper=True)
def pytest_runtest_makereport(item, call):
    """A failed GUI test leaves a screenshot and no running setup behind."""
    report = (yield).get_result()
    wizard = getattr(item, "funcargs", {}).get("wizard")
    if wizard is None or not report.failed or report.when == "teardown":
        return
    try:
        path = wizard.screenshot("failure")
        report.sections.append(("gui", f"screenshot: {path}"))
    except Exception as e:  # the screenshot must not hide the failure
        report.sections.append(("gui", f"no screenshot: {e}"))
    wizard.stop()
