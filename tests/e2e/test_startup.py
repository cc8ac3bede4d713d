"""Start-up of the real setup.exe: command line, log, culture, system facts and exit."""
import pytest

from wine import log_folder, read_log, run_setup

ARGS = ["/q", "VUROVIZO_PASSWORD=topsecret", "TARGETDIR=C:\\x", "autoupdate"]


def property_dump(lines):
    """name -> value of the dump that follows "Returning %d"."""
    start = next(i for i, l in enumerate(lines) if l.startswith("Returning "))
    dump = {}
    for line in lines[start + 1:]:
        if " = " in line:
            name, value = line.split(" = ", 1)
            dump[name] = value
    return dump


@pytest.fixture
def run(prefix, dist):
    # Start-up on its own: without a definition the run ends after the system facts, with 1619.
    # A culture file is then the only "*.xml" left, taken for a definition: 1620.
    (dist.dir / "RizodSuite.xml").unlink()
    def go(*args, version=None):
        prefix.set_windows_version(version)
        code = dist.run(*args)
        return code, read_log(log_folder(prefix) / "Setup.log")
    yield go
    prefix.set_windows_version(None)


def test_silent_start_up_logs_in_order_and_masks_secrets(prefix, run):
    code, lines = run(*ARGS)
    assert code == 1619

    # Start-up order: system account, arguments, system facts, then exit.
    expected_order = ["Not running as a system account", "/q", "VUROVIZO_PASSWORD=******", "TARGETDIR=C:\\x",
                      "autoupdate", "Running on 64 bit", "Returning 1619"]
    positions = [lines.index(l) for l in expected_order]
    assert positions == sorted(positions), lines
    assert any(l.startswith("OS is ") for l in lines)
    assert any(l.startswith("Physical memory is ") for l in lines)

    dump = property_dump(lines)
    # The command line reads in clear but for its password.
    assert dump["[CMDLINE]"] == "/q VUROVIZO_PASSWORD=****** TARGETDIR=C:\\x autoupdate "
    assert dump["[PASSWORD]"] == "******"
    assert dump["[INSTALLDIRECTORY]"] == "C:\\x"
    for name in ("OS", "Processor", "RAM", "Culture", "[SUITE]", "RebootRequired", "DomainController"):
        assert name in dump, name
    assert dump["Processor"] == "x64"
    assert dump["[SUITE]"] == "Orvanta Suite"
    assert dump["[TEMPDIRECTORY]"] == "C:\\Temp\\DEVadirez"
    assert dump["[WORKINGDIRECTORY]"] == "C:\\dist\\"
    assert lines[-1] == "Copying C:\\Temp\\DEVadirez\\Setup.log to C:\\Temp\\DEVadirez\\_Setup.log"

    copy = log_folder(prefix) / "_Setup.log"
    assert copy.exists()
    # The secret reaches no file under C:\Temp, in any form.
    for f in prefix.host_path("C:\\Temp").rglob("*"):
        if f.is_file():
            assert b"topsecret" not in f.read_bytes(), f
            assert "topsecret".encode("utf-16-le") not in f.read_bytes(), f


@pytest.mark.parametrize("version,line,keyword", [
    ("win10", "OS is Windows 10", "Win10"),
    ("win81", "OS is Windows 8.1", "Win81"),
    (None, "OS is Windows 7", "Win7"),  # Wine's default
    ("winxp", "OS is Windows XP", "XP"),
])
def test_windows_version_is_classified(run, version, line, keyword):
    code, lines = run(*ARGS, version=version)
    assert code == 1619
    assert line in lines
    assert property_dump(lines)["OS"] == keyword


def test_culture_file_chooses_library_and_product_culture(prefix, dist, run):
    (dist.dir / "ZIVaroradaZadu.xml").write_text(
        '<?xml version="1.0"?><Config>'
        '<ConfigVariable Name="{CultureName}" value="fr-CA"/>'
        '<ConfigVariable Name="{ProductCultureName}" value="en-CA"/></Config>')
    code, lines = run("/q")
    assert code == 1620
    dump = property_dump(lines)
    assert dump["ProductCulture"] == "en-CA"
    assert dump["[SUITE]"] == "ZEM Brindle Suite"
    assert not any(l.startswith("Loading ") for l in lines), lines


def test_missing_culture_library_is_logged_and_the_run_goes_on(prefix, dist, run):
    (dist.dir / "setup_en-US.dll").unlink()
    code, lines = run("/q")
    assert code == 1619
    assert any(l.startswith("Loading C:\\dist\\setup_en-US.dll failed with error code:") for l in lines), lines
    assert "Returning 1619" in lines


def test_broken_culture_file_falls_back_to_en_us(prefix, dist, run):
    (dist.dir / "ZIVaroradaZadu.xml").write_text("<not xml")
    code, lines = run("/q")
    assert code == 1620
    assert property_dump(lines)["Culture"] == "en-US"
    assert not any(l.startswith("Loading ") for l in lines), lines



def test_a_wizard_that_cannot_be_shown_ends_in_failure(prefix, dist):
    # These runs have no X display: the wizard's window cannot be made.
    code, lines = run_setup(prefix, dist)
    assert any(l.startswith("Creating the setup wizard failed with error code ") for l in lines)
    assert code != 0 and f"Returning {code}" in lines
