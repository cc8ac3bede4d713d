import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))
from wine import BUILD, Distribution, WinePrefix, serve_vendor  # noqa: E402


@pytest.fixture(scope="module")
def prefix(request):
    """One throw-away Wine prefix per test module."""
    name = Path(request.module.__file__).stem
    p = WinePrefix(BUILD / "wine" / name)
    p.up()
    yield p
    p.down()


@pytest.fixture
def dist(prefix):
    return Distribution(prefix)


@pytest.fixture(scope="module")
def vendor():
    """The vendors' download server on 127.0.0.1:80 (see Vendor)."""
    yield from serve_vendor()
