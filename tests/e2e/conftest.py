import sys
from pathlib import Path

import pytest

sys.path.insert(0, str(Path(__file__).parent))
from wine import BUILD, Distribution, Vendor, WinePrefix  # noqa: E402


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
    try:
        server = Vendor()
    except OSError as error:  # port 80 needs the rights CI has
        pytest.skip(f"cannot listen on 127.0.0.1:80: {error}")
    yield server
    server.close()
