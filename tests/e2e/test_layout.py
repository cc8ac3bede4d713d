"""The offline layout: "setup.exe /layout <folder>" copies the distribution and fetches every file
its variables list links to, so that a run from the layout installs without the vendor's server."""
import hashlib
import shutil

import pytest

from wine import (BIN, RUNTIME, SAMPLE_PRODUCTS, Distribution, assert_untouched, download_folder, exitwith_sha256,
                  plant_link, run_setup, serve_vendor, uninstall_all, with_dotnet)

LAYOUT = "C:\\offline\\suite"
DOTNET_URL = "http://127.0.0.1/dotnet/NDP472-KB4054531-Web.exe"
SQL_URL = "http://127.0.0.1/sql/sqlncli.msi"
DOTNET_COPY = "Prerequisites\\DotNet472WebInstallerUrl\\NDP472-KB4054531-Web.exe"
SQL_COPY = "Prerequisites\\SqlNativeClient2012X64Url\\sqlncli.msi"
RIZOD_SERVER = SAMPLE_PRODUCTS["RizodServer"]


@pytest.fixture
def site():
    """The vendor's server for one test, which the test may stop early (the Vendor of
    test_prerequisites, started anew each time)."""
    yield from serve_vendor()


@pytest.fixture
def linked(prefix, dist):
    """The distribution asks for .NET 4.7.2 from the test's server, with its SHA-256, and its list
    links the SQL Server Native Client too (which no prerequisite asks for); no layout stands."""
    with_dotnet(dist, DOTNET_URL, exitwith_sha256())
    variables = dist.dir / "VariablesList.xml"
    variables.write_text(variables.read_text().replace(
        "</Variables>", f'  <ConfigVariable Name="{{SqlNativeClient2012X64Url}}" value="{SQL_URL}" />\n</Variables>'))
    shutil.rmtree(prefix.host_path("C:\\offline"), ignore_errors=True)
    uninstall_all(prefix, [RUNTIME])
    yield dist
    shutil.rmtree(prefix.host_path("C:\\offline"), ignore_errors=True)


def tree(folder):
    return {str(p.relative_to(folder)): p.read_bytes() for p in folder.rglob("*") if p.is_file()}


def test_a_layout_holds_the_distribution_and_every_linked_file(prefix, linked, site):
    code, lines = run_setup(prefix, linked, "/layout", LAYOUT)
    assert code == 0, "\n".join(lines)
    laid = tree(prefix.host_path(LAYOUT))
    payload = (BIN / "exitwith.exe").read_bytes()
    fetched = {DOTNET_COPY.replace("\\", "/"): payload, SQL_COPY.replace("\\", "/"): payload}
    assert laid == {**tree(linked.dir), **fetched}
    # Only what the list links to, nothing of the vendor's own links; nothing run or installed.
    assert sorted(site.requests) == ["/dotnet/NDP472-KB4054531-Web.exe", "/sql/sqlncli.msi"]
    assert f"Laid out C:\\dist in {LAYOUT} with 2 downloaded files" in lines
    ran = [l for l in lines if l.startswith(("Executing ", "Installing ")) and " rd /s /q " not in l]
    assert ran == [], "\n".join(lines)
    assert prefix.product_state(RUNTIME) == -1 and prefix.product_state(RIZOD_SERVER) == -1
    assert not download_folder(prefix).exists()


def test_a_run_from_the_layout_installs_from_its_copies_without_the_server(prefix, linked, site):
    code, lines = run_setup(prefix, linked, "/layout", LAYOUT)
    assert code == 0, "\n".join(lines)
    site.close()
    laid = Distribution(prefix, LAYOUT[3:], source=None)
    copy = laid.dir / DOTNET_COPY.replace("\\", "/")
    using = f"Using the local copy {LAYOUT}\\{DOTNET_COPY} of {DOTNET_URL}"
    record = prefix.host_path("C:\\installer.log")
    record.unlink(missing_ok=True)
    prefix.env["EXITWITH_LOG"] = "C:\\installer.log"
    try:
        # A copy changed since the layout is refused and never run.
        original = copy.read_bytes()
        copy.write_bytes(original + b"tampered")
        code, lines = run_setup(prefix, laid, "/q")
        assert code == 13, "\n".join(lines)  # ERROR_INVALID_DATA
        assert using in lines
        assert any(l.endswith("as given: the local copy is refused") for l in lines), "\n".join(lines)
        assert not record.exists() and prefix.product_state(RIZOD_SERVER) == -1

        copy.write_bytes(original)
        code, lines = run_setup(prefix, laid, "/q")
    finally:
        del prefix.env["EXITWITH_LOG"]
    assert code == 0, "\n".join(lines)
    assert using in lines
    assert record.read_text().strip().endswith("/q /lcid 1033 /norestart")
    assert prefix.product_state(RIZOD_SERVER) == 5
    assert copy.read_bytes() == original, "the layout keeps its copy"
    assert not download_folder(prefix).exists()
    uninstall_all(prefix, [RUNTIME])


def test_a_wrong_sha256_fails_the_layout_and_writes_nothing(prefix, linked, site):
    wrong = hashlib.sha256(b"another installer").hexdigest()
    variables = linked.dir / "VariablesList.xml"
    variables.write_text(variables.read_text().replace(exitwith_sha256(), wrong))
    code, lines = run_setup(prefix, linked, "/layout", LAYOUT)
    assert code == 1603, "\n".join(lines)
    assert any(l.endswith(f"not {wrong} as given: the download is refused") for l in lines), "\n".join(lines)
    assert f"Fetching {DOTNET_URL} for {{DotNet472WebInstallerUrl}} failed with code 13; nothing was laid out." in lines
    assert not prefix.host_path("C:\\offline").exists()
    assert not download_folder(prefix).exists()


@pytest.mark.parametrize("planted, folder", [
    ("C:\\offline\\linked", "C:\\offline\\linked"),           # the layout folder itself
    ("C:\\offline\\linked", "C:\\offline\\linked\\suite"),    # the folder it would be made in
])
def test_a_layout_folder_through_a_link_is_refused(prefix, linked, site, planted, folder):
    target = plant_link(prefix, planted)
    code, lines = run_setup(prefix, linked, "/layout", folder)
    assert code == 1603, "\n".join(lines)
    assert f"{planted} is a link; nothing is written through it." in lines
    assert_untouched(target)
    assert site.requests == []


@pytest.mark.parametrize("args, code, line", [
    (("/layout", "/q"), 1639, "The switch /layout needs a value after it."),
    (("/q", "/layout"), 1639, "The command line is not valid (/layout); nothing was changed."),
    (("/layout", "C:\\dist\\Packages\\..\\offline"), 1603,
     "The layout folder C:\\dist\\offline is the distribution folder or lies inside it; nothing was laid out."),
])
def test_a_layout_without_a_usable_folder_is_refused(prefix, dist, args, code, line):
    answer, lines = run_setup(prefix, dist, *args)
    assert answer == code, "\n".join(lines)
    assert line in lines
    assert not (dist.dir / "offline").exists()
