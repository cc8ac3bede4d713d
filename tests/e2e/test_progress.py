"""progress.exe fed through a real pipe by the setup's own ProgressInterface (progress_feeder.exe)."""
import shutil
import subprocess
import tempfile
import time
from pathlib import Path

import pytest

from wine import BIN, BUILD

PRODUCT = "Rizod Suite 2024"


@pytest.fixture(scope="module")
def tools(prefix):
    for name in ("progress.exe", "progress_feeder.exe"):
        shutil.copy(BIN / name, prefix.drive_c / name)
    return prefix


def feed(prefix, *items, env=None, timeout=90):
    """Runs the feeder; answers its output lines ("sent 3", "log: ...", "exit N" or "timeout")."""
    with tempfile.TemporaryFile() as out:
        subprocess.run(["wine", "C:\\progress_feeder.exe", "C:\\progress.exe", PRODUCT, *items],
                       env=env or prefix.env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                       timeout=timeout)
        out.seek(0)
        return out.read().decode("utf-8", "replace").replace("\r", "").splitlines()


def outcome(lines):
    return [line for line in lines if line.startswith(("exit ", "timeout", "start failed"))]


@pytest.mark.parametrize("items, expected", [
    # The pipe stays open while the feeder waits: only the record can have ended it.
    (("3", "Installing A", "9", "unknown code", "--wait", "300", "1", ""), "exit 0"),
    (("3", "Installing A", "2", "The setup failed."), "exit 2"),
    (("4", ""), "exit 4"),
    # The setup ended without a last message (install, uninstall): its end is the end of the input.
    (("3", "Installing A", "--wait", "300", "--close"), "exit 0"),
    # Started by hand, with nothing on its standard input: it ends at once.
    (("--no-input",), "exit 1"),
], ids=["finished", "failed", "not-supported", "input-closed", "no-input"])
def test_progress_ends(tools, items, expected):
    lines = feed(tools, "--timeout", "20000", *items)
    assert outcome(lines) == [expected], lines


def test_send_after_progress_ended_is_logged(tools):
    lines = feed(tools, "1", "", "--wait", "1500", "3", "late status")
    assert outcome(lines) == ["exit 0"], lines
    failures = [line for line in lines if line.startswith("log: Sending a message to progress dialog failed")]
    assert len(failures) == 1, lines
    assert not failures[0].endswith(" 0"), failures


def test_a_progress_program_that_stops_reading_does_not_hold_the_setup(tools):
    # A program that never reads stands in for a hung or suspended progress.exe.
    stuck = tools.drive_c / "stuck"
    stuck.mkdir(exist_ok=True)
    shutil.copy(BIN / "stallreader.exe", stuck / "progress.exe")
    items = []
    for n in range(120):  # far more than any pipe buffer holds
        items += ["3", f"Installing package {n} " + "x" * 200]
    with tempfile.TemporaryFile() as out:
        subprocess.run(["wine", "C:\\progress_feeder.exe", "C:\\stuck\\progress.exe", PRODUCT, "--timeout", "500",
                        *items], env=tools.env, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL,
                       timeout=50)  # the stalled reader lives 60 s: ending sooner means it was not waited for
        out.seek(0)
        lines = out.read().decode("utf-8", "replace").replace("\r", "").splitlines()
    stopped = [l for l in lines if "has not read for 5 seconds; no more progress messages are sent." in l]
    assert len(stopped) == 1, lines
    assert not any("Sending a message to progress dialog failed" in l for l in lines), lines
    assert outcome(lines) == ["timeout"], lines


def free_display():
    for number in range(90, 140):
        if not Path(f"/tmp/.X{number}-lock").exists() and not Path(f"/tmp/.X11-unix/X{number}").exists():
            return number
    pytest.skip("no free X display number")


@pytest.fixture
def display(tools):
    """An Xvfb display, and the prefix's server restarted so Wine's windows go there."""
    if not shutil.which("Xvfb") or not shutil.which("import"):
        pytest.skip("Xvfb or ImageMagick import is missing")
    number = free_display()
    xvfb = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        deadline = time.time() + 10
        while not Path(f"/tmp/.X11-unix/X{number}").exists():
            assert time.time() < deadline and xvfb.poll() is None, "Xvfb did not start"
            time.sleep(0.1)
        env = dict(tools.env, DISPLAY=f":{number}")
        subprocess.run(["wineserver", "-k"], env=tools.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        yield env
    finally:
        subprocess.run(["wineserver", "-k"], env=tools.env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=60)
        xvfb.terminate()
        xvfb.wait(timeout=10)


def wait_for_window(env, name, seconds):
    deadline = time.time() + seconds
    while time.time() < deadline:
        found = subprocess.run(["xdotool", "search", "--name", name], env=env, stdin=subprocess.DEVNULL,
                               capture_output=True)
        if found.returncode == 0 and found.stdout.strip():
            return True
        time.sleep(0.3)
    return False


def test_window_shows_product_and_last_status(tools, display):
    shot = BUILD / "screenshots" / "progress.png"
    shot.parent.mkdir(parents=True, exist_ok=True)
    shot.unlink(missing_ok=True)
    with tempfile.TemporaryFile() as out:
        feeder = subprocess.Popen(
            ["wine", "C:\\progress_feeder.exe", "C:\\progress.exe", PRODUCT, "--flags", "8", "--timeout", "20000",
             "3", "Installing Rizod Server", "3", "Installing Rizod Tools & Docs", "--wait", "2500", "--dump",
             "5", "40", "5", "not a figure", "5", "", "--wait", "500", "--dump", "--wait", "8000", "1", ""],
            env=display, stdin=subprocess.DEVNULL, stdout=out, stderr=subprocess.DEVNULL)
        try:
            # Wine can take a while to bring up its desktop on a fresh display.
            if shutil.which("xdotool"):
                wait_for_window(display, PRODUCT, 30)
            time.sleep(4)
            subprocess.run(["import", "-window", "root", str(shot)], env=display, stdin=subprocess.DEVNULL,
                           capture_output=True, timeout=30, check=True)
            feeder.wait(timeout=90)
        finally:
            if feeder.poll() is None:
                feeder.kill()
        out.seek(0)
        lines = out.read().decode("utf-8", "replace").replace("\r", "").splitlines()

    assert outcome(lines) == ["exit 0"], lines
    assert f"window: {PRODUCT}" in lines, lines
    controls = [line for line in lines if line.startswith("control: ")]
    assert f"control: {PRODUCT}" in controls, lines
    assert "control: Repair" in controls, lines
    assert "control: Installing Rizod Tools & Docs" in controls, lines
    # A moving bar until the setup says how far it is; a record that is no figure changes nothing.
    assert [line for line in lines if line.startswith("bar: ")] == ["bar: 0 marquee", "bar: 40"], lines
    # Not a blank screen: the window's text, bar and frame give the picture many colours.
    colours = subprocess.run(["convert", str(shot), "-format", "%k", "info:"], capture_output=True, text=True,
                             check=True).stdout.strip()
    assert int(colours) >= 8, f"{shot} has only {colours} colours"
