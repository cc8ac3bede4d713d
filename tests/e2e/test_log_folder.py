"""The log folder is administrators' alone: made so, taken back from an open folder, and never
written through a link planted in its place (a fresh folder beside it is used instead)."""
import shutil
import pytest

from wine import BIN, assert_untouched, dump_of, log_folder, plant_link, read_log

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

    def go(read=True):
        code = dist.run("/q")
        assert code == 1619
        return read_log(log_folder(prefix) / "Setup.log") if read else True
    return go


def assert_only_administrators_write(prefix, path=FOLDER):
    # Wine 8 keeps no access lists: it derives one from the Unix mode, owned by and allowing the
    # running user (the prefix's one administrator) and SYSTEM, and never marks it protected.
    # "self" stands for Administrators there; on Windows the list is exactly the two.
    facts = acl(prefix, path)
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


# What is planted, and where the fresh folder then goes: the log folder itself, the log file in
# it, and the shared Temp folder above it.
PLANTED = [
    ("C:\\Temp\\DEVadirez", "C:\\Temp\\DEVadirez", "is a link, not a folder"),
    ("C:\\Temp\\DEVadirez\\Setup.log", "C:\\Temp\\DEVadirez", "holds a link"),
    ("C:\\Temp", "C:\\DEVadirez", "cannot hold the log"),
]


@pytest.mark.parametrize("planted,base,why", PLANTED, ids=["folder", "log file", "temp"])
def test_a_planted_link_is_never_written_through(prefix, run, planted, base, why):
    shutil.rmtree(log_folder(prefix), ignore_errors=True)
    target = plant_link(prefix, planted)
    parent = prefix.host_path(base).parent
    before = set(parent.glob("DEVadirez.*"))
    try:
        made = set(parent.glob("DEVadirez.*")) - before if run(read=False) else None
        assert len(made) == 1, made
        folder = made.pop()
        assert len(folder.name) == len("DEVadirez.") + 32, "a name nobody can guess"
        fresh = base + folder.name[len("DEVadirez"):]
        lines = read_log(folder / "Setup.log")
        assert any(why in l and l.endswith(f"{fresh} is used instead") for l in lines), lines
        assert dump_of(lines)["[TEMPDIRECTORY]"] == fresh
        assert_only_administrators_write(prefix, fresh)
        assert_untouched(target)
    finally:
        link = prefix.host_path(planted)
        if link.is_symlink():
            link.unlink()
        if planted == "C:\\Temp":
            link.mkdir()
        for folder in set(parent.glob("DEVadirez.*")) - before:
            shutil.rmtree(folder)
