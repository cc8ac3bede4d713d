"""The log folder is administrators' alone: made so, taken back from an open folder, a link replaced."""
import shutil
import pytest

from wine import BIN, log_folder, read_log

ADMINS, SYSTEM = "S-1-5-32-544", "S-1-5-18"
FOLDER = "C:\\Temp\\DEVadirez"


def acl(prefix, path=FOLDER):
    result = prefix._run(["wine", "C:\\aclcheck.exe", path])
    return dict(l.split("=", 1) for l in result.stdout.decode("utf-8", "replace").splitlines() if "=" in l)


@pytest.fixture
def run(prefix, dist):
    shutil.copy(BIN / "aclcheck.exe", prefix.drive_c / "aclcheck.exe")
    # Start-up alone is enough: without a definition the run ends with 1619 after the log is open.
    (dist.dir / "RizodSuite.xml").unlink()

    def go():
        code = dist.run("/q")
        assert code == 1619
        return read_log(log_folder(prefix) / "Setup.log")
    return go


def assert_only_administrators_write(prefix):
    # Wine 8 keeps no access lists: it derives one from the Unix mode, owned by and allowing the
    # running user (the prefix's one administrator) and SYSTEM, and never marks it protected.
    # "self" stands for Administrators there; on Windows the list is exactly the two.
    facts = acl(prefix)
    assert facts["kind"] == "directory"
    assert facts["owner"] in (ADMINS, SYSTEM, facts["self"])
    assert set(facts["writers"].split(",")) <= {ADMINS, SYSTEM, facts["self"]}, facts


def test_new_folder_grants_write_only_to_administrators_and_system(prefix, run):
    shutil.rmtree(log_folder(prefix), ignore_errors=True)
    lines = run()
    assert_only_administrators_write(prefix)
    assert not any("other users" in l or "not a folder" in l for l in lines)


def test_open_folder_is_reclaimed(prefix, run):
    run()
    opened = prefix._run(["wine", "C:\\aclcheck.exe", "--open", FOLDER])
    assert b"set=0" in opened.stdout
    assert "S-1-1-0" in acl(prefix)["writers"]

    lines = run()
    assert FOLDER + " could be changed by other users; its owner and access were reset to administrators only" in lines
    assert_only_administrators_write(prefix)


def test_junction_in_its_place_is_replaced_and_its_target_untouched(prefix, run):
    shutil.rmtree(log_folder(prefix), ignore_errors=True)
    target = prefix.drive_c / "elsewhere"
    target.mkdir(exist_ok=True)
    (target / "Setup.log").write_bytes(b"not the setup's")
    # Wine 8: "mklink /j" reports success and CreateSymbolicLinkW answers TRUE, yet neither makes
    # anything; the rule itself is covered with the security fake.
    prefix._run(["wine", "cmd", "/c", "mklink", "/j", FOLDER, "C:\\elsewhere"])
    if acl(prefix).get("kind") != "link":
        prefix._run(["wine", "C:\\aclcheck.exe", "--link", FOLDER, "C:\\elsewhere"])
    if acl(prefix).get("kind") != "link":
        pytest.skip("this Wine makes no junction or directory link")

    lines = run()
    assert FOLDER + " was a link, not a folder; it was removed and a folder made in its place" in lines
    assert_only_administrators_write(prefix)
    assert (target / "Setup.log").read_bytes() == b"not the setup's"
