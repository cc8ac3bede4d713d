"""A private virtual X display (Xvfb) for one GUI test module."""
import itertools
import os
import subprocess
import time
from pathlib import Path

FIRST_DISPLAY = 90
_numbers = itertools.count(FIRST_DISPLAY)


class Xvfb:
    def __init__(self, log: Path, start_timeout=15, tries=10, size="1024x768"):
        self.log = log
        self.size = size
        self.start_timeout = start_timeout
        self.tries = tries
        self.process = None
        self.display = None

    def start(self):
        self.log.parent.mkdir(parents=True, exist_ok=True)
        for _ in range(self.tries):
            number = next(_numbers)
            if Path(f"/tmp/.X{number}-lock").exists() or Path(f"/tmp/.X11-unix/X{number}").exists():
                continue
            if self._try(number):
                return self
        raise RuntimeError(f"no Xvfb display could be started (see {self.log})")

    def _try(self, number) -> bool:
        with open(self.log, "ab") as log:
            self.process = subprocess.Popen(
                ["Xvfb", f":{number}", "-screen", "0", f"{self.size}x24", "-nolisten", "tcp"],
                stdin=subprocess.DEVNULL, stdout=log, stderr=log, start_new_session=True)
        socket = Path(f"/tmp/.X11-unix/X{number}")
        deadline = time.monotonic() + self.start_timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:  # lost a race for that number
                self.process = None
                return False
            if socket.exists():
                self.display = f":{number}"
                return True
            time.sleep(0.05)
        self.stop()
        return False

    def stop(self):
        if self.process is None:
            return
        self.process.terminate()
        try:
            self.process.wait(5)
        except subprocess.TimeoutExpired:
            self.process.kill()
            self.process.wait(5)
        self.process = None


def screenshot(display: str, path: Path, timeout=30):
    """The whole screen of the display as a PNG (ImageMagick import)."""
    path.parent.mkdir(parents=True, exist_ok=True)
    env = dict(os.environ, DISPLAY=display)
    subprocess.run(["import", "-window", "root", "-display", display, str(path)], env=env,
                   stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                   timeout=timeout, check=True)
    return path


# A black high-contrast scheme as Wine takes one: the system colours in the registry (its
# high-contrast flag always reads off), with the visual style off as Windows turns it off for such
# a scheme (Wine's style would put its own colours back). Wine reads them as its session starts.
HIGH_CONTRAST_BLACK = [("HKCU\\Control Panel\\Colors", name, value) for name, value in (
    ("Window", "0 0 0"), ("WindowText", "255 255 255"), ("Hilight", "26 235 255"), ("HilightText", "0 0 0"),
    ("ButtonFace", "0 0 0"), ("ButtonText", "255 255 255"), ("GrayText", "63 242 63"))] + [
    ("HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\ThemeManager", "ThemeActive", "0")]


def region_colours(image: Path, rect, timeout=60):
    """How many pixels of each (r, g, b) colour a screen rectangle (left, top, right, bottom) of a
    screenshot holds."""
    left, top, right, bottom = rect
    out = subprocess.run(["convert", str(image), "-crop", f"{right - left}x{bottom - top}+{left}+{top}", "+repage",
                          "-depth", "8", "-alpha", "off", "txt:-"], capture_output=True, check=True, timeout=timeout)
    counts = {}
    for line in out.stdout.decode().splitlines()[1:]:
        rgb = tuple(int(v) for v in line.split("(", 1)[1].split(")", 1)[0].split(",")[:3])
        counts[rgb] = counts.get(rgb, 0) + 1
    return counts


def contrast_ratio(a, b):
    """The WCAG contrast ratio of two (r, g, b) colours."""
    def luminance(rgb):
        linear = [c / 255 / 12.92 if c / 255 <= 0.03928 else ((c / 255 + 0.055) / 1.055) ** 2.4 for c in rgb]
        return 0.2126 * linear[0] + 0.7152 * linear[1] + 0.0722 * linear[2]
    high, low = sorted((luminance(a), luminance(b)), reverse=True)
    return (high + 0.05) / (low + 0.05)
