import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))
sys.path.insert(0, str(Path(__file__).parents[1] / "e2e"))
from wine import Distribution  # noqa: E402
from wizard import Wizard, wizard_machine  # noqa: E402


@pytest.fixture(scope="module")
def machine(request):
    """A private X display and a throw-away Wine prefix that shows its windows there."""
    name = Path(request.module.__file__).stem
    with wizard_machine(f"gui_{name}") as (prefix, display):
        yield prefix, display


@pytest.fixture(scope="module")
def screen(machine):
    return machine[1]


@pytest.fixture(scope="module")
def prefix(machine):
    return machine[0]


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
